#include "sim/framework/server.h"
#include "sim/framework/siblings.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include "host/utf8.h"

namespace sim {

static_assert(offsetof(SimRconPacket, id) == offsetof(RCONPacket, Id) &&
              offsetof(SimRconPacket, body) == offsetof(RCONPacket, Body) &&
              sizeof(SimFString) == sizeof(FString));

namespace {

// A framework log sink that turns every line into an effect.
class RecordingSink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
  public:
    explicit RecordingSink(Server& server) : server_(server) {}

  protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        spdlog::memory_buf_t formatted;
        formatter_->format(msg, formatted);
        std::string line(formatted.data(), formatted.size());
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        const auto level = spdlog::level::to_string_view(msg.level);
        server_.Emit(
            Effect{"log",
                   {{"logger", std::string(msg.logger_name.data(), msg.logger_name.size())},
                    {"level", std::string(level.data(), level.size())},
                    {"message", std::string(msg.payload.data(), msg.payload.size())},
                    {"line", line}}});
    }
    void flush_() override {}

  private:
    Server& server_;
};

char16_t FoldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::u16string_view FirstWord(std::u16string_view line) {
    const auto start = line.find_first_not_of(u' ');
    if (start == std::u16string_view::npos) {
        return {};
    }
    const auto end = line.find(u' ', start);
    return line.substr(start, end == std::u16string_view::npos ? end : end - start);
}

}  // namespace

std::string_view KindName(Kind kind) {
    switch (kind) {
        case Kind::Controller:
            return "player controller";
        case Kind::PlayerCharacter:
            return "player character";
        case Kind::Dino:
            return "creature";
        case Kind::SceneComponent:
            return "scene component";
        case Kind::StatusComponent:
            return "status component";
        case Kind::WorldSettings:
            return "world settings";
        case Kind::World:
            return "world";
        case Kind::RconConnection:
            return "RCON connection";
        case Kind::PlayerState:
            return "player state";
        case Kind::DinoClass:
            return "creature class";
    }
    return "unknown object";
}

std::string_view CommandKindName(CommandKind kind) {
    switch (kind) {
        case CommandKind::Chat:
            return "chat";
        case CommandKind::Console:
            return "console";
        case CommandKind::Rcon:
            return "rcon";
    }
    return "?";
}

const Effect::Value* Effect::Find(std::string_view key) const {
    for (const auto& [name, value] : fields) {
        if (name == key) {
            return &value;
        }
    }
    return nullptr;
}

std::string Effect::Text(std::string_view key) const {
    const Value* value = Find(key);
    if (value == nullptr || !std::holds_alternative<std::string>(*value)) {
        return {};
    }
    return std::get<std::string>(*value);
}

Server::Server() {
    log_sinks_.push_back(std::make_shared<RecordingSink>(*this));
    // 2026-01-01 00:00:00 UTC: a fixed start keeps runs reproducible.
    clock_ticks = 1767225600LL * 10000000LL;
}

Server::~Server() {
    ClearWorld();
}

SimFString Server::MakeString(std::u16string_view text) {
    SimFString result;
    SetString(result, text);
    return result;
}

void Server::SetString(SimFString& target, std::u16string_view text) {
    FreeString(target);
    if (text.empty()) {
        return;
    }
    const auto count = static_cast<std::int32_t>(text.size() + 1);
    target.data = static_cast<char16_t*>(allocator_.Malloc(static_cast<std::uint64_t>(count) * 2));
    std::memcpy(target.data, text.data(), text.size() * 2);
    target.data[text.size()] = u'\0';
    target.count = count;
    target.capacity = count;
}

void Server::FreeString(SimFString& text) {
    allocator_.Free(text.data);
    text = SimFString{};
}

std::u16string Server::View(const SimFString& text) {
    if (text.data == nullptr || text.count <= 1) {
        return {};
    }
    return std::u16string(text.data, static_cast<std::size_t>(text.count - 1));
}

