// GCC 12 reports the JSON library's inlined string construction as an out-of-bounds map
// access (-Warray-bounds, a false positive); it can only be silenced for a whole file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/config.h"
#include "config/messages.h"
#include "host/logger.h"
#include "host/platform.h"
#include "sim/host/server.h"

namespace beastfinder {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

Json Colour(const host::ColorRGBA& c) {
    return Json::array({c.r, c.g, c.b, c.a});
}

Json Permission(const PermissionSettings& p) {
    return {{"Enabled", p.Enabled}, {"Name", p.Name}};
}

Json CoinVault(const CoinVaultSettings& c) {
    return {{"Enabled", c.Enabled}, {"Type", c.Type}, {"Cost", c.Cost}};
}

Json ArkShop(const ArkShopSettings& a) {
    return {{"Enabled", a.Enabled}, {"Cost", a.Cost}};
}

// Everything a load can change, in one comparable value.
Json Snapshot() {
    const PluginConfig& c = Config();
    Json excluded = Json::array();
    for (const host::FString& name : c.WildTracker.ExcludeSearch) {
        excluded.push_back(host::FStringToUtf8(name));
    }
    Json messages = Json::array();
    for (const MessageEntry& m : MessageCatalogue()) {
        messages.push_back({{"name", m.name},
                            {"text", host::Utf16ToUtf8(m.text)},
                            {"color", Colour(m.color)},
                            {"opacity", m.opacity},
                            {"scale", m.display_scale},
                            {"time", m.display_time}});
    }
    const auto& g = c.GlobalSettings;
    const auto& a = c.PremiumSettings.TrackingArrow;
    const auto& w = c.WildTracker;
    const auto& t = c.TameTracker;
    return {
        {"GlobalSettings",
         {{"ShowCoordsCombined", g.ShowCoordsCombined},
          {"TextColor", Colour(g.TextColor)},
          {"DinosPerPage", g.DinosPerPage},
          {"DisplayTime", g.DisplayTime},
          {"DisplayScale", g.DisplayScale}}},
        {"TrackingArrow",
         {{"Enabled", a.Enabled}, {"DisplayTime", a.DisplayTime}, {"Color", Colour(a.Color)}}},
        {"WildTracker",
         {{"Enabled", w.Enabled},
          {"Command", w.Command},
          {"Cooldown", w.Cooldown},
          {"RequiresAdmin", w.RequiresAdmin},
          {"ShowColors", w.ShowColors},
          {"ShowDistance", w.ShowDistance},
          {"ShowExactCoords", w.ShowExactCoords},
          {"ShowLevel", w.ShowLevel},
          {"MaxDistance", w.MaxDistance},
          {"MaxLevel", w.MaxLevel},
          {"MinLevel", w.MinLevel},
          {"ExcludeSearch", excluded},
          {"Permission", Permission(w.Permission)},
          {"CoinVault", CoinVault(w.CoinVault)},
          {"ArkShop", ArkShop(w.ArkShop)}}},
        {"TameTracker",
         {{"Command", t.Command},
          {"Cooldown", t.Cooldown},
          {"RequiresAdmin", t.RequiresAdmin},
          {"ShowDistance", t.ShowDistance},
          {"ShowExactCoords", t.ShowExactCoords},
          {"ShowLevel", t.ShowLevel},
          {"Permission", Permission(t.Permission)},
          {"CoinVault", CoinVault(t.CoinVault)},
          {"ArkShop", ArkShop(t.ArkShop)}}},
        {"AdminTracker",
         {{"Command", c.AdminTracker.Command},
          {"Permission", Permission(c.AdminTracker.Permission)}}},
        {"Loaded", {c.ArkShopLoaded, c.CoinVaultLoaded, c.PermissionsLoaded}},
        {"Messages", messages},
    };
}

class ConfigFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               fmt::format("bf-config-{}-{}", getpid(),
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "ArkApi/Plugins/Beastfinder");
        saved_dir_ = sim::TheServer().current_dir;
        sim::TheServer().current_dir = dir_.string();
        sim::TheServer().siblings.clear();
        host::CreatePluginLogger();
        ResetConfig();
        Logs();
        live_before_ = sim::TheServer().Allocator().LiveBlocks();
    }

    void TearDown() override {
        ResetConfig();
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live_before_) << "host blocks leaked";
        Logs();
        sim::TheServer().current_dir = saved_dir_;
        sim::TheServer().siblings.clear();
        fs::remove_all(dir_);
    }

    fs::path File() const { return dir_ / "ArkApi/Plugins/Beastfinder/config.json"; }

    void Write(std::string_view text) {
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
    }

    // The log lines since the last call, as "level: message"; host faults fail the test.
    std::vector<std::string> Logs() {
        std::vector<std::string> lines;
        for (const auto& effect : sim::TheServer().TakeEffects()) {
            EXPECT_NE(effect.type, "fault") << effect.Text("what");
            if (effect.type == "log") {
                lines.push_back(effect.Text("level") + ": " + effect.Text("message"));
            }
        }
        return lines;
    }

    std::vector<std::string> Warnings() {
        std::vector<std::string> warnings;
        for (const auto& line : Logs()) {
            if (line.starts_with("warning: ")) {
                warnings.push_back(line.substr(9));
            }
        }
        return warnings;
    }

    // Loads `text` and returns the error text ("" when it loaded).
    std::string LoadText(std::string_view text) {
        Write(text);
        try {
            LoadConfig();
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }

  private:
    fs::path dir_;
    std::string saved_dir_;
    std::size_t live_before_ = 0;
};

