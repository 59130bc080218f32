// Inputs the fuzzers turned up (and the cases they were seeded with), replayed on every run.
// tests/fuzz_regressions/config/*: a configuration that fails to load leaves the loaded one
// exactly as it was and loses no host memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "config/config.h"
#include "fuzz/config_snapshot.h"
#include "host/logger.h"
#include "sim/host/server.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> Inputs(const std::string& target) {
    std::vector<fs::path> paths;
    for (const auto& entry :
         fs::directory_iterator(fs::path(BF_SOURCE_DIR) / "tests/fuzz_regressions" / target)) {
        paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(FuzzRegressions, FailedConfigLoadsChangeNothing) {
    auto& server = sim::TheServer();
    const fs::path dir =
        fs::temp_directory_path() / ("bf-fuzz-regressions-" + std::to_string(getpid()));
    fs::create_directories(dir / "ArkApi/Plugins/Beastfinder");
    const fs::path file = dir / "ArkApi/Plugins/Beastfinder/config.json";
    const std::string saved_dir = server.current_dir;
    server.current_dir = dir.string();
    beastfinder::host::CreatePluginLogger();
    beastfinder::ResetConfig();
    const std::size_t live_before = server.Allocator().LiveBlocks();

    const std::string base = ReadFile(fs::path(BF_SOURCE_DIR) / "fuzz/base-config.json");
    const auto inputs = Inputs("config");
    ASSERT_FALSE(inputs.empty());
    for (const fs::path& input : inputs) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << base;
        ASSERT_NO_THROW(beastfinder::LoadConfig());
        const std::string snapshot = fuzz::Snapshot();
        const std::size_t live = server.Allocator().LiveBlocks();

        std::ofstream(file, std::ios::binary | std::ios::trunc) << ReadFile(input);
        EXPECT_ANY_THROW(beastfinder::LoadConfig()) << input.filename();
        EXPECT_EQ(fuzz::Snapshot(), snapshot) << input.filename();
        EXPECT_EQ(server.Allocator().LiveBlocks(), live) << input.filename();
        beastfinder::ResetConfig();
    }
    EXPECT_EQ(server.Allocator().LiveBlocks(), live_before);
    for (const auto& effect : server.TakeEffects()) {
        EXPECT_NE(effect.type, "fault") << effect.Text("what");
    }
    server.current_dir = saved_dir;
    fs::remove_all(dir);
}

}  // namespace
