#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "host/sibling_plugins.h"
#include "sim/framework/server.h"
#include "sim/framework/siblings.h"

namespace {

// Loading and unloading every substitute module keeps the presence books consistent; run
// under AddressSanitizer this once caught a read of a name freed while unloading.
TEST(SiblingModules, UnloadingAllLeavesEveryPluginAbsent) {
    for (int round = 0; round < 2; ++round) {
        for (const char* plugin : {"ArkShop", "CoinVault", "Permissions"}) {
            std::string error;
            ASSERT_TRUE(sim::SetSiblingPresent(plugin, true, &error)) << error;
            EXPECT_TRUE(sim::TheServer().IsPluginLoaded(plugin));
        }
        sim::UnloadAllSiblings();
        for (const char* plugin : {"ArkShop", "CoinVault", "Permissions"}) {
            EXPECT_FALSE(sim::TheServer().IsPluginLoaded(plugin)) << plugin;
        }
    }
}

// A real server's siblings are found by their MSVC names: exactly the ones their libraries
// export (tests/msvc/names.txt, which the MSVC name check also holds the declarations to).
TEST(SiblingModules, ARealServersExportsAreTheNamesLookedUp) {
    std::ifstream facts(std::string(BF_SOURCE_DIR) + "/tests/msvc/names.txt");
    ASSERT_TRUE(facts) << "tests/msvc/names.txt";
    std::set<std::string> real;
    for (std::string line; std::getline(facts, line);) {
        std::istringstream fields(line);
        std::string kind, module, name;
        if (fields >> kind >> module >> name && kind == "lookup") {
            real.insert(name);
        }
    }
    const auto& names = beastfinder::host::kMsvcSiblingExports;
    EXPECT_EQ(real, (std::set<std::string>{names.get_points, names.spend_points, names.get_tokens,
                                           names.spend_tokens, names.is_player_has_permission}));
}

}  // namespace
