// What the commands keep between two commands. It is part of the plugin's one state
// (plugin/state.h), which Load builds and Unload releases.
#pragma once

#include <array>
#include <cstddef>

#include "commands/cooldown_book.h"
#include "search/request.h"

namespace beastfinder {

// Which trackers have logged that their permission gate has no plugin to ask: once per load,
// so a successful reload starts them afresh and a failed one, which changed nothing, does not.
class PermissionWarnings {
  public:
    bool& operator[](SearchMode tracker) { return logged_[static_cast<std::size_t>(tracker)]; }

  private:
    std::array<bool, 3> logged_{};
};

struct CommandState {
    CooldownBook wild_cooldowns;
    PermissionWarnings permission_warnings;
};

// The state's owner defines this (plugin/state.cpp).
CommandState& CommandsState();

}  // namespace beastfinder
