// The script commands: one table row each (its help line and its rows in the guide), and
// the handlers.
#include "sim/script/script.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include <fmt/format.h>

#include "sim/framework/siblings.h"
#include "sim/script/values.h"
#include "sim/script/world.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

std::string Where(const SimVector3& v) {
    return fmt::format("({}, {}, {})", v.x, v.y, v.z);
}

constexpr std::string_view kSiblings[] = {"ArkShop", "CoinVault", "Permissions"};

// The prompt's own words, which are no script commands.
constexpr std::string_view kPromptWords[][3] = {
    {"as", "PLAYER", "make PLAYER the current player"},
    {"view", "FILE", "write the page of the session so far to FILE"},
    {"help", "", "this list"},
    {"quit", "", "end the session (so does the end of input)"},
};

}  // namespace

// How the command list of the simulator's guide shows a command: one row per form.
struct DocForm {
    std::string_view form;
    std::string_view text;
};

// One script command: its handler, its usage in `help`, and its rows in the guide.
struct Session::Handler {
    std::string_view name;
    void (Session::*run)(Words&, LineSource&);
    std::string_view usage;  // the words after the name
    std::string_view what;
    std::array<DocForm, 3> doc;
};

std::span<const Session::Handler> Session::Handlers() {
    static const Handler kHandlers[] = {
        {"chat",
         &Session::Chat,
         "PLAYER LINE",
         "PLAYER types LINE in chat",
         {{{"chat <player> <line>", "The player types `<line>` in chat."}}}},
        {"console",
         &Session::Console,
         "PLAYER LINE",
         "PLAYER enters LINE in the console",
         {{{"console <player> <line>", "The player enters `<line>` in the console."}}}},
        {"rcon",
         &Session::Rcon,
         "LINE",
         "an RCON client sends LINE",
         {{{"rcon <line>", "An RCON client sends `<line>`."}}}},
        {"wait",
         &Session::Wait,
         "SECONDS",
         "the clock moves on",
         {{{"wait <seconds>", "The clock moves on (decimal seconds, 0 or more)."}}}},
        {"player",
         &Session::PlayerEdit,
         "PLAYER KEY=VALUE...",
         "change a player; keys: team admin x y z tribe\ncharacter state controller-state",
         {{{"player <name> key=value...",
            "Changes a player: `team`, `admin=true|false`, `x`, `y`, `z`, `tribe`, "
            "`character=present|none`, `state=present|none` (the character's player state), "
            "`controller-state=present|none`."}}}},
        {"creature",
         &Session::CreatureEdit,
         "ID KEY=VALUE...",
         "change a creature; keys: name species tribe owner\nteam level status x y z "
         "color0 ... color5",
         {{{"creature <id> key=value...",
            "Changes a creature: `name`, `species`, `tribe`, `owner`, `team`, `level`, "
            "`status=present|none`, `x`, `y`, `z`, `color0` ... `color5=r,g,b,a`."}}}},
        {"add-creature",
         &Session::AddCreature,
         "KEY=VALUE...",
         "add a creature (the keys above, and id)",
         {{{"add-creature key=value...",
            "Adds a creature with the keys above and optionally `id=N` (else the highest id "
            "plus 1). Defaults as in the world file."}}}},
        {"remove-creature",
         &Session::RemoveCreature,
         "ID",
         "remove a creature",
         {{{"remove-creature <id>", "Removes a creature."}}}},
        {"points",
         &Session::Points,
         "PLAYER N",
         "set the player's ArkShop points",
         {{{"points <player> <n>", "Sets the player's ArkShop points."}}}},
        {"tokens",
         &Session::Tokens,
         "PLAYER TYPE N",
         "set the player's CoinVault tokens",
         {{{"tokens <player> <type> <n>",
            "Sets the player's CoinVault balance of that token type."}}}},
        {"group",
         &Session::Group,
         "PLAYER add|remove GROUP",
         "put the player in a permissions group, or take them out",
         {{{"group <player> add|remove <group>",
            "Adds the player to, or removes them from, a permissions group."}}}},
        {"grant",
         &Session::Grant,
         "GROUP PERMISSION",
         "give a group a permission (* is all)",
         {{{"grant <group> <permission>",
            "Gives a group a permission (`*`: all of them), as the permissions plugin's "
            "`Permissions.Grant` does."}}}},
        {"revoke",
         &Session::Revoke,
         "GROUP PERMISSION",
         "take it back",
         {{{"revoke <group> <permission>",
            "Takes a permission back from a group, as the permissions plugin's "
            "`Permissions.Revoke` does."}}}},
        {"plugin",
         &Session::Plugin,
         "ArkShop|CoinVault|Permissions present|absent|refuse",
         "load or unload a sibling plugin",
         {{{"plugin ArkShop|CoinVault|Permissions present|absent|refuse",
            "Loads or unloads the sibling plugin; `refuse` is present but refusing every "
            "spend. The plugin asks which are loaded at each command, so a change shows at the "
            "next one. To play a restart where a sibling starts after Beastfinder: `unload`, "
            "`plugin NAME absent`, `load`, `plugin NAME present`."}}}},
        {"world",
         &Session::World,
         "present|none",
         "whether the server has a current world",
         {{{"world present|none", "Whether the server has a current world."}}}},
        {"world-settings",
         &Session::WorldSettings,
         "none|default|override LON LAT LON-SCALE LAT-SCALE",
         "the map's calibration",
         {{{"world-settings none|default",
            "No world settings, or settings with the default values and no override."},
           {"world-settings override <lon-origin> <lat-origin> <lon-scale> <lat-scale>",
            "Settings that override the map values."}}}},
        {"config",
         &Session::Config,
         "<<END|FILE|delete",
         "replace config.json with the lines up to END or with a copy of FILE (a translation: "
         "examples/translations/es.json, then rcon bf.reload), or delete it",
         {{{"config <<END",
            "Replaces `config.json` with the lines that follow, up to a line that is exactly "
            "`END` (any word may stand for `END`)."},
           {"config FILE",
            "Replaces `config.json` with a copy of `FILE`, such as a translation: "
            "`config examples/translations/es.json` at the prompt, then `rcon bf.reload` (or "
            "`console PLAYER bf.reload`) to load it. In a script `FILE` is relative to the "
            "script's folder, at the prompt to the current directory."},
           {"config delete", "Deletes `config.json`."}}}},
        {"unresolve",
         &Session::Unresolve,
         "LOOKUP",
         "the framework stops resolving LOOKUP",
         {{{"unresolve <lookup text>",
            "The framework no longer knows that text (for example `FMemory.Malloc` or "
            "`AShooterPlayerController.GetPlayerCharacter`), as after a game update that "
            "renamed it; `GetAddress` answers as a real server does for an unknown text: the "
            "game module's base for a function, the object's own address for a field, never "
            "null."}}}},
        {"resolve",
         &Session::Resolve,
         "LOOKUP",
         "it resolves LOOKUP again",
         {{{"resolve <lookup text>", "Resolves it again."}}}},
        {"load",
         &Session::Load,
         "",
         "open the plugin module and start it",
         {{{"load", "Opens the module again and starts it (`Load`) in the same process."}}}},
        {"unload",
         &Session::Unload,
         "",
         "shut the plugin down and close its module",
         {{{"unload",
            "Shuts the plugin down as the framework does (its `Plugin_Unload`, then the module "
            "is closed), then prints the account."}}}},
        {"reload",
         &Session::Reload,
         "",
         "unload, then load (picks up a rebuilt module)",
         {{{"reload", "`unload` (when loaded), then `load`."}}}},
        {"account",
         &Session::AccountCommand,
         "",
         "the host memory the plugin holds",
         {{{"account", "Prints the host memory the plugin holds."}}}},
        {"players",
         &Session::Players,
         "",
         "list the players",
         {{{"players", "Lists the players."}}}},
        {"creatures",
         &Session::Creatures,
         "",
         "list the creatures",
         {{{"creatures", "Lists the creatures."}}}},
        {"echo", &Session::Echo, "TEXT", "print TEXT", {{{"echo <text>", "Prints the text."}}}},
    };
    return kHandlers;
}

