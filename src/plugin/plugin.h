// Start-up and shut-down: the logger, the configuration and the command table.
#pragma once

namespace beastfinder {

// Throws when the configuration cannot be loaded; then no command is registered.
void Load();
// Removes every command that Load registered and releases the plugin's host memory.
void Unload();

}  // namespace beastfinder
