// The largest config.json the plugin reads.
#pragma once

#include <cstdint>

namespace beastfinder {

// Real files are a few kilobytes. A far larger one is a mistake, and parsing it would stall
// the game thread for seconds and take gigabytes.
inline constexpr std::uintmax_t kMaxConfigFileBytes = std::uintmax_t{1024} * 1024;

}  // namespace beastfinder
