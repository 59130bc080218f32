// What the points, tokens and permissions plugins export, as their own headers declare it.
// The plugin never links against them: it finds each operation by its exported name in a
// module that is already loaded, so the names below must be exactly the compiler's.
//
// Like framework.h, this compiles for the MSVC target against the name check's stand-ins.
#pragma once

#include <string>

#include "host/framework.h"

// Imports, as the siblings' import libraries would give them; the substitute plugins of
// the simulated server define BF_BUILDING_SIBLING to export their definitions instead.
#if defined(_WIN32)
#if defined(BF_BUILDING_SIBLING)
#define BF_SIBLING_API __declspec(dllexport)
#else
#define BF_SIBLING_API __declspec(dllimport)
#endif
#else
#define BF_SIBLING_API __attribute__((visibility("default")))
#endif

namespace ArkShop::Points {
BF_SIBLING_API int GetPoints(unsigned long long steam_id);
BF_SIBLING_API bool SpendPoints(int amount, unsigned long long steam_id);
}  // namespace ArkShop::Points

namespace CoinVault::Tokens {
BF_SIBLING_API int GetTokens(unsigned long long steam_id, std::string type);
BF_SIBLING_API bool SpendTokens(int amount, unsigned long long steam_id, std::string type);
}  // namespace CoinVault::Tokens

namespace Permissions {
BF_SIBLING_API bool IsPlayerHasPermission(unsigned long long steam_id, const FString& permission);
}  // namespace Permissions

namespace beastfinder::host {

// The sibling plugins, each known to the framework by its folder name.
enum class Sibling { ArkShop, CoinVault, Permissions };

constexpr const char* SiblingName(Sibling sibling) {
    switch (sibling) {
        case Sibling::ArkShop:
            return "ArkShop";
        case Sibling::CoinVault:
            return "CoinVault";
        case Sibling::Permissions:
            return "Permissions";
    }
    return "";
}

// The exported names of the operations above, as the compiler that built the siblings
// spells them.
struct SiblingExportNames {
    const char* get_points;
    const char* spend_points;
    const char* get_tokens;
    const char* spend_tokens;
    const char* is_player_has_permission;
};

// MSVC's, as a real server's siblings export them.
inline constexpr SiblingExportNames kMsvcSiblingExports = {
    "?GetPoints@Points@ArkShop@@YAH_K@Z",
    "?SpendPoints@Points@ArkShop@@YA_NH_K@Z",
    "?GetTokens@Tokens@CoinVault@@YAH_KV?$basic_string@DU?$char_traits@D@std@@V?$allocator@D@2@@"
    "std@@@Z",
    "?SpendTokens@Tokens@CoinVault@@YA_NH_KV?$basic_string@DU?$char_traits@D@std@@V?$allocator@"
    "D@2@@std@@@Z",
    "?IsPlayerHasPermission@Permissions@@YA_N_KAEBVFString@@@Z",
};

// GCC's (and MinGW's), as the simulated server's substitutes export them.
inline constexpr SiblingExportNames kGnuSiblingExports = {
    "_ZN7ArkShop6Points9GetPointsEy",
    "_ZN7ArkShop6Points11SpendPointsEiy",
    "_ZN9CoinVault6Tokens9GetTokensEyNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE",
    "_ZN9CoinVault6Tokens11SpendTokensEiyNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE",
    "_ZN11Permissions21IsPlayerHasPermissionEyRK7FString",
};

#if defined(_MSC_VER)
inline constexpr const SiblingExportNames& kSiblingExports = kMsvcSiblingExports;
#else
inline constexpr const SiblingExportNames& kSiblingExports = kGnuSiblingExports;
#endif

}  // namespace beastfinder::host
