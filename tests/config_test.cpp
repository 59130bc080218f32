// GCC 12 reports the JSON library's inlined string construction as an out-of-bounds map
// access (-Warray-bounds, a false positive); it can only be silenced for a whole file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/config.h"
#include "config/key_table.h"
#include "config/loader.h"
#include "config/messages.h"
#include "host/log.h"
#include "host/logger.h"
#include "host/platform.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

// Everything a load can change, as one comparable value: each setting under the name of
// its key in the file. Static, so that no other test file's conversions clash with these.
namespace beastfinder {

using Json = nlohmann::json;

namespace {

// Writes each setting the key table describes at its place in a JSON object.
class SettingsWriter {
  public:
    explicit SettingsWriter(Json& root) : section_(&root) {}

    template <typename Body>
    void Section(std::string_view name, std::string_view, Body&& body) {
        Json* outer = std::exchange(section_, &(*section_)[std::string(name)]);
        *section_ = Json::object();
        body();
        section_ = outer;
    }
    template <typename Field>
    void Put(std::string_view name, const Field& value) {
        (*section_)[std::string(name)] = value;
    }
    void Bool(std::string_view name, bool& field, bool, std::string_view) { Put(name, field); }
    void Integer(std::string_view name, std::int32_t& field, std::int32_t, config::Floor,
                 std::string_view) {
        Put(name, field);
    }
    void Number(std::string_view name, float& field, double, std::string_view) { Put(name, field); }
    void Text(std::string_view name, std::string& field, std::string_view, config::AsciiRule,
              std::string_view) {
        Put(name, field);
    }
    void Colour(std::string_view name, host::ColorRGBA& field, const config::ColourRule&,
                std::string_view) {
        Put(name, field);
    }
    void NameList(std::string_view name, host::HostArray<host::FString>& field, std::string_view) {
        Json names = Json::array();
        for (const host::FString& each : field) {
            names.push_back(host::FStringToUtf8(each));
        }
        Put(name, names);
    }

  private:
    Json* section_;
};

}  // namespace

namespace host {
static void to_json(Json& j, const ColorRGBA& c) {
    j = Json::array({c.r, c.g, c.b, c.a});
}
}  // namespace host

static void to_json(Json& j, const MessageEntry& m) {
    j = {{"name", m.name},
         {"Message", host::Utf16ToUtf8(m.text)},
         {"Colors", m.color},
         {"DisplayTime", m.display_time},
         {"DisplayScale", m.display_scale},
         {"Opacity", m.opacity}};
}

namespace {

namespace fs = std::filesystem;

Json Snapshot() {
    Json snapshot = Json::object();
    SettingsWriter writer(snapshot);
    config::DescribeSettings(writer, Config());
    snapshot["Messages"] = Json::array();
    for (const MessageEntry& m : MessageCatalogue()) {
        snapshot["Messages"].push_back(m);
    }
    for (std::size_t i = 0; i < kPlayerTexts.size(); ++i) {
        snapshot["PlayerTexts"][std::string(kPlayerTexts[i].name)] =
            host::Utf16ToUtf8(TextOf(static_cast<PlayerText>(i)));
    }
    return snapshot;
}

class ConfigFile : public bftest::HostTest {
  protected:
    void SetUp() override {
        saved_dir_ = sim::TheServer().current_dir;
        sim::TheServer().current_dir = server_.Root().string();
        sim::TheServer().siblings.clear();
        host::CreatePluginLogger();
        ResetConfig();
        HostTest::SetUp();
    }

    void TearDown() override {
        ResetConfig();
        HostTest::TearDown();
        sim::TheServer().current_dir = saved_dir_;
        sim::TheServer().siblings.clear();
    }

    fs::path File() const { return server_.ConfigFile(); }
    std::string FileAsLogged() const { return server_.ConfigPathAsLogged(); }

    void Write(std::string_view text) {
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
    }

    // The log lines since the last call, as "level: message".
    static std::vector<std::string> Logs() {
        std::vector<std::string> lines;
        for (const auto& effect : bftest::TakeEffects()) {
            if (effect.type == "log") {
                lines.push_back(effect.Text("level") + ": " + effect.Text("message"));
            }
        }
        return lines;
    }

