// The message catalogue written by administrators, and the four ways text reaches a player.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include <fmt/format.h>
#include <fmt/xchar.h>
#include <nlohmann/json_fwd.hpp>

#include "host/fstring.h"
#include "host/game.h"
#include "host/host_array.h"
#include "host/values.h"

namespace beastfinder {

struct MessageEntry {
    std::string name;
    std::u16string text;
    host::ColorRGBA color;
    float opacity = 0;  // carried but never sent: the notification has no opacity
    float display_scale = 0;
    std::int32_t display_time = 0;
};

// Every catalogue name, in the order the catalogue holds them.
inline constexpr std::array<std::string_view, 10> kMessageNames = {
    "NoPermission",     "NotEnoughTokens",     "NotEnoughPoints",      "NotAdmin",
    "IncorrectSyntax",  "IncorrectSyntaxWild", "IncorrectSyntaxAdmin", "NoDinosFound",
    "SearchNotAllowed", "WildTrackerCooldown",
};

// The catalogue in use, replaced whole by each successful configuration load.
host::HostArray<MessageEntry>& MessageCatalogue();

// Texts players read outside the catalogue's own notifications: the pieces of a listing, the
// payment confirmation and the reload replies. Each is an optional string of "Messages"; the
// layout around them (line breaks, which pieces a mode shows) stays the plugin's.
enum class PlayerText : std::uint8_t {
    PageFooter,
    AdminUsage,
    EntrySpecies,
    EntryLevel,
    EntryCoordinates,
    EntryOwner,
    EntryDistance,
    EntryColors,
    Coordinates,
    CoordinatesCombined,
    PointsUsed,
    TokensUsed,
    PaymentSender,
    ConfigReloaded,
    ConfigReloadFailed,
    ReloadNotAdmin,
    Count
};

struct PlayerTextInfo {
    std::string_view name;
    std::string_view default_text;
    // One letter per value, in order: 'n' a whole number, 't' a text. Without values the
    // text is shown as written, braces included.
    std::string_view values;
};

inline constexpr std::array<PlayerTextInfo, static_cast<std::size_t>(PlayerText::Count)>
    kPlayerTexts = {{
        {"PageFooter", "Total: {}  -  Page {}/{}", "nnn"},
        {"AdminUsage", "Usage: {} <TribeName> / <DinoName> <Page>", "t"},
        {"EntrySpecies", " ({})", "t"},
        {"EntryLevel", " (lvl {})", "n"},
        {"EntryCoordinates", " - {}", "t"},
        {"EntryOwner", " - {} ({})", "tn"},
        {"EntryDistance", " - Distance: {} m", "t"},
        {"EntryColors", " - Colors: ({} {} {} {} {} {})", "tttttt"},
        {"Coordinates", "Lat {} : Lon {}", "tt"},
        {"CoordinatesCombined", "Coords: {}/{}", "tt"},
        {"PointsUsed",
         "You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">{}</> points ({} points left)", "nn"},
        {"TokensUsed",
         "You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">{}</> {} tokens ({} tokens left)",
         "ntn"},
        {"PaymentSender", "Beastfinder", ""},
        {"ConfigReloaded", "Config Reloaded!", ""},
        {"ConfigReloadFailed", "Failed to reload config", ""},
        {"ReloadNotAdmin", "Please login as a admin.", ""},
    }};

using PlayerTexts = std::array<std::u16string, kPlayerTexts.size()>;

// The texts in use: the file's where it gave a usable one, the default elsewhere.
const std::u16string& TextOf(PlayerText text);

// Appends `text` filled with `values`, which must be of the kinds its table entry lists:
// the texts in use were checked against those at load, so this cannot fail to format.
template <typename... Values>
void AppendText(std::u16string& out, PlayerText text, const Values&... values) {
    fmt::vformat_to(std::back_inserter(out), fmt::basic_string_view<char16_t>(TextOf(text)),
                    fmt::make_format_args<fmt::buffer_context<char16_t>>(values...));
}

// Reads every player text from the "Messages" section. An absent one, or one that does not
// format with its values, gets its default; the latter with an error line naming it.
PlayerTexts LoadPlayerTexts(const nlohmann::json& messages);

// Every player text's default.
PlayerTexts DefaultPlayerTexts();

// Puts loaded texts in use (a successful load), or the defaults back (unload).
void UsePlayerTexts(PlayerTexts&& texts) noexcept;
void ResetPlayerTexts();

// Why `text` cannot be a format for values of the kinds in `values` (as in PlayerTextInfo),
// said as the end of a sentence ("does not format (...)", "has a width ..."), or empty.
std::string FormatProblem(std::u16string_view text, std::string_view values);

// One entry from the "Messages" section (an object of the parsed config.json, or an empty
// object when the file has none). Throws the JSON library's errors on wrong types.
MessageEntry LoadMessage(const nlohmann::json& messages, std::string_view name,
                         std::string_view default_text);

// UTF-8 configuration text to UTF-16, by the framework's decoder.
using host::DecodeUtf8;

// A catalogue message as an on-screen notification. With arguments the text is a format
// string; one that does not format is logged and sent as written.
void SendCatalogueMessage(AShooterPlayerController* controller, std::string_view name);
void SendCatalogueMessage(AShooterPlayerController* controller, std::string_view name,
                          std::int32_t number, std::string_view utf8_text);
void SendCatalogueMessage(AShooterPlayerController* controller, std::string_view name,
                          std::int32_t number);
void SendCatalogueMessage(AShooterPlayerController* controller, std::string_view name,
                          std::int64_t number);

// The search listing's notification.
void NotifyPlayer(AShooterPlayerController* controller, host::ColorRGBA color, float scale,
                  float time, std::u16string_view text);

// A chat-window line under a sender name; the text is UTF-8.
void SendChatLine(AShooterPlayerController* controller, const host::FString& sender,
                  std::string_view utf8_text);
void SendChatLine(AShooterPlayerController* controller, const host::FString& sender,
                  std::u16string_view text);

// A server chat line. Narrow text is sent byte by byte, bytes above 127 as '?'.
void SendServerChat(AShooterPlayerController* controller, host::ColorRGBA color,
                    std::u16string_view text);
void SendServerChat(AShooterPlayerController* controller, host::ColorRGBA color,
                    std::string_view text);

}  // namespace beastfinder
