// The one translation unit built against spdlog. For a real server that is the framework's own
// version, whose sinks differ in layout from later ones, so only calls both versions share are
// used here: the range constructor, set_pattern, set_level, flush_on, and info/warn/error with a
// literal format and one argument. It compiles as C++17, the newest the framework's bundle takes.
#include "host/logger.h"

#include <memory>
#include <string>

#include <spdlog/logger.h>

#include "host/framework.h"

namespace beastfinder::host {

namespace {

std::shared_ptr<spdlog::logger>& PluginLogger() {
    static std::shared_ptr<spdlog::logger> logger;
    return logger;
}

}  // namespace

void CreatePluginLogger() {
    auto& sinks = GetLogSinks();
    auto logger = std::make_shared<spdlog::logger>(kLoggerName, sinks.begin(), sinks.end());
    PluginLogger() = std::move(logger);
    PluginLogger()->set_pattern("%D %R [%n][%l] %v");
    PluginLogger()->set_level(spdlog::level::info);
    PluginLogger()->flush_on(spdlog::level::info);
}

void WriteLog(LogLevel level, std::string_view text) {
    const auto& logger = PluginLogger();
    if (!logger) {
        return;
    }
    // Through "{}" so that braces in the text are not taken for fields.
    const std::string line(text);
    switch (level) {
        case LogLevel::info:
            logger->info("{}", line);
            break;
        case LogLevel::warn:
            logger->warn("{}", line);
            break;
        case LogLevel::error:
            logger->error("{}", line);
            break;
    }
}

}  // namespace beastfinder::host
