// What the server package holds besides the module: its PluginInfo.json, and the shipped
// config.json, which starts the plugin as it stands.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "config/json_reader.h"
#include "host_fixture.h"
#include "sim/framework/server.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

TEST(ServerPackage, PluginInfoHasTheLoadersKeysWithTheirTypes) {
    std::ifstream file(BF_PLUGIN_INFO, std::ios::binary);
    const Json info = beastfinder::config::ParseFirstValue(file);
    ASSERT_TRUE(info.is_object());
    EXPECT_EQ(info.size(), 5U) << info.dump();
    const auto key = [&info](const char* name) { return info.value(name, Json()); };
    const auto text = [&key](const char* name) {
        return key(name).is_string() ? key(name).get<std::string>() : std::string("(not text)");
    };
    EXPECT_EQ(text("FullName"), "Beastfinder");
    EXPECT_NE(text("Description"), "") << info.dump();
    EXPECT_NE(text("Description"), "(not text)") << info.dump();
    ASSERT_TRUE(key("Version").is_number() && key("MinApiVersion").is_number()) << info.dump();
    // major.MMPP: every release its own number, a later one a larger number.
    unsigned major = 0;
    unsigned minor = 0;
    unsigned patch = 0;
    ASSERT_EQ(std::sscanf(BF_VERSION, "%u.%u.%u", &major, &minor, &patch), 3) << BF_VERSION;
    EXPECT_DOUBLE_EQ(key("Version").get<double>(), major + minor / 100.0 + patch / 10000.0);
    EXPECT_GT(key("MinApiVersion").get<double>(), 0.0);
    ASSERT_TRUE(key("Dependencies").is_array()) << info.dump();
    for (const Json& dependency : key("Dependencies")) {
        // The plugin runs without them; a hard dependency would keep it from loading.
        ASSERT_TRUE(dependency.is_string()) << dependency.dump();
        const auto name = dependency.get<std::string>();
        EXPECT_TRUE(name != "ArkShop" && name != "CoinVault" && name != "Permissions") << name;
    }
}

class ShippedConfig : public bftest::ModuleTest {};

TEST_F(ShippedConfig, StartsThePluginWithoutAWarning) {
    fs::copy_file(fs::path(BF_SOURCE_DIR) / "package" / "config.json", server_.ConfigFile());
    ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
    EXPECT_TRUE(module_.Started());
    std::size_t registered = 0;
    for (const auto& effect : bftest::TakeEffects()) {
        EXPECT_NE(effect.type, "log") << effect.Text("message");
        registered += effect.type == "register" ? 1 : 0;
    }
    EXPECT_EQ(registered, 7U);
}

}  // namespace
