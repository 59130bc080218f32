// One self-contained HTML page of a session: each command's effects as the player's screen
// shows them, and a top-down map of the world with the arrows the plugin drew.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/host/server.h"
#include "sim/world.h"

namespace sim {

// One command and what it did; `player` is who typed it, when a player did.
struct PageStep {
    std::vector<std::string> comments;
    std::string command;
    std::string player;
    std::vector<Effect> effects;
};

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
