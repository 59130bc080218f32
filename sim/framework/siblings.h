// The sibling plugins' modules: loaded while a script says a plugin is present, so the
// plugin under test finds their exports exactly as it would on a real server.
#pragma once

#include <string>

namespace sim {

// Loads or unloads the substitute module of ArkShop, CoinVault or Permissions and sets what
// IsPluginLoaded answers. False with `error` set when the module cannot be loaded.
bool SetSiblingPresent(const std::string& plugin, bool present, std::string* error = nullptr);

// Where the substitute modules are looked for (default: beside the host library).
void SetSiblingModuleDir(const std::string& dir);

void UnloadAllSiblings();

}  // namespace sim
