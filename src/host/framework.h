// The framework's operations as the plugin imports them from the host module.
// Whatever hosts the plugin (the game's framework or the simulated server) exports
// exactly these. Game objects are opaque: the plugin reaches them only by lookup text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <spdlog/sinks/sink.h>

#if defined(_WIN32)
#if defined(BF_BUILDING_HOST)
#define BF_FRAMEWORK_API __declspec(dllexport)
#else
#define BF_FRAMEWORK_API __declspec(dllimport)
#endif
#else
#define BF_FRAMEWORK_API __attribute__((visibility("default")))
#endif

struct FString;
struct UWorld;
struct AController;
struct APlayerController;
struct AShooterPlayerController;
struct RCONClientConnection;
struct RCONPacket;

namespace EChatSendMode {
enum Type : std::int32_t { GlobalChat = 0, GlobalTribeChat = 1, LocalChat = 2, AllianceChat = 3 };
}

// Function form: entry point of a game function, null when the text is unknown.
BF_FRAMEWORK_API void* GetAddress(const std::string& name);
// Field form: address of a field inside the given object, 0 when the text is unknown.
BF_FRAMEWORK_API std::uint64_t GetAddress(const void* base, const std::string& name);

BF_FRAMEWORK_API std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks();

namespace ArkApi {

class IApiUtils {
  public:
    virtual ~IApiUtils() = default;
    // The current world; null when the server has none.
    virtual UWorld* GetWorld() const = 0;

    BF_FRAMEWORK_API static std::uint64_t GetSteamIdFromController(AController* controller);
};

using ChatCallback = void (*)(AShooterPlayerController*, FString*, EChatSendMode::Type);
using ConsoleCallback = void (*)(APlayerController*, FString*, bool);
using RconCallback = void (*)(RCONClientConnection*, RCONPacket*, UWorld*);
using TickCallback = void (*)(float);
using TimerCallback = void (*)();
using ChatMessageCallback = bool (*)(AShooterPlayerController*, FString*, EChatSendMode::Type, bool,
                                     bool);

class ICommands {
  public:
    virtual ~ICommands() = default;
    virtual void AddChatCommand(const FString& command, ChatCallback callback) = 0;
    virtual void AddConsoleCommand(const FString& command, ConsoleCallback callback) = 0;
    virtual void AddRconCommand(const FString& command, RconCallback callback) = 0;
    virtual void AddOnTickCallback(const FString& id, TickCallback callback) = 0;
    virtual void AddOnTimerCallback(const FString& id, TimerCallback callback) = 0;
    virtual void AddOnChatMessageCallback(const FString& id, ChatMessageCallback callback) = 0;
    virtual bool RemoveChatCommand(const FString& command) = 0;
    virtual bool RemoveConsoleCommand(const FString& command) = 0;
    virtual bool RemoveRconCommand(const FString& command) = 0;
};

BF_FRAMEWORK_API IApiUtils& GetApiUtils();
BF_FRAMEWORK_API ICommands& GetCommands();

namespace Tools {
BF_FRAMEWORK_API std::string GetCurrentDir();
BF_FRAMEWORK_API bool IsPluginLoaded(const std::string& plugin_name);
// UTF-8 to UTF-16. Wide strings that cross this boundary hold UTF-16 code units on every
// platform (one code unit per wchar_t), so Windows and other hosts agree.
BF_FRAMEWORK_API std::wstring Utf8Decode(const std::string& text);
}  // namespace Tools

}  // namespace ArkApi
