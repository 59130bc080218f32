// What a configuration load leaves behind: the settings, the catalogue and the player texts
// in use. It is part of the plugin's one state (plugin/state.h), which Load builds and
// Unload releases; this layer and those above reach it through Config(), MessageCatalogue()
// and TextOf().
#pragma once

#include "config/config.h"
#include "config/messages.h"
#include "host/host_array.h"

namespace beastfinder {

struct ConfigState {
    PluginConfig settings;
    host::HostArray<MessageEntry> catalogue;
    PlayerTexts texts = DefaultPlayerTexts();
};

// The state's owner defines this (plugin/state.cpp).
ConfigState& LoadedConfigState();

}  // namespace beastfinder
