#include "sim/script/world.h"

#include <fstream>
#include <limits>
#include <optional>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "sim/framework/siblings.h"
#include "sim/script/json_lines.h"

namespace sim {

namespace {

using nlohmann::json;

// Typed reads that name the file, line and key path of whatever is wrong.
class Reader {
  public:
    Reader(std::string name, std::string_view text) : name_(std::move(name)), text_(text) {}

    [[noreturn]] void Fail(const std::string& pointer, std::string_view what) const {
        if (pointer.empty()) {
            throw WorldError(fmt::format("{}:{}: {}", name_, LineOf(pointer), what));
        }
        throw WorldError(fmt::format("{}:{}: {}: {}", name_, LineOf(pointer), pointer, what));
    }

    [[noreturn]] void WrongType(const json& value, const std::string& pointer,
                                std::string_view expected) const {
        Fail(pointer, fmt::format("expected {}, got {}", expected, value.type_name()));
    }

    void Object(const json& value, const std::string& pointer,
                std::initializer_list<std::string_view> keys) const {
        if (!value.is_object()) {
            WrongType(value, pointer, "an object");
        }
        for (const auto& item : value.items()) {
            bool known = false;
            for (const std::string_view key : keys) {
                known = known || item.key() == key;
            }
            if (!known) {
                Fail(PointerChild(pointer, item.key()), "unknown key");
            }
        }
    }

    bool Bool(const json& value, const std::string& pointer) const {
        if (!value.is_boolean()) {
            WrongType(value, pointer, "true or false");
        }
        return value.get<bool>();
    }

    std::int64_t Integer(const json& value, const std::string& pointer, std::int64_t low,
                         std::int64_t high, std::string_view expected) const {
        if (value.is_number_unsigned()) {
            const auto n = value.get<std::uint64_t>();
            if (n > static_cast<std::uint64_t>(high)) {
                Fail(pointer, fmt::format("{} is out of range for {}", n, expected));
            }
            return static_cast<std::int64_t>(n);
        }
        if (!value.is_number_integer()) {
            WrongType(value, pointer, expected);
        }
        const auto n = value.get<std::int64_t>();
        if (n < low || n > high) {
            Fail(pointer, fmt::format("{} is out of range for {}", n, expected));
        }
        return n;
    }

    std::int32_t Int32(const json& value, const std::string& pointer) const {
        return static_cast<std::int32_t>(
            Integer(value, pointer, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), "a 32-bit integer"));
    }

    // Steam ids use the whole unsigned 64-bit range.
    std::uint64_t Id(const json& value, const std::string& pointer) const {
        if (value.is_number_unsigned()) {
            return value.get<std::uint64_t>();
        }
        if (!value.is_number_integer()) {
            WrongType(value, pointer, "an id");
        }
        Fail(pointer, fmt::format("{} is out of range for an id", value.get<std::int64_t>()));
    }

    float Float(const json& value, const std::string& pointer) const {
        if (!value.is_number()) {
            WrongType(value, pointer, "a number");
        }
        const auto d = value.get<double>();
        if (!(d >= -std::numeric_limits<float>::max() && d <= std::numeric_limits<float>::max())) {
            Fail(pointer, "out of range for a 32-bit float");
        }
        return static_cast<float>(d);
    }

    std::string String(const json& value, const std::string& pointer) const {
        if (!value.is_string()) {
            WrongType(value, pointer, "a string");
        }
        return value.get<std::string>();
    }

    std::vector<float> Floats(const json& value, const std::string& pointer, std::size_t count,
                              std::string_view expected) const {
        if (!value.is_array() || value.size() != count) {
            Fail(pointer, fmt::format("expected {}", expected));
        }
        std::vector<float> out;
        for (std::size_t i = 0; i < count; ++i) {
            out.push_back(Float(value[i], PointerChild(pointer, i)));
        }
        return out;
    }

    SimVector3 Position(const json& value, const std::string& pointer) const {
        const auto v = Floats(value, pointer, 3, "a position [x, y, z]");
        return SimVector3{v[0], v[1], v[2]};
    }

    SimColor Color(const json& value, const std::string& pointer) const {
        const auto v = Floats(value, pointer, 4, "a colour [r, g, b, a]");
        return SimColor{v[0], v[1], v[2], v[3]};
    }

    // `object`'s `key` read into `target`, when the object has it.
    template <typename T>
    void Optional(const json& object, const std::string& pointer, std::string_view key, T& target,
                  T (Reader::*read)(const json&, const std::string&) const) const {
        if (const auto it = object.find(key); it != object.end()) {
            target = (this->*read)(*it, PointerChild(pointer, key));
        }
    }

