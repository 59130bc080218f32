// Compiled for the MSVC target only, never linked or run: every framework and sibling
// operation the plugin uses leaves its decorated name among the object's undefined symbols,
// for check.cmake to compare with the real names.
//
// Imported functions: taking the address of a dllimport function references __imp_<name>.
// Virtual operations: a qualified call bypasses the virtual table and references the
// member's own name, which encodes every parameter, constness and class key.
#include "host/framework.h"
#include "host/sibling_plugins.h"

namespace {

template <class T>
struct Bare {
    using type = T;
};
template <class T>
struct Bare<T&> {
    using type = T;
};

// Any argument of the member's own parameter types will do: nothing here runs.
template <class T>
typename Bare<T>::type& Any() {
    static typename Bare<T>::type* never;
    return *never;
}

template <class Member>
struct Direct;
template <class R, class C, class... A>
struct Direct<R (C::*)(A...)> {
    template <class Call>
    static void With(Call call) {
        call(Any<A>()...);
    }
};
template <class R, class C, class... A>
struct Direct<R (C::*)(A...) const> {
    template <class Call>
    static void With(Call call) {
        call(Any<A>()...);
    }
};

}  // namespace

#define BF_DIRECT(Class, Member)            \
    Direct<decltype(&Class::Member)>::With( \
        [](auto&... arguments) { static_cast<Class*>(nullptr)->Class::Member(arguments...); })

extern void* const kImports[];
void* const kImports[] = {
    reinterpret_cast<void*>(static_cast<void* (*)(const std::string&)>(&GetAddress)),
    reinterpret_cast<void*>(
        static_cast<unsigned long long (*)(const void*, const std::string&)>(&GetAddress)),
    reinterpret_cast<void*>(&GetLogSinks),
    reinterpret_cast<void*>(&ArkApi::GetApiUtils),
    reinterpret_cast<void*>(&ArkApi::IApiUtils::GetSteamIdFromController),
    reinterpret_cast<void*>(&ArkApi::GetCommands),
    reinterpret_cast<void*>(&ArkApi::Tools::GetCurrentDir),
    reinterpret_cast<void*>(&ArkApi::Tools::IsPluginLoaded),
    reinterpret_cast<void*>(&ArkApi::Tools::Utf8Decode),
    reinterpret_cast<void*>(&ArkShop::Points::GetPoints),
    reinterpret_cast<void*>(&ArkShop::Points::SpendPoints),
    reinterpret_cast<void*>(&CoinVault::Tokens::GetTokens),
    reinterpret_cast<void*>(&CoinVault::Tokens::SpendTokens),
    reinterpret_cast<void*>(&Permissions::IsPlayerHasPermission),
};

void VirtualOperations() {
    BF_DIRECT(ArkApi::ICommands, AddChatCommand);
    BF_DIRECT(ArkApi::ICommands, AddConsoleCommand);
    BF_DIRECT(ArkApi::ICommands, AddRconCommand);
    BF_DIRECT(ArkApi::ICommands, AddOnTickCallback);
    BF_DIRECT(ArkApi::ICommands, AddOnTimerCallback);
    BF_DIRECT(ArkApi::ICommands, AddOnChatMessageCallback);
    BF_DIRECT(ArkApi::ICommands, RemoveChatCommand);
    BF_DIRECT(ArkApi::ICommands, RemoveConsoleCommand);
    BF_DIRECT(ArkApi::ICommands, RemoveRconCommand);
    BF_DIRECT(ArkApi::ICommands, RemoveOnTickCallback);
    BF_DIRECT(ArkApi::ICommands, RemoveOnTimerCallback);
    BF_DIRECT(ArkApi::ICommands, RemoveOnChatMessageCallback);
    BF_DIRECT(ArkApi::IApiUtils, GetWorld);
    BF_DIRECT(ArkApi::IApiUtils, GetShooterGameMode);
    BF_DIRECT(ArkApi::IApiUtils, GetStatus);
    BF_DIRECT(ArkApi::IApiUtils, GetCheatManager);
    // Private: the check compiles this file without access control.
    BF_DIRECT(ArkApi::IApiUtils, FindPlayerFromSteamId_Internal);
}