constexpr const char* kColourWarnings[] = {
    "NoPermission Should Have 3 Colors",         "NotEnoughTokens Should Have 3 Colors",
    "NotEnoughPoints Should Have 3 Colors",      "NotAdmin Should Have 3 Colors",
    "IncorrectSyntax Should Have 3 Colors",      "IncorrectSyntaxWild Should Have 3 Colors",
    "IncorrectSyntaxAdmin Should Have 3 Colors", "NoDinosFound Should Have 3 Colors",
    "SearchNotAllowed Should Have 3 Colors",     "WildTrackerCooldown Should Have 3 Colors",
};

TEST_F(ConfigFile, EmptyObjectLoadsEveryDefault) {
    ASSERT_EQ(LoadText("{}"), "");
    Json expected = Json::parse(R"({
      "GlobalSettings": {"ShowCoordsCombined": false, "TextColor": [0, 0, 0, 0],
                         "DinosPerPage": 10, "DisplayTime": 10.0, "DisplayScale": 0.5},
      "TrackingArrow": {"Enabled": true, "DisplayTime": 10.0, "Color": [0, 0, 0, 0]},
      "WildTracker": {"Enabled": false, "Command": "/trackwild", "Cooldown": 30,
                      "RequiresAdmin": false, "ShowColors": false, "ShowDistance": true,
                      "ShowExactCoords": true, "ShowLevel": true, "MaxDistance": 99999.0,
                      "MaxLevel": 999, "MinLevel": 1, "ExcludeSearch": [],
                      "Permission": {"Enabled": false, "Name": ""},
                      "CoinVault": {"Enabled": false, "Type": "", "Cost": 0},
                      "ArkShop": {"Enabled": false, "Cost": 0}},
      "TameTracker": {"Command": "/track", "Cooldown": 30, "RequiresAdmin": false,
                      "ShowDistance": true, "ShowExactCoords": true, "ShowLevel": true,
                      "Permission": {"Enabled": false, "Name": ""},
                      "CoinVault": {"Enabled": false, "Type": "", "Cost": 0},
                      "ArkShop": {"Enabled": false, "Cost": 0}},
      "AdminTracker": {"Command": "/trackadmin", "Permission": {"Enabled": false, "Name": ""}},
      "Loaded": [false, false, false]
    })");
    Json messages = Json::array();
    for (const std::string_view name : kMessageNames) {
        messages.push_back({{"name", name},
                            {"text", ""},
                            {"color", {255, 255, 255, 1}},
                            {"opacity", 1},
                            {"scale", 1},
                            {"time", 10}});
    }
    expected["Messages"] = messages;
    EXPECT_EQ(Snapshot(), expected);

    std::vector<std::string> warnings = {"Text Color Should Have 3 Colors",
                                         "Arrow Color Should Have 3 Colors"};
    warnings.insert(warnings.end(), std::begin(kColourWarnings), std::end(kColourWarnings));
    EXPECT_EQ(Warnings(), warnings);
}

