#include "sim/tools/generate.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "sim/views/output.h"

namespace sim {

namespace {

constexpr std::int32_t kMapEdge = 400000;  // the default calibration's map, in centimetres

constexpr std::string_view kSpecies[] = {
    "Raptor",       "Rex",          "Dodo",        "Carnotaurus",    "Quetzal",
    "Argentavis",   "Pteranodon",   "Triceratops", "Stegosaurus",    "Parasaur",
    "Ankylosaurus", "Brontosaurus", "Spino",       "Giganotosaurus", "Mammoth",
    "Direwolf",     "Sabertooth",   "Thylacoleo",  "Allosaurus",     "Baryonyx",
    "Dilophosaur",  "Megalodon",
};

// Tame names, some in scripts other than Latin, as players write them.
constexpr std::string_view kTameNames[] = {
    "Big Red", "Skywing", "Zoë",    "Шторм",   "Ёжик",  "Pebble", "Horns", "Fênix",
    "Mjølner", "Nibbles", "Tank",   "Ghost",   "Sunny", "Χάος",   "Köpek", "Brutus",
    "Luna",    "Фантом",  "Sombra", "Biscuit", "Thor",  "Søren",  "Hoshi", "Crusher",
};

struct Dye {
    float red, green, blue;  // on the 0-255 scale of the game's dye table
    float alpha;
};

// Rows of the game's dye table, so that listings name them.
constexpr Dye kDyes[] = {
    {255.0F, 0.0F, 0.0F, 0.0F},             // Red
    {0.0F, 0.0F, 255.0F, 0.0F},             // Blue
    {0.0F, 255.0F, 0.0F, 0.0F},             // Green
    {255.0F, 255.0F, 0.0F, 0.0F},           // Yellow
    {135.788F, 255.0F, 127.5F, 0.0F},       // Light Green
    {148.162F, 153.0F, 151.513F, 0.0F},     // Light Grey
    {48.45F, 35.0375F, 25.194F, 0.0F},      // Light Brown
    {51.0F, 51.0F, 51.0F, 0.0F},            // Dark Grey
    {10.2F, 10.2F, 10.2F, 0.0F},            // Black
    {25.5F, 9.88813F, 4.96664F, 0.0F},      // Brown
    {3.14644F, 16.575F, 0.0F, 0.0F},        // Dark Green
    {57.375F, 2.89093F, 1.43438F, 0.0F},    // Dark Red
    {255.0F, 255.0F, 255.0F, 0.0F},         // White
    {255.0F, 102.0F, 102.0F, 0.0F},         // Dino Light Red
    {63.75F, 21.4738F, 6.375F, 0.0F},       // Dino Dark Orange
    {49.725F, 76.5F, 49.725F, 0.0F},        // Dino Medium Green
    {178.5F, 191.25F, 255.0F, 0.0F},        // Dino Light Blue
    {76.5F, 61.2F, 45.9F, 0.0F},            // Dino Medium Brown
    {25.5F, 19.125F, 12.75F, 0.0F},         // Dino Dark Brown
    {446.25F, 446.25F, 446.25F, 0.0F},      // Dino Albino
    {141.525F, 117.162F, 89.8684F, 1.0F},   // WolfFur
    {130.05F, 19.7031F, 0.0F, 0.0F},        // DragonFire
    {20.4F, 20.4F, 20.4F, 0.0F},            // NearBlack
    {0.0F, 144.002F, 105.198F, 0.0F},       // Turquoise
    {11.5224F, 19.4272F, 12.2839F, 0.0F},   // Sage
    {255.0F, 55.0446F, 0.0F, 0.0F},         // Orange
    {9.07826F, 207.786F, 60.7915F, 0.0F},   // Mint
    {0.937635F, 59.8105F, 85.9768F, 0.0F},  // Teal
    {131.304F, 47.8944F, 132.854F, 0.0F},   // Lavender
    {230.689F, 255.0F, 135.985F, 0.0F},     // Cream
};

struct Owner {
    std::size_t player;   // index into the players
    std::uint64_t share;  // percent of all creatures
};

// 55 of every 100 creatures are wild; the rest are the tames of five players.
constexpr Owner kOwners[] = {{1, 12}, {2, 10}, {3, 10}, {5, 8}, {4, 5}};
constexpr std::uint64_t kWildShare = 55;

PlayerSpec MakePlayer(std::string name, std::uint64_t steam_id, std::int32_t team,
                      std::string tribe, SimVector3 position, bool admin = false) {
    PlayerSpec player;
    player.name = std::move(name);
    player.steam_id = steam_id;
    player.team = team;
    player.tribe = std::move(tribe);
    player.position = position;
    player.admin = admin;
    return player;
}

}  // namespace

WorldGenerator::WorldGenerator(std::uint64_t creatures, std::uint64_t seed)
    : count_(creatures), state_(seed) {
    base_.players = {
        MakePlayer("Ada", 76561198000000001ULL, 50100, "", {0, 0, 0}, true),
        MakePlayer("Bruno", 76561198000000002ULL, 50001, "Alpha Tribe", {12000, -8000, 500}),
        MakePlayer("Chloé", 76561198000000003ULL, 50001, "Alpha Tribe", {-30000, 45000, 1200}),
        MakePlayer("Dmitri", 76561198000000004ULL, 50002, "Стая Севера", {150000, 90000, 300}),
        MakePlayer("Eve", 76561198000000005ULL, 50003, "", {-5000, -5000, 0}),
        MakePlayer("Kenji", 76561198000000006ULL, 50004, "Beta Tribe", {-220000, -180000, 800}),
    };
    for (const char* name : {"ArkShop", "CoinVault", "Permissions"}) {
        base_.siblings[name].present = true;
    }
    base_.points = {{76561198000000002ULL, 500},
                    {76561198000000003ULL, 20},
                    {76561198000000005ULL, 75},
                    {76561198000000006ULL, 1000}};
    base_.tokens = {{{76561198000000002ULL, "gold"}, 3}, {{76561198000000005ULL, "gold"}, 1}};
    base_.groups = {{76561198000000001ULL, {"Admins"}}, {76561198000000002ULL, {"Trackers"}}};
    base_.grants["Trackers"] = {"Beastfinder.Track"};
}

// splitmix64: tiny, fast and the same everywhere.
std::uint64_t WorldGenerator::Random() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::int32_t WorldGenerator::Between(std::int32_t low, std::int32_t high) {
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1);
    return static_cast<std::int32_t>(low + static_cast<std::int64_t>(Below(span)));
}