  private:
    // Walked only for an error: a world of a million creatures has many millions of values.
    int LineOf(const std::string& pointer) const {
        if (!lines_) {
            lines_.emplace(text_);
        }
        return lines_->LineOf(pointer);
    }

    std::string name_;
    std::string_view text_;
    mutable std::optional<JsonLines> lines_;
};

// The first steam id the file does not name, counting from a plausible account number.
constexpr std::uint64_t kFirstSteamId = 76561198000000001ULL;

// The ids of one list: an id the file gives must be new to the list; entries without one
// get the lowest free ids once the whole list is read, so that no given id ever moves.
class Ids {
  public:
    Ids(const Reader& r, std::string_view label, std::uint64_t first_free)
        : r_(r), label_(label), next_(first_free) {}

    // Whether the entry gives an id at `key`, read into `id`.
    bool Read(const json& entry, const std::string& at, std::string_view key, std::uint64_t& id) {
        const auto it = entry.find(key);
        given_.push_back(it != entry.end());
        if (it == entry.end()) {
            return false;
        }
        const std::string pointer = PointerChild(at, key);
        id = r_.Id(*it, pointer);
        if (!used_.insert(id).second) {
            r_.Fail(pointer, fmt::format("{} {} is already taken", label_, id));
        }
        return true;
    }

    template <typename Spec>
    void AssignFree(std::vector<Spec>& specs, std::uint64_t Spec::*id) {
        for (std::size_t i = 0; i < specs.size(); ++i) {
            if (!given_[i]) {
                while (used_.count(next_) != 0) {
                    ++next_;
                }
                specs[i].*id = next_;
                used_.insert(next_);
            }
        }
    }