Player& Server::AddPlayer(const std::string& name, std::uint64_t steam_id) {
    auto player = std::make_unique<Player>();
    player->name = name;
    player->steam_id = steam_id;
    player->controller = std::make_unique<SimController>();
    player->character = std::make_unique<SimPlayerCharacter>();
    player->root = std::make_unique<SimSceneComponent>();
    player->pawn_state = std::make_unique<SimPlayerState>();
    player->controller_state = std::make_unique<SimPlayerState>();
    player->status = std::make_unique<SimStatusComponent>();
    player->controller->character = player->character.get();
    player->controller->player_state = player->controller_state.get();
    player->character->player_state = player->pawn_state.get();
    player->character->primal.actor.root_component = player->root.get();
    player->character->primal.status_component = player->status.get();
    // Both player states name the player, as the game's do.
    player->pawn_state->player_name = MakeString(FromUtf8(name));
    player->controller_state->player_name = MakeString(FromUtf8(name));
    players_.push_back(std::move(player));
    return *players_.back();
}

Player* Server::FindPlayer(std::string_view name) {
    for (auto& player : players_) {
        if (player->name == name) {
            return player.get();
        }
    }
    return nullptr;
}

Player* Server::PlayerByController(const void* controller) {
    for (auto& player : players_) {
        if (player->controller.get() == controller) {
            return player.get();
        }
    }
    return nullptr;
}

Creature& Server::AddCreature() {
    auto creature = std::make_unique<Creature>();
    creature->id = next_creature_id_++;
    creature->dino = std::make_unique<SimDino>();
    creature->root = std::make_unique<SimSceneComponent>();
    creature->status = std::make_unique<SimStatusComponent>();
    creature->dino->primal.actor.root_component = creature->root.get();
    creature->dino->primal.status_component = creature->status.get();
    creature->dino->sim_record = creature.get();
    creatures_.push_back(std::move(creature));
    return *creatures_.back();
}

Creature* Server::FindCreature(std::uint64_t id) {
    for (auto& creature : creatures_) {
        if (creature->id == id) {
            return creature.get();
        }
    }
    return nullptr;
}

bool Server::RemoveCreature(std::uint64_t id) {
    auto it = std::find_if(creatures_.begin(), creatures_.end(),
                           [id](const auto& creature) { return creature->id == id; });
    if (it == creatures_.end()) {
        return false;
    }
    FreeString((*it)->dino->primal.tribe_name);
    FreeString((*it)->dino->primal.descriptive_name);
    FreeString((*it)->dino->owning_player_name);
    creatures_.erase(it);
    return true;
}

void Server::Reset() {
    ClearWorld();
    UnloadAllSiblings();
    has_world = true;
    has_world_settings = true;
    world_settings = SimWorldSettings{};
    // Assigned from a string object: GCC 12 misreads the literal's copy as overlapping.
    current_dir = std::string(".");
    siblings.clear();
    points.clear();
    tokens.clear();
    groups.clear();
    grants = {{"Admins", {"*"}}};
    unresolved.clear();
    lookup_counts.clear();
    next_rcon_id_ = 1;
    TakeEffects();
}

void Server::ClearWorld() {
    for (auto& creature : creatures_) {
        FreeString(creature->dino->primal.tribe_name);
        FreeString(creature->dino->primal.descriptive_name);
        FreeString(creature->dino->owning_player_name);
    }
    for (auto& player : players_) {
        FreeString(player->character->primal.tribe_name);
        FreeString(player->character->primal.descriptive_name);
        FreeString(player->pawn_state->player_name);
        FreeString(player->controller_state->player_name);
    }
    creatures_.clear();
    players_.clear();
    next_creature_id_ = 1;
}

bool Server::IsPluginLoaded(std::string_view name) const {
    auto it = siblings.find(name);
    return it != siblings.end() && it->second.present;
}

void Server::Register(RegisteredCommand command) {
    Emit(Effect{
        "register",
        {{"kind", std::string(CommandKindName(command.kind))}, {"name", ToUtf8(command.name)}}});
    commands.push_back(std::move(command));
}

void Server::AbandonCommands() {
    static auto* abandoned = new std::vector<RegisteredCommand>();
    // Moving a callback hands over its pointers without calling into its module.
    std::move(commands.begin(), commands.end(), std::back_inserter(*abandoned));
    commands.clear();
}

