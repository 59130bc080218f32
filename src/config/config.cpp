#include "config/config.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <utility>

#include <fmt/format.h>

#include "config/file_size.h"
#include "config/findings.h"
#include "config/loader.h"
#include "config/state.h"
#include "host/framework.h"
#include "host/log.h"

namespace beastfinder {

namespace {

using config::Finding;
using config::FindingCode;

constexpr const char* kConfigPath = "/ArkApi/Plugins/Beastfinder/config.json";
constexpr const char* kOpenFailed = "Failed to load config.json";

[[noreturn]] void FailToLoad(FindingCode code, const std::string& what) {
    Finding finding;
    finding.code = code;
    finding.level = config::FindingLevel::Error;
    finding.text = host::LogMessage(what);
    config::LogFindings().Add(std::move(finding));
    throw ConfigLoadError(what);
}

// The whole file, refused when it is larger than the bound, even one that grows while it is
// read.
std::string ReadBounded(std::ifstream& file, const std::string& path) {
    const std::string too_large =
        fmt::format("{}: {} is larger than {} bytes", kOpenFailed, path, kMaxConfigFileBytes);
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kMaxConfigFileBytes && !error) {
        FailToLoad(FindingCode::FileTooLarge, too_large);
    }
    std::string text;
    char chunk[16384];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxConfigFileBytes) {
            FailToLoad(FindingCode::FileTooLarge, too_large);
        }
    }
    return text;
}

std::string ReadFile() {
    const std::string path = ArkApi::Tools::GetCurrentDir() + kConfigPath;
    // Opening a pipe would wait for a writer for ever, and a folder "opens" on some systems.
    // A plugin folder in the wrong place is the likeliest failure: say where we looked.
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) {
        file.open(path);
    }
    if (!file.is_open()) {
        FailToLoad(FindingCode::FileUnreadable,
                   exists && !std::filesystem::is_regular_file(path, error)
                       ? fmt::format("{}: {} is not a regular file", kOpenFailed, path)
                       : fmt::format("{}: cannot open {}", kOpenFailed, path));
    }
    return ReadBounded(file, path);
}

// The swap at the end of a load must not fail halfway.
static_assert(std::is_nothrow_move_assignable_v<PluginConfig>);
static_assert(std::is_nothrow_move_assignable_v<LoadedMessages>);

}  // namespace

PluginConfig& Config() {
    return LoadedConfigState().settings;
}

void LoadConfig() {
    config::LogFindings log;
    // Only when the whole file loaded are the settings, the excluded names and the catalogue
    // replaced, at once.
    config::LoadedDocument next = config::ReadConfigText(ReadFile(), log, Config());
    Config() = std::move(next.settings);
    MessageCatalogue() = std::move(next.messages.catalogue);
    UsePlayerTexts(std::move(next.messages.texts));
}

void ResetConfig() {
    LoadedConfigState() = ConfigState{};
}

}  // namespace beastfinder
