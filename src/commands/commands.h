// Every handler the framework calls. Each runs on the game thread to completion; the
// plugin's registration wraps it so that nothing it throws reaches the host.
#pragma once

#include <cstdint>

#include "host/game.h"

namespace beastfinder {

// Chat commands: the caller's controller, the whole chat line (command word included)
// and the chat send mode, which no handler uses.
void TameTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                        std::int32_t chat_mode);
void WildTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                        std::int32_t chat_mode);
void AdminTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                         std::int32_t chat_mode);
void ReloadChatCommand(AShooterPlayerController* controller, host::FString* message,
                       std::int32_t chat_mode);

// Console command.
void ReloadConsoleCommand(APlayerController* controller, host::FString* command, bool log);

// RCON commands.
void ReloadRconCommand(RCONClientConnection* connection, RCONPacket* packet, UWorld* world);
void TestRconCommand(RCONClientConnection* connection, RCONPacket* packet, UWorld* world);

}  // namespace beastfinder
