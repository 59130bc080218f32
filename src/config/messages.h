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

// The catalogue's notifications, in the order the catalogue holds them.
enum class CatalogueMessage : std::uint8_t {
    NoPermission,
    NotEnoughTokens,
    NotEnoughPoints,
    NotAdmin,
    IncorrectSyntax,
    IncorrectSyntaxWild,
    IncorrectSyntaxAdmin,
    NoDinosFound,
    SearchNotAllowed,
    WildTrackerCooldown,
    Count
};

struct CatalogueMessageInfo {
    std::string_view name;  // its key under "Messages"
    // The kinds of the values it is sent with, as in PlayerTextInfo; empty: sent as written.
    std::string_view values;
    // What the default config.json says; a file without the entry gets an empty text.
    std::string_view shipped_text;
    std::array<double, 3> shipped_colour;
    std::string_view help;
};

inline constexpr std::array<double, 3> kRefusalColour = {1.0, 0.2, 0.2};
inline constexpr std::array<double, 3> kAdviceColour = {1.0, 0.8, 0.0};

inline constexpr std::array<CatalogueMessageInfo, static_cast<std::size_t>(CatalogueMessage::Count)>
    kCatalogueMessages = {{
        {"NoPermission", "", "You do not have permission to use this command", kRefusalColour,
         "The caller lacks the command's permission."},
        {"NotEnoughTokens", "nt", "You need {} more {} tokens to use this command", kRefusalColour,
         "Too few tokens; values: the tokens missing, the token type."},
        {"NotEnoughPoints", "n", "You need {} more points to use this command", kRefusalColour,
         "Too few points; value: the points missing."},
        {"NotAdmin", "", "Only server administrators can use this command", kRefusalColour,
         "The command is for administrators only."},
        {"IncorrectSyntax", "", "Usage: /track [search] [page]", kAdviceColour,
         "Not sent at present."},
        {"IncorrectSyntaxWild", "", "Usage: /trackwild <name> [page]", kAdviceColour,
         "The wild tracker without a search word."},
        {"IncorrectSyntaxAdmin", "", "Usage: /trackadmin [search] [page]", kAdviceColour,
         "The admin tracker with more than two words after it."},
        {"NoDinosFound", "", "No creatures found", kAdviceColour,
         "A search found nothing, or the page is past the last one."},
        {"SearchNotAllowed", "", "Searching for that creature is not allowed", kRefusalColour,
         "A wild search word contains an ExcludeSearch entry."},
        {"WildTrackerCooldown", "n", "Please wait {} more seconds before a new wild search",
         kAdviceColour, "A wild search during the cooldown; value: the seconds left."},
    }};

constexpr const CatalogueMessageInfo& InfoOf(CatalogueMessage message) {
    return kCatalogueMessages[static_cast<std::size_t>(message)];
}

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
    std::string_view help;
};

inline constexpr std::array<PlayerTextInfo, static_cast<std::size_t>(PlayerText::Count)>
    kPlayerTexts = {{
        {"PageFooter", "Total: {}  -  Page {}/{}", "nnn",
         "Last line of a listing of several pages; values: found, page, pages."},
        {"AdminUsage", "Usage: {} <TribeName> / <DinoName> <Page>", "t",
         "Line after the footer of an admin listing; value: the admin command."},
        {"EntrySpecies", " ({})", "t",
         "After a creature's name when the name does not hold it; value: species."},
        {"EntryLevel", " (lvl {})", "n", "After the name in a search; value: level."},
        {"EntryCoordinates", " - {}", "t", "After the level in a search; value: the coordinates."},
        {"EntryOwner", " - {} ({})", "tn", "In admin entries; values: tribe (or owner), team."},
        {"EntryDistance", " - Distance: {} m", "t",
         "After the coordinates in a search; value: whole metres."},
        {"EntryColors", " - Colors: ({} {} {} {} {} {})", "tttttt",
         "Last in a wild entry; values: the six dye colour names."},
        {"Coordinates", "Lat {} : Lon {}", "tt",
         "An entry's coordinates; values: latitude, longitude."},
        {"CoordinatesCombined", "Coords: {}/{}", "tt",
         "The same with ShowCoordsCombined; values: latitude, longitude."},
        {"PointsUsed",
         "You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">{}</> points ({} points left)", "nn",
         "Chat line after a search paid in points; values: charged, left."},
        {"TokensUsed",
         "You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">{}</> {} tokens ({} tokens left)",
         "ntn", "Chat line after a search paid in tokens; values: charged, type, left."},
        {"PaymentSender", "Beastfinder", "", "Sender name of the payment chat lines."},
        {"ConfigReloaded", "Config Reloaded!", "", "In-game reply to a reload that worked."},
        {"ConfigReloadFailed", "Failed to reload config", "",
         "In-game reply to a reload that failed."},
        {"ReloadNotAdmin", "Please login as a admin.", "",
         "Reply to the chat reload from a player who is not an administrator."},
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

// Every player text's default.
PlayerTexts DefaultPlayerTexts();

// Puts loaded texts in use (a successful load), or the defaults back (unload).
void UsePlayerTexts(PlayerTexts&& texts) noexcept;
void ResetPlayerTexts();

// Why `text` cannot be a format for values of the kinds in `values` (as in PlayerTextInfo),
// said as the end of a sentence ("does not format (...)", "has a width ..."), or empty.
std::string FormatProblem(std::u16string_view text, std::string_view values);

// UTF-8 configuration text to UTF-16, by the framework's decoder.
using host::DecodeUtf8;

// A catalogue message as an on-screen notification. With arguments the text is a format
// string; one that does not format is logged and sent as written.
void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message);
void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message,
                          std::int32_t number, std::string_view utf8_text);
void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message,
                          std::int32_t number);
void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message,
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
