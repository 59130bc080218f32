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

// A block the host cannot take back would outlive the command, so nothing is allocated
// (and the command ends) while the free function is missing.
void* HostMalloc(std::uint64_t bytes) {
    ResolveFunction(Lookup::MemoryFree);
    return reinterpret_cast<MallocFn>(ResolveFunction(Lookup::MemoryMalloc))(bytes, 0);
}

void* HostRealloc(void* block, std::uint64_t bytes) {
    ResolveFunction(Lookup::MemoryFree);
    return reinterpret_cast<ReallocFn>(ResolveFunction(Lookup::MemoryRealloc))(block, bytes);
}

void HostFree(void* block) noexcept {
    if (block == nullptr) {
        return;
    }
    try {
        reinterpret_cast<FreeFn>(ResolveFunction(Lookup::MemoryFree))(block);
    } catch (const std::exception&) {
        // Only a block from before the free function went missing gets here: it must leak.
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
