#include "plugin/state.h"

namespace beastfinder {

host::ProcessRecord<PluginState>& State() {
    static host::ProcessRecord<PluginState> state;
    return state;
}

ConfigState& LoadedConfigState() {
    return State().Get().config;
}

CommandState& CommandsState() {
    return State().Get().commands;
}

}  // namespace beastfinder
