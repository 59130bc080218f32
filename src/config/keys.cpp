#include "config/keys.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/edit_distance.h"
#include "config/messages.h"
#include "host/log.h"

namespace beastfinder::config {

namespace {

using T = KeyType;

constexpr ConfigKey kPermission[] = {{"Enabled", T::Bool}, {"Name", T::Text}};
constexpr ConfigKey kCoinVault[] = {{"Enabled", T::Bool}, {"Type", T::Text}, {"Cost", T::Integer}};
constexpr ConfigKey kArkShop[] = {{"Enabled", T::Bool}, {"Cost", T::Integer}};

constexpr ConfigKey kGlobalSettings[] = {
    {"ShowCoordsCombined", T::Bool}, {"TextColor", T::Colour},    {"DinosPerPage", T::Integer},
    {"DisplayTime", T::Number},      {"DisplayScale", T::Number}, {"LogPayments", T::Bool},
};

constexpr ConfigKey kTrackingArrow[] = {
    {"Enabled", T::Bool}, {"DisplayTime", T::Number}, {"Color", T::Colour}};
constexpr ConfigKey kPremiumSettings[] = {{"TrackingArrow", T::Object, kTrackingArrow}};

constexpr ConfigKey kWildTracker[] = {
    {"Enabled", T::Bool},
    {"Command", T::Text},
    {"Cooldown", T::Integer},
    {"RequiresAdmin", T::Bool},
    {"ShowColors", T::Bool},
    {"ShowDistance", T::Bool},
    {"ShowExactCoords", T::Bool},
    {"ShowLevel", T::Bool},
    {"MaxDistance", T::Number},
    {"MaxLevel", T::Integer},
    {"MinLevel", T::Integer},
    {"ExcludeSearch", T::NameList},
    {"Permission", T::Object, kPermission},
    {"CoinVault", T::Object, kCoinVault},
    {"ArkShop", T::Object, kArkShop},
};

constexpr ConfigKey kTameTracker[] = {
    {"Command", T::Text},
    {"Cooldown", T::Integer},
    {"RequiresAdmin", T::Bool},
    {"ShowDistance", T::Bool},
    {"ShowExactCoords", T::Bool},
    {"ShowLevel", T::Bool},
    {"Permission", T::Object, kPermission},
    {"CoinVault", T::Object, kCoinVault},
    {"ArkShop", T::Object, kArkShop},
};

constexpr ConfigKey kAdminTracker[] = {{"Command", T::Text},
                                       {"Permission", T::Object, kPermission}};

constexpr ConfigKey kMessage[] = {
    {"Message", T::Text},        {"Colors", T::Colour},  {"DisplayTime", T::Integer},
    {"DisplayScale", T::Number}, {"Opacity", T::Number},
};

// The catalogue's notifications are objects; the texts of other replies are plain strings.
constexpr auto kMessages = [] {
    std::array<ConfigKey, kMessageNames.size() + kPlayerTexts.size()> messages{};
    for (std::size_t i = 0; i < kMessageNames.size(); ++i) {
        messages[i] = ConfigKey{kMessageNames[i], T::Object, kMessage};
    }
    for (std::size_t i = 0; i < kPlayerTexts.size(); ++i) {
        messages[kMessageNames.size() + i] = ConfigKey{kPlayerTexts[i].name, T::Text};
    }
    return messages;
}();

// "$schema" is for editors; the loader does not read it.
constexpr ConfigKey kTopLevel[] = {
    {"$schema", T::Text},
    {"GlobalSettings", T::Object, kGlobalSettings},
    {"PremiumSettings", T::Object, kPremiumSettings},
    {"WildTracker", T::Object, kWildTracker},
    {"TameTracker", T::Object, kTameTracker},
    {"AdminTracker", T::Object, kAdminTracker},
    {"Messages", T::Object, kMessages},
};

constexpr ConfigKey kRoot{"", T::Object, kTopLevel};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edits from `a` to `b`, case ignored; more than `limit` apart is limit + 1.
std::size_t Distance(std::string_view a, std::string_view b, std::size_t limit) {
    return EditDistance(a, b, limit, Lower);
}

// A key as it stands in a pointer, and in a log line: control characters would let a file
// forge lines of the log.
std::string PointerPart(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (const char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            out += '?';
        } else {
            out += c;
        }
    }
    return out;
}

const ConfigKey* FindChild(const ConfigKey& section, std::string_view name) {
    const auto found = std::find_if(section.children.begin(), section.children.end(),
                                    [name](const ConfigKey& key) { return key.name == name; });
    return found == section.children.end() ? nullptr : &*found;
}

void WarnUnknown(const nlohmann::json& node, const ConfigKey& section, const std::string& path) {
    if (!node.is_object()) {
        return;  // the loader reports a section of the wrong type
    }
    for (const auto& [name, value] : node.items()) {
        const std::string pointer = path + "/" + PointerPart(name);
        const ConfigKey* key = FindChild(section, name);
        if (key == nullptr) {
            const std::string_view meant = ClosestKey(section, name);
            if (meant.empty()) {
                host::Log().warn("unknown key {}", pointer);
            } else {
                host::Log().warn("unknown key {}, did you mean {}?", pointer, meant);
            }
        } else if (key->type == KeyType::Object) {
            WarnUnknown(value, *key, pointer);
        }
    }
}

}  // namespace

const ConfigKey& RootKey() {
    return kRoot;
}

std::string_view ClosestKey(const ConfigKey& section, std::string_view unknown) {
    // One slip in a short key, two in a longer one; more is a different word.
    const std::size_t limit = unknown.size() <= 4 ? 1 : 2;
    std::string_view best;
    std::size_t best_distance = limit + 1;
    for (const ConfigKey& key : section.children) {
        const std::size_t distance = Distance(unknown, key.name, limit);
        if (distance < best_distance) {
            best = key.name;
            best_distance = distance;
        }
    }
    return best;
}

void WarnUnknownKeys(const nlohmann::json& document) {
    WarnUnknown(document, kRoot, "");
}

}  // namespace beastfinder::config
