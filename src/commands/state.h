// What the commands keep between two commands. It is part of the plugin's one state
// (plugin/state.h), which Load builds and Unload releases.
#pragma once

#include "commands/cooldown_book.h"

namespace beastfinder {

struct CommandState {
    CooldownBook wild_cooldowns;
};

// The state's owner defines this (plugin/state.cpp).
CommandState& CommandsState();

}  // namespace beastfinder