    static std::vector<std::string> Warnings() {
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
    bftest::ScratchServer server_;
    std::string saved_dir_;
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
                         "DinosPerPage": 10, "DisplayTime": 10.0, "DisplayScale": 0.5,
                         "LogPayments": false},
      "PremiumSettings": {"TrackingArrow": {"Enabled": true, "DisplayTime": 10.0,
                                            "Color": [0, 0, 0, 0]}},
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
      "AdminTracker": {"Command": "/trackadmin", "Permission": {"Enabled": false, "Name": ""}}
    })");
    for (const CatalogueMessageInfo& message : kCatalogueMessages) {
        expected["Messages"].push_back({{"name", message.name},
                                        {"Message", ""},
                                        {"Colors", {255, 255, 255, 1}},
                                        {"DisplayTime", 10},
                                        {"DisplayScale", 1},
                                        {"Opacity", 1}});
    }
    for (const PlayerTextInfo& text : kPlayerTexts) {
        expected["PlayerTexts"][std::string(text.name)] = text.default_text;
    }
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_TRUE(sim::TheServer().Allocator().Owns(MessageCatalogue().begin()));

    std::vector<std::string> warnings = {"Text Color Should Have 3 Colors",
                                         "Arrow Color Should Have 3 Colors"};
    warnings.insert(warnings.end(), std::begin(kColourWarnings), std::end(kColourWarnings));
    EXPECT_EQ(Warnings(), warnings);
}

