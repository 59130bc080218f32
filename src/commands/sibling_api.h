// The operations the points, tokens and permissions plugins export. The plugin never links
// against them: it finds them by their exported names in modules that are already loaded.
#pragma once

#include <string>

struct FString;

#if defined(_WIN32)
#define BF_SIBLING_API __declspec(dllexport)
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
BF_SIBLING_API bool IsPlayerHasPermission(unsigned long long steam_id, FString& group);
}  // namespace Permissions
