// The host allocator with an account of live blocks. Misuse (double free, freeing or
// growing a block it never handed out) is recorded, never acted on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

class HostAllocator {
  public:
    struct Block {
        std::uint64_t bytes = 0;
        std::uint64_t serial = 0;
    };

    HostAllocator() = default;
    HostAllocator(const HostAllocator&) = delete;
    HostAllocator& operator=(const HostAllocator&) = delete;

    void* Malloc(std::uint64_t bytes);
    void* Realloc(void* block, std::uint64_t bytes);
    void Free(void* block);

    std::size_t LiveBlocks() const { return live_blocks_; }
    std::uint64_t LiveBytes() const { return live_bytes_; }
    // The most bytes live at once since the last ResetPeak (or since the start).
    std::uint64_t PeakBytes() const { return peak_bytes_; }
    void ResetPeak() { peak_bytes_ = live_bytes_; }
    // Every live block, in no particular order.
    std::vector<std::pair<void*, Block>> Live() const;
    bool Owns(const void* block) const { return LiveBlock(block).has_value(); }
    std::optional<Block> LiveBlock(const void* block) const;

    // Misuse seen since the last call, as one line each.
    std::vector<std::string> TakeErrors();
    std::uint64_t TotalAllocations() const { return serial_; }

    // Frees every live block (end of a run), returning how many there were.
    std::size_t ReleaseAll();
    ~HostAllocator();

  private:
    // One slot per address the allocator has handed out: live, or freed and not handed out
    // again (so that a second free is told from a foreign one). Open addressing, so that
    // keeping the account costs no allocation of its own per block.
    struct Slot {
        void* address = nullptr;  // null: never used
        std::uint64_t bytes = 0;
        std::uint64_t serial = 0;  // 0: freed
    };

    Slot* Find(const void* block) const;
    Slot& Claim(void* block);
    void Grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;  // slots with an address
    std::size_t live_blocks_ = 0;
    std::uint64_t live_bytes_ = 0;
    std::uint64_t peak_bytes_ = 0;
    std::vector<std::string> errors_;
    std::uint64_t serial_ = 0;
};

}  // namespace sim