// Each case sets one key over a file that sets only the text colour.
TEST_F(ConfigFile, KeysThatLoadWarnOrFail) {
    struct Case {
        const char* key;  // JSON pointer
        const char* value;
        Json loaded;          // what the key holds afterwards; null: the load fails
        std::string message;  // the warning logged, or the key path a failure names ("": key)
    };
    const char* base = R"({"GlobalSettings": {"TextColor": [0.25, 0.5, 0.75]}})";
    const Json kept = {0.25, 0.5, 0.75, 1.0};
    const std::string not_three = "Text Color Should Have 3 Colors";
    const Case cases[] = {
        // A colour is three numbers; any other size keeps the previous one, with a warning.
        {"/GlobalSettings/TextColor", "[1, 0.5, 0]", {1.0, 0.5, 0.0, 1.0}, ""},
        {"/GlobalSettings/TextColor", "[1, 0.5]", kept, not_three},
        {"/GlobalSettings/TextColor", "[1, 2, 3, 4]", kept, not_three},
        {"/GlobalSettings/TextColor", "\"red\"", kept, not_three},
        {"/GlobalSettings/TextColor", "null", kept, not_three},
        {"/GlobalSettings/TextColor", R"({"r": 1, "g": 2})", kept, not_three},
        {"/GlobalSettings/TextColor", R"({"r": 1, "g": 2, "b": 3})", nullptr, ""},
        {"/GlobalSettings/TextColor", R"([1, "x", 0])", nullptr, "/GlobalSettings/TextColor/1"},
        // Integers: fractions cut, 32 bits or a failure naming the key.
        {"/GlobalSettings/DinosPerPage", "12.7", 12, ""},
        {"/GlobalSettings/DinosPerPage", "true", 1, ""},
        {"/GlobalSettings/DinosPerPage", "2147483647.9", 2147483647, ""},
        {"/GlobalSettings/DinosPerPage", "0.99", 1,
         "/GlobalSettings/DinosPerPage is 0, below 1: using 1"},
        {"/GlobalSettings/DinosPerPage", "-3", 1,
         "/GlobalSettings/DinosPerPage is -3, below 1: using 1"},
        {"/GlobalSettings/DinosPerPage", "\"x\"", nullptr, ""},
        {"/GlobalSettings/DinosPerPage", "2147483648", nullptr, ""},
        {"/GlobalSettings/DinosPerPage", "1e10", nullptr, ""},
        {"/WildTracker/Cooldown", "-5", -5, ""},
        {"/WildTracker/MinLevel", "-1", -1, ""},
        {"/WildTracker/MaxLevel", "-2147483648.5", -2147483648, ""},
        {"/TameTracker/Cooldown", "[]", nullptr, ""},
        // A negative spend would credit the player.
        {"/WildTracker/ArkShop/Cost", "-5", 0, "/WildTracker/ArkShop/Cost is -5, below 0: using 0"},
        {"/TameTracker/CoinVault/Cost", "-1.5", 0,
         "/TameTracker/CoinVault/Cost is -1, below 0: using 0"},
        {"/TameTracker/Command", "\"/träck\"", "/träck",
         "/TameTracker/Command \"/träck\" is not plain ASCII: the command will never match"},
        // Names no one can type or that another command answers first, and a slipped cooldown.
        {"/WildTracker/Command", "\"\"", "",
         "/WildTracker/Command \"\" is empty: no chat line can start it"},
        {"/AdminTracker/Command", "\"  \"", "  ",
         "/AdminTracker/Command \"  \" is blank: no chat line can start it"},
        // Values reach the log as they would be written in the file: no control character,
        // line separator or bidirectional control of theirs can forge or reorder a line.
        {"/AdminTracker/Command", "\" \\t\"", " \t",
         "/AdminTracker/Command \" \\t\" holds a control character: no chat line can start it, "
         "so it is not registered"},
        {"/TameTracker/Command", R"("/t\n01/01/25 00:00 [Beastfinder][error] FORGED\u001b[2J")",
         "/t\n01/01/25 00:00 [Beastfinder][error] FORGED\x1b[2J",
         "/TameTracker/Command \"/t\\n01/01/25 00:00 [Beastfinder][error] FORGED\\x1b[2J\" holds "
         "a control character: no chat line can start it, so it is not registered"},
        {"/WildTracker/Command", R"("/w\"ä\\\u2028\u202e\u2066\u0085\u061c")",
         "/w\"ä\\\u2028\u202e\u2066\xc2\x85\u061c",
         "/WildTracker/Command \"/w\\\"ä\\\\\\u2028\\u202e\\u2066\\u0085\\u061c\" is not plain "
         "ASCII: the command will never match"},
        {"/AdminTracker/Permission/Name", R"("Grüppe\r\n[Beastfinder][error] FORGED")",
         "Grüppe\r\n[Beastfinder][error] FORGED",
         "/AdminTracker/Permission/Name \"Grüppe\\r\\n[Beastfinder][error] FORGED\" is not plain "
         "ASCII: no group can hold it"},
        {"/AdminTracker/Command", "\"/BF.Reload\"", "/BF.Reload",
         "/AdminTracker/Command \"/BF.Reload\" is also the chat reload command: only one of them "
         "will answer"},
        {"/WildTracker/Command", "\"/track\"", "/track",
         "/TameTracker/Command \"/track\" is also /WildTracker/Command: only one of them will "
         "answer"},
        {"/WildTracker/Cooldown", "86400", 86400, ""},
        {"/WildTracker/Cooldown", "2000000000", 2000000000,
         "/WildTracker/Cooldown is 2000000000 seconds, more than a day: players wait that long "
         "between searches"},
        {"/WildTracker/Permission/Name", "\"Grüppe\"", "Grüppe",
         "/WildTracker/Permission/Name \"Grüppe\" is not plain ASCII: no group can hold it"},
        // A lone name is a list of one; an object gives its values in key order.
        {"/WildTracker/ExcludeSearch", R"(["Rex", "Ärger", ""])", {"Rex", "Ärger", ""}, ""},
        {"/WildTracker/ExcludeSearch", R"("Giga")", {"Giga"}, ""},
        {"/WildTracker/ExcludeSearch", R"({"b": "Two", "a": "One"})", {"One", "Two"}, ""},
        {"/WildTracker/ExcludeSearch", "[]", Json::array(), ""},
        {"/WildTracker/ExcludeSearch", "null", Json::array(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("{} = {}", c.key, c.value));
        ASSERT_EQ(LoadText(base), "");
        const Json before = Snapshot();
        Logs();
        const Json::json_pointer key(c.key);
        Json file = Json::parse(base);
        file[key] = Json::parse(c.value);
        const std::string error = LoadText(file.dump());
        std::vector<std::string> warnings = Warnings();
        if (c.loaded.is_null()) {
            const std::string path = c.message.empty() ? c.key : c.message;
            EXPECT_NE(error.find("(" + path + ")"), std::string::npos) << error;
            EXPECT_EQ(Snapshot(), before);
            continue;
        }
        ASSERT_EQ(error, "");
        EXPECT_EQ(Snapshot()[key], c.loaded);
        std::erase_if(warnings, [](const std::string& w) {
            return w == "Arrow Color Should Have 3 Colors" ||
                   std::find(std::begin(kColourWarnings), std::end(kColourWarnings), w) !=
                       std::end(kColourWarnings);
        });
        EXPECT_EQ(warnings, c.message.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{c.message});
        LoadConfig();  // the same file again: the same settings, names held once
        EXPECT_EQ(Snapshot()[key], c.loaded);
        for (const host::FString& name : Config().WildTracker.ExcludeSearch) {
            EXPECT_TRUE(name.Data() == nullptr || sim::TheServer().Allocator().Owns(name.Data()));
        }
    }
}

TEST_F(ConfigFile, TextAfterTheFirstValueIsIgnored) {
    ASSERT_EQ(LoadText(R"({"GlobalSettings": {"DinosPerPage": 7}} and then {"junk": )"), "");
    EXPECT_EQ(Config().GlobalSettings.DinosPerPage, 7);
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

    // The loader logs a file it cannot read or parse itself, once; the error's text is what
    // an RCON reload replies.
    for (const char* unreadable :
         std::initializer_list<const char*>{R"({"GlobalSettings": })", "", "{\"a\": 1", nullptr}) {
        SCOPED_TRACE(unreadable != nullptr ? unreadable : "(no file)");
        if (unreadable != nullptr) {
            Write(unreadable);
        } else {
            fs::remove(File());
        }
        try {
            LoadConfig();
            ADD_FAILURE() << "loaded a file it cannot read";
        } catch (const ConfigLoadError& error) {
            const std::string what = error.what();
            EXPECT_TRUE(unreadable != nullptr
                            ? what.starts_with("[json.exception.parse_error.")
                            : what == "Failed to load config.json: cannot open " + FileAsLogged())
                << what;
            EXPECT_EQ(Logs(), std::vector<std::string>{"error: " + what});
        }
        EXPECT_EQ(Snapshot(), before);
    }
}

// Real files are a few kilobytes: one past a mebibyte is refused before it is read, at start-up
// and reload alike, and changes nothing.
TEST_F(ConfigFile, AFileOverAMebibyteIsNotRead) {
    const std::string small = R"({"GlobalSettings": {"DinosPerPage": 4}})";
    constexpr std::size_t kBound = 1024 * 1024;
    ASSERT_EQ(LoadText(small + std::string(kBound - small.size(), ' ')), "");
    const Json before = Snapshot();
    Logs();
    const std::string expected =
        "Failed to load config.json: " + FileAsLogged() + " is larger than 1048576 bytes";
    for (const std::string& text :
         {small + std::string(kBound - small.size() + 1, ' '), std::string(8 * kBound, '[')}) {
        SCOPED_TRACE(text.size());
        Write(text);
        try {
            LoadConfig();
            ADD_FAILURE() << "loaded a file of " << text.size() << " bytes";
        } catch (const ConfigLoadError& error) {
            EXPECT_EQ(error.what(), expected);
            EXPECT_EQ(Logs(), std::vector<std::string>{"error: " + expected});
        }
        EXPECT_EQ(Snapshot(), before);
    }
}

// Only a regular file is read: a folder or a pipe in its place fails like a missing file,
// at once and with the loader's own line.
TEST_F(ConfigFile, AnythingButARegularFileFailsToLoad) {
    ASSERT_EQ(LoadText(R"({"GlobalSettings": {"DinosPerPage": 4}})"), "");
    const Json before = Snapshot();
    Logs();
    std::vector<std::string> kinds = {"folder"};
#ifndef _WIN32
    kinds.push_back("pipe");
#endif
    for (const std::string& kind : kinds) {
        SCOPED_TRACE(kind);
        fs::remove(File());
        if (kind == "folder") {
            fs::create_directory(File());
        }
#ifndef _WIN32
        if (kind == "pipe") {
            ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
        }
#endif
        try {
            LoadConfig();
            ADD_FAILURE() << "loaded a " << kind;
        } catch (const ConfigLoadError& error) {
            const std::string expected =
                "Failed to load config.json: " + FileAsLogged() + " is not a regular file";
            EXPECT_EQ(error.what(), expected);
            EXPECT_EQ(Logs(), std::vector<std::string>{"error: " + expected});
        }
        EXPECT_EQ(Snapshot(), before);
        fs::remove(File());
    }
}

// Inputs the configuration fuzzer turned up, replayed on every run: each fails to load over
// the fuzzer's base configuration, leaving it exactly as it was.
TEST_F(ConfigFile, FilesTheFuzzerFoundChangeNothing) {
    const auto read = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::vector<fs::path> inputs;
    for (const auto& entry :
         fs::directory_iterator(fs::path(BF_SOURCE_DIR) / "tests/fuzz_regressions/config")) {
        inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    ASSERT_FALSE(inputs.empty());
    const std::string base = read(fs::path(BF_SOURCE_DIR) / "fuzz/base-config.json");
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        ASSERT_EQ(LoadText(base), "");
        const Json before = Snapshot();
        const std::size_t live = sim::TheServer().Allocator().LiveBlocks();
        EXPECT_NE(LoadText(read(input)), "");
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live);
        ResetConfig();
    }
}

