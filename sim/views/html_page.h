// One self-contained HTML page of a session: each command's effects as the player's screen
// shows them, and a top-down map of the world with the arrows the plugin drew.
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

// One command and what it did; `player` is who typed it, when a player did. `error` is why
// the line could not run; `switched_to` the player an `as` line made current.
struct PageStep {
    std::vector<std::string> comments;
    std::string command;
    std::string player;
    std::vector<Effect> effects;
    std::string error;
    std::string switched_to;
    // The creatures on the line of each arrow the command drew, as they stood then.
    std::vector<ArrowTarget> arrow_targets;
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

std::string HtmlEscape(std::string_view utf8);

void WriteHtmlPage(std::ostream& out, const std::vector<PageStep>& steps, const PageWorld& world,
                   std::string_view title);

}  // namespace sim
