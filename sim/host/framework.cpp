// The framework's operations and the game's lookup texts, answered by the simulated server.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <fmt/format.h>

#include "host/framework.h"
#include "host/host_clock.h"
#include "sim/host/server.h"

namespace sim {
namespace {

Server& S() {
    return TheServer();
}

std::string Describe(const SimVector3& v) {
    return fmt::format("({}, {}, {})", v.x, v.y, v.z);
}

// Checks that a game function got the object kind it belongs to; records a fault if not.
constexpr std::uint32_t Bit(Kind kind) {
    return 1U << (static_cast<std::uint32_t>(kind) - static_cast<std::uint32_t>(Kind::Controller));
}

bool Expect(const void* object, std::uint32_t kinds, std::string_view what) {
    if (object == nullptr) {
        S().Fault(fmt::format("{} called on a null object", what));
        return false;
    }
    const Kind kind = KindOf(object);
    const auto index =
        static_cast<std::uint32_t>(kind) - static_cast<std::uint32_t>(Kind::Controller);
    if (index < 32 && (kinds & (1U << index)) != 0) {
        return true;
    }
    S().Fault(fmt::format("{} called on a {}", what, KindName(kind)));
    return false;
}

std::string PlayerName(const void* controller) {
    Player* player = S().PlayerByController(controller);
    return player != nullptr ? player->name : std::string("?");
}

std::string TakeText(const SimFString* text) {
    return text == nullptr ? std::string() : ToUtf8(Server::View(*text));
}

Effect::Value ColorValue(const SimColor* c) {
    if (c == nullptr) {
        return nullptr;
    }
    return fmt::format("{}, {}, {}, {}", c->r, c->g, c->b, c->a);
}

// --- FMemory ---------------------------------------------------------------------------

void* Malloc(std::uint64_t bytes, std::uint32_t /*alignment*/) {
    return S().Allocator().Malloc(bytes);
}
void* Realloc(void* block, std::uint64_t bytes) {
    return S().Allocator().Realloc(block, bytes);
}
void Free(void* block) {
    S().Allocator().Free(block);
}

// --- Game functions --------------------------------------------------------------------

SimPlayerCharacter* GetPlayerCharacter(SimController* controller) {
    if (!Expect(controller, Bit(Kind::Controller), "GetPlayerCharacter")) {
        return nullptr;
    }
    return controller->character;
}

// What the framework's GetSteamIdFromController calls; 0 for a controller without a player.
unsigned long long GetUniqueNetIdAsUINT64(const void* controller) {
    Player* player = S().PlayerByController(controller);
    return player != nullptr ? player->steam_id : 0;
}

SimStatusComponent* GetCharacterStatusComponent(SimPrimalCharacter* character) {
    if (!Expect(character, Bit(Kind::Dino) | Bit(Kind::PlayerCharacter),
                "GetCharacterStatusComponent")) {
        return nullptr;
    }
    return character->status_component;
}

std::int32_t GetCharacterLevel(SimStatusComponent* status) {
    if (!Expect(status, Bit(Kind::StatusComponent), "GetCharacterLevel")) {
        return 0;
    }
    return status->level;
}

SimClass* GetPrivateStaticClass() {
    return &S().dino_class;
}

void GetAllActorsOfClass(SimWorld* world, SimClass* actor_class, SimArray* out) {
    if (!Expect(world, Bit(Kind::World), "GetAllActorsOfClass") ||
        !Expect(actor_class, Bit(Kind::DinoClass), "GetAllActorsOfClass (class)") ||
        out == nullptr) {
        return;
    }
    const auto& creatures = S().Creatures();
    const auto count = static_cast<std::int32_t>(creatures.size());
    if (count == 0) {
        out->count = 0;
        return;
    }
    if (out->capacity < count) {
        out->data = S().Allocator().Realloc(out->data, static_cast<std::uint64_t>(count) * 8);
        out->capacity = count;
    }
    auto** slots = static_cast<void**>(out->data);
    for (std::int32_t i = 0; i < count; ++i) {
        slots[i] = creatures[static_cast<std::size_t>(i)]->dino.get();
    }
    out->count = count;
}

SimWorldSettings* GetWorldSettings(SimWorld* world, bool check_stream, bool check_default) {
    if (!Expect(world, Bit(Kind::World), "GetWorldSettings")) {
        return nullptr;
    }
    if (check_stream || !check_default) {
        S().Fault("GetWorldSettings expects the arguments false, true");
    }
    return S().has_world_settings ? &S().world_settings : nullptr;
}

SimVector3* GetWorldLocation(SimSceneComponent* component, SimVector3* out) {
    if (!Expect(component, Bit(Kind::SceneComponent), "GetWorldLocation") || out == nullptr) {
        return out;
    }
    *out = component->world_location;
    return out;
}

SimFString* GetCurrentDinoName(SimDino* dino, SimFString* out, SimController* asking) {
    if (!Expect(dino, Bit(Kind::Dino), "GetCurrentDinoName") || out == nullptr) {
        return out;
    }
    if (out->data != nullptr) {
        S().Fault("GetCurrentDinoName was given storage that is not empty");
    }
    if (asking != nullptr) {
        Expect(asking, Bit(Kind::Controller), "GetCurrentDinoName (asking player)");
    }
    *out = S().MakeString(static_cast<const Creature*>(dino->sim_record)->name);
    return out;
}

SimColor* GetDinoColor(SimDino* dino, SimColor* out, std::int32_t region) {
    if (!Expect(dino, Bit(Kind::Dino), "GetDinoColor") || out == nullptr) {
        return out;
    }
    if (region < 0 || region > 5) {
        S().Fault(fmt::format("GetDinoColor asked for region {}", region));
        *out = SimColor{};
        return out;
    }
    *out = dino->colors[region];
    return out;
}

void ClientServerChatDirectMessage(SimController* controller, SimFString* text, SimColor* color,
                                   bool is_bold) {
    if (!Expect(controller, Bit(Kind::Controller), "ClientServerChatDirectMessage")) {
        return;
    }
    S().Emit(Effect{"server-chat",
                    {{"player", PlayerName(controller)},
                     {"color", ColorValue(color)},
                     {"bold", is_bold},
                     {"text", TakeText(text)}}});
}

void ClientServerNotificationSingle(SimController* controller, SimFString* text, SimColor* color,
                                    float scale, float time, void* icon, void* sound,
                                    std::int32_t kind) {
    if (!Expect(controller, Bit(Kind::Controller), "ClientServerNotificationSingle")) {
        return;
    }
    S().Emit(Effect{"notify",
                    {{"player", PlayerName(controller)},
                     {"kind", static_cast<std::int64_t>(kind)},
                     {"color", ColorValue(color)},
                     {"scale", static_cast<double>(scale)},
                     {"time", static_cast<double>(time)},
                     {"icon", icon == nullptr ? Effect::Value(nullptr) : Effect::Value("set")},
                     {"sound", sound == nullptr ? Effect::Value(nullptr) : Effect::Value("set")},
                     {"text", TakeText(text)}}});
}

void ClientChatMessage(SimController* controller, SimChatRecord* record) {
    if (!Expect(controller, Bit(Kind::Controller), "ClientChatMessage") || record == nullptr) {
        return;
    }
    S().Emit(Effect{"chat",
                    {{"player", PlayerName(controller)},
                     {"sender", TakeText(&record->sender_name)},
                     {"sender_steam_name", TakeText(&record->sender_steam_name)},
                     {"sender_tribe_name", TakeText(&record->sender_tribe_name)},
                     {"sender_id", static_cast<std::int64_t>(record->sender_id)},
                     {"receiver", TakeText(&record->receiver)},
                     {"sender_team_index", static_cast<std::int64_t>(record->sender_team_index)},
                     {"received_time", record->received_time},
                     {"send_mode", static_cast<std::int64_t>(record->send_mode)},
                     {"radio_frequency", static_cast<std::int64_t>(record->radio_frequency)},
                     {"chat_type", static_cast<std::int64_t>(record->chat_type)},
                     {"sender_icon", record->sender_icon == nullptr ? Effect::Value(nullptr)
                                                                    : Effect::Value("set")},
                     {"user_id", TakeText(&record->user_id)},
                     {"text", TakeText(&record->message)}}});
    // The record was handed over: its strings are the host's to release.
    for (SimFString* text :
         {&record->sender_name, &record->sender_steam_name, &record->sender_tribe_name,
          &record->message, &record->receiver, &record->user_id}) {
        S().FreeString(*text);
    }
}

void ClientAddFloatingText(SimController* controller, SimVector3* location, SimFString* text,
                           std::uint32_t color, float scale_x, float scale_y, float life_span,
                           SimVector3* velocity, float a, float b, float c) {
    if (!Expect(controller, Bit(Kind::Controller), "ClientAddFloatingText")) {
        return;
    }
    const unsigned blue = color & 0xFF, green = (color >> 8) & 0xFF, red = (color >> 16) & 0xFF,
                   alpha = color >> 24;
    S().Emit(Effect{"floating-text",
                    {{"player", PlayerName(controller)},
                     {"at", location != nullptr ? Describe(*location) : std::string("null")},
                     {"color", fmt::format("{}, {}, {}, {}", red, green, blue, alpha)},
                     {"scale", fmt::format("{}, {}", scale_x, scale_y)},
                     {"life", static_cast<double>(life_span)},
                     {"velocity", velocity != nullptr ? Describe(*velocity) : std::string("null")},
                     {"extra", fmt::format("{}, {}, {}", a, b, c)},
                     {"text", TakeText(text)}}});
}

void MulticastDrawDebugLine(SimController* controller, SimVector3* start, SimVector3* end,
                            SimColor* color, float duration, float thickness, std::uint8_t flag) {
    if (!Expect(controller, Bit(Kind::Controller), "MulticastDrawDebugLine")) {
        return;
    }
    S().Emit(Effect{"debug-line",
                    {{"player", PlayerName(controller)},
                     {"start", start != nullptr ? Describe(*start) : std::string("null")},
                     {"end", end != nullptr ? Describe(*end) : std::string("null")},
                     {"color", ColorValue(color)},
                     {"duration", static_cast<double>(duration)},
                     {"thickness", static_cast<double>(thickness)},
                     {"flag", static_cast<std::int64_t>(flag)}}});
}

void RconSendMessage(SimRconConnection* connection, std::int32_t id, std::int32_t type,
                     SimFString* text) {
    if (!Expect(connection, Bit(Kind::RconConnection), "RCONClientConnection.SendMessageW")) {
        return;
    }
    S().Emit(Effect{"rcon-reply",
                    {{"id", static_cast<std::int64_t>(id)},
                     {"type", static_cast<std::int64_t>(type)},
                     {"text", TakeText(text)}}});
    if (connection->deliver != nullptr) {
        connection->deliver(connection->client, id, type,
                            text == nullptr ? std::u16string() : Server::View(*text));
    }
}

const std::unordered_map<std::string_view, void*>& Functions() {
    static const std::unordered_map<std::string_view, void*> table = {
        {"FMemory.Malloc", reinterpret_cast<void*>(&Malloc)},
        {"FMemory.Realloc", reinterpret_cast<void*>(&Realloc)},
        {"FMemory.Free", reinterpret_cast<void*>(&Free)},
        {"AShooterPlayerController.GetPlayerCharacter",
         reinterpret_cast<void*>(&GetPlayerCharacter)},
        {"AShooterPlayerController.GetUniqueNetIdAsUINT64",
         reinterpret_cast<void*>(&GetUniqueNetIdAsUINT64)},
        {"APrimalCharacter.GetCharacterStatusComponent",
         reinterpret_cast<void*>(&GetCharacterStatusComponent)},
        {"UPrimalCharacterStatusComponent.GetCharacterLevel",
         reinterpret_cast<void*>(&GetCharacterLevel)},
        {"APrimalDinoCharacter.GetPrivateStaticClass",
         reinterpret_cast<void*>(&GetPrivateStaticClass)},
        {"UGameplayStatics.GetAllActorsOfClass", reinterpret_cast<void*>(&GetAllActorsOfClass)},
        {"UWorld.GetWorldSettings", reinterpret_cast<void*>(&GetWorldSettings)},
        {"USceneComponent.GetWorldLocation", reinterpret_cast<void*>(&GetWorldLocation)},
        {"APrimalDinoCharacter.GetCurrentDinoName", reinterpret_cast<void*>(&GetCurrentDinoName)},
        {"APrimalDinoCharacter.GetDinoColor", reinterpret_cast<void*>(&GetDinoColor)},
        {"AShooterPlayerController.ClientServerChatDirectMessage",
         reinterpret_cast<void*>(&ClientServerChatDirectMessage)},
        {"AShooterPlayerController.ClientServerNotificationSingle",
         reinterpret_cast<void*>(&ClientServerNotificationSingle)},
        {"AShooterPlayerController.ClientChatMessage", reinterpret_cast<void*>(&ClientChatMessage)},
        {"AShooterPlayerController.ClientAddFloatingText",
         reinterpret_cast<void*>(&ClientAddFloatingText)},
        {"AActor.MulticastDrawDebugLine", reinterpret_cast<void*>(&MulticastDrawDebugLine)},
        {"RCONClientConnection.SendMessageW", reinterpret_cast<void*>(&RconSendMessage)},
    };
    return table;
}

struct Field {
    std::size_t offset;
    std::uint32_t kinds;
};

const std::unordered_map<std::string_view, Field>& Fields() {
    static const std::unordered_map<std::string_view, Field> table = {
        {"AActor.RootComponent",
         {offsetof(SimActor, root_component), Bit(Kind::PlayerCharacter) | Bit(Kind::Dino)}},
        {"USceneComponent.RelativeLocation",
         {offsetof(SimSceneComponent, relative_location), Bit(Kind::SceneComponent)}},
        {"AActor.TargetingTeam",
         {offsetof(SimActor, targeting_team), Bit(Kind::PlayerCharacter) | Bit(Kind::Dino)}},
        {"APawn.PlayerState",
         {offsetof(SimPlayerCharacter, player_state), Bit(Kind::PlayerCharacter)}},
        {"AController.PlayerState", {offsetof(SimController, player_state), Bit(Kind::Controller)}},
        {"AShooterCharacter.bIsServerAdmin",
         {offsetof(SimPlayerCharacter, is_server_admin), Bit(Kind::PlayerCharacter)}},
        {"APrimalCharacter.MyCharacterStatusComponent",
         {offsetof(SimPrimalCharacter, status_component),
          Bit(Kind::PlayerCharacter) | Bit(Kind::Dino)}},
        {"APrimalCharacter.TribeName",
         {offsetof(SimPrimalCharacter, tribe_name), Bit(Kind::PlayerCharacter) | Bit(Kind::Dino)}},
        {"APrimalCharacter.DescriptiveName",
         {offsetof(SimPrimalCharacter, descriptive_name),
          Bit(Kind::PlayerCharacter) | Bit(Kind::Dino)}},
        {"APrimalDinoCharacter.OwningPlayerName",
         {offsetof(SimDino, owning_player_name), Bit(Kind::Dino)}},
        {"APrimalWorldSettings.bOverrideLongitudeAndLatitude",
         {offsetof(SimWorldSettings, override_longitude_and_latitude), Bit(Kind::WorldSettings)}},
        {"APrimalWorldSettings.LongitudeOrigin",
         {offsetof(SimWorldSettings, longitude_origin), Bit(Kind::WorldSettings)}},
        {"APrimalWorldSettings.LatitudeOrigin",
         {offsetof(SimWorldSettings, latitude_origin), Bit(Kind::WorldSettings)}},
        {"APrimalWorldSettings.LongitudeScale",
         {offsetof(SimWorldSettings, longitude_scale), Bit(Kind::WorldSettings)}},
        {"APrimalWorldSettings.LatitudeScale",
         {offsetof(SimWorldSettings, latitude_scale), Bit(Kind::WorldSettings)}},
        {"APlayerState.PlayerName",
         {offsetof(SimPlayerState, player_name), Bit(Kind::PlayerState)}},
    };
    return table;
}

void CountLookup(const std::string& name) {
    auto& counts = S().lookup_counts;
    auto it = counts.find(name);
    if (it == counts.end()) {
        counts.emplace(name, 1);
    } else {
        ++it->second;
    }
}

class ApiUtils final : public ArkApi::IApiUtils {
  public:
    UWorld* GetWorld() const override {
        return S().has_world ? reinterpret_cast<UWorld*>(&S().world) : nullptr;
    }
    // No game mode or cheat manager is simulated; the server is always up.
    AShooterGameMode* GetShooterGameMode() const override { return nullptr; }
    ArkApi::ServerStatus GetStatus() const override { return ArkApi::ServerStatus::Ready; }
    UShooterCheatManager* GetCheatManager() const override { return nullptr; }

