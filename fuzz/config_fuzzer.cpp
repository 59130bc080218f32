// The configuration loader on arbitrary bytes: a load either succeeds or changes nothing at
// all (settings, excluded names, message catalogue), and never loses host memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/config.h"
#include "fuzz/config_snapshot.h"
#include "fuzz/harness.h"
#include "host/logger.h"

namespace {

using fuzz::Snapshot;

bool Load() {
    try {
        beastfinder::LoadConfig();
        return true;
    } catch (...) {
        return false;
    }
}

std::filesystem::path dir;
std::string base_config;
std::string base_snapshot;
std::size_t base_live = 0;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    beastfinder::host::CreatePluginLogger();
    dir = fuzz::ServerDir("config");
    // A loaded configuration with exclusions and messages, so a failed load has something to
    // keep.
    base_config = fuzz::ReadFile(std::string(BF_SOURCE_DIR) + "/fuzz/base-config.json");
    fuzz::WriteConfig(dir, base_config);
    if (!Load()) {
        fuzz::Fail("the base configuration does not load");
    }
    fuzz::CheckEffects();
    base_snapshot = Snapshot();
    base_live = sim::TheServer().Allocator().LiveBlocks();
    // Released at exit while the simulated server, made after the plugin's records, still
    // lives: the records are never destroyed, and freed host blocks would strand their text.
    std::atexit([] { beastfinder::ResetConfig(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteConfig(dir, std::string_view(reinterpret_cast<const char*>(data), size));
    if (Load()) {
        fuzz::CheckEffects();
        // Back to the base, which must also load again (a reload after a good load).
        fuzz::WriteConfig(dir, base_config);
        if (!Load()) {
            fuzz::Fail("the base configuration no longer loads");
        }
    }
    fuzz::CheckEffects();
    if (Snapshot() != base_snapshot) {
        fuzz::Fail("the configuration differs from the snapshot after the input");
    }
    fuzz::CheckLive(base_live, "after the load");
    return 0;
}
