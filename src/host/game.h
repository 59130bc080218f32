// Typed access to the game's functions and fields, one accessor per lookup text.
// Nothing outside this folder spells a lookup text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "host/framework.h"
#include "host/fstring.h"
#include "host/host_array.h"
#include "host/values.h"

// Opaque game objects. The plugin never looks inside them; the empty bases only let a
// creature pointer be passed where its base class is expected.
struct AController {};
struct APlayerController : AController {};
struct AShooterPlayerController : APlayerController {};
struct AActor {};
struct APawn : AActor {};
struct APrimalCharacter : APawn {};
struct AShooterCharacter : APrimalCharacter {};
struct APrimalDinoCharacter : APrimalCharacter {};
struct USceneComponent {};
struct UPrimalCharacterStatusComponent {};
struct UClass {};
struct APrimalWorldSettings {};
struct UWorld {};
struct RCONClientConnection {};

// The plugin reads the request id and the body.
static_assert(offsetof(RCONPacket, Id) == 4 && offsetof(RCONPacket, Body) == 16);

namespace beastfinder::host {

enum class Lookup : std::uint8_t {
    MemoryMalloc,
    MemoryRealloc,
    MemoryFree,
    GetPlayerCharacter,
    GetCharacterStatusComponent,
    GetCharacterLevel,
    DinoPrivateStaticClass,
    GetAllActorsOfClass,
    GetWorldSettings,
    GetWorldLocation,
    GetCurrentDinoName,
    GetDinoColor,
    ClientServerChatDirectMessage,
    ClientServerNotificationSingle,
    ClientChatMessage,
    ClientAddFloatingText,
    MulticastDrawDebugLine,
    RconSendMessage,
    RootComponent,
    RelativeLocation,
    TargetingTeam,
    PawnPlayerState,
    ControllerPlayerState,
    IsServerAdmin,
    MyCharacterStatusComponent,
    TribeName,
    OwningPlayerName,
    DescriptiveName,
    OverrideLongitudeAndLatitude,
    LongitudeOrigin,
    LatitudeOrigin,
    LongitudeScale,
    LatitudeScale,
    PlayerName,
    GetUniqueNetIdAsUINT64,
    Count
};

inline constexpr std::size_t kLookupCount = static_cast<std::size_t>(Lookup::Count);

// Each lookup with the text the framework knows it by, in the order of the ids: the check
// below fails the build if a row is missing, added twice or out of place.
struct LookupDefinition {
    Lookup id;
    std::string_view text;
};

inline constexpr std::array<LookupDefinition, kLookupCount> kLookups = {{
    {Lookup::MemoryMalloc, "FMemory.Malloc"},
    {Lookup::MemoryRealloc, "FMemory.Realloc"},
    {Lookup::MemoryFree, "FMemory.Free"},
    {Lookup::GetPlayerCharacter, "AShooterPlayerController.GetPlayerCharacter"},
    {Lookup::GetCharacterStatusComponent, "APrimalCharacter.GetCharacterStatusComponent"},
    {Lookup::GetCharacterLevel, "UPrimalCharacterStatusComponent.GetCharacterLevel"},
    {Lookup::DinoPrivateStaticClass, "APrimalDinoCharacter.GetPrivateStaticClass"},
    {Lookup::GetAllActorsOfClass, "UGameplayStatics.GetAllActorsOfClass"},
    {Lookup::GetWorldSettings, "UWorld.GetWorldSettings"},
    {Lookup::GetWorldLocation, "USceneComponent.GetWorldLocation"},
    {Lookup::GetCurrentDinoName, "APrimalDinoCharacter.GetCurrentDinoName"},
    {Lookup::GetDinoColor, "APrimalDinoCharacter.GetDinoColor"},
    {Lookup::ClientServerChatDirectMessage,
     "AShooterPlayerController.ClientServerChatDirectMessage"},
    {Lookup::ClientServerNotificationSingle,
     "AShooterPlayerController.ClientServerNotificationSingle"},
    {Lookup::ClientChatMessage, "AShooterPlayerController.ClientChatMessage"},
    {Lookup::ClientAddFloatingText, "AShooterPlayerController.ClientAddFloatingText"},
    {Lookup::MulticastDrawDebugLine, "AActor.MulticastDrawDebugLine"},
    {Lookup::RconSendMessage, "RCONClientConnection.SendMessageW"},
    {Lookup::RootComponent, "AActor.RootComponent"},
    {Lookup::RelativeLocation, "USceneComponent.RelativeLocation"},
    {Lookup::TargetingTeam, "AActor.TargetingTeam"},
    {Lookup::PawnPlayerState, "APawn.PlayerState"},
    {Lookup::ControllerPlayerState, "AController.PlayerState"},
    {Lookup::IsServerAdmin, "AShooterCharacter.bIsServerAdmin"},
    {Lookup::MyCharacterStatusComponent, "APrimalCharacter.MyCharacterStatusComponent"},
    {Lookup::TribeName, "APrimalCharacter.TribeName"},
    {Lookup::OwningPlayerName, "APrimalDinoCharacter.OwningPlayerName"},
    {Lookup::DescriptiveName, "APrimalCharacter.DescriptiveName"},
    {Lookup::OverrideLongitudeAndLatitude, "APrimalWorldSettings.bOverrideLongitudeAndLatitude"},
    {Lookup::LongitudeOrigin, "APrimalWorldSettings.LongitudeOrigin"},
    {Lookup::LatitudeOrigin, "APrimalWorldSettings.LatitudeOrigin"},
    {Lookup::LongitudeScale, "APrimalWorldSettings.LongitudeScale"},
    {Lookup::LatitudeScale, "APrimalWorldSettings.LatitudeScale"},
    {Lookup::PlayerName, "APlayerState.PlayerName"},
    {Lookup::GetUniqueNetIdAsUINT64, "AShooterPlayerController.GetUniqueNetIdAsUINT64"},
}};

constexpr bool LookupsFollowTheirIds() {
    for (std::size_t index = 0; index < kLookupCount; ++index) {
        if (static_cast<std::size_t>(kLookups[index].id) != index || kLookups[index].text.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(LookupsFollowTheirIds(), "kLookups must hold one row per Lookup, in id order");

constexpr std::string_view LookupText(Lookup lookup) {
    return kLookups[static_cast<std::size_t>(lookup)].text;
}

// A lookup text the host does not resolve. Logged once per text when first raised.
class HostLookupError : public std::runtime_error {
  public:
    explicit HostLookupError(std::string_view text);
};

// While one is alive, resolved addresses and field offsets are reused instead of asked for
// again; the last scope to end forgets them, so nothing survives a command. A scope also
// asks once what the framework answers for a text it does not know (it never answers null).
class LookupScope {
  public:
    LookupScope() noexcept;
    ~LookupScope();
    LookupScope(const LookupScope&) = delete;
    LookupScope& operator=(const LookupScope&) = delete;
};

namespace detail {
// What the live scopes have resolved; empty outside any scope.
struct LookupMemo {
    void* unknown_function = nullptr;
    bool has_unknown_function = false;
    void* function[kLookupCount] = {};
    std::intptr_t offset[kLookupCount] = {};
    bool has_offset[kLookupCount] = {};
};
extern LookupMemo g_memo;
void* ResolveFunctionAsking(Lookup lookup);
void* ResolveFieldAsking(const void* object, Lookup lookup);
}  // namespace detail

// Searches read fields of every creature: once a scope has the address or offset, this is
// a load and an add, inlined where it is used.
inline void* ResolveFunction(Lookup lookup) {
    void* known = detail::g_memo.function[static_cast<std::size_t>(lookup)];
    return known != nullptr ? known : detail::ResolveFunctionAsking(lookup);
}

inline void* ResolveField(const void* object, Lookup lookup) {
    const auto index = static_cast<std::size_t>(lookup);
    if (object != nullptr && detail::g_memo.has_offset[index]) {
        return const_cast<char*>(static_cast<const char*>(object)) + detail::g_memo.offset[index];
    }
    return detail::ResolveFieldAsking(object, lookup);
}

template <typename T>
T ReadField(const void* object, Lookup lookup) {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    // T is often a pointer: the field holds one, and its size is what is copied.
    // NOLINTNEXTLINE(bugprone-sizeof-expression)
    std::memcpy(&value, ResolveField(object, lookup), sizeof(T));
    return value;
}

// Framework operations.
UWorld* CurrentWorld();
std::uint64_t SteamId(AController* controller);

// Game functions.
AShooterCharacter* GetPlayerCharacter(AShooterPlayerController* controller);
inline UPrimalCharacterStatusComponent* GetCharacterStatusComponent(APrimalCharacter* character) {
    return reinterpret_cast<UPrimalCharacterStatusComponent* (*)(APrimalCharacter*)>(
        ResolveFunction(Lookup::GetCharacterStatusComponent))(character);
}
inline std::int32_t GetCharacterLevel(UPrimalCharacterStatusComponent* status) {
    return reinterpret_cast<std::int32_t (*)(UPrimalCharacterStatusComponent*)>(
        ResolveFunction(Lookup::GetCharacterLevel))(status);
}
UClass* DinoPrivateStaticClass();
void GetAllActorsOfClass(UWorld* world, UClass* actor_class, HostArray<AActor*>& out);
APrimalWorldSettings* GetWorldSettings(UWorld* world);
Vector3 GetWorldLocation(USceneComponent* component);
FString GetCurrentDinoName(APrimalDinoCharacter* dino, AShooterPlayerController* asking);
ColorRGBA GetDinoColor(APrimalDinoCharacter* dino, std::int32_t region);
void ClientServerChatDirectMessage(AShooterPlayerController* controller, const FString& text,
                                   ColorRGBA color);
void ClientServerNotificationSingle(AShooterPlayerController* controller, const FString& text,
                                    ColorRGBA color, float scale, float time, std::int32_t kind);
// Hands the host a copy of `record`, which the host releases.
void ClientChatMessage(AShooterPlayerController* controller, const ChatMessageRecord& record);
void ClientAddFloatingText(AShooterPlayerController* controller, Vector3 location,
                           const FString& text, ColorBGRA8 color, float scale_x, float scale_y,
                           float life_span, Vector3 velocity);
void MulticastDrawDebugLine(AShooterPlayerController* controller, Vector3 start, Vector3 end,
                            ColorRGBA color, float duration, float thickness);
void RconSendMessage(RCONClientConnection* connection, std::int32_t request_id,
                     const FString& text);

// Game fields.
inline USceneComponent* RootComponent(AActor* actor) {
    return ReadField<USceneComponent*>(actor, Lookup::RootComponent);
}
inline Vector3 RelativeLocation(USceneComponent* component) {
    return ReadField<Vector3>(component, Lookup::RelativeLocation);
}
inline std::int32_t TargetingTeam(AActor* actor) {
    return ReadField<std::int32_t>(actor, Lookup::TargetingTeam);
}
void* PawnPlayerState(APawn* pawn);
void* ControllerPlayerState(AController* controller);
// A player state's player name, the host's own storage.
inline const FString& PlayerName(void* player_state) {
    return *static_cast<const FString*>(ResolveField(player_state, Lookup::PlayerName));
}
bool IsServerAdmin(AShooterCharacter* character);
inline UPrimalCharacterStatusComponent* MyCharacterStatusComponent(APrimalCharacter* character) {
    return ReadField<UPrimalCharacterStatusComponent*>(character,
                                                       Lookup::MyCharacterStatusComponent);
}
// Text fields are the host's own storage: valid until the object changes; copy to keep.
inline const FString& TribeName(APrimalCharacter* character) {
    return *static_cast<const FString*>(ResolveField(character, Lookup::TribeName));
}
inline const FString& OwningPlayerName(APrimalDinoCharacter* dino) {
    return *static_cast<const FString*>(ResolveField(dino, Lookup::OwningPlayerName));
}
inline const FString& DescriptiveName(APrimalCharacter* character) {
    return *static_cast<const FString*>(ResolveField(character, Lookup::DescriptiveName));
}
bool OverrideLongitudeAndLatitude(APrimalWorldSettings* settings);
float LongitudeOrigin(APrimalWorldSettings* settings);
float LatitudeOrigin(APrimalWorldSettings* settings);
float LongitudeScale(APrimalWorldSettings* settings);
float LatitudeScale(APrimalWorldSettings* settings);

}  // namespace beastfinder::host