  private:
    AShooterPlayerController* FindPlayerFromSteamId_Internal(
        unsigned long long steam_id) const override {
        for (const auto& player : S().Players()) {
            if (player->steam_id == steam_id) {
                return reinterpret_cast<AShooterPlayerController*>(player->controller.get());
            }
        }
        return nullptr;
    }
};

std::u16string NameOf(const FString& command) {
    return Server::View(reinterpret_cast<const SimFString&>(command));
}

// Callbacks the simulated server never raises (ticks, timers, chat messages) are kept and
// removed by id all the same, as the framework does.
class CallbackList {
  public:
    template <typename Fn>
    void Add(const FString& id, const Fn& callback) {
        entries_.push_back({NameOf(id), std::make_shared<Fn>(callback)});
    }
    bool Remove(const FString& id) {
        const std::u16string name = NameOf(id);
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& entry) { return entry.id == name; });
        if (found == entries_.end()) {
            return false;
        }
        entries_.erase(found);
        return true;
    }

  private:
    struct Entry {
        std::u16string id;
        std::shared_ptr<const void> callback;
    };
    std::vector<Entry> entries_;
};

class Commands final : public ArkApi::ICommands {
  public:
    void AddChatCommand(const FString& command, const ArkApi::ChatCallback& callback) override {
        S().Register(RegisteredCommand{CommandKind::Chat, NameOf(command), callback, {}, {}});
    }
    void AddConsoleCommand(const FString& command,
                           const ArkApi::ConsoleCallback& callback) override {
        S().Register(RegisteredCommand{CommandKind::Console, NameOf(command), {}, callback, {}});
    }
    void AddRconCommand(const FString& command, const ArkApi::RconCallback& callback) override {
        S().Register(RegisteredCommand{CommandKind::Rcon, NameOf(command), {}, {}, callback});
    }
    void AddOnTickCallback(const FString& id, const ArkApi::TickCallback& callback) override {
        ticks_.Add(id, callback);
    }
    void AddOnTimerCallback(const FString& id, const ArkApi::TimerCallback& callback) override {
        timers_.Add(id, callback);
    }
    void AddOnChatMessageCallback(const FString& id,
                                  const ArkApi::ChatMessageCallback& callback) override {
        chat_messages_.Add(id, callback);
    }
    bool RemoveChatCommand(const FString& command) override {
        return S().Unregister(CommandKind::Chat, NameOf(command));
    }
    bool RemoveConsoleCommand(const FString& command) override {
        return S().Unregister(CommandKind::Console, NameOf(command));
    }
    bool RemoveRconCommand(const FString& command) override {
        return S().Unregister(CommandKind::Rcon, NameOf(command));
    }
    bool RemoveOnTickCallback(const FString& id) override { return ticks_.Remove(id); }
    bool RemoveOnTimerCallback(const FString& id) override { return timers_.Remove(id); }
    bool RemoveOnChatMessageCallback(const FString& id) override {
        return chat_messages_.Remove(id);
    }

