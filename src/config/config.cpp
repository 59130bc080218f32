#include "config/config.h"

namespace beastfinder {

PluginConfig& Config() {
    static PluginConfig config;
    return config;
}

void LoadConfig() { throw ConfigLoadError("configuration loading is not built yet"); }

void ResetConfig() { Config() = PluginConfig{}; }

}  // namespace beastfinder
