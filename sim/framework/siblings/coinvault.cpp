// Substitute tokens plugin: balances per steam id and token type.
#include "host/sibling_plugins.h"
#include "sim/framework/siblings/books.h"

namespace CoinVault::Tokens {

// The real plugin's exports take the type by value: their decorated names say so.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
int GetTokens(unsigned long long steam_id, std::string type) {
    return sim::TheServer().tokens[{steam_id, type}];
}

// NOLINTNEXTLINE(performance-unnecessary-value-param)
bool SpendTokens(int amount, unsigned long long steam_id, std::string type) {
    return sim::siblings::Spend("CoinVault", "spend-tokens",
                                sim::TheServer().tokens[{steam_id, type}], amount, steam_id, &type);
}

}  // namespace CoinVault::Tokens
