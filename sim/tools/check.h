// `beastfinder-sim check`: tries a config.json before a reload. The plugin's own loader reads
// it, so every problem is exactly the one the plugin would log; the real plugin module starts
// on it in the simulated host, to show whether it starts and whether it misbehaves.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "config/findings.h"
#include "sim/framework/server.h"

namespace sim {

// One error or warning about a configuration file, and what it points at.
struct CheckProblem {
    bool error = false;
    int line = 0;  // 0: no line to point at
    int column = 0;
    std::string text;
    std::string pointer;  // the key it is about, when it names one
    std::string other;    // a second key it is about (a clash of two)
};

// How one finding of the loader about `file_text` is shown: the line it is about and the
// key, and the text without the JSON library's label.
CheckProblem ProblemOfFinding(std::string_view file_text,
                              const beastfinder::config::Finding& finding);

// Prints each error and warning of the plugin's loader on its own line, naming `file`, and a
// summary line. Returns 0 when the file loads (warnings allowed), 1 when it does not, 2 when
// it cannot be read, 3 when the plugin module cannot be opened.
int CheckConfig(Server& server, const std::string& file, const std::string& module_path,
                std::ostream& out, std::ostream& err);

}  // namespace sim
