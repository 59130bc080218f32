#include "plugin/plugin.h"

#include <array>
#include <cstddef>
#include <exception>
#include <string>

#include "commands/commands.h"
#include "config/config.h"
#include "host/framework.h"
#include "host/game.h"
#include "host/log.h"
#include "host/process_record.h"

namespace beastfinder {

namespace {

void LogError(const char* what) noexcept {
    try {
        host::Log().error(host::LogMessage(what));
    } catch (...) {
    }
}

// Nothing a handler throws may reach the host: lookup errors were logged where they arose,
// anything else is logged here, and the command simply ends.
template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        host::LookupScope scope;
        body();
    } catch (const host::HostLookupError&) {
    } catch (const std::exception& error) {
        LogError(error.what());
    } catch (...) {
        LogError("A command failed with an unknown error");
    }
}

template <auto Handler>
void ChatEntry(AShooterPlayerController* controller, FString* message,
               EChatSendMode::Type mode) noexcept {
    Guarded([&] { Handler(controller, host::FromFramework(message), mode); });
}

template <auto Handler>
void ConsoleEntry(APlayerController* controller, FString* command, bool log) noexcept {
    Guarded([&] { Handler(controller, host::FromFramework(command), log); });
}

template <auto Handler>
void RconEntry(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) noexcept {
    Guarded([&] { Handler(connection, packet, world); });
}

enum class Kind { Chat, Console, Rcon };

struct Command {
    Kind kind;
    void (*add)(const FString& name);
};

// The command table in registration order; names are read at Load.
constexpr std::size_t kCommandCount = 7;
const std::array<Command, kCommandCount> kCommands = {{
    {Kind::Chat,
     [](const FString& name) {
         ArkApi::GetCommands().AddChatCommand(name, &ChatEntry<TameTrackerCommand>);
     }},
    {Kind::Chat,
     [](const FString& name) {
         ArkApi::GetCommands().AddChatCommand(name, &ChatEntry<WildTrackerCommand>);
     }},
    {Kind::Chat,
     [](const FString& name) {
         ArkApi::GetCommands().AddChatCommand(name, &ChatEntry<AdminTrackerCommand>);
     }},
    {Kind::Rcon,
     [](const FString& name) {
         ArkApi::GetCommands().AddRconCommand(name, &RconEntry<TestRconCommand>);
     }},
    {Kind::Chat,
     [](const FString& name) {
         ArkApi::GetCommands().AddChatCommand(name, &ChatEntry<ReloadChatCommand>);
     }},
    {Kind::Rcon,
     [](const FString& name) {
         ArkApi::GetCommands().AddRconCommand(name, &RconEntry<ReloadRconCommand>);
     }},
    {Kind::Console,
     [](const FString& name) {
         ArkApi::GetCommands().AddConsoleCommand(name, &ConsoleEntry<ReloadConsoleCommand>);
     }},
}};

void Remove(Kind kind, const FString& name) {
    ArkApi::ICommands& commands = ArkApi::GetCommands();
    switch (kind) {
        case Kind::Chat:
            commands.RemoveChatCommand(name);
            break;
        case Kind::Console:
            commands.RemoveConsoleCommand(name);
            break;
        case Kind::Rcon:
            commands.RemoveRconCommand(name);
            break;
    }
}

// The names Load registered, kept as host text until Unload: removal then needs nothing
// that could fail (not even the host's allocator), and removes exactly what was added
// whatever a reload has changed since. The rows marked `added` are registered.
struct Registration {
    std::array<host::FString, kCommandCount> names;
    std::array<bool, kCommandCount> added{};
};

host::ProcessRecord<Registration>& Registered() {
    static host::ProcessRecord<Registration> registered;
    return registered;
}

// Removes the rows registered so far, each whatever became of the others.
void RemoveRows(Registration& registration) noexcept {
    for (std::size_t row = 0; row < kCommandCount; ++row) {
        if (!registration.added[row]) {
            continue;
        }
        registration.added[row] = false;
        try {
            Remove(kCommands[row].kind, host::ToFramework(registration.names[row]));
        } catch (const std::exception& error) {
            LogError(error.what());
        } catch (...) {
            LogError("Removing a command failed with an unknown error");
        }
    }
}

// Runs one step of Unload; a failure is logged and the next step runs all the same.
template <typename Step>
void Attempt(Step&& step) noexcept {
    try {
        step();
    } catch (const host::HostLookupError&) {
    } catch (const std::exception& error) {
        LogError(error.what());
    } catch (...) {
        LogError("Shut-down step failed with an unknown error");
    }
}

bool g_started = false;

}  // namespace

void Load() {
    host::LookupScope scope;
    // A module the framework loads again must not see anything of its previous life.
    ResetConfig();
    ResetWildCooldowns();
    Registered().Release();

    host::CreatePluginLogger();
    LoadConfig();

    const PluginConfig& config = Config();
    const std::array<std::string, kCommandCount> names = {
        config.TameTracker.Command,
        config.WildTracker.Command,
        config.AdminTracker.Command,
        "bf.test",
        kReloadChatCommand,
        "bf.reload",
        "bf.reload",
    };
    // Every name is made before the first registration: a host that cannot allocate stops
    // Load with nothing registered.
    Registration& registration = Registered().Get();
    for (std::size_t row = 0; row < kCommandCount; ++row) {
        registration.names[row] = host::FStringFromNarrow(names[row]);
    }
    try {
        for (std::size_t row = 0; row < kCommandCount; ++row) {
            // A name the registry cannot take as it is stays unregistered (the load warned).
            if (!IsRegistrableCommand(names[row])) {
                continue;
            }
            kCommands[row].add(host::ToFramework(registration.names[row]));
            registration.added[row] = true;
        }
    } catch (...) {
        // A module that fails to start is freed: none of its callbacks may stay behind.
        RemoveRows(registration);
        throw;
    }
}

void Unload() {
    host::LookupScope scope;
    Attempt([] { Config().WildTracker.ExcludeSearch.Clear(); });
    RemoveRows(Registered().Get());
    // Releases the names and the rest of the plugin's host memory while the host is
    // certainly present.
    Registered().Release();
    Attempt(ResetConfig);
    Attempt(ResetWildCooldowns);
}

bool Start() noexcept {
    g_started = true;
    try {
        Load();
        return true;
    } catch (const ConfigLoadError&) {
        // The loader has written its own line.
    } catch (const host::HostLookupError&) {
        // Logged where the lookup failed.
    } catch (const std::exception& error) {
        LogError(error.what());
    } catch (...) {
        LogError("Start-up failed with an unknown error");
    }
    return false;
}

void Stop() noexcept {
    if (!g_started) {
        return;
    }
    g_started = false;
    Attempt(Unload);
}

}  // namespace beastfinder
