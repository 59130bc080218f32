#include "host/memory.h"

#include <cstdint>
#include <exception>

#include "host/game.h"

namespace beastfinder::host {

namespace {
using MallocFn = void* (*)(std::uint64_t, std::uint32_t);
using ReallocFn = void* (*)(void*, std::uint64_t);
using FreeFn = void (*)(void*);
}  // namespace

void* HostMalloc(std::uint64_t bytes) {
    return reinterpret_cast<MallocFn>(ResolveFunction(Lookup::MemoryMalloc))(bytes, 0);
}

void* HostRealloc(void* block, std::uint64_t bytes) {
    return reinterpret_cast<ReallocFn>(ResolveFunction(Lookup::MemoryRealloc))(block, bytes);
}

void HostFree(void* block) noexcept {
    if (block == nullptr) {
        return;
    }
    try {
        reinterpret_cast<FreeFn>(ResolveFunction(Lookup::MemoryFree))(block);
    } catch (const std::exception&) {
        // The lookup error has been logged; without a free function the block must leak.
    }
}

std::int32_t GrowCapacity(std::int32_t capacity, std::int32_t n) noexcept {
    if (capacity == 0 && n <= 4) {
        return 4;
    }
    const std::int64_t grown =
        static_cast<std::int64_t>(n) + 3 * static_cast<std::int64_t>(n) / 8 + 16;
    return grown > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(grown);
}

}  // namespace beastfinder::host
