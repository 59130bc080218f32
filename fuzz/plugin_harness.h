// The plugin module, loaded as the framework loads it, in a small fixed world: three players
// (one an administrator), four creatures, and the sibling plugins with balances.
#pragma once

#include <string>

#include "fuzz/harness.h"
#include "sim/framework/module.h"
#include "sim/framework/siblings.h"
#include "sim/script/world.h"

namespace fuzz {

class PluginUnderTest {
  public:
    explicit PluginUnderTest(const char* target) {
        auto& server = sim::TheServer();
        dir_ = ServerDir(target);
        WriteConfig(dir_, ReadFile(std::string(BF_SOURCE_DIR) + "/fuzz/base-config.json"));
        sim::ApplyWorld(server,
                        sim::ReadWorldFile(std::string(BF_SOURCE_DIR) + "/fuzz/world.json"));
        server.TakeEffects();
        if (!module_.Open(BF_PLUGIN_MODULE_PATH) || !module_.Started()) {
            Fail("the plugin did not start: " + module_.Error());
        }
        CheckEffects();
    }

    // What the plugin holds between commands, once it has run `warm_up`.
    template <typename WarmUp>
    void Settle(WarmUp&& warm_up) {
        warm_up();
        CheckEffects();
        live_ = sim::TheServer().Allocator().LiveBlocks();
    }

    void SetSiblings(bool present) {
        if (present == siblings_present_) {
            return;
        }
        for (const char* name : {"ArkShop", "CoinVault", "Permissions"}) {
            std::string error;
            if (!sim::SetSiblingPresent(name, present, &error)) {
                Fail("sibling " + std::string(name) + ": " + error);
            }
        }
        siblings_present_ = present;
    }

    void AfterInput(const char* what) {
        CheckEffects();
        CheckLive(live_, what);
    }

    sim::Player& Player(const char* name) { return *sim::TheServer().FindPlayer(name); }
    const std::filesystem::path& Dir() const { return dir_; }

  private:
    std::filesystem::path dir_;
    sim::PluginModule module_;
    std::size_t live_ = 0;
    bool siblings_present_ = true;
};

// UTF-16 code units from raw bytes, two at a time (little-endian); an odd last byte is
// dropped.
inline std::u16string Units(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}

}  // namespace fuzz