std::string Session::CommandsMarkdown() {
    // A pipe inside a cell would end it.
    const auto cell = [](std::string_view text) {
        std::string escaped;
        for (const char c : text) {
            if (c == '|') {
                escaped += '\\';
            }
            escaped += c;
        }
        return escaped;
    };
    std::string out = "| Command | Effect |\n|---|---|\n";
    for (const Handler& handler : Handlers()) {
        for (const DocForm& form : handler.doc) {
            if (!form.form.empty()) {
                out += fmt::format("| `{}` | {} |\n", cell(form.form), cell(form.text));
            }
        }
    }
    return out;
}

const Session::Handler* Session::FindHandler(std::string_view word) {
    for (const Handler& handler : Handlers()) {
        if (handler.name == word) {
            return &handler;
        }
    }
    return nullptr;
}

bool Session::IsCommand(std::string_view word) {
    return FindHandler(word) != nullptr;
}

std::vector<std::string_view> Session::CommandNames() {
    std::vector<std::string_view> names;
    for (const Handler& handler : Handlers()) {
        names.push_back(handler.name);
    }
    return names;
}

std::string Session::Help() const {
    std::string out =
        "Any line that is no command below is a chat line of the current player.\n"
        "At the prompt:\n";
    const auto row = [&out](std::string_view name, std::string_view usage, std::string_view what) {
        constexpr std::size_t kColumn = 26;
        const std::string left =
            usage.empty() ? std::string(name) : fmt::format("{} {}", name, usage);
        if (left.size() >= kColumn) {
            out += fmt::format("  {}\n", left);
        }
        for (bool first = true;; first = false) {
            const std::size_t end = what.find('\n');
            std::string_view shown;
            if (first && left.size() < kColumn) {
                shown = left;
            }
            out += fmt::format("  {:<{}}{}\n", shown, kColumn, what.substr(0, end));
            if (end == std::string_view::npos) {
                break;
            }
            what.remove_prefix(end + 1);
        }
    };
    for (const auto& word : kPromptWords) {
        row(word[0], word[1], word[2]);
    }
    out += "Script commands (here too):\n";
    for (const Handler& handler : Handlers()) {
        row(handler.name, handler.usage, handler.what);
    }
    std::string chat;
    for (const RegisteredCommand& command : server_.commands) {
        if (command.kind == CommandKind::Chat) {
            chat += (chat.empty() ? "" : ", ") + PrintableText(ToUtf8(command.name));
        }
    }
    out += chat.empty() ? std::string("The plugin has no chat command registered now.\n")
                        : fmt::format("The plugin's chat commands: {}\n", chat);
    out += "The script language in full: docs/simulator.md.\n";
    return out;
}