bool Server::Unregister(CommandKind kind, std::u16string_view name) {
    auto it = std::find_if(commands.begin(), commands.end(), [&](const RegisteredCommand& c) {
        return c.kind == kind && c.name == name;
    });
    const bool found = it != commands.end();
    Emit(Effect{
        "unregister",
        {{"kind", std::string(CommandKindName(kind))}, {"name", ToUtf8(name)}, {"found", found}}});
    if (found) {
        commands.erase(it);
    }
    return found;
}

const RegisteredCommand* Server::FindCommand(CommandKind kind, std::u16string_view line) const {
    const std::u16string_view word = FirstWord(line);
    if (word.empty()) {
        return nullptr;
    }
    for (const auto& command : commands) {
        if (command.kind == kind && EqualIgnoringCase(command.name, word)) {
            return &command;
        }
    }
    return nullptr;
}

void Server::Emit(Effect effect) {
    effects_.push_back(std::move(effect));
}

void Server::Fault(std::string description) {
    Emit(Effect{"fault", {{"what", std::move(description)}}});
}

std::vector<Effect> Server::TakeEffects() {
    for (auto& error : allocator_.TakeErrors()) {
        Fault("host allocator: " + error);
    }
    std::vector<Effect> taken;
    taken.swap(effects_);
    return taken;
}

bool Server::RunChat(Player& player, std::u16string_view line) {
    const RegisteredCommand* command = FindCommand(CommandKind::Chat, line);
    if (command == nullptr) {
        return false;
    }
    SimFString message = MakeString(line);
    // A copy, as the command may be removed while it runs.
    const ArkApi::ChatCallback callback = command->chat;
    callback(reinterpret_cast<AShooterPlayerController*>(player.controller.get()),
             reinterpret_cast<FString*>(&message), EChatSendMode::GlobalChat);
    FreeString(message);
    return true;
}

bool Server::RunConsole(Player& player, std::u16string_view line) {
    const RegisteredCommand* command = FindCommand(CommandKind::Console, line);
    if (command == nullptr) {
        return false;
    }
    SimFString text = MakeString(line);
    const ArkApi::ConsoleCallback callback = command->console;
    callback(reinterpret_cast<APlayerController*>(player.controller.get()),
             reinterpret_cast<FString*>(&text), false);
    FreeString(text);
    return true;
}

bool Server::RunRcon(std::u16string_view line) {
    if (FindCommand(CommandKind::Rcon, line) == nullptr) {
        return false;
    }
    return RunRcon(rcon_connection, next_rcon_id_++, line);
}

bool Server::RunRcon(SimRconConnection& connection, std::int32_t id, std::u16string_view line) {
    const RegisteredCommand* command = FindCommand(CommandKind::Rcon, line);
    if (command == nullptr) {
        return false;
    }
    SimRconPacket packet;
    packet.id = id;
    packet.body = MakeString(line);
    packet.length = static_cast<std::int32_t>(line.size());
    const ArkApi::RconCallback callback = command->rcon;
    callback(reinterpret_cast<RCONClientConnection*>(&connection),
             reinterpret_cast<RCONPacket*>(&packet), reinterpret_cast<UWorld*>(&world));
    FreeString(packet.body);
    return true;
}

Server& TheServer() {
    static Server server;
    return server;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            cp = byte;
        } else if ((byte >> 5) == 0x6) {
            length = 2;
            cp = byte & 0x1F;
        } else if ((byte >> 4) == 0xE) {
            length = 3;
            cp = byte & 0x0F;
        } else if ((byte >> 3) == 0x1E) {
            length = 4;
            cp = byte & 0x07;
        } else {
            length = 0;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next >> 6) == 0x2;
            cp = (cp << 6) | (next & 0x3F);
        }
        const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\xFFFD');
            i += 1;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return out;
}

std::string ToUtf8(std::u16string_view text) {
    return beastfinder::host::EncodeUtf8(text);
}

}  // namespace sim
