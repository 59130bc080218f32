// Log(): the plugin's log calls, formatted here and written through PluginLogger.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "host/logger.h"

namespace beastfinder::host {

// A plain text is written as it stands; a format with arguments is formatted first.
class PluginLog {
  public:
    void info(std::string_view text) const { WriteLog(LogLevel::info, text); }
    void warn(std::string_view text) const { WriteLog(LogLevel::warn, text); }
    void error(std::string_view text) const { WriteLog(LogLevel::error, text); }

    template <typename Arg, typename... Args>
    void info(fmt::format_string<Arg, Args...> format, Arg&& arg, Args&&... args) const {
        info(fmt::format(format, std::forward<Arg>(arg), std::forward<Args>(args)...));
    }
    template <typename Arg, typename... Args>
    void warn(fmt::format_string<Arg, Args...> format, Arg&& arg, Args&&... args) const {
        warn(fmt::format(format, std::forward<Arg>(arg), std::forward<Args>(args)...));
    }
    template <typename Arg, typename... Args>
    void error(fmt::format_string<Arg, Args...> format, Arg&& arg, Args&&... args) const {
        error(fmt::format(format, std::forward<Arg>(arg), std::forward<Args>(args)...));
    }
};

inline PluginLog Log() {
    return {};
}

// Text from a file or a player as it may stand in a log line: control characters, the line
// and paragraph separators and the bidirectional controls are written as escapes (\n,
// \u202E), so that no value starts a line of its own or reorders one. Everything else is
// kept.
std::string ForLog(std::string_view utf8);

// A value from config.json as the administrator would write it there: in double quotes,
// with quotes and backslashes escaped as well.
std::string QuotedForLog(std::string_view utf8);

}  // namespace beastfinder::host