  private:
    const Reader& r_;
    std::string_view label_;
    std::uint64_t next_;
    std::set<std::uint64_t> used_;
    std::vector<bool> given_;
};

// `read_entry(entry, pointer)` reads one entry of the array.
template <typename Spec, typename ReadEntry>
void ReadList(const Reader& r, const json& list, const std::string& at, std::vector<Spec>& out,
              ReadEntry read_entry) {
    if (!list.is_array()) {
        r.WrongType(list, at, "an array");
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        out.push_back(read_entry(list[i], PointerChild(at, i)));
    }
}

void ReadPlayers(const Reader& r, const json& players, WorldSpec& spec) {
    Ids ids(r, "steam id", kFirstSteamId);
    ReadList(r, players, "/players", spec.players, [&](const json& p, const std::string& at) {
        r.Object(p, at,
                 {"name", "steam_id", "team", "admin", "position", "tribe", "character",
                  "player_state", "controller_player_state"});
        PlayerSpec player;
        const auto name = p.find("name");
        if (name == p.end()) {
            r.Fail(at, "a player needs a \"name\"");
        }
        player.name = r.String(*name, at + "/name");
        if (player.name.empty()) {
            r.Fail(at + "/name", "a player's name cannot be empty");
        }
        for (const auto& other : spec.players) {
            if (other.name == player.name) {
                r.Fail(at + "/name", fmt::format("a second player named \"{}\"", player.name));
            }
        }
        ids.Read(p, at, "steam_id", player.steam_id);
        r.Optional(p, at, "team", player.team, &Reader::Int32);
        r.Optional(p, at, "admin", player.admin, &Reader::Bool);
        r.Optional(p, at, "position", player.position, &Reader::Position);
        r.Optional(p, at, "tribe", player.tribe, &Reader::String);
        r.Optional(p, at, "character", player.character, &Reader::Bool);
        r.Optional(p, at, "player_state", player.pawn_state, &Reader::Bool);
        r.Optional(p, at, "controller_player_state", player.controller_state, &Reader::Bool);
        return player;
    });
    ids.AssignFree(spec.players, &PlayerSpec::steam_id);
}

void ReadCreatures(const Reader& r, const json& creatures, WorldSpec& spec) {
    Ids ids(r, "creature id", 1);
    ReadList(r, creatures, "/creatures", spec.creatures, [&](const json& c, const std::string& at) {
        r.Object(c, at,
                 {"id", "name", "species", "tribe", "owner", "team", "level", "status", "position",
                  "colors"});
        CreatureSpec creature;
        // Only the first 0 gets this far: it fails here before a second can be a duplicate.
        if (ids.Read(c, at, "id", creature.id) && creature.id == 0) {
            r.Fail(at + "/id", "creature ids start at 1");
        }
        r.Optional(c, at, "name", creature.name, &Reader::String);
        r.Optional(c, at, "species", creature.species, &Reader::String);
        r.Optional(c, at, "tribe", creature.tribe, &Reader::String);
        r.Optional(c, at, "owner", creature.owner, &Reader::String);
        r.Optional(c, at, "team", creature.team, &Reader::Int32);
        r.Optional(c, at, "level", creature.level, &Reader::Int32);
        r.Optional(c, at, "status", creature.status, &Reader::Bool);
        r.Optional(c, at, "position", creature.position, &Reader::Position);
        if (const auto colors = c.find("colors"); colors != c.end()) {
            if (!colors->is_array() || colors->size() > 6) {
                r.Fail(at + "/colors", "expected up to six colours [r, g, b, a]");
            }
            for (std::size_t k = 0; k < colors->size(); ++k) {
                creature.colors[k] = r.Color((*colors)[k], PointerChild(at + "/colors", k));
            }
        }
        return creature;
    });
    ids.AssignFree(spec.creatures, &CreatureSpec::id);
}

std::uint64_t SteamIdOf(const Reader& r, const WorldSpec& spec, const std::string& name,
                        const std::string& pointer) {
    for (const auto& player : spec.players) {
        if (player.name == name) {
            return player.steam_id;
        }
    }
    r.Fail(pointer, fmt::format("no player named \"{}\"", name));
}

// `each(entry, pointer)` for every entry of the object at `key`, which players' names key.
template <typename Each>
void ForEachPlayerEntry(const Reader& r, const json& plugin, const std::string& at,
                        std::string_view key, Each each) {
    const auto books = plugin.find(key);
    if (books == plugin.end()) {
        return;
    }
    const std::string pointer = PointerChild(at, key);
    if (!books->is_object()) {
        r.WrongType(*books, pointer, "an object");
    }
    for (const auto& entry : books->items()) {
        each(entry, PointerChild(pointer, entry.key()));
    }
}

void ReadPoints(const Reader& r, const json& plugin, const std::string& at, WorldSpec& spec) {
    ForEachPlayerEntry(r, plugin, at, "points", [&](const auto& entry, const std::string& where) {
        // The balance first: its error wins over an unknown player's.
        const std::int32_t balance = r.Int32(entry.value(), where);
        spec.points[SteamIdOf(r, spec, entry.key(), where)] = balance;
    });
}

void ReadTokens(const Reader& r, const json& plugin, const std::string& at, WorldSpec& spec) {
    ForEachPlayerEntry(r, plugin, at, "tokens", [&](const auto& entry, const std::string& where) {
        const std::uint64_t id = SteamIdOf(r, spec, entry.key(), where);
        if (!entry.value().is_object()) {
            r.WrongType(entry.value(), where, "an object of token types");
        }
        for (const auto& balance : entry.value().items()) {
            spec.tokens[{id, balance.key()}] =
                r.Int32(balance.value(), PointerChild(where, balance.key()));
        }
    });
}

// `names` gets every string of the array at `where`.
void ReadNames(const Reader& r, const json& array, const std::string& where,
               std::string_view expected, std::set<std::string>& names) {
    if (!array.is_array()) {
        r.WrongType(array, where, expected);
    }
    for (std::size_t k = 0; k < array.size(); ++k) {
        names.insert(r.String(array[k], PointerChild(where, k)));
    }
}

void ReadGroups(const Reader& r, const json& plugin, const std::string& at, WorldSpec& spec) {
    ForEachPlayerEntry(r, plugin, at, "groups", [&](const auto& entry, const std::string& where) {
        const std::uint64_t id = SteamIdOf(r, spec, entry.key(), where);
        ReadNames(r, entry.value(), where, "an array of group names", spec.groups[id]);
    });
}

// Keyed by group, not player; a group the file names replaces the default's.
void ReadGrants(const Reader& r, const json& plugin, const std::string& at, WorldSpec& spec) {
    const auto grants = plugin.find("grants");
    if (grants == plugin.end()) {
        return;
    }
    const std::string pointer = PointerChild(at, "grants");
    if (!grants->is_object()) {
        r.WrongType(*grants, pointer, "an object");
    }
    for (const auto& entry : grants->items()) {
        auto& names = spec.grants[entry.key()];
        names.clear();
        ReadNames(r, entry.value(), PointerChild(pointer, entry.key()),
                  "an array of permission names", names);
    }
}

void ReadPlugins(const Reader& r, const json& plugins, WorldSpec& spec) {
    r.Object(plugins, "/plugins", {"ArkShop", "CoinVault", "Permissions"});
    for (const auto& item : plugins.items()) {
        const std::string at = PointerChild("/plugins", item.key());
        const json& p = item.value();
        // Each plugin's own books; a key of another's is refused here.
        if (item.key() == "ArkShop") {
            r.Object(p, at, {"present", "refuse_spends", "points"});
        } else if (item.key() == "CoinVault") {
            r.Object(p, at, {"present", "refuse_spends", "tokens"});
        } else {
            r.Object(p, at, {"present", "groups", "grants"});
        }
        SiblingBooks books;
        books.present = true;
        r.Optional(p, at, "present", books.present, &Reader::Bool);
        r.Optional(p, at, "refuse_spends", books.refuse_spends, &Reader::Bool);
        spec.siblings[item.key()] = books;
        ReadPoints(r, p, at, spec);
        ReadTokens(r, p, at, spec);
        ReadGroups(r, p, at, spec);
        ReadGrants(r, p, at, spec);
    }
}

void ReadWorldSettings(const Reader& r, const json& settings, WorldSpec& spec) {
    const std::string at = "/world_settings";
    if (settings.is_boolean() && !settings.get<bool>()) {
        spec.world_settings = false;
        return;
    }
    r.Object(
        settings, at,
        {"override", "longitude_origin", "latitude_origin", "longitude_scale", "latitude_scale"});
    SimWorldSettings& s = spec.settings;
    if (settings.contains("override")) {
        s.override_longitude_and_latitude = r.Bool(settings["override"], at + "/override") ? 1 : 0;
    }
    const std::pair<const char*, float*> values[] = {{"longitude_origin", &s.longitude_origin},
                                                     {"latitude_origin", &s.latitude_origin},
                                                     {"longitude_scale", &s.longitude_scale},
                                                     {"latitude_scale", &s.latitude_scale}};
    for (const auto& [key, target] : values) {
        r.Optional(settings, at, key, *target, &Reader::Float);
    }
}

// The library's parse message without its own prefix and position, which the caller
// gives as file and line.
std::string ParseProblem(const std::string& what) {
    std::string_view text(what);
    if (const auto bracket = text.find("] "); bracket != std::string_view::npos) {
        text.remove_prefix(bracket + 2);
    }
    if (text.substr(0, 12) == "parse error ") {
        if (const auto colon = text.find(": "); colon != std::string_view::npos) {
            text.remove_prefix(colon + 2);
        }
    }
    return std::string(text);
}

}  // namespace

