// How the game numbers teams: wild creatures' below the floor, tribes' and players' above it.
// The floor itself is neither.
#pragma once

#include <cstdint>

namespace beastfinder {

inline constexpr std::int32_t kTribeTeamFloor = 50000;

constexpr bool IsWildTeam(std::int32_t team) {
    return team < kTribeTeamFloor;
}
constexpr bool IsOwnedTeam(std::int32_t team) {
    return team > kTribeTeamFloor;
}

}  // namespace beastfinder
