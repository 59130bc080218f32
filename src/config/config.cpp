#include "config/config.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/file_size.h"
#include "config/json_reader.h"
#include "config/keys.h"
#include "config/messages.h"
#include "config/state.h"
#include "host/framework.h"
#include "host/log.h"

namespace beastfinder {

namespace {

using config::Json;
using config::JsonSection;

constexpr const char* kConfigPath = "/ArkApi/Plugins/Beastfinder/config.json";
constexpr const char* kOpenFailed = "Failed to load config.json";

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 128; });
}

// Command names reach the registry byte by byte with '?' for anything above 127.
std::string ReadCommand(const JsonSection& section, std::string_view fallback) {
    std::string command = section.Text("Command", fallback);
    if (!IsAscii(command)) {
        host::Log().warn("{} \"{}\" is not plain ASCII: the command will never match",
                         section.PathOf("Command"), host::LogText(command));
    }
    return command;
}

// A negative spend would credit the player.
std::int32_t ReadCost(const JsonSection& section) {
    const std::int32_t cost = section.Int("Cost", 0);
    if (cost < 0) {
        host::Log().warn("{} is {}, below 0: using 0", section.PathOf("Cost"), cost);
        return 0;
    }
    return cost;
}

void ReadPermission(const JsonSection& tracker, PermissionSettings& out) {
    const JsonSection section = tracker.Child("Permission");
    out.Enabled = section.Bool("Enabled", false);
    out.Name = section.Text("Name", "");
    if (!IsAscii(out.Name)) {
        host::Log().warn("{} \"{}\" is not plain ASCII: no group can hold it",
                         section.PathOf("Name"), host::LogText(out.Name));
    }
}

void ReadCoinVault(const JsonSection& tracker, CoinVaultSettings& out) {
    const JsonSection section = tracker.Child("CoinVault");
    out.Enabled = section.Bool("Enabled", false);
    out.Type = section.Text("Type", "");
    out.Cost = ReadCost(section);
}

void ReadArkShop(const JsonSection& tracker, ArkShopSettings& out) {
    const JsonSection section = tracker.Child("ArkShop");
    out.Enabled = section.Bool("Enabled", false);
    out.Cost = ReadCost(section);
}

void ReadGlobalSettings(const JsonSection& root, GlobalSettingsConfig& out) {
    const JsonSection section = root.Child("GlobalSettings");
    out.ShowCoordsCombined = section.Bool("ShowCoordsCombined", false);
    if (!section.Colour("TextColor", out.TextColor)) {
        host::Log().warn("Text Color Should Have 3 Colors");
    }
    out.DinosPerPage = section.Int("DinosPerPage", 10);
    if (out.DinosPerPage < 1) {
        host::Log().warn("{} is {}, below 1: using 1", section.PathOf("DinosPerPage"),
                         out.DinosPerPage);
        out.DinosPerPage = 1;
    }
    out.DisplayTime = section.Float("DisplayTime", 10.0F);
    out.DisplayScale = section.Float("DisplayScale", 0.5F);
    out.LogPayments = section.Bool("LogPayments", false);
}

void ReadPremiumSettings(const JsonSection& root, PremiumSettingsConfig& out) {
    const JsonSection arrow = root.Child("PremiumSettings").Child("TrackingArrow");
    out.TrackingArrow.Enabled = arrow.Bool("Enabled", true);
    out.TrackingArrow.DisplayTime = arrow.Float("DisplayTime", 10.0F);
    if (!arrow.Colour("Color", out.TrackingArrow.Color)) {
        host::Log().warn("Arrow Color Should Have 3 Colors");
    }
}

// A lone string is a list of one; an object gives its member values in key order.
void ReadExcludeSearch(const JsonSection& section, host::HostArray<host::FString>& out) {
    const Json* names = section.Find("ExcludeSearch");
    if (names == nullptr) {
        return;
    }
    for (const Json& name : *names) {
        out.Append(host::FStringFromOwnedWide(DecodeUtf8(name.get<std::string>())));
    }
}

void ReadWildTracker(const JsonSection& root, WildTrackerConfig& out) {
    const JsonSection section = root.Child("WildTracker");
    out.Enabled = section.Bool("Enabled", false);
    out.Command = ReadCommand(section, "/trackwild");
    out.Cooldown = section.Int("Cooldown", 30);
    out.RequiresAdmin = section.Bool("RequiresAdmin", false);
    out.ShowColors = section.Bool("ShowColors", false);
    out.ShowDistance = section.Bool("ShowDistance", true);
    out.ShowExactCoords = section.Bool("ShowExactCoords", true);
    out.ShowLevel = section.Bool("ShowLevel", true);
    out.MaxDistance = section.Float("MaxDistance", 99999.0F);
    out.MaxLevel = section.Int("MaxLevel", 999);
    out.MinLevel = section.Int("MinLevel", 1);
    ReadExcludeSearch(section, out.ExcludeSearch);
    ReadPermission(section, out.Permission);
    ReadCoinVault(section, out.CoinVault);
    ReadArkShop(section, out.ArkShop);
}

void ReadTameTracker(const JsonSection& root, TameTrackerConfig& out) {
    const JsonSection section = root.Child("TameTracker");
    out.Command = ReadCommand(section, "/track");
    out.Cooldown = section.Int("Cooldown", 30);
    out.RequiresAdmin = section.Bool("RequiresAdmin", false);
    out.ShowDistance = section.Bool("ShowDistance", true);
    out.ShowExactCoords = section.Bool("ShowExactCoords", true);
    out.ShowLevel = section.Bool("ShowLevel", true);
    ReadPermission(section, out.Permission);
    ReadCoinVault(section, out.CoinVault);
    ReadArkShop(section, out.ArkShop);
}

