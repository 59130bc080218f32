// One self-contained HTML page of a session: each command's effects as the player's screen
// shows them, and a top-down map of the world with the arrows the plugin drew.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/framework/server.h"
#include "sim/views/html_map.h"

namespace sim {

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

std::string HtmlEscape(std::string_view utf8);

void WriteHtmlPage(std::ostream& out, const std::vector<PageStep>& steps, const PageWorld& world,
                   std::string_view title);

}  // namespace sim
