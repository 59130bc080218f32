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

// UTF-8 text from players or the configuration, made safe to quote in a log line: a line
// break, any other control character or a character that reorders a line becomes an escape
// (\n, \xNN, \uNNNN), and quotes and backslashes are escaped, so no text can forge a line.
std::string LogText(std::string_view text);

}  // namespace beastfinder::host
