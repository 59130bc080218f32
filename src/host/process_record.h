// Process-wide plugin state that holds host memory.
#pragma once

#include <new>

namespace beastfinder::host {

// Its value is never destroyed at process exit: a server may exit without unloading the
// plugin, and by then the host that would take the memory back is torn down. Unload
// releases the contents while the host is present, and Reset leaves a value that owns
// nothing, so closing the module loses nothing either.
template <typename T>
class ProcessRecord {
  public:
    ProcessRecord() { new (&value_) T(); }
    ~ProcessRecord() {}
    ProcessRecord(const ProcessRecord&) = delete;
    ProcessRecord& operator=(const ProcessRecord&) = delete;

    T& Get() noexcept { return value_; }

    void Reset() {
        value_.~T();
        new (&value_) T();
    }

  private:
    union {
        T value_;
    };
};

}  // namespace beastfinder::host
