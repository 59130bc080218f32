// `beastfinder-sim check`: tries a config.json before a reload. The real plugin module
// loads it in the simulated host, so every problem is exactly the one its loader reports.
#pragma once

#include <ostream>
#include <string>

#include "sim/framework/server.h"

namespace sim {

// Prints each error and warning of the plugin's loader on its own line, naming `file`, and a
// summary line. Returns 0 when the file loads (warnings allowed), 1 when it does not, 2 when
// it cannot be read, 3 when the plugin module cannot be opened.
int CheckConfig(Server& server, const std::string& file, const std::string& module_path,
                std::ostream& out, std::ostream& err);

}  // namespace sim
