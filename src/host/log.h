// Log(): the plugin's log calls, formatted here and written through PluginLogger.
#pragma once

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

}  // namespace beastfinder::host