std::string Session::ClosestCommand(std::string_view word) const {
    std::vector<std::string> names;
    for (const Handler& handler : Handlers()) {
        names.emplace_back(handler.name);
    }
    for (const auto& prompt_word : kPromptWords) {
        names.emplace_back(prompt_word[0]);
    }
    for (const RegisteredCommand& command : server_.commands) {
        if (command.kind == CommandKind::Chat) {
            names.push_back(ToUtf8(command.name));
        }
    }
    return Closest(word, names);
}

void Session::Execute(std::string_view line, LineSource& more) {
    Words words(line);
    const auto command = words.Next();
    if (!command) {
        return;
    }
    OpenStep(std::string(line));
    const Handler* handler = FindHandler(*command);
    if (handler == nullptr) {
        std::vector<std::string> names;
        for (const std::string_view name : CommandNames()) {
            names.emplace_back(name);
        }
        const std::string meant = Closest(*command, names);
        throw ScriptError(fmt::format("unknown command \"{}\"{}", *command,
                                      meant.empty() ? "" : ", did you mean " + meant + "?"));
    }
    executing_ = true;
    try {
        (this->*handler->run)(words, more);
    } catch (...) {
        executing_ = false;
        throw;
    }
    executing_ = false;
}

void Session::Chat(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "chat");
    RunChatLine(player, words.Rest());
}

