// What the tests over the simulated host share: effects taken with host faults failing the
// test, a fixture that checks the host allocator's account, and a server folder of a test's
// own.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "sim/framework/module.h"
#include "sim/framework/server.h"

namespace bftest {

// Effects since the last call; a host fault fails the test.
inline std::vector<sim::Effect> TakeEffects() {
    std::vector<sim::Effect> effects = sim::TheServer().TakeEffects();
    for (const auto& effect : effects) {
        EXPECT_NE(effect.type, "fault") << effect.Text("what");
    }
    return effects;
}

// Fails a test that leaves host blocks behind or causes a host fault. Fixtures call SetUp
// once the state they keep between tests is in place, and TearDown after releasing theirs.
class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TakeEffects();
        live_before_ = sim::TheServer().Allocator().LiveBlocks();
    }
    void TearDown() override {
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live_before_) << "host blocks leaked";
        TakeEffects();
    }
    // Blocks allocated since SetUp and still live.
    std::size_t Live() const { return sim::TheServer().Allocator().LiveBlocks() - live_before_; }

  private:
    std::size_t live_before_ = 0;
};

// A server folder with the plugin's folder in it, named after the running test and the
// process (two builds may run the same test at once); removed with its contents.
class ScratchServer {
  public:
    ScratchServer() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ =
            std::filesystem::temp_directory_path() /
            ("bf-" + std::to_string(getpid()) + "-" + test->test_suite_name() + "." + test->name());
        std::filesystem::create_directories(PluginDir());
    }
    ~ScratchServer() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchServer(const ScratchServer&) = delete;
    ScratchServer& operator=(const ScratchServer&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path PluginDir() const { return root_ / "ArkApi/Plugins/Beastfinder"; }
    std::filesystem::path ConfigFile() const { return PluginDir() / "config.json"; }
    // The configuration's path as the plugin spells it in its error lines.
    std::string ConfigPathAsLogged() const {
        return root_.string() + "/ArkApi/Plugins/Beastfinder/config.json";
    }

  private:
    std::filesystem::path root_;
};

// The plugin module opened by a test through the real module boundary, in a server folder
// of the test's own; closed (and so unloaded) before the account is checked.
class ModuleTest : public HostTest {
  protected:
    void SetUp() override {
        sim::TheServer().current_dir = server_.Root().string();
        HostTest::SetUp();
    }
    void TearDown() override {
        module_.Close();
        HostTest::TearDown();
    }

    void WriteConfig(const std::string& text) { std::ofstream(server_.ConfigFile()) << text; }

    ScratchServer server_;
    sim::PluginModule module_;
};

}  // namespace bftest
