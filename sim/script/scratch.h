// Scratch folders for files the simulator writes: never in a folder it was given.
#pragma once

#include <filesystem>
#include <string_view>

namespace sim {

// A new, empty folder in the system's temporary folder, `prefix` and a random part for a
// name. Throws std::runtime_error when none can be made.
std::filesystem::path MakeScratchFolder(std::string_view prefix);

}  // namespace sim
