// Substitute tokens plugin: balances per steam id and token type.
#include "host/sibling_plugins.h"
#include "sim/framework/siblings/books.h"

namespace CoinVault::Tokens {

int GetTokens(unsigned long long steam_id, std::string type) {
    return sim::TheServer().tokens[{steam_id, type}];
}

bool SpendTokens(int amount, unsigned long long steam_id, std::string type) {
    return sim::siblings::Spend("CoinVault", "spend-tokens",
                                sim::TheServer().tokens[{steam_id, type}], amount, steam_id, &type);
}

}  // namespace CoinVault::Tokens