void Session::Console(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "console");
    const std::string line = words.Rest();
    history_.back().player = player.name;
    if (!server_.RunConsole(player, FromUtf8(line))) {
        server_.Emit(
            Effect{"unhandled",
                   {{"kind", std::string("console")}, {"player", player.name}, {"line", line}}});
    }
}

void Session::Rcon(Words& words, LineSource&) {
    const std::string line = words.Rest();
    if (!server_.RunRcon(FromUtf8(line))) {
        server_.Emit(Effect{"unhandled", {{"kind", std::string("rcon")}, {"line", line}}});
    }
}

void Session::Wait(Words& words, LineSource&) {
    const std::string text = Need(words, "wait", "the number of seconds");
    NoMore(words, "wait");
    double seconds = 0;
    // A century is far beyond any cooldown and keeps the clock well inside 64 bits.
    if (!ParseNumber(std::string_view(text), seconds) || !(seconds >= 0 && seconds <= 3.2e9)) {
        throw ScriptError(fmt::format("wait: \"{}\" is not a number of seconds", text));
    }
    server_.clock_ticks += std::llround(seconds * 1e7);
}

void Session::PlayerEdit(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "player");
    PlayerSpec spec = SpecOf(player);
    while (auto word = words.Next()) {
        const auto [key, value] = KeyValue(*word, "player");
        EditPlayer(spec, key, value);
    }
    WritePlayer(server_, player, spec);
}

void Session::CreatureEdit(Words& words, LineSource&) {
    const std::uint64_t id = Id(Need(words, "creature", "the creature's id"), "creature");
    Creature* creature = server_.FindCreature(id);
    if (creature == nullptr) {
        throw ScriptError(fmt::format("creature: no creature with id {}", id));
    }
    CreatureSpec spec = SpecOf(*creature);
    while (auto word = words.Next()) {
        const auto [key, value] = KeyValue(*word, "creature");
        if (key == "id") {
            throw ScriptError("creature: an id cannot change");
        }
        EditCreature(spec, key, value);
    }
    WriteCreature(server_, *creature, spec);
}

void Session::AddCreature(Words& words, LineSource&) {
    CreatureSpec spec;
    std::uint64_t highest = 0;
    for (const auto& creature : server_.Creatures()) {
        highest = std::max(highest, creature->id);
    }
    bool id_given = false;
    while (auto word = words.Next()) {
        const auto [key, value] = KeyValue(*word, "add-creature");
        if (key == "id") {
            spec.id = Id(value, "add-creature");
            id_given = true;
            if (server_.FindCreature(spec.id) != nullptr) {
                throw ScriptError(
                    fmt::format("add-creature: creature id {} is already taken", spec.id));
            }
        } else {
            EditCreature(spec, key, value);
        }
    }
    if (!id_given) {
        if (highest == std::numeric_limits<std::uint64_t>::max()) {
            throw ScriptError("add-creature: no id above the highest is left; give id=N");
        }
        spec.id = highest + 1;
    }
    AddCreatureFromSpec(server_, spec);
}

void Session::RemoveCreature(Words& words, LineSource&) {
    const std::uint64_t id =
        Id(Need(words, "remove-creature", "the creature's id"), "remove-creature");
    NoMore(words, "remove-creature");
    if (!server_.RemoveCreature(id)) {
        throw ScriptError(fmt::format("remove-creature: no creature with id {}", id));
    }
}