std::string ReadSource(const char* relative) {
    std::ifstream file(fs::path(BF_SOURCE_DIR) / relative, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << relative;
    return {std::istreambuf_iterator<char>(file), {}};
}

// A load logs what examining the same text finds, line for line; a value that stops the load
// is the exception's text, which the plugin logs where it catches it.
TEST_F(ConfigFile, ALoadLogsWhatExaminingFinds) {
    std::vector<fs::path> files;
    for (const char* folder : {"tests/transcripts/configs", "tests/fuzz_regressions/config"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(BF_SOURCE_DIR) / folder)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string text = ReadSource(fs::relative(file, BF_SOURCE_DIR).string().c_str());
        Logs();
        const std::string stopped = LoadText(text);
        std::vector<std::string> logged = Logs();
        const std::string stop_line = "error: " + host::LogMessage(stopped);
        if (!stopped.empty() && (logged.empty() || logged.back() != stop_line)) {
            logged.push_back(stop_line);
        }
        std::vector<std::string> found;
        for (const config::Finding& finding : config::ExamineConfig(text).findings) {
            found.push_back(
                (finding.level == config::FindingLevel::Warning ? "warning: " : "error: ") +
                finding.text);
        }
        EXPECT_EQ(logged, found);
        ResetConfig();
    }
}

constexpr const char* kPackagedConfig = "package/config.json";
constexpr const char* kExampleConfig = "examples/server/ArkApi/Plugins/Beastfinder/config.json";
// Complete translations: every key, every text the administrator's.
constexpr const char* kTranslations[] = {"examples/translations/ru.json",
                                         "examples/translations/es.json"};

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
    Json keys = Snapshot();
    const Json messages = keys["Messages"];
    keys["Messages"] = Json::object();
    for (Json message : messages) {
        const std::string name = message["name"];
        message.erase("name");
        keys["Messages"][name] = message;
    }
    for (const auto& [name, text] : keys["PlayerTexts"].items()) {
        keys["Messages"][name] = text;
    }
    keys.erase("PlayerTexts");
    const std::vector<std::string> expected = LeafPaths(keys);
    ASSERT_EQ(expected.size(), 110U);
    for (const char* file : {kPackagedConfig, kExampleConfig, kTranslations[0], kTranslations[1]}) {
        Json shipped = Json::parse(ReadSource(file));
        EXPECT_EQ(shipped["$schema"], "./config.schema.json") << file;
        shipped.erase("$schema");
        EXPECT_EQ(LeafPaths(shipped), expected) << file;
    }
}

