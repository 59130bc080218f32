// The host allocator. Every buffer that host functions may fill, grow or take over comes
// from here and goes back here, never to the plugin's own heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace beastfinder::host {

void* HostMalloc(std::uint64_t bytes);
void* HostRealloc(void* block, std::uint64_t bytes);
// Never throws: an unresolvable free leaks the block and logs, because it runs in destructors.
void HostFree(void* block) noexcept;

// Capacity after the count has become n (n > 0) for a list whose capacity is `capacity`.
std::int32_t GrowCapacity(std::int32_t capacity, std::int32_t n) noexcept;

}  // namespace beastfinder::host
