// The folder administrators install: what it holds, its PluginInfo.json, and that the plugin
// starts from it as it stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/json_reader.h"
#include "sim/host/server.h"
#include "sim/module.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// The server folder the package stands for, and the plugin's own folder in it.
const fs::path kServer = BF_PACKAGE_ROOT;
const fs::path kPluginDir = kServer / "ArkApi" / "Plugins" / "Beastfinder";

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string ModuleName() {
    return fs::path(BF_PLUGIN_MODULE_PATH).filename().string();
}

TEST(Package, HoldsTheModuleNamedAfterItsFolderTheConfigItsSchemaAndThePluginInfo) {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(kPluginDir)) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> expected = {ModuleName(), "PluginInfo.json", "config.json",
                                         "config.schema.json"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);

    EXPECT_EQ(fs::path(ModuleName()).stem(), kPluginDir.filename());
    EXPECT_TRUE(ReadFile(kPluginDir / ModuleName()) == ReadFile(BF_PLUGIN_MODULE_PATH))
        << "the packaged module is not the one just built";
    for (const char* file : {"config.json", "config.schema.json"}) {
        EXPECT_EQ(ReadFile(kPluginDir / file),
                  ReadFile(fs::path(BF_SOURCE_DIR) / "package" / file));
    }
}

TEST(Package, PluginInfoHasTheLoadersKeysWithTheirTypes) {
    std::ifstream file(kPluginDir / "PluginInfo.json", std::ios::binary);
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

TEST(Package, PluginStartsFromThePackagedFolderWithoutAWarning) {
    auto& server = sim::TheServer();
    struct RestoreDir {
        std::string saved = sim::TheServer().current_dir;
        ~RestoreDir() { sim::TheServer().current_dir = saved; }
    } restore;
    server.current_dir = kServer.string();
    server.TakeEffects();
    const std::size_t baseline = server.Allocator().LiveBlocks();

    sim::PluginModule module;
    ASSERT_TRUE(module.Open((kPluginDir / ModuleName()).string())) << module.Error();
    EXPECT_TRUE(module.Started());
    std::size_t registered = 0;
    for (const auto& effect : server.TakeEffects()) {
        EXPECT_NE(effect.type, "log") << effect.Text("message");
        EXPECT_NE(effect.type, "fault") << effect.Text("what");
        registered += effect.type == "register" ? 1 : 0;
    }
    EXPECT_EQ(registered, 7U);
    module.Close();
    for (const auto& effect : server.TakeEffects()) {
        EXPECT_NE(effect.type, "fault") << effect.Text("what");
    }
    EXPECT_EQ(server.Allocator().LiveBlocks(), baseline) << "host blocks leaked";
}

}  // namespace