bool WorldGenerator::Next(CreatureSpec& creature) {
    if (made_ == count_) {
        return false;
    }
    creature = CreatureSpec{};
    creature.id = ++made_;

    // Near somebody (a player's base, or a wild creature a player can see) or anywhere.
    auto place = [this](const SimVector3& around, std::int32_t reach) {
        auto axis = [&](float centre) {
            const std::int32_t at = static_cast<std::int32_t>(centre) + Between(-reach, reach);
            return static_cast<float>(std::clamp(at, -kMapEdge, kMapEdge));
        };
        const float x = axis(around.x);
        const float y = axis(around.y);
        return SimVector3{x, y, static_cast<float>(Between(0, 3000))};
    };

    std::uint64_t roll = Below(100);
    if (roll < kWildShare) {
        creature.species = std::string(kSpecies[Below(std::size(kSpecies))]);
        creature.name = creature.species;
        creature.team = Between(100, 999);
        creature.level = Between(1, 150);
        if (Below(3) == 0) {
            constexpr std::int32_t kReach[] = {2000, 20000, 200000};  // 20 m, 200 m, 2 km
            const PlayerSpec& near = base_.players[Below(base_.players.size())];
            creature.position = place(near.position, kReach[Below(3)]);
        } else {
            creature.position = place({0, 0, 0}, kMapEdge);
        }
        for (SimColor& colour : creature.colors) {
            const Dye& dye = kDyes[Below(std::size(kDyes))];
            colour = SimColor{dye.red / 255.0F, dye.green / 255.0F, dye.blue / 255.0F, dye.alpha};
        }
        return true;
    }
    roll -= kWildShare;
    const Owner* owner = std::begin(kOwners);
    while (roll >= owner->share) {
        roll -= owner->share;
        ++owner;
    }
    const PlayerSpec& player = base_.players[owner->player];
    creature.name = std::string(kTameNames[Below(std::size(kTameNames))]);
    creature.species = std::string(kSpecies[Below(std::size(kSpecies))]);
    creature.tribe = player.tribe;
    creature.owner = player.name;
    creature.team = player.team;
    creature.level = Between(1, 450);
    // Most tames stay at their base; some are out on the map.
    creature.position = Below(5) != 0 ? place(player.position, 5000) : place({0, 0, 0}, kMapEdge);
    return true;
}

