// Every key of config.json, described once: its name, kind, default, where its value goes,
// the rule it must keep and one line of help. The loader, the unknown-key warnings, the
// schema and the default config.json are each a walk of this description with a visitor:
//
//   Section(name, help, body)                     an object; body() describes its keys
//   Bool(name, field, fallback, help)
//   Integer(name, field, fallback, floor, help)   32-bit signed
//   Number(name, field, fallback, help)           stored as a float
//   Text(name, field, fallback, ascii, help)
//   Colour(name, field, colour rule, help)        three numbers
//   NameList(name, field, help)                   texts, or one text
//   Format(name, field, fallback, shipped, format rule, help)   a text players read
//   EditorOnly(name, shipped, help)               known, never read
//
// The loader visits in the order written here, which is the order of its warnings.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "config/config.h"
#include "config/messages.h"

namespace beastfinder::config {

// Below the floor a value loads as the floor, with a warning.
struct Floor {
    std::int32_t minimum = std::numeric_limits<std::int32_t>::min();
};
inline constexpr Floor kAnyInteger{};

// A text the registry or the permission plugin compares byte by byte: one that is not
// plain ASCII loads with a warning saying what follows from it. Empty: any text.
struct AsciiRule {
    std::string_view consequence;
};
inline constexpr AsciiRule kAnyText{};
inline constexpr AsciiRule kCommandName{"the command will never match"};
inline constexpr AsciiRule kGroupName{"no group can hold it"};

// A colour that is absent or not three elements warns "<subject> Should Have 3 Colors" and
// takes the fallback; without one the colour from before the load stays.
struct ColourRule {
    std::string_view subject;
    std::optional<host::ColorRGBA> fallback;
    std::array<double, 3> shipped;  // in the default config.json
};

// A text with values that does not format: sent as written with a warning, or replaced by
// its default with an error.
enum class BadFormat : std::uint8_t { SentAsWritten, DefaultUsed };
struct FormatRule {
    std::string_view values;  // as in PlayerTextInfo; empty: shown as written
    BadFormat otherwise = BadFormat::SentAsWritten;
};

inline constexpr std::string_view kCommandHelp =
    "The chat command; plain ASCII; a change takes effect when the plugin loads again.";

using CatalogueEntries = std::array<MessageEntry, kCatalogueMessages.size()>;

template <typename V>
void DescribePermission(V& v, PermissionSettings& out) {
    v.Section("Permission", "A permission the caller must hold.", [&] {
        v.Bool("Enabled", out.Enabled, false,
               "Require the permission; without the Permissions plugin everyone is refused.");
        v.Text("Name", out.Name, "", kGroupName,
               "The permission, such as Beastfinder.Track (not a group's name); plain ASCII.");
    });
}

template <typename V>
void DescribeCoinVault(V& v, CoinVaultSettings& out) {
    v.Section("CoinVault", "A price in tokens of the CoinVault plugin.", [&] {
        v.Bool("Enabled", out.Enabled, false, "The command costs tokens.");
        v.Text("Type", out.Type, "", kAnyText, "The token type charged.");
        v.Integer("Cost", out.Cost, 0, Floor{0}, "Tokens per search; below 0 loads as 0.");
    });
}

template <typename V>
void DescribeArkShop(V& v, ArkShopSettings& out) {
    v.Section("ArkShop", "A price in points of the ArkShop plugin.", [&] {
        v.Bool("Enabled", out.Enabled, false, "The command costs points.");
        v.Integer("Cost", out.Cost, 0, Floor{0}, "Points per search; below 0 loads as 0.");
    });
}

template <typename V>
void DescribeGlobalSettings(V& v, GlobalSettingsConfig& global) {
    v.Section("GlobalSettings", "How listings look.", [&] {
        v.Bool("ShowCoordsCombined", global.ShowCoordsCombined, false,
               "Coordinates as \"Coords: 25.0/63.0\" instead of \"Lat 25.0 : Lon 63.0\".");
        v.Colour("TextColor", global.TextColor,
                 ColourRule{"Text Color", std::nullopt, {1.0, 1.0, 1.0}},
                 "Colour of the listing, [red, green, blue] with 1.0 full; no default.");
        v.Integer("DinosPerPage", global.DinosPerPage, 10, Floor{1},
                  "Creatures per listing page; below 1 loads as 1.");
        v.Number("DisplayTime", global.DisplayTime, 10.0, "Seconds the listing stays on screen.");
        v.Number("DisplayScale", global.DisplayScale, 0.5, "Text size of the listing.");
        v.Bool("LogPayments", global.LogPayments, false,
               "Log every payment a command asks of the points or tokens plugin.");
    });
}

template <typename V>
void DescribePremiumSettings(V& v, TrackingArrowConfig& arrow) {
    v.Section("PremiumSettings", "The tracking arrow.", [&] {
        v.Section("TrackingArrow", "An arrow to the one creature a tame or admin search finds.",
                  [&] {
                      v.Bool("Enabled", arrow.Enabled, true, "Draw the arrow.");
                      v.Number("DisplayTime", arrow.DisplayTime, 10.0, "Seconds the arrow stays.");
                      v.Colour("Color", arrow.Color,
                               ColourRule{"Arrow Color", std::nullopt, {1.0, 0.0, 0.0}},
                               "Colour of the arrow, [red, green, blue] with 1.0 full; no "
                               "default.");
                  });
    });
}

template <typename V>
void DescribeWildTracker(V& v, WildTrackerConfig& wild) {
    v.Section("WildTracker", "The wild tracker: wild creatures near the caller, by name.", [&] {
        v.Bool("Enabled", wild.Enabled, false,
               "Read but without effect: the command is always available.");
        v.Text("Command", wild.Command, "/trackwild", kCommandName, kCommandHelp);
        v.Integer("Cooldown", wild.Cooldown, 30, kAnyInteger,
                  "Seconds between wild searches for a new word; 0 or less: none.");
        v.Bool("RequiresAdmin", wild.RequiresAdmin, false,
               "Only server administrators may use the command.");
        v.Bool("ShowColors", wild.ShowColors, false, "Show the six dye colour names.");
        v.Bool("ShowDistance", wild.ShowDistance, true, "Show the distance in metres.");
        v.Bool("ShowExactCoords", wild.ShowExactCoords, true,
               "false rounds coordinates to whole numbers.");
        v.Bool("ShowLevel", wild.ShowLevel, true, "Show each creature's level.");
        v.Number("MaxDistance", wild.MaxDistance, 99999.0,
                 "Only creatures within this many metres are listed.");
        v.Integer("MaxLevel", wild.MaxLevel, 999, kAnyInteger,
                  "Creatures above this level are not listed; -1: no upper limit.");
        v.Integer("MinLevel", wild.MinLevel, 1, kAnyInteger,
                  "Creatures below this level are not listed; -1: no lower limit.");
        v.NameList("ExcludeSearch", wild.ExcludeSearch,
                   "Names players may not hunt for (case ignored; contained in the word).");
        DescribePermission(v, wild.Permission);
        DescribeCoinVault(v, wild.CoinVault);
        DescribeArkShop(v, wild.ArkShop);
    });
}

template <typename V>
void DescribeTameTracker(V& v, TameTrackerConfig& tame) {
    v.Section("TameTracker", "The tame tracker: the caller's own tribe's creatures.", [&] {
        v.Text("Command", tame.Command, "/track", kCommandName, kCommandHelp);
        v.Integer("Cooldown", tame.Cooldown, 30, kAnyInteger,
                  "Read but without effect: the tame tracker has no cooldown.");
        v.Bool("RequiresAdmin", tame.RequiresAdmin, false,
               "Only server administrators may use the command.");
        v.Bool("ShowDistance", tame.ShowDistance, true, "Show the distance in metres.");
        v.Bool("ShowExactCoords", tame.ShowExactCoords, true,
               "false rounds coordinates to whole numbers.");
        v.Bool("ShowLevel", tame.ShowLevel, true, "Show each creature's level.");
        DescribePermission(v, tame.Permission);
        DescribeCoinVault(v, tame.CoinVault);
        DescribeArkShop(v, tame.ArkShop);
    });
}

template <typename V>
void DescribeAdminTracker(V& v, AdminTrackerConfig& admin) {
    v.Section("AdminTracker", "The admin tracker: creatures of every tribe.", [&] {
        v.Text("Command", admin.Command, "/trackadmin", kCommandName, kCommandHelp);
        DescribePermission(v, admin.Permission);
    });
}

// The sections before "Messages", in the file's order.
template <typename V>
void DescribeSettings(V& v, PluginConfig& out) {
    DescribeGlobalSettings(v, out.GlobalSettings);
    DescribePremiumSettings(v, out.PremiumSettings.TrackingArrow);
    DescribeWildTracker(v, out.WildTracker);
    DescribeTameTracker(v, out.TameTracker);
    DescribeAdminTracker(v, out.AdminTracker);
}

// The keys inside "Messages": the catalogue's notifications, then the other texts.
// `read(entry)` follows each notification's keys.
template <typename V, typename Read = void (*)(MessageEntry&)>
void DescribeMessageKeys(
    V& v, CatalogueEntries& entries, PlayerTexts& texts, Read read = [](MessageEntry&) {}) {
    // Far brighter than full white on the game's scale: the warning says to set it.
    constexpr host::ColorRGBA kUnsetColour{255.0F, 255.0F, 255.0F, 1.0F};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const CatalogueMessageInfo& info = kCatalogueMessages[i];
        MessageEntry& entry = entries[i];
        v.Section(info.name, info.help, [&] {
            v.Integer("DisplayTime", entry.display_time, 10, kAnyInteger,
                      "Seconds the message stays on screen.");
            v.Number("DisplayScale", entry.display_scale, 1.0, "Text size.");
            v.Number("Opacity", entry.opacity, 1.0,
                     "Read but without effect: the notification has no opacity.");
            v.Colour("Colors", entry.color,
                     ColourRule{info.name, kUnsetColour, info.shipped_colour},
                     "Colour of the text, [red, green, blue] with 1.0 full; always set it.");
            v.Format("Message", entry.text, "", info.shipped_text,
                     FormatRule{info.values, BadFormat::SentAsWritten},
                     "The text shown on screen.");
        });
        read(entry);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const PlayerTextInfo& info = kPlayerTexts[i];
        v.Format(info.name, texts[i], info.default_text, info.default_text,
                 FormatRule{info.values, BadFormat::DefaultUsed}, info.help);
    }
}

// The whole document, in the order of the default config.json.
template <typename V>
void DescribeDocument(V& v, PluginConfig& config, CatalogueEntries& entries, PlayerTexts& texts) {
    v.EditorOnly("$schema", "./config.schema.json",
                 "The schema editors check this file against; the plugin does not read it.");
    DescribeSettings(v, config);
    v.Section("Messages", "What players read: notifications, listing pieces and replies.",
              [&] { DescribeMessageKeys(v, entries, texts); });
}

// The whole document for a visitor that takes only the names, kinds and values: the fields it
// is handed are never read.
template <typename V>
void DescribeKeys(V& v) {
    PluginConfig config;
    CatalogueEntries entries;
    PlayerTexts texts;
    DescribeDocument(v, config, entries, texts);
}

}  // namespace beastfinder::config
