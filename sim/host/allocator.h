// The host allocator with an account of live blocks. Misuse (double free, freeing or
// growing a block it never handed out) is recorded, never acted on.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sim {

class HostAllocator {
  public:
    struct Block {
        std::uint64_t bytes = 0;
        std::uint64_t serial = 0;
    };

    void* Malloc(std::uint64_t bytes);
    void* Realloc(void* block, std::uint64_t bytes);
    void Free(void* block);

    std::size_t LiveBlocks() const { return live_.size(); }
    std::uint64_t LiveBytes() const;
    const std::unordered_map<void*, Block>& Live() const { return live_; }
    bool Owns(const void* block) const { return live_.count(const_cast<void*>(block)) != 0; }

    // Misuse seen since the last call, as one line each.
    std::vector<std::string> TakeErrors();
    std::uint64_t TotalAllocations() const { return serial_; }

    // Frees every live block (end of a run), returning how many there were.
    std::size_t ReleaseAll();
    ~HostAllocator();

  private:
    std::unordered_map<void*, Block> live_;
    std::unordered_set<void*> freed_;
    std::vector<std::string> errors_;
    std::uint64_t serial_ = 0;
};

}  // namespace sim
