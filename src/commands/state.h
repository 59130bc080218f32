// What the commands keep between two commands. It is part of the plugin's one state
// (plugin/state.h), which Load builds and Unload releases.
#pragma once

#include <cstdint>

#include "host/fstring.h"
#include "host/host_array.h"

namespace beastfinder {

struct WildCooldownEntry {
    std::uint64_t steam_id = 0;
    host::FString last_word;
    std::int64_t expires_at = 0;
};

struct CommandState {
    host::HostArray<WildCooldownEntry> wild_cooldowns;
};

// The state's owner defines this (plugin/state.cpp).
CommandState& CommandsState();

}  // namespace beastfinder