TEST_F(ConfigFile, PresenceFlagsAreSampledAtEveryLoad) {
    sim::TheServer().siblings["ArkShop"].present = true;
    sim::TheServer().siblings["Permissions"].present = true;
    ASSERT_EQ(LoadText("{}"), "");
    EXPECT_EQ(Snapshot()["Loaded"], Json::array({true, false, true}));

    sim::TheServer().siblings["ArkShop"].present = false;
    sim::TheServer().siblings["CoinVault"].present = true;
    ASSERT_EQ(LoadText("{}"), "");
    EXPECT_EQ(Snapshot()["Loaded"], Json::array({false, true, true}));
}

TEST_F(ConfigFile, ColourRule) {
    struct Case {
        const char* value;
        std::string error;  // empty: loads
    };
    const host::ColorRGBA previous{0.25F, 0.5F, 0.75F, 1.0F};
    const Case cases[] = {
        {"[1, 0.5, 0]", ""},
        // Not three elements: warning, previous colour kept.
        {"[1, 0.5]", ""},
        {"[1, 2, 3, 4]", ""},
        {"\"red\"", ""},
        {"null", ""},
        {R"({"r": 1, "g": 2})", ""},
        // Three elements that are not three numbers fail the load.
        {R"({"r": 1, "g": 2, "b": 3})", "(/GlobalSettings/TextColor)"},
        {R"([1, "x", 0])", "(/GlobalSettings/TextColor/1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(LoadText(R"({"GlobalSettings": {"TextColor": [0.25, 0.5, 0.75]}})"), "");
        Logs();
        const std::string error =
            LoadText(fmt::format(R"({{"GlobalSettings": {{"TextColor": {}}}}})", c.value));
        const host::ColorRGBA& colour = Config().GlobalSettings.TextColor;
        if (!c.error.empty()) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            EXPECT_EQ(Colour(colour), Colour(previous));
            continue;
        }
        ASSERT_EQ(error, "");
        const auto warnings = Warnings();
        if (std::string_view(c.value) == "[1, 0.5, 0]") {
            EXPECT_EQ(Colour(colour), Json::array({1.0, 0.5, 0.0, 1.0}));
            EXPECT_EQ(warnings.front(), "Arrow Color Should Have 3 Colors");
        } else {
            EXPECT_EQ(Colour(colour), Colour(previous));
            EXPECT_EQ(warnings.front(), "Text Color Should Have 3 Colors");
        }
    }
}

TEST_F(ConfigFile, IntegerKeys) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        std::int32_t loaded;
        const char* warning;  // a substring, or null for no extra warning
        bool fails;
    };
    const Case cases[] = {
        {"GlobalSettings", "DinosPerPage", "12.7", 12, nullptr, false},
        {"GlobalSettings", "DinosPerPage", "true", 1, nullptr, false},
        {"GlobalSettings", "DinosPerPage", "2147483647.9", 2147483647, nullptr, false},
        {"GlobalSettings", "DinosPerPage", "0.99", 1, "/GlobalSettings/DinosPerPage", false},
        {"GlobalSettings", "DinosPerPage", "-3", 1, "/GlobalSettings/DinosPerPage", false},
        {"GlobalSettings", "DinosPerPage", "\"x\"", 0, nullptr, true},
        {"GlobalSettings", "DinosPerPage", "2147483648", 0, nullptr, true},
        {"GlobalSettings", "DinosPerPage", "1e10", 0, nullptr, true},
        {"WildTracker", "Cooldown", "-5", -5, nullptr, false},
        {"WildTracker", "MinLevel", "-1", -1, nullptr, false},
        {"WildTracker", "MaxLevel", "-2147483648.5", -2147483648, nullptr, false},
        {"TameTracker", "Cooldown", "[]", 0, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("{}.{} = {}", c.section, c.key, c.value));
        const std::string error =
            LoadText(fmt::format(R"({{"{}": {{"{}": {}}}}})", c.section, c.key, c.value));
        const auto warnings = Warnings();
        if (c.fails) {
            EXPECT_NE(error.find(fmt::format("(/{}/{})", c.section, c.key)), std::string::npos)
                << error;
            continue;
        }
        ASSERT_EQ(error, "");
        EXPECT_EQ(Snapshot()[c.section][c.key], c.loaded);
        const std::size_t expected_warnings = 12 + (c.warning != nullptr ? 1 : 0);
        ASSERT_EQ(warnings.size(), expected_warnings);
        if (c.warning != nullptr) {
            EXPECT_NE(warnings[1].find(c.warning), std::string::npos) << warnings[1];
        }
    }
}

