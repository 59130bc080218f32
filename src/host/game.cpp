#include "host/game.h"

#include <bitset>
#include <cstring>
#include <new>
#include <type_traits>

#include <fmt/format.h>

#include "host/log.h"

namespace beastfinder::host {

namespace {

// The framework takes its texts as std::string; build each once. Destroyed with the module:
// an unloaded plugin must not leave them behind.
const std::string& LookupString(Lookup lookup) {
    static const auto strings = [] {
        std::array<std::string, kLookupCount> built;
        for (std::size_t i = 0; i < kLookupCount; ++i) {
            built[i] = std::string(kLookups[i].text);
        }
        return built;
    }();
    return strings[static_cast<std::size_t>(lookup)];
}

int g_scope_depth = 0;
std::bitset<kLookupCount> g_reported;

[[noreturn]] void Unresolved(Lookup lookup) {
    const auto index = static_cast<std::size_t>(lookup);
    HostLookupError error(kLookups[index].text);
    if (!g_reported.test(index)) {
        g_reported.set(index);
        Log().error(error.what());
    }
    throw error;
}

// The framework answers a text it does not know with the game module's base address; a
// text no game can have shows what that answer is.
void* UnknownFunction() {
    if (detail::g_memo.has_unknown_function) {
        return detail::g_memo.unknown_function;
    }
    static const std::string probe = "Beastfinder.<no such function>";
    void* unknown = ::GetAddress(probe);
    if (g_scope_depth > 0) {
        detail::g_memo.unknown_function = unknown;
        detail::g_memo.has_unknown_function = true;
    }
    return unknown;
}

template <typename Fn>
Fn Function(Lookup lookup) {
    return reinterpret_cast<Fn>(ResolveFunction(lookup));
}

}  // namespace

detail::LookupMemo detail::g_memo;

HostLookupError::HostLookupError(std::string_view text)
    : std::runtime_error(fmt::format("Host lookup '{}' did not resolve", text)) {}

LookupScope::LookupScope() noexcept {
    ++g_scope_depth;
}

LookupScope::~LookupScope() {
    if (--g_scope_depth == 0) {
        detail::g_memo = detail::LookupMemo{};
    }
}

void* detail::ResolveFunctionAsking(Lookup lookup) {
    const auto index = static_cast<std::size_t>(lookup);
    void* address = ::GetAddress(LookupString(lookup));
    if (address == nullptr || address == UnknownFunction()) {
        Unresolved(lookup);
    }
    if (g_scope_depth > 0) {
        detail::g_memo.function[index] = address;
    }
    return address;
}

void* detail::ResolveFieldAsking(const void* object, Lookup lookup) {
    const auto index = static_cast<std::size_t>(lookup);
    if (object == nullptr) {
        throw std::invalid_argument(
            fmt::format("field '{}' read from a null object", kLookups[index].text));
    }
    const auto base = reinterpret_cast<std::uintptr_t>(object);
    const std::uint64_t address = ::GetAddress(object, LookupString(lookup));
    // An unknown field is answered with the object itself; no field the plugin reads can
    // lie at offset 0, where every game object keeps its virtual table.
    if (address == 0 || address == base) {
        Unresolved(lookup);
    }
    if (g_scope_depth > 0) {
        detail::g_memo.offset[index] = static_cast<std::intptr_t>(address - base);
        detail::g_memo.has_offset[index] = true;
    }
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}

UWorld* CurrentWorld() {
    return ArkApi::GetApiUtils().GetWorld();
}

std::uint64_t SteamId(AController* controller) {
    // The framework's call looks this function up itself, unguarded: after a game update
    // it would call the answer for an unknown text, the game module's base. Asked first
    // here, such an answer ends the command before anything is charged.
    ResolveFunction(Lookup::GetUniqueNetIdAsUINT64);
    return ArkApi::IApiUtils::GetSteamIdFromController(controller);
}

AShooterCharacter* GetPlayerCharacter(AShooterPlayerController* controller) {
    return Function<AShooterCharacter* (*)(AShooterPlayerController*)>(Lookup::GetPlayerCharacter)(
        controller);
}

UClass* DinoPrivateStaticClass() {
    return Function<UClass* (*)()>(Lookup::DinoPrivateStaticClass)();
}

void GetAllActorsOfClass(UWorld* world, UClass* actor_class, HostArray<AActor*>& out) {
    Function<void (*)(UWorld*, UClass*, HostArray<AActor*>*)>(Lookup::GetAllActorsOfClass)(
        world, actor_class, &out);
}

APrimalWorldSettings* GetWorldSettings(UWorld* world) {
    return Function<APrimalWorldSettings* (*)(UWorld*, bool, bool)>(Lookup::GetWorldSettings)(
        world, false, true);
}

Vector3 GetWorldLocation(USceneComponent* component) {
    Vector3 location;
    Function<Vector3* (*)(USceneComponent*, Vector3*)>(Lookup::GetWorldLocation)(component,
                                                                                 &location);
    return location;
}

FString GetCurrentDinoName(APrimalDinoCharacter* dino, AShooterPlayerController* asking) {
    FString name;
    Function<FString* (*)(APrimalDinoCharacter*, FString*, AShooterPlayerController*)>(
        Lookup::GetCurrentDinoName)(dino, &name, asking);
    return name;
}

ColorRGBA GetDinoColor(APrimalDinoCharacter* dino, std::int32_t region) {
    ColorRGBA color;
    Function<ColorRGBA* (*)(APrimalDinoCharacter*, ColorRGBA*, std::int32_t)>(Lookup::GetDinoColor)(
        dino, &color, region);
    return color;
}

void ClientServerChatDirectMessage(AShooterPlayerController* controller, const FString& text,
                                   ColorRGBA color) {
    Function<void (*)(AShooterPlayerController*, const FString*, ColorRGBA*, bool)>(
        Lookup::ClientServerChatDirectMessage)(controller, &text, &color, false);
}

void ClientServerNotificationSingle(AShooterPlayerController* controller, const FString& text,
                                    ColorRGBA color, float scale, float time, std::int32_t kind) {
    Function<void (*)(AShooterPlayerController*, const FString*, ColorRGBA*, float, float, void*,
                      void*, std::int32_t)>(Lookup::ClientServerNotificationSingle)(
        controller, &text, &color, scale, time, nullptr, nullptr, kind);
}

void ClientChatMessage(AShooterPlayerController* controller, const ChatMessageRecord& record) {
    auto fn = Function<void (*)(AShooterPlayerController*, ChatMessageRecord*)>(
        Lookup::ClientChatMessage);
    // The host takes this copy over and releases its strings; it is never destroyed here.
    alignas(ChatMessageRecord) unsigned char storage[sizeof(ChatMessageRecord)];
    auto* handed_over = ::new (static_cast<void*>(storage)) ChatMessageRecord(record);
    fn(controller, handed_over);
}

void ClientAddFloatingText(AShooterPlayerController* controller, Vector3 location,
                           const FString& text, ColorBGRA8 color, float scale_x, float scale_y,
                           float life_span, Vector3 velocity) {
    Function<void (*)(AShooterPlayerController*, Vector3*, const FString*, std::uint32_t, float,
                      float, float, Vector3*, float, float, float)>(Lookup::ClientAddFloatingText)(
        controller, &location, &text, PackColor(color), scale_x, scale_y, life_span, &velocity,
        0.0F, 0.0F, 0.0F);
}

void MulticastDrawDebugLine(AShooterPlayerController* controller, Vector3 start, Vector3 end,
                            ColorRGBA color, float duration, float thickness) {
    Function<void (*)(AShooterPlayerController*, Vector3*, Vector3*, ColorRGBA*, float, float,
                      std::uint8_t)>(Lookup::MulticastDrawDebugLine)(
        controller, &start, &end, &color, duration, thickness, 1);
}

void RconSendMessage(RCONClientConnection* connection, std::int32_t request_id,
                     const FString& text) {
    Function<void (*)(RCONClientConnection*, std::int32_t, std::int32_t, const FString*)>(
        Lookup::RconSendMessage)(connection, request_id, 0, &text);
}

void* PawnPlayerState(APawn* pawn) {
    return ReadField<void*>(pawn, Lookup::PawnPlayerState);
}

void* ControllerPlayerState(AController* controller) {
    return ReadField<void*>(controller, Lookup::ControllerPlayerState);
}

bool IsServerAdmin(AShooterCharacter* character) {
    return ReadField<std::uint8_t>(character, Lookup::IsServerAdmin) != 0;
}

bool OverrideLongitudeAndLatitude(APrimalWorldSettings* settings) {
    return ReadField<std::uint8_t>(settings, Lookup::OverrideLongitudeAndLatitude) != 0;
}

float LongitudeOrigin(APrimalWorldSettings* settings) {
    return ReadField<float>(settings, Lookup::LongitudeOrigin);
}

float LatitudeOrigin(APrimalWorldSettings* settings) {
    return ReadField<float>(settings, Lookup::LatitudeOrigin);
}

float LongitudeScale(APrimalWorldSettings* settings) {
    return ReadField<float>(settings, Lookup::LongitudeScale);
}

float LatitudeScale(APrimalWorldSettings* settings) {
    return ReadField<float>(settings, Lookup::LatitudeScale);
}

}  // namespace beastfinder::host
