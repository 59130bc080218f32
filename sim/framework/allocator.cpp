#include "sim/framework/allocator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <fmt/format.h>

namespace sim {

namespace {

constexpr std::size_t kFirstCapacity = 1024;  // a power of two

std::size_t Home(const void* block, std::size_t capacity) {
    // Blocks are 16-byte aligned; Fibonacci hashing spreads the rest.
    const auto bits = reinterpret_cast<std::uintptr_t>(block) >> 4;
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ULL) >> 20) & (capacity - 1);
}

}  // namespace

HostAllocator::Slot* HostAllocator::Find(const void* block) const {
    if (slots_.empty()) {
        return nullptr;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(block, slots_.size());; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.address == block) {
            return const_cast<Slot*>(&slot);
        }
        if (slot.address == nullptr) {
            return nullptr;
        }
    }
}

HostAllocator::Slot& HostAllocator::Claim(void* block) {
    if ((used_ + 1) * 4 > slots_.size() * 3) {
        Grow();
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(block, slots_.size());; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.address == block) {
            return slot;
        }
        if (slot.address == nullptr) {
            slot.address = block;
            ++used_;
            return slot;
        }
    }
}

void HostAllocator::Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.resize(old.empty() ? kFirstCapacity : old.size() * 2);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.address == nullptr) {
            continue;
        }
        std::size_t i = Home(slot.address, slots_.size());
        while (slots_[i].address != nullptr) {
            i = (i + 1) & mask;
        }
        slots_[i] = slot;
    }
}

void* HostAllocator::Malloc(std::uint64_t bytes) {
    // Zero-byte requests still get a distinct block, as the game's allocator gives.
    void* block = std::malloc(bytes == 0 ? 1 : static_cast<std::size_t>(bytes));
    if (block == nullptr) {
        errors_.push_back(fmt::format("allocation of {} bytes failed", bytes));
        return nullptr;
    }
    Slot& slot = Claim(block);
    slot.bytes = bytes;
    slot.serial = ++serial_;
    ++live_blocks_;
    live_bytes_ += bytes;
    peak_bytes_ = std::max(peak_bytes_, live_bytes_);
    return block;
}

void* HostAllocator::Realloc(void* block, std::uint64_t bytes) {
    if (block == nullptr) {
        return Malloc(bytes);
    }
    const Slot* slot = Find(block);
    if (slot == nullptr || slot->serial == 0) {
        errors_.push_back(slot != nullptr ? "realloc of a block already freed"
                                          : "realloc of a block the host never allocated");
        return nullptr;
    }
    const std::uint64_t old_bytes = slot->bytes;  // the slot may move as the table grows
    void* grown = Malloc(bytes);
    if (grown == nullptr) {
        return nullptr;
    }
    std::memcpy(grown, block, static_cast<std::size_t>(std::min(bytes, old_bytes)));
    Free(block);
    return grown;
}

void HostAllocator::Free(void* block) {
    if (block == nullptr) {
        return;
    }
    Slot* slot = Find(block);
    if (slot == nullptr || slot->serial == 0) {
        errors_.push_back(slot != nullptr ? "double free of a host block"
                                          : "free of a block the host never allocated");
        return;
    }
    slot->serial = 0;
    --live_blocks_;
    live_bytes_ -= slot->bytes;
    std::free(block);
}

std::vector<std::pair<void*, HostAllocator::Block>> HostAllocator::Live() const {
    std::vector<std::pair<void*, Block>> live;
    live.reserve(live_blocks_);
    for (const Slot& slot : slots_) {
        if (slot.address != nullptr && slot.serial != 0) {
            live.emplace_back(slot.address, Block{slot.bytes, slot.serial});
        }
    }
    return live;
}

std::optional<HostAllocator::Block> HostAllocator::LiveBlock(const void* block) const {
    const Slot* slot = Find(block);
    if (slot == nullptr || slot->serial == 0) {
        return std::nullopt;
    }
    return Block{slot->bytes, slot->serial};
}

std::vector<std::string> HostAllocator::TakeErrors() {
    std::vector<std::string> taken;
    taken.swap(errors_);
    return taken;
}

std::size_t HostAllocator::ReleaseAll() {
    const std::size_t count = live_blocks_;
    for (const Slot& slot : slots_) {
        if (slot.address != nullptr && slot.serial != 0) {
            std::free(slot.address);
        }
    }
    slots_.clear();
    used_ = 0;
    live_blocks_ = 0;
    live_bytes_ = 0;
    return count;
}

HostAllocator::~HostAllocator() {
    ReleaseAll();
}

}  // namespace sim