TEST_F(ConfigFile, NegativeCostsAndNonAsciiNamesWarn) {
    ASSERT_EQ(
        LoadText(R"({"WildTracker": {"ArkShop": {"Cost": -5}, "Permission": {"Name": "Grüppe"}},
                           "TameTracker": {"Command": "/träck", "CoinVault": {"Cost": -1.5}}})"),
        "");
    EXPECT_EQ(Config().WildTracker.ArkShop.Cost, 0);
    EXPECT_EQ(Config().TameTracker.CoinVault.Cost, 0);
    EXPECT_EQ(Config().TameTracker.Command, "/träck");
    EXPECT_EQ(Config().WildTracker.Permission.Name, "Grüppe");
    const auto warnings = Warnings();
    ASSERT_EQ(warnings.size(), 16U);
    const char* paths[] = {"/WildTracker/Permission/Name", "/WildTracker/ArkShop/Cost",
                           "/TameTracker/Command", "/TameTracker/CoinVault/Cost"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NE(warnings[2 + i].find(paths[i]), std::string::npos) << warnings[2 + i];
    }
}

TEST_F(ConfigFile, ExcludeSearchShapes) {
    struct Case {
        const char* value;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {R"(["Rex", "Ärger", ""])", {"Rex", "Ärger", ""}},
        {R"("Giga")", {"Giga"}},
        {R"({"b": "Two", "a": "One"})", {"One", "Two"}},
        {"[]", {}},
        {"null", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(LoadText(fmt::format(R"({{"WildTracker": {{"ExcludeSearch": {}}}}})", c.value)),
                  "");
        EXPECT_EQ(Snapshot()["WildTracker"]["ExcludeSearch"], Json(c.names));
        for (const host::FString& name : Config().WildTracker.ExcludeSearch) {
            if (name.Data() != nullptr) {
                EXPECT_TRUE(sim::TheServer().Allocator().Owns(name.Data()));
            }
        }
    }
}

TEST_F(ConfigFile, TwoReloadsHoldTheNamesOnce) {
    Write(R"({"WildTracker": {"ExcludeSearch": ["Rex", "Giga"]}})");
    LoadConfig();
    LoadConfig();
    EXPECT_EQ(Snapshot()["WildTracker"]["ExcludeSearch"], Json::array({"Rex", "Giga"}));
}

TEST_F(ConfigFile, TextAfterTheFirstValueIsIgnored) {
    ASSERT_EQ(LoadText(R"({"GlobalSettings": {"DinosPerPage": 7}} and then {"junk": )"), "");
    EXPECT_EQ(Config().GlobalSettings.DinosPerPage, 7);
}

// The loader logs these itself, once; the error's text is what an RCON reload replies.
TEST_F(ConfigFile, UnreadableFileIsLoggedOnce) {
    EXPECT_THROW(LoadConfig(), ConfigLoadError);
    EXPECT_EQ(Logs(), std::vector<std::string>{"error: Failed to load config.json"});
    for (const char* text : {R"({"GlobalSettings": })", "", "{\"a\": 1"}) {
        SCOPED_TRACE(text);
        Write(text);
        try {
            LoadConfig();
            ADD_FAILURE() << "loaded text that is not JSON";
        } catch (const ConfigLoadError& error) {
            const std::string what = error.what();
            EXPECT_TRUE(what.starts_with("[json.exception.parse_error.")) << what;
            EXPECT_EQ(Logs(), std::vector<std::string>{"error: " + what});
        }
    }
}

TEST_F(ConfigFile, FailedLoadChangesNothing) {
    sim::TheServer().siblings["ArkShop"].present = true;
    ASSERT_EQ(LoadText(R"({
      "GlobalSettings": {"TextColor": [0.1, 0.2, 0.3], "DinosPerPage": 4, "DisplayScale": 0.8},
      "PremiumSettings": {"TrackingArrow": {"Color": [1, 0, 0], "Enabled": false}},
      "WildTracker": {"Command": "/wild", "ExcludeSearch": ["Rex", "Titan"],
                      "CoinVault": {"Enabled": true, "Type": "Gold", "Cost": 3}},
      "TameTracker": {"Command": "/tame", "Permission": {"Enabled": true, "Name": "VIP"}},
      "AdminTracker": {"Command": "/admin"},
      "Messages": {"NotAdmin": {"Message": "Admins only", "Colors": [1, 0, 0],
                                "DisplayTime": 3}}
    })"),
              "");
    const Json before = Snapshot();
    sim::TheServer().siblings["ArkShop"].present = false;
    sim::TheServer().siblings["CoinVault"].present = true;

    struct Failing {
        const char* text;
        const char* error;  // a substring of the error's text
    };
    const Failing failing[] = {
        // Wrong type late in the file: global, wild and tame settings differ before it.
        {R"({"GlobalSettings": {"TextColor": [1], "DinosPerPage": 9},
            "WildTracker": {"ExcludeSearch": ["Other"]},
            "TameTracker": {"Command": "/t"}, "AdminTracker": {"Command": 5}})",
         "(/AdminTracker/Command) type must be string"},
        {R"({"WildTracker": {"ExcludeSearch": ["Dodo", 5]}})", "(/WildTracker/ExcludeSearch/1)"},
        {R"({"WildTracker": {"ExcludeSearch": 5}})", "(/WildTracker/ExcludeSearch)"},
        {R"({"WildTracker": {"Permission": {"Enabled": "yes"}}})",
         "(/WildTracker/Permission/Enabled)"},
        {R"({"GlobalSettings": []})", "(/GlobalSettings) cannot use value() with array"},
        {R"({"PremiumSettings": {"TrackingArrow": 1}})", "(/PremiumSettings/TrackingArrow)"},
        {R"({"GlobalSettings": {"DinosPerPage": 4294967296}})", "(/GlobalSettings/DinosPerPage)"},
        {R"({"Messages": {"NoPermission": {"Message": "changed"}, "NotAdmin": "bare"}})",
         "(/Messages/NotAdmin)"},
        {R"({"Messages": {"NotAdmin": {"DisplayTime": 1e12}}})",
         "(/Messages/NotAdmin/DisplayTime)"},
        {R"({"Messages": []})", "(/Messages)"},
        {"[]", "cannot use value() with array"},
    };
    for (const Failing& f : failing) {
        SCOPED_TRACE(f.text);
        const std::string error = LoadText(f.text);
        EXPECT_NE(error.find(f.error), std::string::npos) << error;
        EXPECT_EQ(Snapshot(), before);
        for (const auto& line : Logs()) {
            EXPECT_FALSE(line.starts_with("error: ")) << "its callers report it: " << line;
        }
    }
    // Warnings are logged as the keys are read, even when a later key fails.
    LoadText(failing[0].text);
    EXPECT_EQ(Warnings().front(), "Text Color Should Have 3 Colors");
    for (const char* unreadable : {"{", ""}) {
        Write(unreadable);
        EXPECT_THROW(LoadConfig(), ConfigLoadError);
        EXPECT_EQ(Snapshot(), before);
    }
    fs::remove(File());
    EXPECT_THROW(LoadConfig(), ConfigLoadError);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(ConfigFile, ResetReleasesEverything) {
    ASSERT_EQ(LoadText(R"({"WildTracker": {"ExcludeSearch": ["Rex", "Giga"]},
                           "Messages": {"NotAdmin": {"Message": "Admins only"}}})"),
              "");
    ResetConfig();
    Json empty = Snapshot();
    EXPECT_EQ(empty["WildTracker"]["ExcludeSearch"], Json::array());
    EXPECT_EQ(empty["Messages"], Json::array());
    EXPECT_EQ(empty["WildTracker"]["Command"], "");
    EXPECT_EQ(MessageCatalogue().Capacity(), 0);
    // The fixture checks the host allocator's account after the test.
}