namespace {

// Floats in their shortest form, whole numbers without a point: the same on every platform,
// as the formatting library does its own conversion.
void AppendVector(fmt::memory_buffer& out, const SimVector3& v) {
    fmt::format_to(std::back_inserter(out), "[{}, {}, {}]", v.x, v.y, v.z);
}

void AppendPlayer(fmt::memory_buffer& out, const PlayerSpec& player) {
    fmt::format_to(std::back_inserter(out), "{{\"name\": {}, \"steam_id\": {}, \"team\": {}",
                   JsonQuote(player.name), player.steam_id, player.team);
    if (player.admin) {
        fmt::format_to(std::back_inserter(out), ", \"admin\": true");
    }
    if (!player.tribe.empty()) {
        fmt::format_to(std::back_inserter(out), ", \"tribe\": {}", JsonQuote(player.tribe));
    }
    fmt::format_to(std::back_inserter(out), ",\n     \"position\": ");
    AppendVector(out, player.position);
    out.push_back('}');
}

void AppendCreature(fmt::memory_buffer& out, const CreatureSpec& creature) {
    fmt::format_to(std::back_inserter(out), "{{\"id\": {}, \"name\": {}, \"species\": {}",
                   creature.id, JsonQuote(creature.name), JsonQuote(creature.species));
    if (!creature.tribe.empty()) {
        fmt::format_to(std::back_inserter(out), ", \"tribe\": {}", JsonQuote(creature.tribe));
    }
    if (!creature.owner.empty()) {
        fmt::format_to(std::back_inserter(out), ", \"owner\": {}", JsonQuote(creature.owner));
    }
    fmt::format_to(std::back_inserter(out),
                   ", \"team\": {}, \"level\": {}, \"position\": ", creature.team, creature.level);
    AppendVector(out, creature.position);
    const bool coloured =
        std::any_of(creature.colors.begin(), creature.colors.end(),
                    [](const SimColor& c) { return c.r != 0 || c.g != 0 || c.b != 0 || c.a != 0; });
    if (coloured) {
        const char* separator = ", \"colors\": [";
        for (const SimColor& c : creature.colors) {
            fmt::format_to(std::back_inserter(out), "{}[{}, {}, {}, {}]", separator, c.r, c.g, c.b,
                           c.a);
            separator = ", ";
        }
        out.push_back(']');
    }
    out.push_back('}');
}

// The items as a comma-separated list, each written as `entry` gives it.
template <typename Items, typename Entry>
std::string Joined(const Items& items, Entry entry) {
    std::string text;
    const char* separator = "";
    for (const auto& item : items) {
        text += separator;
        text += entry(item);
        separator = ", ";
    }
    return text;
}

std::string QuotedList(const std::set<std::string>& names) {
    return Joined(names, [](const std::string& name) { return JsonQuote(name); });
}

using PlayerNames = std::map<std::uint64_t, std::string_view>;

std::string QuotedName(const PlayerNames& names, std::uint64_t id) {
    const auto it = names.find(id);
    return JsonQuote(it == names.end() ? std::string_view() : it->second);
}

// Each sibling's books, by plugin: points, tokens and groups. Books are kept by steam id; the
// file names players.
std::map<std::string_view, std::string> PlayerBooks(const WorldSpec& spec) {
    PlayerNames names;
    for (const PlayerSpec& player : spec.players) {
        names[player.steam_id] = player.name;
    }
    std::map<std::uint64_t, std::string> tokens;
    for (const auto& [key, amount] : spec.tokens) {
        std::string& text = tokens[key.first];
        text += fmt::format("{}{}: {}", text.empty() ? "" : ", ", JsonQuote(key.second), amount);
    }
    std::map<std::string_view, std::string> books;
    books["ArkShop"] = Joined(spec.points, [&](const auto& entry) {
        return fmt::format("{}: {}", QuotedName(names, entry.first), entry.second);
    });
    books["CoinVault"] = Joined(tokens, [&](const auto& entry) {
        return fmt::format("{}: {{{}}}", QuotedName(names, entry.first), entry.second);
    });
    books["Permissions"] = Joined(spec.groups, [&](const auto& entry) {
        return fmt::format("{}: [{}]", QuotedName(names, entry.first), QuotedList(entry.second));
    });
    return books;
}

std::string Grants(const WorldSpec& spec) {
    return Joined(spec.grants, [](const auto& entry) {
        return fmt::format("{}: [{}]", JsonQuote(entry.first), QuotedList(entry.second));
    });
}

void AppendPlugins(fmt::memory_buffer& out, const WorldSpec& spec) {
    auto out_it = std::back_inserter(out);
    const std::map<std::string_view, std::string> books = PlayerBooks(spec);
    const std::pair<std::string_view, std::string_view> kinds[] = {
        {"ArkShop", "points"}, {"CoinVault", "tokens"}, {"Permissions", "groups"}};
    const char* separator = "";
    for (const auto& [plugin, kind] : kinds) {
        const auto it = spec.siblings.find(plugin);
        if (it == spec.siblings.end()) {
            continue;
        }
        fmt::format_to(out_it, "{}    \"{}\": {{\"present\": {}", separator, plugin,
                       it->second.present);
        if (it->second.refuse_spends) {
            fmt::format_to(out_it, ", \"refuse_spends\": true");
        }
        fmt::format_to(out_it, ", \"{}\": {{{}}}", kind, books.at(plugin));
        if (plugin == "Permissions") {
            fmt::format_to(out_it, ", \"grants\": {{{}}}", Grants(spec));
        }
        out.push_back('}');
        separator = ",\n";
    }
}

}  // namespace

