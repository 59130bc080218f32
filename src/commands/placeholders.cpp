// Handlers whose behaviour is not built yet: they only say so in the log, so that the
// command table is complete and can be registered and removed.
#include "commands/commands.h"
#include "host/logger.h"

namespace beastfinder {

namespace {
void NotBuilt(const char* handler) { host::Log().info("{} is not available in this build", handler); }
}  // namespace

void TameTrackerCommand(AShooterPlayerController*, host::FString*, std::int32_t) {
    NotBuilt("TameTrackerCommand");
}
void WildTrackerCommand(AShooterPlayerController*, host::FString*, std::int32_t) {
    NotBuilt("WildTrackerCommand");
}
void AdminTrackerCommand(AShooterPlayerController*, host::FString*, std::int32_t) {
    NotBuilt("AdminTrackerCommand");
}
void ReloadChatCommand(AShooterPlayerController*, host::FString*, std::int32_t) {
    NotBuilt("ReloadChatCommand");
}
void ReloadConsoleCommand(APlayerController*, host::FString*, bool) {
    NotBuilt("ReloadConsoleCommand");
}
void ReloadRconCommand(RCONClientConnection*, RCONPacket*, UWorld*) {
    NotBuilt("ReloadRconCommand");
}
void TestRconCommand(RCONClientConnection*, RCONPacket*, UWorld*) { NotBuilt("TestRconCommand"); }
void ResetWildCooldowns() {}

}  // namespace beastfinder
