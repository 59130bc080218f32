// The simulated dedicated server: the world the plugin sees, the framework's command
// registry and log sinks, the sibling plugins' books, and the record of every effect.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/framework.h"
#include "sim/framework/allocator.h"
#include "sim/framework/objects.h"

namespace sim {

// One observable effect: a type and its values, in a fixed order.
struct Effect {
    using Value =
        std::variant<std::nullptr_t, bool, std::int64_t, std::uint64_t, double, std::string>;
    std::string type;
    std::vector<std::pair<std::string, Value>> fields;

    const Value* Find(std::string_view key) const;
    std::string Text(std::string_view key) const;  // "" when absent or not text
};

struct Player {
    std::string name;
    std::uint64_t steam_id = 0;
    std::unique_ptr<SimController> controller;
    std::unique_ptr<SimPlayerCharacter> character;
    std::unique_ptr<SimSceneComponent> root;
    std::unique_ptr<SimPlayerState> pawn_state;
    std::unique_ptr<SimPlayerState> controller_state;
    std::unique_ptr<SimStatusComponent> status;
};

struct Creature {
    std::uint64_t id = 0;
    std::u16string name;  // what GetCurrentDinoName answers
    std::unique_ptr<SimDino> dino;
    std::unique_ptr<SimSceneComponent> root;
    std::unique_ptr<SimStatusComponent> status;  // null: no status component
};

struct SiblingBooks {
    bool present = false;
    bool refuse_spends = false;
};

enum class CommandKind { Chat, Console, Rcon };
std::string_view CommandKindName(CommandKind kind);

// A command as the framework keeps it: its own copy of the plugin's callback (the one
// that matches the kind is set).
struct RegisteredCommand {
    CommandKind kind;
    std::u16string name;
    ArkApi::ChatCallback chat;
    ArkApi::ConsoleCallback console;
    ArkApi::RconCallback rcon;
};

class Server {
  public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    HostAllocator& Allocator() { return allocator_; }

    // Host strings live in host memory, as the game's do.
    SimFString MakeString(std::u16string_view text);
    void SetString(SimFString& target, std::u16string_view text);
    void FreeString(SimFString& text);
    static std::u16string View(const SimFString& text);

    // World.
    Player& AddPlayer(const std::string& name, std::uint64_t steam_id);
    Player* FindPlayer(std::string_view name);
    Player* PlayerByController(const void* controller);
    const std::vector<std::unique_ptr<Player>>& Players() const { return players_; }
    Creature& AddCreature();
    Creature* FindCreature(std::uint64_t id);
    bool RemoveCreature(std::uint64_t id);
    const std::vector<std::unique_ptr<Creature>>& Creatures() const { return creatures_; }
    void ClearWorld();

    // Back to a new server's world and books, for the next test or script: no players or
    // creatures, a current world with default settings, no sibling plugin loaded, no points,
    // tokens or groups, only Admins granted, every lookup answered, the current folder ".",
    // script RCON requests numbered from 1 again.
    // The clock, the command registry, host memory and the log sinks stay: they belong to
    // whatever module is loaded, which may keep cooldowns and registrations across the reset.
    void Reset();

    bool has_world = true;
    bool has_world_settings = true;
    SimWorld world;
    SimWorldSettings world_settings;
    SimClass dino_class;
    std::string current_dir = ".";

    // Sibling plugins, by the name the framework knows them by.
    std::map<std::string, SiblingBooks, std::less<>> siblings;
    std::map<std::uint64_t, std::int32_t> points;
    std::map<std::pair<std::uint64_t, std::string>, std::int32_t> tokens;
    // Permissions: each player's groups, and the permissions each group holds ("*": all).
    std::map<std::uint64_t, std::set<std::string>> groups;
    std::map<std::string, std::set<std::string>, std::less<>> grants = {{"Admins", {"*"}}};
    bool IsPluginLoaded(std::string_view name) const;

    // Lookup texts that scripts have made unresolvable: answered as the framework answers a
    // text it does not know.
    std::set<std::string, std::less<>> unresolved;
    std::map<std::string, std::uint64_t, std::less<>> lookup_counts;

    // Clock, in 100 ns ticks since 1970-01-01 UTC.
    std::int64_t clock_ticks = 0;

    // Registry.
    std::vector<RegisteredCommand> commands;
    void Register(RegisteredCommand command);
    // Forgets every command without destroying its callback: the copies a module left
    // behind are managed by that module's code, which may no longer be mapped.
    void AbandonCommands();
    bool Unregister(CommandKind kind, std::u16string_view name);
    const RegisteredCommand* FindCommand(CommandKind kind, std::u16string_view line) const;

    // Effects.
    void Emit(Effect effect);
    void Fault(std::string description);
    std::vector<Effect> TakeEffects();
    std::vector<std::shared_ptr<spdlog::sinks::sink>>& LogSinks() { return log_sinks_; }

    // Runs a line as the framework would. False when no command of that kind matches.
    bool RunChat(Player& player, std::u16string_view line);
    bool RunConsole(Player& player, std::u16string_view line);
    bool RunRcon(std::u16string_view line);
    // An RCON request of a network client, with the client's own request id.
    bool RunRcon(SimRconConnection& connection, std::int32_t id, std::u16string_view line);

    // The connection script lines' RCON requests arrive on.
    SimRconConnection rcon_connection;

  private:
    HostAllocator allocator_;
    std::vector<std::unique_ptr<Player>> players_;
    std::vector<std::unique_ptr<Creature>> creatures_;
    std::uint64_t next_creature_id_ = 1;
    std::int32_t next_rcon_id_ = 1;
    std::vector<Effect> effects_;
    std::vector<std::shared_ptr<spdlog::sinks::sink>> log_sinks_;
};

// The one server that the framework functions answer for.
Server& TheServer();

// The process is exiting and the framework is torn down: from now on a lookup reports the
// fault on stderr and ends the process with status 70, as a call into a dead host would.
void DeclareHostGone();

// UTF-8 <-> UTF-16 for the simulator's own use.
std::u16string FromUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);

}  // namespace sim
