// Process-wide plugin state that holds host memory.
#pragma once

#include <new>

namespace beastfinder::host {

// Its value is never destroyed at process exit: a server may exit without unloading the
// plugin, and by then the host that would take the memory back is torn down. Unload
// releases the value while the host is present, so closing the module loses nothing.
template <typename T>
class ProcessRecord {
  public:
    ProcessRecord() {}
    ~ProcessRecord() {}
    ProcessRecord(const ProcessRecord&) = delete;
    ProcessRecord& operator=(const ProcessRecord&) = delete;

    // Made afresh on first use after a release.
    T& Get() {
        if (!live_) {
            new (&value_) T();
            live_ = true;
        }
        return value_;
    }

    void Release() noexcept {
        if (live_) {
            value_.~T();
            live_ = false;
        }
    }

  private:
    union {
        T value_;
    };
    bool live_ = false;
};

}  // namespace beastfinder::host
