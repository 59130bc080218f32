// PluginConfig: every setting of config.json, and the loader that fills it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "config/messages.h"
#include "host/fstring.h"
#include "host/host_array.h"
#include "host/values.h"

namespace beastfinder {

// The chat reload's fixed name, which a tracker command must not take.
inline constexpr const char* kReloadChatCommand = "/bf.reload";

struct PermissionSettings {
    bool Enabled = false;
    std::string Name;
};

struct CoinVaultSettings {
    bool Enabled = false;
    std::string Type;
    std::int32_t Cost = 0;
};

struct ArkShopSettings {
    bool Enabled = false;
    std::int32_t Cost = 0;
};

struct GlobalSettingsConfig {
    bool ShowCoordsCombined = false;
    host::ColorRGBA TextColor;
    std::int32_t DinosPerPage = 0;
    float DisplayTime = 0;
    float DisplayScale = 0;
    bool LogPayments = false;
};

struct TrackingArrowConfig {
    bool Enabled = false;
    float DisplayTime = 0;
    host::ColorRGBA Color;
};

struct PremiumSettingsConfig {
    TrackingArrowConfig TrackingArrow;
};

struct WildTrackerConfig {
    bool Enabled = false;
    std::string Command;
    std::int32_t Cooldown = 0;
    bool RequiresAdmin = false;
    bool ShowColors = false;
    bool ShowDistance = false;
    bool ShowExactCoords = false;
    bool ShowLevel = false;
    float MaxDistance = 0;
    std::int32_t MaxLevel = 0;
    std::int32_t MinLevel = 0;
    host::HostArray<host::FString> ExcludeSearch;
    PermissionSettings Permission;
    CoinVaultSettings CoinVault;
    ArkShopSettings ArkShop;
};

struct TameTrackerConfig {
    std::string Command;
    std::int32_t Cooldown = 0;
    bool RequiresAdmin = false;
    bool ShowDistance = false;
    bool ShowExactCoords = false;
    bool ShowLevel = false;
    PermissionSettings Permission;
    CoinVaultSettings CoinVault;
    ArkShopSettings ArkShop;
};

struct AdminTrackerConfig {
    std::string Command;
    PermissionSettings Permission;
};

// Fields are named by the JSON path of their key. Before the first load everything is
// false, 0, empty, and both colours are all 0. Whether a sibling plugin is loaded is not
// kept here: plugins load in folder order, so the commands ask at the moment of use.
struct PluginConfig {
    GlobalSettingsConfig GlobalSettings;
    PremiumSettingsConfig PremiumSettings;
    WildTrackerConfig WildTracker;
    TameTrackerConfig TameTracker;
    AdminTrackerConfig AdminTracker;
};

// A load that failed in a way the loader has already written to the log (file missing,
// not JSON). Other failures (the JSON library's type errors) arrive as the library's own.
class ConfigLoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Whether a chat command name can go to the registry as it is. One holding a control
// character (a line break, a tab) could never be typed, and would carry the character into
// the framework's own listings and logs: it is left unregistered, with a warning at load.
bool IsRegistrableCommand(std::string_view name);

// The process-wide settings, read at the moment of use.
PluginConfig& Config();

// Reads config.json and, only when the whole file loaded, replaces the settings, the
// excluded names and the message catalogue at once. Throws on failure with nothing changed.
void LoadConfig();

// The "Messages" section alone, read as a load reads it: the catalogue in the order of
// kCatalogueMessages, and the other texts players read.
struct LoadedMessages {
    host::HostArray<MessageEntry> catalogue;
    PlayerTexts texts;
};
LoadedMessages LoadMessages(const nlohmann::json& messages);

// Back to the state before the first load, releasing host memory (used by Unload).
void ResetConfig();

}  // namespace beastfinder
