#include "sim/host/allocator.h"

#include <cstdlib>
#include <cstring>

#include <fmt/format.h>

namespace sim {

void* HostAllocator::Malloc(std::uint64_t bytes) {
    // Zero-byte requests still get a distinct block, as the game's allocator gives.
    void* block = std::malloc(bytes == 0 ? 1 : static_cast<std::size_t>(bytes));
    if (block == nullptr) {
        errors_.push_back(fmt::format("allocation of {} bytes failed", bytes));
        return nullptr;
    }
    freed_.erase(block);
    live_[block] = Block{bytes, ++serial_};
    return block;
}

void* HostAllocator::Realloc(void* block, std::uint64_t bytes) {
    if (block == nullptr) {
        return Malloc(bytes);
    }
    auto it = live_.find(block);
    if (it == live_.end()) {
        errors_.push_back(freed_.count(block) != 0 ? "realloc of a block already freed"
                                                   : "realloc of a block the host never allocated");
        return nullptr;
    }
    void* grown = Malloc(bytes);
    if (grown == nullptr) {
        return nullptr;
    }
    std::memcpy(grown, block, static_cast<std::size_t>(std::min(bytes, it->second.bytes)));
    Free(block);
    return grown;
}

void HostAllocator::Free(void* block) {
    if (block == nullptr) {
        return;
    }
    auto it = live_.find(block);
    if (it == live_.end()) {
        errors_.push_back(freed_.count(block) != 0 ? "double free of a host block"
                                                   : "free of a block the host never allocated");
        return;
    }
    live_.erase(it);
    freed_.insert(block);
    std::free(block);
}

std::uint64_t HostAllocator::LiveBytes() const {
    std::uint64_t total = 0;
    for (const auto& [block, info] : live_) {
        total += info.bytes;
    }
    return total;
}

std::vector<std::string> HostAllocator::TakeErrors() {
    std::vector<std::string> taken;
    taken.swap(errors_);
    return taken;
}

std::size_t HostAllocator::ReleaseAll() {
    const std::size_t count = live_.size();
    for (auto& [block, info] : live_) {
        std::free(block);
    }
    live_.clear();
    freed_.clear();
    return count;
}

HostAllocator::~HostAllocator() {
    ReleaseAll();
}

}  // namespace sim