  private:
    CallbackList ticks_;
    CallbackList timers_;
    CallbackList chat_messages_;
};

// What the framework answers for a function it does not know: the game module's base
// address, here the host library's own. Calling it runs into the module's header.
void* GameModuleBase() {
#if defined(_WIN32)
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&GameModuleBase), &self);
    return reinterpret_cast<void*>(self);
#else
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&GameModuleBase), &info);
    return info.dli_fbase;
#endif
}

}  // namespace
}  // namespace sim

using sim::S;

namespace sim {
namespace {
bool g_host_gone = false;

void CheckHostAlive(const std::string& name) {
    if (g_host_gone) {
        std::fprintf(stderr, "fault: the plugin looked up %s after the host was torn down\n",
                     name.c_str());
        std::fflush(stderr);
        std::_Exit(70);
    }
}
}  // namespace

void DeclareHostGone() {
    g_host_gone = true;
}
}  // namespace sim

// Unknown texts are answered as the real framework answers them, never with null.
BF_FRAMEWORK_API void* GetAddress(const std::string& name) {
    sim::CheckHostAlive(name);
    sim::CountLookup(name);
    const auto& functions = sim::Functions();
    auto it = functions.find(name);
    if (it == functions.end() || S().unresolved.count(name) != 0) {
        static void* const module_base = sim::GameModuleBase();
        return module_base;
    }
    return it->second;
}