void WriteGeneratedWorld(std::ostream& out, std::uint64_t creatures, std::uint64_t seed) {
    WorldGenerator generator(creatures, seed);
    const WorldSpec& base = generator.Base();
    fmt::memory_buffer text;
    auto flush = [&] {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    };
    fmt::format_to(std::back_inserter(text), "{{\n  \"players\": [\n");
    for (std::size_t i = 0; i < base.players.size(); ++i) {
        fmt::format_to(std::back_inserter(text), "    ");
        AppendPlayer(text, base.players[i]);
        fmt::format_to(std::back_inserter(text), "{}\n", i + 1 < base.players.size() ? "," : "");
    }
    fmt::format_to(std::back_inserter(text), "  ],\n  \"plugins\": {{\n");
    AppendPlugins(text, base);
    fmt::format_to(std::back_inserter(text), "\n  }},\n  \"creatures\": [");
    CreatureSpec creature;
    const char* separator = "\n    ";
    while (generator.Next(creature)) {
        fmt::format_to(std::back_inserter(text), "{}", separator);
        separator = ",\n    ";
        AppendCreature(text, creature);
        if (text.size() >= (1U << 20)) {
            flush();
        }
    }
    fmt::format_to(std::back_inserter(text), "\n  ]\n}}\n");
    flush();
}

void ApplyGeneratedWorld(Server& server, std::uint64_t creatures, std::uint64_t seed,
                         bool siblings) {
    WorldGenerator generator(creatures, seed);
    WorldSpec base = generator.Base();
    if (!siblings) {
        base.siblings.clear();
    }
    ApplyWorld(server, base);
    CreatureSpec creature;
    while (generator.Next(creature)) {
        AddCreatureFromSpec(server, creature);
    }
}

}  // namespace sim
