// The framework's interface as the server exports it to plugins: exact types, class keys,
// constness and virtual slot order, since a real server binds by decorated name and slot.
// Whatever hosts the plugin (the game's framework or the simulated server) implements
// exactly this. Game objects are opaque: the plugin reaches them only by lookup text.
//
// Only <functional>, <memory>, <string> and <vector> are included, so that the name check
// can compile this header for the MSVC target against stand-ins of those templates.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Real servers: imported from the framework's version.dll through its import library.
// The simulated host library defines BF_BUILDING_HOST when it builds its own definitions.
#if defined(_WIN32)
#if defined(BF_BUILDING_HOST)
#define BF_FRAMEWORK_API __declspec(dllexport)
#else
#define BF_FRAMEWORK_API __declspec(dllimport)
#endif
#else
#define BF_FRAMEWORK_API __attribute__((visibility("default")))
#endif

// The framework's sinks are its own spdlog's; only the logger's one source file may see it.
namespace spdlog::sinks {
class sink;
}  // namespace spdlog::sinks

// The game's text: UTF-16 code units in a block of the host's allocator (null when empty),
// the count including the terminator, and the capacity. Only the layout lives here; the
// plugin's host::FString gives it behaviour.
class FString {
  public:
    char16_t* data;
    int count;
    int capacity;
};

struct UWorld;
struct AController;
struct APlayerController;
struct AShooterPlayerController;
struct AShooterGameMode;
struct UShooterCheatManager;
struct RCONClientConnection;

struct RCONPacket {
    int Length;
    int Id;
    int Type;
    FString Body;
};

namespace EChatSendMode {
enum Type { GlobalChat = 0, GlobalTribeChat = 1, LocalChat = 2, AllianceChat = 3 };
}  // namespace EChatSendMode

// Function form: entry point of a game function. An unknown text gives the game module's
// base, never null: callers must tell that answer apart themselves.
BF_FRAMEWORK_API void* GetAddress(const std::string& name);
// Field form: address of a field inside `base`. An unknown text gives `base` itself.
BF_FRAMEWORK_API unsigned long long GetAddress(const void* base, const std::string& name);

BF_FRAMEWORK_API std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks();

namespace ArkApi {

enum class ServerStatus { Loading, Ready };

class IApiUtils {
  public:
    virtual ~IApiUtils() = default;
    // The current world; null until the server has one.
    virtual UWorld* GetWorld() const = 0;
    virtual AShooterGameMode* GetShooterGameMode() const = 0;
    virtual ServerStatus GetStatus() const = 0;
    virtual UShooterCheatManager* GetCheatManager() const = 0;

    BF_FRAMEWORK_API static unsigned long long GetSteamIdFromController(AController* controller);

  private:
    virtual AShooterPlayerController* FindPlayerFromSteamId_Internal(
        unsigned long long steam_id) const = 0;
};

// The framework keeps copies of the callbacks until they are removed: a plugin removes its
// own before it is freed.
using ChatCallback = std::function<void(AShooterPlayerController*, FString*, EChatSendMode::Type)>;
using ConsoleCallback = std::function<void(APlayerController*, FString*, bool)>;
using RconCallback = std::function<void(RCONClientConnection*, RCONPacket*, UWorld*)>;
using TickCallback = std::function<void(float)>;
using TimerCallback = std::function<void()>;
using ChatMessageCallback =
    std::function<bool(AShooterPlayerController*, FString*, EChatSendMode::Type, bool, bool)>;

class ICommands {
  public:
    virtual ~ICommands() = default;
    virtual void AddChatCommand(const FString& command, const ChatCallback& callback) = 0;
    virtual void AddConsoleCommand(const FString& command, const ConsoleCallback& callback) = 0;
    virtual void AddRconCommand(const FString& command, const RconCallback& callback) = 0;
    virtual void AddOnTickCallback(const FString& id, const TickCallback& callback) = 0;
    virtual void AddOnTimerCallback(const FString& id, const TimerCallback& callback) = 0;
    virtual void AddOnChatMessageCallback(const FString& id,
                                          const ChatMessageCallback& callback) = 0;
    virtual bool RemoveChatCommand(const FString& command) = 0;
    virtual bool RemoveConsoleCommand(const FString& command) = 0;
    virtual bool RemoveRconCommand(const FString& command) = 0;
    virtual bool RemoveOnTickCallback(const FString& id) = 0;
    virtual bool RemoveOnTimerCallback(const FString& id) = 0;
    virtual bool RemoveOnChatMessageCallback(const FString& id) = 0;
};

BF_FRAMEWORK_API IApiUtils& GetApiUtils();
BF_FRAMEWORK_API ICommands& GetCommands();

namespace Tools {
BF_FRAMEWORK_API std::string GetCurrentDir();
// Compares folder names, case-sensitively.
BF_FRAMEWORK_API bool IsPluginLoaded(const std::string& plugin_name);
// UTF-8 to UTF-16. Wide strings that cross this boundary hold UTF-16 code units on every
// platform (one code unit per wchar_t), so Windows and other hosts agree.
BF_FRAMEWORK_API std::wstring Utf8Decode(const std::string& str);
}  // namespace Tools

}  // namespace ArkApi