void Session::Points(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "points");
    const std::int32_t amount = Int32(Need(words, "points", "the balance"), "points");
    NoMore(words, "points");
    server_.points[player.steam_id] = amount;
}

void Session::Tokens(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "tokens");
    const std::string type = Need(words, "tokens", "the token type");
    const std::int32_t amount = Int32(Need(words, "tokens", "the balance"), "tokens");
    NoMore(words, "tokens");
    server_.tokens[{player.steam_id, type}] = amount;
}

void Session::Group(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "group");
    const bool add = Flag(Need(words, "group", "add or remove"), "add", "remove", "group");
    const std::string group = Need(words, "group", "the group's name");
    NoMore(words, "group");
    if (add) {
        server_.groups[player.steam_id].insert(group);
    } else {
        server_.groups[player.steam_id].erase(group);
    }
}

void Session::Grant(Words& words, LineSource&) {
    const std::string group = Need(words, "grant", "the group's name");
    const std::string permission = Need(words, "grant", "the permission");
    NoMore(words, "grant");
    server_.grants[group].insert(permission);
}

void Session::Revoke(Words& words, LineSource&) {
    const std::string group = Need(words, "revoke", "the group's name");
    const std::string permission = Need(words, "revoke", "the permission");
    NoMore(words, "revoke");
    if (const auto held = server_.grants.find(group); held != server_.grants.end()) {
        held->second.erase(permission);
    }
}

void Session::Plugin(Words& words, LineSource&) {
    const std::string name = Need(words, "plugin", "the plugin's name");
    if (std::find(std::begin(kSiblings), std::end(kSiblings), name) == std::end(kSiblings)) {
        throw ScriptError(
            fmt::format("plugin: \"{}\" is not ArkShop, CoinVault or Permissions", name));
    }
    const std::string state = Need(words, "plugin", "present, absent or refuse");
    NoMore(words, "plugin");
    if (state != "present" && state != "refuse" && state != "absent") {
        throw ScriptError(
            fmt::format("plugin: expected present, absent or refuse, got \"{}\"", state));
    }
    std::string error;
    if (!SetSiblingPresent(name, state != "absent", &error)) {
        throw ScriptError("plugin: " + error);
    }
    server_.siblings[name].refuse_spends = state == "refuse";
}

void Session::World(Words& words, LineSource&) {
    server_.has_world = Flag(Need(words, "world", "present or none"), "present", "none", "world");
    NoMore(words, "world");
}

void Session::WorldSettings(Words& words, LineSource&) {
    const std::string mode = Need(words, "world-settings", "none, default or override");
    if (mode == "none" || mode == "default") {
        NoMore(words, "world-settings");
        server_.has_world_settings = mode == "default";
        server_.world_settings = SimWorldSettings{};
        return;
    }
    if (mode != "override") {
        throw ScriptError(
            fmt::format("world-settings: expected none, default or override, got \"{}\"", mode));
    }
    SimWorldSettings settings;
    settings.override_longitude_and_latitude = 1;
    for (float* value : {&settings.longitude_origin, &settings.latitude_origin,
                         &settings.longitude_scale, &settings.latitude_scale}) {
        *value = Float(Need(words, "world-settings", "one of the four override values"),
                       "world-settings");
    }
    NoMore(words, "world-settings");
    server_.has_world_settings = true;
    server_.world_settings = settings;
}