BF_FRAMEWORK_API unsigned long long GetAddress(const void* base, const std::string& name) {
    sim::CheckHostAlive(name);
    sim::CountLookup(name);
    const auto& fields = sim::Fields();
    auto it = fields.find(name);
    if (it == fields.end() || S().unresolved.count(name) != 0) {
        return reinterpret_cast<std::uint64_t>(base);
    }
    if (base == nullptr) {
        S().Fault(fmt::format("field {} asked of a null object", name));
        return 0;
    }
    if (!sim::Expect(base, it->second.kinds, "field " + name)) {
        return 0;
    }
    return reinterpret_cast<std::uint64_t>(base) + it->second.offset;
}

BF_FRAMEWORK_API std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks() {
    return S().LogSinks();
}

namespace ArkApi {

// As the framework's own: the game function is looked up by its text and called without a
// check. The answer for a text the game no longer has cannot be called; that call is
// reported as the crash it would be.
unsigned long long IApiUtils::GetSteamIdFromController(AController* controller) {
    static const std::string text = "AShooterPlayerController.GetUniqueNetIdAsUINT64";
    void* function = ::GetAddress(text);
    if (function == sim::GameModuleBase()) {
        S().Fault("GetSteamIdFromController called " + text + " at the game module's base");
        return 0;
    }
    return reinterpret_cast<unsigned long long (*)(const void*)>(function)(controller);
}

BF_FRAMEWORK_API IApiUtils& GetApiUtils() {
    static sim::ApiUtils utils;
    return utils;
}

BF_FRAMEWORK_API ICommands& GetCommands() {
    static sim::Commands commands;
    return commands;
}

namespace Tools {

BF_FRAMEWORK_API std::string GetCurrentDir() {
    return S().current_dir;
}

BF_FRAMEWORK_API bool IsPluginLoaded(const std::string& plugin_name) {
    return S().IsPluginLoaded(plugin_name);
}

BF_FRAMEWORK_API std::wstring Utf8Decode(const std::string& str) {
    const std::u16string units = sim::FromUtf8(str);
    return std::wstring(units.begin(), units.end());
}

}  // namespace Tools
}  // namespace ArkApi

// The plugin's clock under this host, so scripts can let time pass.
std::int64_t BeastfinderHostClockTicks() {
    return S().clock_ticks;
}