// JSON pointers of every number, array elements included.
void NumberPaths(const Json& value, const std::string& at, std::vector<std::string>& out) {
    if (value.is_number()) {
        out.push_back(at);
    } else if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            NumberPaths(member, at + "/" + key, out);
        }
    } else if (value.is_array()) {
        for (std::size_t i = 0; i < value.size(); ++i) {
            NumberPaths(value[i], at + "/" + std::to_string(i), out);
        }
    }
}

TEST_F(ConfigFile, BooleansInNumberKeysLoadAsOneAndZero) {
    // The packaged file spells out every key, so its numbers are every number key: integer
    // and float settings, message times, scales and opacities, and each colour element.
    const Json packaged = Json::parse(ReadSource(kPackagedConfig));
    std::vector<std::string> keys;
    NumberPaths(packaged, "", keys);
    ASSERT_EQ(keys.size(), 79U);
    const auto load_with = [&](const std::string& key, const Json& value) {
        Json file = packaged;
        file[Json::json_pointer(key)] = value;
        EXPECT_EQ(LoadText(file.dump()), "");
        return Snapshot();
    };
    for (const std::string& key : keys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(load_with(key, true), load_with(key, 1));
        EXPECT_EQ(load_with(key, false), load_with(key, 0));
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
    EXPECT_TRUE(visible(packaged["PremiumSettings"]["TrackingArrow"]["Color"]));
    for (const Json& message : packaged["Messages"]) {
        EXPECT_NE(message["Message"], "") << message["name"];
        EXPECT_TRUE(visible(message["Colors"])) << message["name"];
    }
    for (Json* snapshot : {&defaults, &packaged}) {
        (*snapshot)["GlobalSettings"].erase("TextColor");
        (*snapshot)["PremiumSettings"]["TrackingArrow"].erase("Color");
        for (Json& message : (*snapshot)["Messages"]) {
            message.erase("Message");
            message.erase("Colors");
        }
    }
    EXPECT_EQ(packaged, defaults);
}

}  // namespace
}  // namespace beastfinder