std::string ReadSource(const char* relative) {
    std::ifstream file(fs::path(BF_SOURCE_DIR) / relative, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << relative;
    return {std::istreambuf_iterator<char>(file), {}};
}

constexpr const char* kPackagedConfig = "package/config.json";
constexpr const char* kExampleConfig = "examples/server/ArkApi/Plugins/Beastfinder/config.json";

// JSON pointers of every value that is not an object.
void LeafPaths(const Json& value, const std::string& at, std::vector<std::string>& out) {
    if (!value.is_object()) {
        out.push_back(at);
        return;
    }
    for (const auto& [key, member] : value.items()) {
        LeafPaths(member, at + "/" + key, out);
    }
}

std::vector<std::string> LeafPaths(const Json& value) {
    std::vector<std::string> out;
    LeafPaths(value, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(ConfigFile, ShippedFilesSpellOutEveryKey) {
    // Every key the loader reads, named as it stands in the file.
    ASSERT_EQ(LoadText("{}"), "");
    Json loaded = Snapshot();
    Json keys = Json::object();
    for (const char* section : {"GlobalSettings", "WildTracker", "TameTracker", "AdminTracker"}) {
        keys[section] = loaded[section];
    }
    keys["PremiumSettings"]["TrackingArrow"] = loaded["TrackingArrow"];
    for (const Json& message : loaded["Messages"]) {
        keys["Messages"][message["name"].get<std::string>()] = {
            {"Message", 0}, {"Colors", 0}, {"DisplayTime", 0}, {"DisplayScale", 0}, {"Opacity", 0}};
    }
    const std::vector<std::string> expected = LeafPaths(keys);
    ASSERT_EQ(expected.size(), 93U);
    for (const char* file : {kPackagedConfig, kExampleConfig}) {
        EXPECT_EQ(LeafPaths(Json::parse(ReadSource(file))), expected) << file;
    }
}

TEST_F(ConfigFile, PackagedConfigHoldsTheDefaults) {
    ASSERT_EQ(LoadText("{}"), "");
    Json defaults = Snapshot();
    ResetConfig();
    Logs();
    ASSERT_EQ(LoadText(ReadSource(kPackagedConfig)), "");
    EXPECT_EQ(Logs(), std::vector<std::string>{});
    Json packaged = Snapshot();

    // Colours have no default a file can state (absent keeps the previous one, with a
    // warning), and a message's default is an empty text in a colour far above white: the
    // package spells these out. Everything else is exactly what an absent key gives.
    const auto visible = [](const Json& colour) {
        return colour.size() == 4 && colour[3] == 1.0 &&
               std::all_of(colour.begin(), colour.begin() + 3,
                           [](const Json& c) { return c >= 0.0 && c <= 1.0; });
    };
    EXPECT_TRUE(visible(packaged["GlobalSettings"]["TextColor"]));
    EXPECT_TRUE(visible(packaged["TrackingArrow"]["Color"]));
    for (const Json& message : packaged["Messages"]) {
        EXPECT_NE(message["text"], "") << message["name"];
        EXPECT_TRUE(visible(message["color"])) << message["name"];
    }
    for (Json* snapshot : {&defaults, &packaged}) {
        (*snapshot)["GlobalSettings"].erase("TextColor");
        (*snapshot)["TrackingArrow"].erase("Color");
        for (Json& message : (*snapshot)["Messages"]) {
            message.erase("text");
            message.erase("color");
        }
    }
    EXPECT_EQ(packaged, defaults);
}

TEST_F(ConfigFile, ShippedExampleLoadsCleanly) {
    ASSERT_EQ(LoadText(ReadSource(kExampleConfig)), "");
    EXPECT_EQ(Logs(), std::vector<std::string>{});
    const Json loaded = Snapshot();
    EXPECT_EQ(loaded["TameTracker"]["Command"], "/track");
    for (const auto& message : loaded["Messages"]) {
        EXPECT_NE(message["text"], "") << message["name"];
    }
}

}  // namespace
}  // namespace beastfinder
