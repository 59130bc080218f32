#include "commands/siblings.h"

#include "commands/sibling_api.h"
#include "host/framework.h"
#include "host/fstring.h"
#include "host/log.h"
#include "host/platform.h"

namespace beastfinder::siblings {

namespace {

// Exported names as the compilers of the sibling plugins spell them.
#if defined(_MSC_VER)
constexpr const char* kGetPoints = "?GetPoints@Points@ArkShop@@YAH_K@Z";
constexpr const char* kSpendPoints = "?SpendPoints@Points@ArkShop@@YA_NH_K@Z";
constexpr const char* kGetTokens =
    "?GetTokens@Tokens@CoinVault@@YAH_KV?$basic_string@DU?$char_traits@D@std@@V?$allocator@D@2@@"
    "std@@@Z";
constexpr const char* kSpendTokens =
    "?SpendTokens@Tokens@CoinVault@@YA_NH_KV?$basic_string@DU?$char_traits@D@std@@V?$allocator@D@2@"
    "@std@@@Z";
constexpr const char* kHasPermission = "?IsPlayerHasPermission@Permissions@@YA_N_KAEAUFString@@@Z";
#else
constexpr const char* kGetPoints = "_ZN7ArkShop6Points9GetPointsEy";
constexpr const char* kSpendPoints = "_ZN7ArkShop6Points11SpendPointsEiy";
constexpr const char* kGetTokens =
    "_ZN9CoinVault6Tokens9GetTokensEyNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE";
constexpr const char* kSpendTokens =
    "_ZN9CoinVault6Tokens11SpendTokensEiyNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE";
constexpr const char* kHasPermission = "_ZN11Permissions21IsPlayerHasPermissionEyR7FString";
#endif

template <typename Fn>
Fn Bind(const char* plugin, const char* symbol) {
    const std::string module = ModuleFileName(plugin);
    auto* fn = reinterpret_cast<Fn>(host::FindModuleExport(module.c_str(), symbol));
    if (fn == nullptr) {
        host::Log().warn("{} is loaded but its module lacks {}: treated as absent", plugin, symbol);
    }
    return fn;
}

}  // namespace

std::string ModuleFileName(const char* plugin) {
#if defined(_WIN32)
    return std::string(plugin) + ".dll";
#else
    return std::string(plugin) + ".so";
#endif
}

bool IsLoaded(const char* plugin) {
    return ArkApi::Tools::IsPluginLoaded(plugin);
}

std::optional<std::int32_t> GetPoints(std::uint64_t steam_id) {
    if (auto fn = Bind<decltype(&ArkShop::Points::GetPoints)>("ArkShop", kGetPoints)) {
        return fn(steam_id);
    }
    return std::nullopt;
}

std::optional<bool> SpendPoints(std::int32_t amount, std::uint64_t steam_id) {
    if (auto fn = Bind<decltype(&ArkShop::Points::SpendPoints)>("ArkShop", kSpendPoints)) {
        return fn(amount, steam_id);
    }
    return std::nullopt;
}

std::optional<std::int32_t> GetTokens(std::uint64_t steam_id, const std::string& type) {
    if (auto fn = Bind<decltype(&CoinVault::Tokens::GetTokens)>("CoinVault", kGetTokens)) {
        return fn(steam_id, type);
    }
    return std::nullopt;
}

std::optional<bool> SpendTokens(std::int32_t amount, std::uint64_t steam_id,
                                const std::string& type) {
    if (auto fn = Bind<decltype(&CoinVault::Tokens::SpendTokens)>("CoinVault", kSpendTokens)) {
        return fn(amount, steam_id, type);
    }
    return std::nullopt;
}

std::optional<bool> HasPermission(std::uint64_t steam_id, const std::string& permission) {
    if (auto fn =
            Bind<decltype(&Permissions::IsPlayerHasPermission)>("Permissions", kHasPermission)) {
        host::FString name = host::FStringFromNarrow(permission);
        return fn(steam_id, reinterpret_cast<FString&>(name));
    }
    return std::nullopt;
}

}  // namespace beastfinder::siblings