void ReadAdminTracker(const JsonSection& root, AdminTrackerConfig& out) {
    const JsonSection section = root.Child("AdminTracker");
    out.Command = ReadCommand(section, "/trackadmin");
    ReadPermission(section, out.Permission);
}

// A day; a longer cooldown is almost certainly a slip that would lock players out.
constexpr std::int32_t kLongestSensibleCooldown = 86400;

}  // namespace

bool IsRegistrableCommand(std::string_view name) {
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

namespace {

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
}

// The registry matches chat commands ignoring ASCII case.
bool SameCommand(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// Settings that load but cannot be what the administrator meant.
void WarnAboutCarelessSettings(const PluginConfig& config) {
    struct ChatCommand {
        std::string_view where;
        std::string_view name;
    };
    const ChatCommand commands[] = {
        {"/TameTracker/Command", config.TameTracker.Command},
        {"/WildTracker/Command", config.WildTracker.Command},
        {"/AdminTracker/Command", config.AdminTracker.Command},
        {"the chat reload command", kReloadChatCommand},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const ChatCommand& command = commands[i];
        const std::string shown = host::LogText(command.name);
        if (!IsRegistrableCommand(command.name)) {
            host::Log().warn(
                "{} \"{}\" holds a control character: no chat line can start it, so it is not "
                "registered",
                command.where, shown);
            continue;
        }
        if (IsBlank(command.name)) {
            host::Log().warn("{} \"{}\" is {}: no chat line can start it", command.where, shown,
                             command.name.empty() ? "empty" : "blank");
            continue;
        }
        for (std::size_t j = i + 1; j < std::size(commands); ++j) {
            if (SameCommand(command.name, commands[j].name)) {
                host::Log().warn("{} \"{}\" is also {}: only one of them will answer",
                                 command.where, shown, commands[j].where);
            }
        }
    }
    if (config.WildTracker.Cooldown > kLongestSensibleCooldown) {
        host::Log().warn(
            "/WildTracker/Cooldown is {} seconds, more than a day: players wait that long "
            "between searches",
            config.WildTracker.Cooldown);
    }
}

host::HostArray<MessageEntry> ReadMessages(const JsonSection& section) {
    host::HostArray<MessageEntry> catalogue;
    for (const std::string_view name : kMessageNames) {
        catalogue.Append(LoadMessage(section.Node(), name, ""));
    }
    return catalogue;
}

// The swap at the end of a load must not fail halfway.
static_assert(std::is_nothrow_move_assignable_v<PluginConfig>);
static_assert(std::is_nothrow_move_assignable_v<host::HostArray<MessageEntry>>);

[[noreturn]] void FailToLoad(const std::string& what) {
    host::Log().error(host::LogMessage(what));
    throw ConfigLoadError(what);
}

// The whole file, refused when it is larger than the bound, even one that grows while it is
// read.
std::string ReadBounded(std::ifstream& file, const std::string& path) {
    const std::string too_large =
        fmt::format("{}: {} is larger than {} bytes", kOpenFailed, path, kMaxConfigFileBytes);
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kMaxConfigFileBytes && !error) {
        FailToLoad(too_large);
    }
    std::string text;
    char chunk[16384];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxConfigFileBytes) {
            FailToLoad(too_large);
        }
    }
    return text;
}

Json ParseFile() {
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
        FailToLoad(exists && !std::filesystem::is_regular_file(path, error)
                       ? fmt::format("{}: {} is not a regular file", kOpenFailed, path)
                       : fmt::format("{}: cannot open {}", kOpenFailed, path));
    }
    std::istringstream text(ReadBounded(file, path));
    try {
        return config::ParseFirstValue(text);
    } catch (const Json::parse_error& error) {
        FailToLoad(error.what());
    }
}

}  // namespace

PluginConfig& Config() {
    return LoadedConfigState().settings;
}

void LoadConfig() {
    const Json document = ParseFile();
    const JsonSection root(document, "");
    config::WarnUnknownKeys(document);

    // Everything is read into a new record and catalogue, and swapped in only when the whole
    // file loaded. The colour rule keeps the previous colour, so those carry over; every
    // other field is assigned below. The file's names replace the excluded ones.
    PluginConfig next;
    next.GlobalSettings.TextColor = Config().GlobalSettings.TextColor;
    next.PremiumSettings.TrackingArrow.Color = Config().PremiumSettings.TrackingArrow.Color;

    ReadGlobalSettings(root, next.GlobalSettings);
    ReadPremiumSettings(root, next.PremiumSettings);
    ReadWildTracker(root, next.WildTracker);
    ReadTameTracker(root, next.TameTracker);
    ReadAdminTracker(root, next.AdminTracker);
    WarnAboutCarelessSettings(next);
    const JsonSection messages = root.Child("Messages");
    host::HostArray<MessageEntry> catalogue = ReadMessages(messages);
    PlayerTexts texts = LoadPlayerTexts(messages.Node());

    Config() = std::move(next);
    MessageCatalogue() = std::move(catalogue);
    UsePlayerTexts(std::move(texts));
}

void ResetConfig() {
    LoadedConfigState() = ConfigState{};
}

}  // namespace beastfinder