void Session::Config(Words& words, LineSource& more) {
    const std::string how = Need(words, "config", "<<END, delete or a file");
    NoMore(words, "config");
    const auto file = [this] {
        return fs::path(ScratchServer()) / "ArkApi/Plugins/Beastfinder/config.json";
    };
    if (how == "delete") {
        fs::remove(file());
        return;
    }
    std::string text;
    if (how.compare(0, 2, "<<") == 0 && how.size() > 2) {
        const std::string end = how.substr(2);
        std::string line;
        for (;;) {
            if (!more.Next(line)) {
                throw ScriptError(fmt::format("config: the text has no closing {} line", end));
            }
            EchoCommand(line);
            if (line == end) {
                break;
            }
            text += line;
            text += '\n';
        }
    } else {
        // Another configuration, such as a translation, in place of config.json.
        const std::string path = ResolvePath(options_.script_dir, how);
        std::error_code error;
        if (!fs::is_regular_file(path, error)) {
            throw ScriptError(
                fmt::format("config: no file \"{}\" (expected <<END, delete or a file)", path));
        }
        std::ifstream in(path, std::ios::binary);
        std::ostringstream read;
        read << in.rdbuf();
        if (!in) {
            throw ScriptError(fmt::format("config: cannot read {}", path));
        }
        text = read.str();
    }
    const fs::path target = file();
    std::ofstream stream(target, std::ios::binary | std::ios::trunc);
    stream << text;
    if (!stream.flush()) {
        throw ScriptError(fmt::format("config: cannot write {}", target.string()));
    }
}

void Session::Unresolve(Words& words, LineSource&) {
    server_.unresolved.insert(Need(words, "unresolve", "the lookup text"));
    NoMore(words, "unresolve");
}

void Session::Resolve(Words& words, LineSource&) {
    const std::string text = Need(words, "resolve", "the lookup text");
    NoMore(words, "resolve");
    auto it = server_.unresolved.find(text);
    if (it == server_.unresolved.end()) {
        throw ScriptError(fmt::format("resolve: \"{}\" was not made unresolvable", text));
    }
    server_.unresolved.erase(it);
}

void Session::Load(Words& words, LineSource&) {
    NoMore(words, "load");
    if (module_.IsOpen()) {
        throw ScriptError("load: the plugin is already loaded");
    }
    OpenModule();
}

void Session::Unload(Words& words, LineSource&) {
    NoMore(words, "unload");
    if (!module_.IsOpen()) {
        throw ScriptError("unload: the plugin is not loaded");
    }
    CloseModule();
}

void Session::Reload(Words& words, LineSource&) {
    NoMore(words, "reload");
    if (module_.IsOpen()) {
        CloseModule();
    }
    OpenModule();
}

void Session::AccountCommand(Words& words, LineSource&) {
    NoMore(words, "account");
    account_requested_ = true;
    Account(false);
}

void Session::Players(Words& words, LineSource&) {
    NoMore(words, "players");
    for (const auto& player : server_.Players()) {
        const PlayerSpec spec = SpecOf(*player);
        server_.Emit(Effect{"player",
                            {{"name", spec.name},
                             {"steam_id", spec.steam_id},
                             {"team", static_cast<std::int64_t>(spec.team)},
                             {"admin", spec.admin},
                             {"at", Where(spec.position)},
                             {"tribe", spec.tribe},
                             {"character", spec.character},
                             {"state", spec.pawn_state},
                             {"controller_state", spec.controller_state}}});
    }
}

void Session::Creatures(Words& words, LineSource&) {
    NoMore(words, "creatures");
    for (const auto& creature : server_.Creatures()) {
        const CreatureSpec spec = SpecOf(*creature);
        server_.Emit(
            Effect{"creature",
                   {{"id", spec.id},
                    {"name", spec.name},
                    {"species", spec.species},
                    {"tribe", spec.tribe},
                    {"owner", spec.owner},
                    {"team", static_cast<std::int64_t>(spec.team)},
                    {"level", spec.status ? Effect::Value(static_cast<std::int64_t>(spec.level))
                                          : Effect::Value(nullptr)},
                    {"at", Where(spec.position)}}});
    }
}

void Session::Echo(Words& words, LineSource&) {
    server_.Emit(Effect{"echo", {{"text", words.Rest()}}});
}

}  // namespace sim
