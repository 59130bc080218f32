// The simulated game's objects, laid out as the host shares them with plugins.
// Every object starts with a kind tag so that a lookup made on the wrong object is caught.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

enum class Kind : std::uint32_t {
    Controller = 0x51C0,
    PlayerCharacter,
    Dino,
    SceneComponent,
    StatusComponent,
    WorldSettings,
    World,
    RconConnection,
    PlayerState,
    DinoClass,
};

std::string_view KindName(Kind kind);

struct SimFString {
    char16_t* data = nullptr;
    std::int32_t count = 0;
    std::int32_t capacity = 0;
};

struct SimArray {
    void* data = nullptr;
    std::int32_t count = 0;
    std::int32_t capacity = 0;
};

struct SimVector3 {
    float x = 0, y = 0, z = 0;
};

struct SimColor {
    float r = 0, g = 0, b = 0, a = 0;
};

struct SimSceneComponent {
    Kind kind = Kind::SceneComponent;
    SimVector3 relative_location;
    SimVector3 world_location;
};

struct SimStatusComponent {
    Kind kind = Kind::StatusComponent;
    std::int32_t level = 0;
};

struct SimPlayerState {
    Kind kind = Kind::PlayerState;
    SimFString player_name;
};

struct SimActor {
    Kind kind;
    SimSceneComponent* root_component = nullptr;
    std::int32_t targeting_team = 0;
};

struct SimPrimalCharacter {
    SimActor actor;
    SimStatusComponent* status_component = nullptr;
    SimFString tribe_name;
    SimFString descriptive_name;
};

struct SimController;

struct SimPlayerCharacter {
    SimPrimalCharacter primal{SimActor{Kind::PlayerCharacter, nullptr, 0}, nullptr, {}, {}};
    SimPlayerState* player_state = nullptr;
    std::uint8_t is_server_admin = 0;
};

struct SimDino {
    SimPrimalCharacter primal{SimActor{Kind::Dino, nullptr, 0}, nullptr, {}, {}};
    SimFString owning_player_name;
    SimColor colors[6];
    // The simulator's own record of this creature (its current name lives there).
    const void* sim_record = nullptr;
};

struct SimController {
    Kind kind = Kind::Controller;
    SimPlayerState* player_state = nullptr;
    SimPlayerCharacter* character = nullptr;
};

struct SimWorldSettings {
    Kind kind = Kind::WorldSettings;
    std::uint8_t override_longitude_and_latitude = 0;
    float longitude_origin = -400000.0F;
    float latitude_origin = -400000.0F;
    float longitude_scale = 800.0F;
    float latitude_scale = 800.0F;
};

struct SimWorld {
    Kind kind = Kind::World;
};

struct SimRconConnection {
    Kind kind = Kind::RconConnection;
    // A network client's connection also hands every reply on to its socket.
    void (*deliver)(void* client, std::int32_t id, std::int32_t type,
                    std::u16string_view text) = nullptr;
    void* client = nullptr;
};

struct SimRconPacket {
    std::int32_t length = 0;
    std::int32_t id = 0;
    std::int32_t type = 2;
    SimFString body;
};

struct SimClass {
    Kind kind = Kind::DinoClass;
};

// The chat record the host takes over, as the game lays it out.
struct SimChatRecord {
    SimFString sender_name;
    SimFString sender_steam_name;
    SimFString sender_tribe_name;
    std::uint32_t sender_id;
    SimFString message;
    SimFString receiver;
    std::int32_t sender_team_index;
    double received_time;
    std::uint8_t send_mode;
    std::uint32_t radio_frequency;
    std::uint8_t chat_type;
    void* sender_icon;
    SimFString user_id;
};
static_assert(sizeof(SimChatRecord) == 144);

inline Kind KindOf(const void* object) {
    return *static_cast<const Kind*>(object);
}

}  // namespace sim
