// PluginLogger: the plugin's one logger, writing through the framework's sinks.
// Only logger.cpp sees spdlog: the framework's sinks are objects of its own spdlog version, so
// exactly one translation unit is built against those headers. Everything else logs finished
// lines through this header (formatted by host/log.h).
#pragma once

#include <string_view>

namespace beastfinder::host {

inline constexpr const char* kLoggerName = "Beastfinder";

enum class LogLevel { info, warn, error };

// Replaces the held logger with a new one over the framework's sinks.
void CreatePluginLogger();

// One line at the given level; it goes nowhere before the first CreatePluginLogger.
void WriteLog(LogLevel level, std::string_view text);

}  // namespace beastfinder::host
