// Substitute points plugin: balances kept by the simulated server per steam id.
#include "host/sibling_plugins.h"
#include "sim/framework/siblings/books.h"

namespace ArkShop::Points {

int GetPoints(unsigned long long steam_id) {
    return sim::TheServer().points[steam_id];
}

bool SpendPoints(int amount, unsigned long long steam_id) {
    return sim::siblings::Spend("ArkShop", "spend-points", sim::TheServer().points[steam_id],
                                amount, steam_id, nullptr);
}

}  // namespace ArkShop::Points
