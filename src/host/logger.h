// PluginLogger: the plugin's one logger, writing through the framework's sinks.
#pragma once

#include <memory>

#include <spdlog/logger.h>

namespace beastfinder::host {

inline constexpr const char* kLoggerName = "Beastfinder";

std::shared_ptr<spdlog::logger>& PluginLogger();

// Replaces the held logger with a new one over the framework's sinks.
void CreatePluginLogger();

// The held logger, or one that discards everything before the first Load.
spdlog::logger& Log();

}  // namespace beastfinder::host
