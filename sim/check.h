// `beastfinder-sim check`: tries a config.json before a reload. The real plugin module
// loads it in the simulated host, so every problem is exactly the one its loader reports.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "sim/host/server.h"

namespace sim {

// One error or warning about a configuration file, and what it points at.
struct CheckProblem {
    bool error = false;
    int line = 0;  // 0: no line to point at
    int column = 0;
    std::string text;
    std::string pointer;  // the key it is about, when it names one
};

// What one error or warning line of the plugin's loader says about `file_text`: the line it
// is about and the key, and the text to show without the JSON library's label.
CheckProblem ClassifyLoaderLine(std::string_view file_text, bool error, std::string_view message);

// Prints each error and warning of the plugin's loader on its own line, naming `file`, and a
// summary line. Returns 0 when the file loads (warnings allowed), 1 when it does not, 2 when
// it cannot be read, 3 when the plugin module cannot be opened.
int CheckConfig(Server& server, const std::string& file, const std::string& module_path,
                std::ostream& out, std::ostream& err);

}  // namespace sim
