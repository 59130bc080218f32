// Everything the plugin keeps between two commands, in one place: Load builds it, Unload
// releases it. The layers beneath reach their part through the accessor each declares
// (LoadedConfigState, CommandsState), defined here.
#pragma once

#include <array>
#include <cstddef>

#include "commands/state.h"
#include "config/state.h"
#include "host/fstring.h"
#include "host/process_record.h"

namespace beastfinder {

inline constexpr std::size_t kCommandCount = 7;

// The names Load registered, kept as host text until Unload: removal then needs nothing
// that could fail (not even the host's allocator), and removes exactly what was added
// whatever a reload has changed since. The rows marked `added` are registered.
struct Registration {
    std::array<host::FString, kCommandCount> names;
    std::array<bool, kCommandCount> added{};
};

struct PluginState {
    ConfigState config;
    CommandState commands;
    Registration registration;
};

host::ProcessRecord<PluginState>& State();

}  // namespace beastfinder
