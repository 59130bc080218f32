#include "sim/world.h"

#include <fstream>
#include <limits>
#include <optional>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "sim/host/siblings.h"
#include "sim/json_lines.h"

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

    // Ids up to 2^63 - 1, so that every printed value is a signed 64-bit number.
    std::uint64_t Id(const json& value, const std::string& pointer) const {
        return static_cast<std::uint64_t>(
            Integer(value, pointer, 0, std::numeric_limits<std::int64_t>::max(), "an id"));
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

void ReadPlayers(const Reader& r, const json& players, WorldSpec& spec) {
    if (!players.is_array()) {
        r.WrongType(players, "/players", "an array");
    }
    std::set<std::uint64_t> used;
    std::vector<bool> explicit_id;
    for (std::size_t i = 0; i < players.size(); ++i) {
        const std::string at = PointerChild("/players", i);
        const json& p = players[i];
        r.Object(p, at,
                 {"name", "steam_id", "team", "admin", "position", "tribe", "character",
                  "player_state", "controller_player_state"});
        PlayerSpec player;
        if (!p.contains("name")) {
            r.Fail(at, "a player needs a \"name\"");
        }
        player.name = r.String(p["name"], at + "/name");
        if (player.name.empty()) {
            r.Fail(at + "/name", "a player's name cannot be empty");
        }
        for (const auto& other : spec.players) {
            if (other.name == player.name) {
                r.Fail(at + "/name", fmt::format("a second player named \"{}\"", player.name));
            }
        }
        if (p.contains("steam_id")) {
            player.steam_id = r.Id(p["steam_id"], at + "/steam_id");
            if (!used.insert(player.steam_id).second) {
                r.Fail(at + "/steam_id",
                       fmt::format("steam id {} is already taken", player.steam_id));
            }
        }
        explicit_id.push_back(p.contains("steam_id"));
        if (p.contains("team"))
            player.team = r.Int32(p["team"], at + "/team");
        if (p.contains("admin"))
            player.admin = r.Bool(p["admin"], at + "/admin");
        if (p.contains("position"))
            player.position = r.Position(p["position"], at + "/position");
        if (p.contains("tribe"))
            player.tribe = r.String(p["tribe"], at + "/tribe");
        if (p.contains("character"))
            player.character = r.Bool(p["character"], at + "/character");
        if (p.contains("player_state")) {
            player.pawn_state = r.Bool(p["player_state"], at + "/player_state");
        }
        if (p.contains("controller_player_state")) {
            player.controller_state =
                r.Bool(p["controller_player_state"], at + "/controller_player_state");
        }
        spec.players.push_back(std::move(player));
    }
    std::uint64_t next = kFirstSteamId;
    for (std::size_t i = 0; i < spec.players.size(); ++i) {
        if (!explicit_id[i]) {
            while (used.count(next) != 0) {
                ++next;
            }
            spec.players[i].steam_id = next;
            used.insert(next);
        }
    }
}

void ReadCreatures(const Reader& r, const json& creatures, WorldSpec& spec) {
    if (!creatures.is_array()) {
        r.WrongType(creatures, "/creatures", "an array");
    }
    std::set<std::uint64_t> used;
    std::vector<bool> explicit_id;
    for (std::size_t i = 0; i < creatures.size(); ++i) {
        const std::string at = PointerChild("/creatures", i);
        const json& c = creatures[i];
        r.Object(c, at,
                 {"id", "name", "species", "tribe", "owner", "team", "level", "status", "position",
                  "colors"});
        CreatureSpec creature;
        if (c.contains("id")) {
            creature.id = r.Id(c["id"], at + "/id");
            if (creature.id == 0) {
                r.Fail(at + "/id", "creature ids start at 1");
            }
            if (!used.insert(creature.id).second) {
                r.Fail(at + "/id", fmt::format("creature id {} is already taken", creature.id));
            }
        }
        explicit_id.push_back(c.contains("id"));
        if (c.contains("name"))
            creature.name = r.String(c["name"], at + "/name");
        if (c.contains("species"))
            creature.species = r.String(c["species"], at + "/species");
        if (c.contains("tribe"))
            creature.tribe = r.String(c["tribe"], at + "/tribe");
        if (c.contains("owner"))
            creature.owner = r.String(c["owner"], at + "/owner");
        if (c.contains("team"))
            creature.team = r.Int32(c["team"], at + "/team");
        if (c.contains("level"))
            creature.level = r.Int32(c["level"], at + "/level");
        if (c.contains("status"))
            creature.status = r.Bool(c["status"], at + "/status");
        if (c.contains("position"))
            creature.position = r.Position(c["position"], at + "/position");
        if (c.contains("colors")) {
            const json& colors = c["colors"];
            if (!colors.is_array() || colors.size() > 6) {
                r.Fail(at + "/colors", "expected up to six colours [r, g, b, a]");
            }
            for (std::size_t k = 0; k < colors.size(); ++k) {
                creature.colors[k] = r.Color(colors[k], PointerChild(at + "/colors", k));
            }
        }
        spec.creatures.push_back(std::move(creature));
    }
    std::uint64_t next = 1;
    for (std::size_t i = 0; i < spec.creatures.size(); ++i) {
        if (!explicit_id[i]) {
            while (used.count(next) != 0) {
                ++next;
            }
            spec.creatures[i].id = next;
            used.insert(next);
        }
    }
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

void ReadPlugins(const Reader& r, const json& plugins, WorldSpec& spec) {
    r.Object(plugins, "/plugins", {"ArkShop", "CoinVault", "Permissions"});
    for (const auto& item : plugins.items()) {
        const std::string at = PointerChild("/plugins", item.key());
        const json& p = item.value();
        SiblingBooks books;
        books.present = true;
        if (item.key() == "ArkShop") {
            r.Object(p, at, {"present", "refuse_spends", "points"});
        } else if (item.key() == "CoinVault") {
            r.Object(p, at, {"present", "refuse_spends", "tokens"});
        } else {
            r.Object(p, at, {"present", "groups"});
        }
        if (p.contains("present"))
            books.present = r.Bool(p["present"], at + "/present");
        if (p.contains("refuse_spends")) {
            books.refuse_spends = r.Bool(p["refuse_spends"], at + "/refuse_spends");
        }
        spec.siblings[item.key()] = books;

        if (p.contains("points")) {
            if (!p["points"].is_object()) {
                r.WrongType(p["points"], at + "/points", "an object");
            }
            for (const auto& entry : p["points"].items()) {
                const std::string where = PointerChild(at + "/points", entry.key());
                spec.points[SteamIdOf(r, spec, entry.key(), where)] = r.Int32(entry.value(), where);
            }
        }
        if (p.contains("tokens")) {
            const json& tokens = p["tokens"];
            if (!tokens.is_object()) {
                r.WrongType(tokens, at + "/tokens", "an object");
            }
            for (const auto& entry : tokens.items()) {
                const std::string where = PointerChild(at + "/tokens", entry.key());
                const std::uint64_t id = SteamIdOf(r, spec, entry.key(), where);
                if (!entry.value().is_object()) {
                    r.WrongType(entry.value(), where, "an object of token types");
                }
                for (const auto& balance : entry.value().items()) {
                    spec.tokens[{id, balance.key()}] =
                        r.Int32(balance.value(), PointerChild(where, balance.key()));
                }
            }
        }
        if (p.contains("groups")) {
            const json& groups = p["groups"];
            if (!groups.is_object()) {
                r.WrongType(groups, at + "/groups", "an object");
            }
            for (const auto& entry : groups.items()) {
                const std::string where = PointerChild(at + "/groups", entry.key());
                const std::uint64_t id = SteamIdOf(r, spec, entry.key(), where);
                if (!entry.value().is_array()) {
                    r.WrongType(entry.value(), where, "an array of group names");
                }
                auto& names = spec.groups[id];
                for (std::size_t k = 0; k < entry.value().size(); ++k) {
                    names.insert(r.String(entry.value()[k], PointerChild(where, k)));
                }
            }
        }
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
        if (settings.contains(key)) {
            *target = r.Float(settings[key], PointerChild(at, key));
        }
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
    }
    const Reader r(name, text);
    if (!root.is_object()) {
        r.Fail("", fmt::format("a world file holds an object, not {}", root.type_name()));
    }
    r.Object(root, "", {"world", "world_settings", "players", "creatures", "plugins"});
    WorldSpec spec;
    if (root.contains("world"))
        spec.world = r.Bool(root["world"], "/world");
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
    }
    for (const auto& creature : server.Creatures()) {
        add(creature->dino->primal.tribe_name);
        add(creature->dino->primal.descriptive_name);
        add(creature->dino->owning_player_name);
    }
    return blocks;
}

}  // namespace sim
