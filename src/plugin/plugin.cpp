#include "plugin/plugin.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <exception>
#include <string>
#include <variant>

#include "commands/commands.h"
#include "config/config.h"
#include "host/framework.h"
#include "host/game.h"
#include "host/log.h"
#include "plugin/state.h"

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

using ChatEntryFn = void (*)(AShooterPlayerController*, FString*, EChatSendMode::Type) noexcept;
using ConsoleEntryFn = void (*)(APlayerController*, FString*, bool) noexcept;
using RconEntryFn = void (*)(RCONClientConnection*, RCONPacket*, UWorld*) noexcept;

// One row per registration: its name (read from the configuration at Load) and its entry,
// whose type decides both how it is added and how it is removed.
struct CommandRow {
    std::string (*name)(const PluginConfig& config);
    std::variant<ChatEntryFn, ConsoleEntryFn, RconEntryFn> entry;
};

template <typename... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template <typename... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

// The command table in registration order.
constexpr std::array<CommandRow, kCommandCount> kCommands = {
    CommandRow{[](const PluginConfig& config) { return config.TameTracker.Command; },
               &ChatEntry<TameTrackerCommand>},
    CommandRow{[](const PluginConfig& config) { return config.WildTracker.Command; },
               &ChatEntry<WildTrackerCommand>},
    CommandRow{[](const PluginConfig& config) { return config.AdminTracker.Command; },
               &ChatEntry<AdminTrackerCommand>},
    CommandRow{[](const PluginConfig&) { return std::string("bf.test"); },
               &RconEntry<TestRconCommand>},
    CommandRow{[](const PluginConfig&) { return std::string(kReloadChatCommand); },
               &ChatEntry<ReloadChatCommand>},
    CommandRow{[](const PluginConfig&) { return std::string("bf.reload"); },
               &RconEntry<ReloadRconCommand>},
    CommandRow{[](const PluginConfig&) { return std::string("bf.reload"); },
               &ConsoleEntry<ReloadConsoleCommand>},
};

static_assert(std::all_of(kCommands.begin(), kCommands.end(),
                          [](const CommandRow& row) { return row.name != nullptr; }),
              "one row per registration");

void Add(const CommandRow& row, const FString& name) {
    ArkApi::ICommands& commands = ArkApi::GetCommands();
    std::visit(Overloaded{
                   [&](ChatEntryFn entry) { commands.AddChatCommand(name, entry); },
                   [&](ConsoleEntryFn entry) { commands.AddConsoleCommand(name, entry); },
                   [&](RconEntryFn entry) { commands.AddRconCommand(name, entry); },
               },
               row.entry);
}

void Remove(const CommandRow& row, const FString& name) {
    ArkApi::ICommands& commands = ArkApi::GetCommands();
    std::visit(Overloaded{
                   [&](ChatEntryFn) { commands.RemoveChatCommand(name); },
                   [&](ConsoleEntryFn) { commands.RemoveConsoleCommand(name); },
                   [&](RconEntryFn) { commands.RemoveRconCommand(name); },
               },
               row.entry);
}

// Removes the rows registered so far, each whatever became of the others.
void RemoveRows(Registration& registration) noexcept {
    for (std::size_t row = 0; row < kCommandCount; ++row) {
        if (!registration.added[row]) {
            continue;
        }
        registration.added[row] = false;
        try {
            Remove(kCommands[row], host::ToFramework(registration.names[row]));
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
    State().Release();
    PluginState& state = State().Get();

    host::CreatePluginLogger();
    LoadConfig();

    const PluginConfig& config = state.config.settings;
    std::array<std::string, kCommandCount> names;
    for (std::size_t row = 0; row < kCommandCount; ++row) {
        names[row] = kCommands[row].name(config);
    }
    // Every name is made before the first registration: a host that cannot allocate stops
    // Load with nothing registered.
    Registration& registration = state.registration;
    for (std::size_t row = 0; row < kCommandCount; ++row) {
        registration.names[row] = host::FStringFromNarrow(names[row]);
    }
    try {
        for (std::size_t row = 0; row < kCommandCount; ++row) {
            // A name the registry cannot take as it is stays unregistered (the load warned).
            if (!IsRegistrableCommand(names[row])) {
                continue;
            }
            Add(kCommands[row], host::ToFramework(registration.names[row]));
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
    RemoveRows(State().Get().registration);
    // Releases the names and the rest of the plugin's host memory while the host is
    // certainly present.
    State().Release();
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