WorldSpec ReadWorld(std::string_view text, const std::string& name) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& error) {
        const std::size_t end =
            std::min<std::size_t>(error.byte == 0 ? 0 : error.byte - 1, text.size());
        const auto line =
            1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), '\n');
        throw WorldError(fmt::format("{}:{}: {}", name, line, ParseProblem(error.what())));
    } catch (const json::exception& error) {
        // A number too large for a double, reported as a range error.
        const std::string problem = ParseProblem(error.what());
        throw WorldError(
            fmt::format("{}:{}: {}", name, std::max(1, LineOfOverflow(text, problem)), problem));
    }
    const Reader r(name, text);
    if (!root.is_object()) {
        r.Fail("", fmt::format("a world file holds an object, not {}", root.type_name()));
    }
    r.Object(root, "", {"world", "world_settings", "players", "creatures", "plugins"});
    WorldSpec spec;
    r.Optional(root, "", "world", spec.world, &Reader::Bool);
    if (root.contains("world_settings"))
        ReadWorldSettings(r, root["world_settings"], spec);
    if (root.contains("players"))
        ReadPlayers(r, root["players"], spec);
    if (root.contains("creatures"))
        ReadCreatures(r, root["creatures"], spec);
    if (root.contains("plugins"))
        ReadPlugins(r, root["plugins"], spec);
    return spec;
}

WorldSpec ReadWorldFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw WorldError(fmt::format("{}: cannot open the world file", path));
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ReadWorld(text.str(), path);
}

void SetCharacterPresent(Player& player, bool present) {
    player.controller->character = present ? player.character.get() : nullptr;
}

void SetPawnStatePresent(Player& player, bool present) {
    player.character->player_state = present ? player.pawn_state.get() : nullptr;
}

void SetControllerStatePresent(Player& player, bool present) {
    player.controller->player_state = present ? player.controller_state.get() : nullptr;
}

void SetStatusPresent(Creature& creature, bool present) {
    creature.dino->primal.status_component = present ? creature.status.get() : nullptr;
}

void SetPosition(SimSceneComponent& root, const SimVector3& position) {
    root.relative_location = position;
    root.world_location = position;
}

