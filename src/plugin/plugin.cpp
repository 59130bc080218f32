#include "plugin/plugin.h"

#include <exception>
#include <optional>
#include <string>

#include "commands/commands.h"
#include "config/config.h"
#include "host/framework.h"
#include "host/game.h"
#include "host/log.h"

namespace beastfinder {

namespace {

// Nothing a handler throws may reach the host: lookup errors were logged where they arose,
// anything else is logged here, and the command simply ends.
template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        host::LookupScope scope;
        body();
    } catch (const host::HostLookupError&) {
    } catch (const std::exception& error) {
        try {
            host::Log().error(host::LogMessage(error.what()));
        } catch (...) {
        }
    } catch (...) {
        try {
            host::Log().error("A command failed with an unknown error");
        } catch (...) {
        }
    }
}

template <auto Handler>
void ChatEntry(AShooterPlayerController* controller, FString* message,
               EChatSendMode::Type mode) noexcept {
    Guarded([&] {
        Handler(controller, reinterpret_cast<host::FString*>(message),
                static_cast<std::int32_t>(mode));
    });
}

template <auto Handler>
void ConsoleEntry(APlayerController* controller, FString* command, bool log) noexcept {
    Guarded([&] { Handler(controller, reinterpret_cast<host::FString*>(command), log); });
}

template <auto Handler>
void RconEntry(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) noexcept {
    Guarded([&] { Handler(connection, packet, world); });
}

// The names the tracker commands were registered under, so that Unload removes exactly
// those whatever a reload has changed since. A name the registry cannot take as it is was
// not registered (the load warned about it).
struct Registered {
    std::optional<std::string> tame;
    std::optional<std::string> wild;
    std::optional<std::string> admin;
};

std::optional<std::string> TrackerName(const std::string& configured) {
    if (!IsRegistrableCommand(configured)) {
        return std::nullopt;
    }
    return configured;
}
std::optional<Registered> g_registered;

const char* const kTestCommand = "bf.test";
const char* const kReloadChat = kReloadChatCommand;
const char* const kReloadConsole = "bf.reload";
const char* const kReloadRcon = "bf.reload";

void AddChat(const std::string& name, ArkApi::ChatCallback callback) {
    const host::FString text = host::FStringFromNarrow(name);
    ArkApi::GetCommands().AddChatCommand(reinterpret_cast<const FString&>(text), callback);
}

void AddTracker(const std::optional<std::string>& name, ArkApi::ChatCallback callback) {
    if (name) {
        AddChat(*name, callback);
    }
}

void AddConsole(const std::string& name, ArkApi::ConsoleCallback callback) {
    const host::FString text = host::FStringFromNarrow(name);
    ArkApi::GetCommands().AddConsoleCommand(reinterpret_cast<const FString&>(text), callback);
}

void AddRcon(const std::string& name, ArkApi::RconCallback callback) {
    const host::FString text = host::FStringFromNarrow(name);
    ArkApi::GetCommands().AddRconCommand(reinterpret_cast<const FString&>(text), callback);
}

void RemoveChat(const std::string& name) {
    const host::FString text = host::FStringFromNarrow(name);
    ArkApi::GetCommands().RemoveChatCommand(reinterpret_cast<const FString&>(text));
}

void RemoveTracker(const std::optional<std::string>& name) {
    if (name) {
        RemoveChat(*name);
    }
}

void RemoveConsole(const std::string& name) {
    const host::FString text = host::FStringFromNarrow(name);
    ArkApi::GetCommands().RemoveConsoleCommand(reinterpret_cast<const FString&>(text));
}

void RemoveRcon(const std::string& name) {
    const host::FString text = host::FStringFromNarrow(name);
    ArkApi::GetCommands().RemoveRconCommand(reinterpret_cast<const FString&>(text));
}

}  // namespace

void Load() {
    host::LookupScope scope;
    // A module the framework loads again must not see anything of its previous life.
    ResetConfig();
    ResetWildCooldowns();
    g_registered.reset();

    host::CreatePluginLogger();
    LoadConfig();

    const PluginConfig& config = Config();
    g_registered =
        Registered{TrackerName(config.TameTracker.Command), TrackerName(config.WildTracker.Command),
                   TrackerName(config.AdminTracker.Command)};
    AddTracker(g_registered->tame, &ChatEntry<TameTrackerCommand>);
    AddTracker(g_registered->wild, &ChatEntry<WildTrackerCommand>);
    AddTracker(g_registered->admin, &ChatEntry<AdminTrackerCommand>);
    AddRcon(kTestCommand, &RconEntry<TestRconCommand>);
    AddChat(kReloadChat, &ChatEntry<ReloadChatCommand>);
    AddRcon(kReloadRcon, &RconEntry<ReloadRconCommand>);
    AddConsole(kReloadConsole, &ConsoleEntry<ReloadConsoleCommand>);
}

void Unload() {
    host::LookupScope scope;
    Config().WildTracker.ExcludeSearch.Clear();
    if (g_registered) {
        RemoveTracker(g_registered->tame);
        RemoveTracker(g_registered->wild);
        RemoveTracker(g_registered->admin);
        RemoveRcon(kTestCommand);
        RemoveChat(kReloadChat);
        RemoveRcon(kReloadRcon);
        RemoveConsole(kReloadConsole);
        g_registered.reset();
    }
    // Release the rest of the plugin's host memory while the host is certainly present.
    ResetConfig();
    ResetWildCooldowns();
}

}  // namespace beastfinder
