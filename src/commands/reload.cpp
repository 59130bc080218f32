// The administrators' reload commands (chat, console, RCON) and the RCON colour test.
#include <exception>
#include <optional>
#include <string>

#include "commands/commands.h"
#include "commands/state.h"
#include "config/config.h"
#include "config/messages.h"
#include "host/log.h"
#include "present/dye_colors.h"
#include "search/request.h"
#include "search/text.h"

namespace beastfinder {

namespace {

// The log's and RCON's words; players read the administrator's (PlayerText).
constexpr const char* kReloaded = "Config Reloaded!";

host::ColorRGBA Green() {
    return host::ColorFromBytes(host::ColorBGRA8{0, 255, 0, 255});
}
host::ColorRGBA Red() {
    return host::ColorFromBytes(host::ColorBGRA8{0, 0, 255, 255});
}

// Empty on success, else the failure's text. A failed load has changed nothing; a successful
// one is a new load, whose warnings are logged once again.
std::optional<std::string> ReloadConfig() {
    try {
        LoadConfig();
        CommandsState().permission_warnings = {};
        return std::nullopt;
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

void Reply(RCONClientConnection* connection, RCONPacket* packet, const std::string& text) {
    host::RconSendMessage(connection, packet->Id, host::FStringFromNarrow(text));
}

// Reads a number the way the standard string-to-float conversion does.
std::optional<float> ReadFloat(const host::FString& word) {
    try {
        return std::stof(host::FStringToUtf8(word));
    } catch (const std::logic_error&) {
        return std::nullopt;
    }
}

}  // namespace

void ReloadChatCommand(AShooterPlayerController* controller, host::FString* /*message*/,
                       std::int32_t /*chat_mode*/) {
    const auto caller = AnswerableCaller(controller);
    if (!caller) {
        return;
    }
    if (!host::IsServerAdmin(caller->character)) {
        SendServerChat(controller, Red(), TextOf(PlayerText::ReloadNotAdmin));
        return;
    }
    if (const auto failure = ReloadConfig()) {
        SendServerChat(controller, Red(), TextOf(PlayerText::ConfigReloadFailed));
        host::Log().error(host::LogMessage(*failure));
        return;
    }
    SendServerChat(controller, Green(), TextOf(PlayerText::ConfigReloaded));
}

void ReloadConsoleCommand(APlayerController* controller, host::FString* /*command*/, bool /*log*/) {
    if (controller == nullptr || host::ControllerPlayerState(controller) == nullptr) {
        return;
    }
    auto* player = static_cast<AShooterPlayerController*>(controller);
    if (const auto failure = ReloadConfig()) {
        SendServerChat(player, Red(), TextOf(PlayerText::ConfigReloadFailed));
        host::Log().error(host::LogMessage(*failure));
        return;
    }
    host::Log().info(kReloaded);
    SendServerChat(player, Green(), TextOf(PlayerText::ConfigReloaded));
}

void ReloadRconCommand(RCONClientConnection* connection, RCONPacket* packet, UWorld* /*world*/) {
    if (connection == nullptr || packet == nullptr) {
        return;
    }
    if (const auto failure = ReloadConfig()) {
        host::Log().error(host::LogMessage(*failure));
        Reply(connection, packet, *failure);
        return;
    }
    Reply(connection, packet, kReloaded);
    host::Log().info(kReloaded);
}

void TestRconCommand(RCONClientConnection* connection, RCONPacket* packet, UWorld* /*world*/) {
    if (connection == nullptr || packet == nullptr) {
        return;
    }
    const host::HostArray<host::FString> words =
        SplitAtDelimiter(host::FromFramework(packet->Body), u" ");
    float channels[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<float> value =
            i + 1 < words.Count() ? ReadFloat(words[i + 1]) : std::nullopt;
        if (!value) {
            Reply(connection, packet, "Usage: bf.test <red> <green> <blue> <alpha>");
            return;
        }
        channels[i] = *value;
    }
    Reply(connection, packet,
          DyeColorName(host::ColorRGBA{channels[0], channels[1], channels[2], channels[3]}));
}

}  // namespace beastfinder
