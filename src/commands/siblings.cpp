#include "commands/siblings.h"

#include "host/fstring.h"
#include "host/log.h"
#include "host/platform.h"
#include "host/sibling_plugins.h"

namespace beastfinder::siblings {

namespace {

const host::SiblingExportNames& kNames = host::kSiblingExports;

template <typename Fn>
Fn Bind(Sibling plugin, const char* symbol) {
    const std::string module = ModuleFileName(plugin);
    auto* fn = reinterpret_cast<Fn>(host::FindModuleExport(module.c_str(), symbol));
    if (fn == nullptr) {
        host::Log().warn("{} is loaded but its module lacks {}: treated as absent",
                         host::SiblingName(plugin), symbol);
    }
    return fn;
}

}  // namespace

std::string ModuleFileName(Sibling plugin) {
#if defined(_WIN32)
    return std::string(host::SiblingName(plugin)) + ".dll";
#else
    return std::string(host::SiblingName(plugin)) + ".so";
#endif
}

bool IsLoaded(Sibling plugin) {
    return ArkApi::Tools::IsPluginLoaded(host::SiblingName(plugin));
}

std::optional<std::int32_t> GetPoints(std::uint64_t steam_id) {
    if (auto fn =
            Bind<decltype(&ArkShop::Points::GetPoints)>(Sibling::ArkShop, kNames.get_points)) {
        return fn(steam_id);
    }
    return std::nullopt;
}

std::optional<bool> SpendPoints(std::int32_t amount, std::uint64_t steam_id) {
    if (auto fn =
            Bind<decltype(&ArkShop::Points::SpendPoints)>(Sibling::ArkShop, kNames.spend_points)) {
        return fn(amount, steam_id);
    }
    return std::nullopt;
}

std::optional<std::int32_t> GetTokens(std::uint64_t steam_id, const std::string& type) {
    if (auto fn =
            Bind<decltype(&CoinVault::Tokens::GetTokens)>(Sibling::CoinVault, kNames.get_tokens)) {
        return fn(steam_id, type);
    }
    return std::nullopt;
}

std::optional<bool> SpendTokens(std::int32_t amount, std::uint64_t steam_id,
                                const std::string& type) {
    if (auto fn = Bind<decltype(&CoinVault::Tokens::SpendTokens)>(Sibling::CoinVault,
                                                                  kNames.spend_tokens)) {
        return fn(amount, steam_id, type);
    }
    return std::nullopt;
}

std::optional<bool> HasPermission(std::uint64_t steam_id, const std::string& permission) {
    if (auto fn = Bind<decltype(&Permissions::IsPlayerHasPermission)>(
            Sibling::Permissions, kNames.is_player_has_permission)) {
        const host::FString name = host::FStringFromNarrow(permission);
        return fn(steam_id, host::ToFramework(name));
    }
    return std::nullopt;
}

}  // namespace beastfinder::siblings
