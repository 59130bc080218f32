// The files written from the key table, and the warnings about keys it does not hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/config.h"
#include "config/keys.h"
#include "config/schema.h"
#include "host/logger.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

namespace beastfinder::config {
namespace {

namespace fs = std::filesystem;
std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// BF_UPDATE_CONFIG_FILES=1 rewrites the shipped copies after a change to the key table.
TEST(ConfigFiles, ShippedCopiesAreGeneratedFromTheKeyTable) {
    struct Copy {
        const char* path;
        std::string text;
    };
    const std::string schema = SchemaText();
    const Copy copies[] = {
        {"package/config.json", DefaultConfigText()},
        {"package/config.schema.json", schema},
        {"examples/server/ArkApi/Plugins/Beastfinder/config.schema.json", schema},
        {"examples/translations/config.schema.json", schema},
    };
    const char* update = std::getenv("BF_UPDATE_CONFIG_FILES");
    for (const Copy& copy : copies) {
        const fs::path path = fs::path(BF_SOURCE_DIR) / copy.path;
        if (update != nullptr && update == std::string("1")) {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << copy.text;
        }
        EXPECT_EQ(ReadFile(path), copy.text)
            << copy.path << " is stale: run the tests with BF_UPDATE_CONFIG_FILES=1";
    }
}

class KnownKeys : public bftest::HostTest {
  protected:
    void SetUp() override {
        saved_dir_ = sim::TheServer().current_dir;
        sim::TheServer().current_dir = server_.Root().string();
        host::CreatePluginLogger();
        HostTest::SetUp();
    }
    void TearDown() override {
        ResetConfig();
        HostTest::TearDown();
        sim::TheServer().current_dir = saved_dir_;
    }

    // The warnings of loading `text`.
    std::vector<std::string> Load(const std::string& text) {
        std::ofstream(server_.ConfigFile(), std::ios::binary | std::ios::trunc) << text;
        LoadConfig();
        std::vector<std::string> warnings;
        for (const auto& effect : bftest::TakeEffects()) {
            if (effect.type == "log" && effect.Text("level") == "warning") {
                warnings.push_back(effect.Text("message"));
            }
        }
        return warnings;
    }

    bftest::ScratchServer server_;
    std::string saved_dir_;
};

TEST_F(KnownKeys, UnknownOnesAreNamedWithTheKeyProbablyMeant) {
    const std::string colours =
        R"("TextColor": [1, 1, 1]}, "PremiumSettings": {"TrackingArrow": {"Color": [1, 0, 0]}})";
    struct Case {
        std::string text;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {R"({"$schema": "x", "GlobalSettings": {"DinosPerPage": 3, )" + colours + "}", {}},
        {R"({"GlobalSettings": {"DinosPerpage": 3, "TextColour": 1, "Speed": 2, )" + colours +
             R"(, "WildTraker": {"Cooldown": {"Nested": 1}}, "Extra": {"Deep": 1}})",
         // In key order: the parsed document keeps no other.
         {"unknown key /Extra",
          "unknown key /GlobalSettings/DinosPerpage, did you mean DinosPerPage?",
          "unknown key /GlobalSettings/Speed",
          "unknown key /GlobalSettings/TextColour, did you mean TextColor?",
          "unknown key /WildTraker, did you mean WildTracker?"}},
        // Catalogue names, keys inside an entry, and keys of the nested sections.
        {R"({"GlobalSettings": {)" + colours +
             R"(, "Messages": {"NoDinoFound": {}, "NotAdmin": {"Colors": [1, 1, 1], "Mesage": "x"}},
             "TameTracker": {"ArkShop": {"Cots": 1}, "Permission": {"name": "x"}}})",
         {"unknown key /Messages/NoDinoFound, did you mean NoDinosFound?",
          "unknown key /Messages/NotAdmin/Mesage, did you mean Message?",
          "unknown key /TameTracker/ArkShop/Cots, did you mean Cost?",
          "unknown key /TameTracker/Permission/name, did you mean Name?"}},
        // Pointer characters are escaped; control characters cannot start a log line.
        {R"({"GlobalSettings": {)" + colours + R"(, "a/b~c": 1, "x\ny": 2})",
         {"unknown key /a~1b~0c", "unknown key /x?y"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings = Load(c.text);
        std::erase_if(warnings,
                      [](const std::string& w) { return w.ends_with("Should Have 3 Colors"); });
        EXPECT_EQ(warnings, c.warnings) << c.text;
    }
}

TEST_F(KnownKeys, TheDefaultFileLoadsWithoutAWarning) {
    EXPECT_EQ(Load(DefaultConfigText()), std::vector<std::string>{});
}

TEST(ClosestKey, OnlyLikelySlipsAreSuggested) {
    const ConfigKey& root = RootKey();
    const ConfigKey& global = root.children[1];
    ASSERT_EQ(global.name, "GlobalSettings");
    struct Case {
        const char* typed;
        const char* meant;
    };
    for (const Case& c :
         {Case{"dinosperpage", "DinosPerPage"}, Case{"DinosPrePage", "DinosPerPage"},
          Case{"DisplayTim", "DisplayTime"}, Case{"DisplayScales", "DisplayScale"},
          Case{"DinosPage", ""}, Case{"Colour", ""}, Case{"", ""}, Case{"ShowCoords", ""}}) {
        EXPECT_EQ(ClosestKey(global, c.typed), c.meant) << c.typed;
    }
}

}  // namespace
}  // namespace beastfinder::config
