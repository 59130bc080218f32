#include "host/logger.h"

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/null_sink.h>

#include "host/framework.h"

namespace beastfinder::host {

std::shared_ptr<spdlog::logger>& PluginLogger() {
    static std::shared_ptr<spdlog::logger> logger;
    return logger;
}

void CreatePluginLogger() {
    auto& sinks = GetLogSinks();
    auto logger = std::make_shared<spdlog::logger>(kLoggerName, sinks.begin(), sinks.end());
    PluginLogger() = std::move(logger);
    PluginLogger()->set_pattern("%D %R [%n][%l] %v", spdlog::pattern_time_type::local);
    PluginLogger()->flush_on(spdlog::level::info);
}

spdlog::logger& Log() {
    if (auto& logger = PluginLogger()) {
        return *logger;
    }
    static spdlog::logger silent(kLoggerName, std::make_shared<spdlog::sinks::null_sink_st>());
    return silent;
}

}  // namespace beastfinder::host
