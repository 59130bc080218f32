// The world file: the players, creatures, map calibration and sibling plugins' books that
// a simulated server starts with. Read completely before anything is applied, so a bad
// file changes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/framework/server.h"

namespace sim {

// A malformed world file; the message is the one line "<file>:<line>: <what>".
class WorldError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct PlayerSpec {
    std::string name;
    std::uint64_t steam_id = 0;
    std::int32_t team = 0;
    bool admin = false;
    SimVector3 position;
    std::string tribe;
    bool character = true;
    bool pawn_state = true;
    bool controller_state = true;
};

struct CreatureSpec {
    std::uint64_t id = 0;
    std::string name;
    std::string species;
    std::string tribe;
    std::string owner;
    std::int32_t team = 0;
    std::int32_t level = 1;
    bool status = true;
    SimVector3 position;
    std::array<SimColor, 6> colors{};
};

struct WorldSpec {
    bool world = true;
    bool world_settings = true;
    SimWorldSettings settings;
    std::vector<PlayerSpec> players;
    std::vector<CreatureSpec> creatures;
    std::map<std::string, SiblingBooks, std::less<>> siblings;
    std::map<std::uint64_t, std::int32_t> points;
    std::map<std::pair<std::uint64_t, std::string>, std::int32_t> tokens;
    std::map<std::uint64_t, std::set<std::string>> groups;
    // As the permissions plugin starts out: administrators' group holds every permission.
    std::map<std::string, std::set<std::string>, std::less<>> grants = {{"Admins", {"*"}}};
};

// `name` is what error lines call the file.
WorldSpec ReadWorld(std::string_view text, const std::string& name);
WorldSpec ReadWorldFile(const std::string& path);

// Replaces everything the server holds about the world with `spec`, loading or unloading
// the sibling plugins' modules; throws std::runtime_error when one cannot be loaded.
void ApplyWorld(Server& server, const WorldSpec& spec);

// Pieces of a player or creature that can be there or not.
void SetCharacterPresent(Player& player, bool present);
void SetPawnStatePresent(Player& player, bool present);
void SetControllerStatePresent(Player& player, bool present);
void SetStatusPresent(Creature& creature, bool present);
void SetPosition(SimSceneComponent& root, const SimVector3& position);

Player& AddPlayerFromSpec(Server& server, const PlayerSpec& spec);
Creature& AddCreatureFromSpec(Server& server, const CreatureSpec& spec);

// A player's or creature's current state as a spec, and back (name, steam id and creature
// id are not written: they identify what is changed).
PlayerSpec SpecOf(const Player& player);
CreatureSpec SpecOf(const Creature& creature);
void WritePlayer(Server& server, Player& player, const PlayerSpec& spec);
void WriteCreature(Server& server, Creature& creature, const CreatureSpec& spec);

// The host blocks that the simulated world itself holds (its names), as opposed to the
// plugin's.
std::set<const void*> WorldBlocks(const Server& server);

}  // namespace sim