PlayerSpec SpecOf(const Player& player) {
    PlayerSpec spec;
    spec.name = player.name;
    spec.steam_id = player.steam_id;
    spec.team = player.character->primal.actor.targeting_team;
    spec.admin = player.character->is_server_admin != 0;
    spec.position = player.root->world_location;
    spec.tribe = ToUtf8(Server::View(player.character->primal.tribe_name));
    spec.character = player.controller->character != nullptr;
    spec.pawn_state = player.character->player_state != nullptr;
    spec.controller_state = player.controller->player_state != nullptr;
    return spec;
}

void WritePlayer(Server& server, Player& player, const PlayerSpec& spec) {
    player.character->primal.actor.targeting_team = spec.team;
    player.character->is_server_admin = spec.admin ? 1 : 0;
    SetPosition(*player.root, spec.position);
    server.SetString(player.character->primal.tribe_name, FromUtf8(spec.tribe));
    SetCharacterPresent(player, spec.character);
    SetPawnStatePresent(player, spec.pawn_state);
    SetControllerStatePresent(player, spec.controller_state);
}

CreatureSpec SpecOf(const Creature& creature) {
    const SimDino& dino = *creature.dino;
    CreatureSpec spec;
    spec.id = creature.id;
    spec.name = ToUtf8(creature.name);
    spec.species = ToUtf8(Server::View(dino.primal.descriptive_name));
    spec.tribe = ToUtf8(Server::View(dino.primal.tribe_name));
    spec.owner = ToUtf8(Server::View(dino.owning_player_name));
    spec.team = dino.primal.actor.targeting_team;
    spec.level = creature.status->level;
    spec.status = dino.primal.status_component != nullptr;
    spec.position = creature.root->relative_location;
    for (std::size_t i = 0; i < spec.colors.size(); ++i) {
        spec.colors[i] = dino.colors[i];
    }
    return spec;
}

void WriteCreature(Server& server, Creature& creature, const CreatureSpec& spec) {
    creature.name = FromUtf8(spec.name);
    SimDino& dino = *creature.dino;
    server.SetString(dino.primal.descriptive_name, FromUtf8(spec.species));
    server.SetString(dino.primal.tribe_name, FromUtf8(spec.tribe));
    server.SetString(dino.owning_player_name, FromUtf8(spec.owner));
    dino.primal.actor.targeting_team = spec.team;
    creature.status->level = spec.level;
    SetStatusPresent(creature, spec.status);
    SetPosition(*creature.root, spec.position);
    for (std::size_t i = 0; i < spec.colors.size(); ++i) {
        dino.colors[i] = spec.colors[i];
    }
}

Player& AddPlayerFromSpec(Server& server, const PlayerSpec& spec) {
    Player& player = server.AddPlayer(spec.name, spec.steam_id);
    WritePlayer(server, player, spec);
    return player;
}

Creature& AddCreatureFromSpec(Server& server, const CreatureSpec& spec) {
    Creature& creature = server.AddCreature();
    creature.id = spec.id;
    WriteCreature(server, creature, spec);
    return creature;
}

void ApplyWorld(Server& server, const WorldSpec& spec) {
    server.ClearWorld();
    server.has_world = spec.world;
    server.has_world_settings = spec.world_settings;
    server.world_settings = spec.settings;
    for (const auto& player : spec.players) {
        AddPlayerFromSpec(server, player);
    }
    for (const auto& creature : spec.creatures) {
        AddCreatureFromSpec(server, creature);
    }
    // A present sibling is a loaded module, as on a real server.
    for (const char* name : {"ArkShop", "CoinVault", "Permissions"}) {
        auto it = spec.siblings.find(name);
        const SiblingBooks books = it != spec.siblings.end() ? it->second : SiblingBooks{};
        std::string error;
        if (!SetSiblingPresent(name, books.present, &error)) {
            throw std::runtime_error(error);
        }
        server.siblings[name].refuse_spends = books.refuse_spends;
    }
    server.points = spec.points;
    server.tokens = spec.tokens;
    server.groups = spec.groups;
    server.grants = spec.grants;
}

std::set<const void*> WorldBlocks(const Server& server) {
    std::set<const void*> blocks;
    auto add = [&blocks](const SimFString& text) {
        if (text.data != nullptr) {
            blocks.insert(text.data);
        }
    };
    for (const auto& player : server.Players()) {
        add(player->character->primal.tribe_name);
        add(player->character->primal.descriptive_name);
        add(player->pawn_state->player_name);
        add(player->controller_state->player_name);
    }
    for (const auto& creature : server.Creatures()) {
        add(creature->dino->primal.tribe_name);
        add(creature->dino->primal.descriptive_name);
        add(creature->dino->owning_player_name);
    }
    return blocks;
}

}  // namespace sim
