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

// UTF-8 text from players or the configuration, made safe to quote in a log line: a line
// break, any other control character or a character that reorders a line becomes an escape
// (\n, \xNN, \uNNNN), and quotes and backslashes are escaped, so no text can forge a line.
std::string LogText(std::string_view text);

}  // namespace beastfinder::host
