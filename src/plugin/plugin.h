// Start-up and shut-down: the logger, the configuration and the command table.
//
// Included by the module's entry points, which the name check compiles for the MSVC target
// on their own: this header includes nothing.
#pragma once

namespace beastfinder {

// Throws when the configuration cannot be loaded; then no command is registered.
void Load();
// Removes every command that Load registered and releases the plugin's host memory. Each
// removal and each release is attempted whatever happened to the others.
void Unload();

// What the module's entry points call: nothing is thrown through them. Start is true when
// the plugin started; a failed start leaves one error line in the log and nothing
// registered. Stop runs Unload once after a Start, and does nothing when called again.
bool Start() noexcept;
void Stop() noexcept;

}  // namespace beastfinder
