// The message catalogue written by administrators, and the four ways text reaches a player.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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

// The process-wide catalogue, replaced whole by each successful configuration load.
host::HostArray<MessageEntry>& MessageCatalogue();

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

// A server chat line. Narrow text is sent byte by byte, bytes above 127 as '?'.
void SendServerChat(AShooterPlayerController* controller, host::ColorRGBA color,
                    std::u16string_view text);
void SendServerChat(AShooterPlayerController* controller, host::ColorRGBA color,
                    std::string_view text);

}  // namespace beastfinder
