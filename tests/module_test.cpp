// The plugin module through the real shared-library boundary: start-up, shut-down, and a
// second start in the same process as the framework does when it reloads plugins.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "host/game.h"
#include "sim/host/server.h"
#include "sim/module.h"
#include "sim/world.h"
#include "tests/host_fixture.h"

// The exit test's child leaves the plugin loaded on purpose: what it holds then belongs to
// the ending process, and the leak checker must not count it.
namespace {
bool g_exit_without_unload = false;
}  // namespace
extern "C" int __lsan_is_turned_off() {
    return g_exit_without_unload ? 1 : 0;
}

namespace {

class PluginModuleTest : public bftest::ModuleTest {
  protected:
    // "kind name" of every register or unregister effect, in order.
    static std::vector<std::string> Registry(const std::vector<sim::Effect>& effects,
                                             const std::string& type) {
        std::vector<std::string> seen;
        for (const auto& effect : effects) {
            if (effect.type == type) {
                seen.push_back(effect.Text("kind") + " " + effect.Text("name"));
            }
        }
        return seen;
    }
};

const std::vector<std::string> kCommandTable = {
    "chat /track",     "chat /trackwild", "chat /trackadmin",  "rcon bf.test",
    "chat /bf.reload", "rcon bf.reload",  "console bf.reload",
};

TEST_F(PluginModuleTest, WithoutConfigStartupFailsWithOneErrorAndRegistersNothing) {
    ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
    EXPECT_FALSE(module_.Started());
    const auto effects = sim::TheServer().TakeEffects();
    ASSERT_EQ(effects.size(), 1U);
    EXPECT_EQ(effects[0].type, "log");
    EXPECT_EQ(effects[0].Text("logger"), "Beastfinder");
    EXPECT_EQ(effects[0].Text("level"), "error");
    EXPECT_EQ(effects[0].Text("message"), "Failed to load config.json: cannot open " +
                                              sim::TheServer().current_dir +
                                              "/ArkApi/Plugins/Beastfinder/config.json");
    EXPECT_TRUE(sim::TheServer().commands.empty());

    module_.Close();
    EXPECT_TRUE(Registry(sim::TheServer().TakeEffects(), "unregister").empty());
}

TEST_F(PluginModuleTest, LoadsUnloadsAndLoadsAgain) {
    WriteConfig("{}");
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
        ASSERT_TRUE(module_.Started());
        EXPECT_EQ(Registry(sim::TheServer().TakeEffects(), "register"), kCommandTable);
        EXPECT_EQ(sim::TheServer().commands.size(), 7U);

        module_.Close();
        const auto effects = sim::TheServer().TakeEffects();
        EXPECT_EQ(Registry(effects, "unregister"), kCommandTable);
        for (const auto& effect : effects) {
            if (effect.type == "unregister") {
                EXPECT_EQ(effect.Find("found") != nullptr && std::get<bool>(*effect.Find("found")),
                          true);
            }
        }
        EXPECT_TRUE(sim::TheServer().commands.empty());
        EXPECT_EQ(Live(), 0U) << "Unload leaves plugin memory behind";
#if !defined(_WIN32)
        // Really unmapped, so the next round starts from fresh statics and the leak checker
        // sees anything the module failed to free.
        EXPECT_EQ(dlopen(BF_PLUGIN_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
#endif
    }
}

TEST_F(PluginModuleTest, NonAsciiCommandNamesAreRegisteredWithQuestionMarks) {
    WriteConfig(R"({"TameTracker": {"Command": "/tröck"}})");
    ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
    ASSERT_TRUE(module_.Started());
    const auto registered = Registry(sim::TheServer().TakeEffects(), "register");
    ASSERT_FALSE(registered.empty());
    EXPECT_EQ(registered[0], "chat /tr??ck");
}

// Whatever lookup fails during shut-down, every command is removed (the framework keeps
// callbacks into a module it is about to free) and every block is released, or, without the
// host's free, only stranded.
TEST_F(PluginModuleTest, UnloadNeverStopsHalfWay) {
    WriteConfig(R"({"WildTracker": {"Cooldown": 60, "ExcludeSearch": ["Alpha", "Beta"]}})");
    auto& server = sim::TheServer();
    for (const auto& lookup : beastfinder::host::kLookups) {
        const std::string name(lookup.text);
        ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
        ASSERT_TRUE(module_.Started());
        sim::Player& player = server.AddPlayer("Unloading", 76561198000000010);
        server.RunChat(player, u"/trackwild raptor");  // a cooldown entry: more host memory
        server.TakeEffects();
        // The plugin's blocks: the world's own names stay with the world.
        const std::set<const void*> world = sim::WorldBlocks(server);
        std::set<void*> before;
        for (const auto& [block, info] : server.Allocator().Live()) {
            if (world.count(block) == 0) {
                before.insert(block);
            }
        }

        server.unresolved = {name};
        module_.Close();
        server.unresolved.clear();
        EXPECT_EQ(Registry(server.TakeEffects(), "unregister"), kCommandTable) << name;
        EXPECT_TRUE(server.commands.empty()) << name;
        std::size_t stranded = 0;
        for (const auto& [block, info] : server.Allocator().Live()) {
            if (before.count(block) != 0) {
                ++stranded;
                server.Allocator().Free(block);
            }
        }
        if (name == "FMemory.Free") {
            EXPECT_GT(stranded, 0U);
        } else {
            EXPECT_EQ(stranded, 0U) << name;
        }
        server.ClearWorld();
        ASSERT_EQ(Live(), 0U) << name;
    }
}

// The framework calls Plugin_Unload, then frees the module; the loader's detach that follows
// must not unload a second time, and neither may a second Plugin_Unload.
TEST_F(PluginModuleTest, PluginUnloadRunsOnce) {
    WriteConfig("{}");
    ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
    ASSERT_TRUE(module_.Started());
    sim::TheServer().TakeEffects();
#if defined(_WIN32)
    auto* unload = reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("Beastfinder.dll"), "Plugin_Unload"));
#else
    void* handle = dlopen(BF_PLUGIN_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    auto* unload = reinterpret_cast<void (*)()>(dlsym(handle, "Plugin_Unload"));
    dlclose(handle);
#endif
    ASSERT_NE(unload, nullptr);
    unload();
    EXPECT_EQ(Registry(sim::TheServer().TakeEffects(), "unregister"), kCommandTable);
    unload();
    module_.Close();
    EXPECT_TRUE(sim::TheServer().TakeEffects().empty());
    EXPECT_EQ(Live(), 0U);
}

// A server may exit without unloading its plugins. The plugin's records that hold host
// memory must not be freed through the host then: the framework is already torn down.
TEST_F(PluginModuleTest, ProcessExitWithoutUnloadMakesNoHostCalls) {
    WriteConfig(R"({"WildTracker": {"Cooldown": 60, "ExcludeSearch": ["Alpha"]}})");
    EXPECT_EXIT(
        {
            if (!module_.Open(BF_PLUGIN_MODULE_PATH) || !module_.Started()) {
                std::_Exit(1);
            }
            sim::Player& player = sim::TheServer().AddPlayer("Exiting", 76561198000000009);
            sim::TheServer().RunChat(player, u"/trackwild raptor");
            sim::TheServer().RunChat(player, u"/track");
            // Registered last, so it runs before the destructors of the plugin's records.
            std::atexit(sim::DeclareHostGone);
            g_exit_without_unload = true;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
