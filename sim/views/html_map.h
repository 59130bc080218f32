// The page's map of the world, seen from above: the land's grid, every creature and player,
// the arrows the plugin drew and the creatures they point at, and the key below it.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/framework/server.h"
#include "sim/script/world.h"
#include "sim/views/render.h"

namespace sim {

// A creature a tracking arrow may point at, where it stood when the arrow was drawn.
struct ArrowTarget {
    std::uint64_t id = 0;
    std::string name;
    double position[3] = {0, 0, 0};
};

// How far `position` lies from the line of `arrow` when it lies ahead of the arrow's start,
// at least as far out as its tip (the arrow is cut short for far targets); nothing when it
// lies elsewhere. Within float rounding, a creature the arrow points at is 0 off.
std::optional<double> OffArrowLine(const ArrowLines& arrow, const double (&position)[3]);

// The creature the arrow points at among `candidates`: one on its line, a creature named like
// the arrow's label before others, then the closest to the line. Null when none is on it.
const ArrowTarget* FindArrowTarget(const ArrowLines& arrow, std::string_view label,
                                   std::span<const ArrowTarget> candidates);

struct PageWorld {
    SimWorldSettings calibration;
    std::vector<PlayerSpec> players;
    std::vector<CreatureSpec> creatures;
};

// The world as the page draws it: the calibration in force (the default one unless the
// world overrides it), every player and creature.
PageWorld PageWorldOf(const Server& server);

struct PageStep;

// The map and its key, with the arrows every step drew.
void WriteMap(std::ostream& out, const std::vector<PageStep>& steps, const PageWorld& world);

}  // namespace sim
