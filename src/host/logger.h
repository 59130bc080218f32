// PluginLogger: the plugin's one logger, writing through the framework's sinks.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <spdlog/logger.h>

namespace beastfinder::host {

inline constexpr const char* kLoggerName = "Beastfinder";

std::shared_ptr<spdlog::logger>& PluginLogger();

// Replaces the held logger with a new one over the framework's sinks.
void CreatePluginLogger();

// The held logger, or one that discards everything before the first Load.
spdlog::logger& Log();

// Text from a file or a player as it may stand in a log line: control characters, the line
// and paragraph separators and the bidirectional controls are written as escapes (\n,
// \u202E), so that no value starts a line of its own or reorders one. Everything else is
// kept.
std::string ForLog(std::string_view utf8);

// A value from config.json as the administrator would write it there: in double quotes,
// with quotes and backslashes escaped as well.
std::string QuotedForLog(std::string_view utf8);

}  // namespace beastfinder::host
