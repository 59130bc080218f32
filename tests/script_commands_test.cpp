// The script commands one by one, against the real plugin module: what each changes in the
// simulated server, what it prints, and the error line of each way it can be misused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <fmt/format.h>

#include "sim/framework/server.h"
#include "sim/script/script.h"
#include "sim/script/values.h"
#include "sim/script/world.h"
#include "tests/host_fixture.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kA = 76561198000000001ULL;

// A line, what it prints, and what must hold of the server afterwards (in table order: each
// case starts from where the one before left the server).
struct Case {
    const char* line;
    const char* printed;
    bool (*holds)(Server&) = nullptr;
};

class ScriptCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(server_.ConfigFile()) << "{}";
        std::ofstream(server_.Root() / "world.json") << R"({
            "players": [{"name": "A", "steam_id": 76561198000000001}, {"name": "Bo"}],
            "creatures": [{"id": 4, "name": "Rex", "level": 10}]})";
        TheServer().Reset();
        SessionOptions options;
        options.module_path = BF_PLUGIN_MODULE_PATH;
        options.server_dir = server_.Root().string();
        options.world_file = (server_.Root() / "world.json").string();
        session_ = std::make_unique<Session>(TheServer(), out_, err_, options);
        ASSERT_TRUE(session_->Start()) << err_.str();
    }
    void TearDown() override {
        session_->Finish();
        session_.reset();
        TheServer().Reset();
    }

    // What the line printed, or "error: " and why it could not run.
    std::string Run(const std::string& line, const std::string& more = "") {
        std::istringstream rest(more);
        LineSource source(rest, "s.txt");
        out_.str("");
        try {
            session_->Execute(line, source);
        } catch (const ScriptError& error) {
            session_->Flush();
            return std::string("error: ") + error.what();
        }
        session_->Flush();
        return out_.str();
    }

    void RunCases(std::initializer_list<Case> cases) {
        for (const Case& c : cases) {
            EXPECT_EQ(Run(c.line), c.printed) << c.line;
            if (c.holds != nullptr) {
                EXPECT_TRUE(c.holds(TheServer())) << c.line;
            }
        }
    }

    bftest::ScratchServer server_;
    std::ostringstream out_;
    std::ostringstream err_;
    std::unique_ptr<Session> session_;
};

#define RUN_CASES(...) RunCases({__VA_ARGS__})

TEST_F(ScriptCommands, LinesThatSendTextReachTheFrameworkVerbatim) {
    RUN_CASES(
        {"chat A no  such  command",
         "unhandled kind=\"chat\" player=\"A\" line=\"no  such  command\"\n"},
        {"chat Bo", "unhandled kind=\"chat\" player=\"Bo\" line=\"\"\n"},
        {"chat", "error: chat: the player's name is missing"},
        {"chat Al /track", "error: chat: no player named \"Al\", did you mean A?"},
        {"chat Zebedee /track", "error: chat: no player named \"Zebedee\" (the players: A, Bo)"},
        {"console A \"quoted\" stays",
         "unhandled kind=\"console\" player=\"A\" line=\"\\\"quoted\\\" stays\"\n"},
        {"console", "error: console: the player's name is missing"},
        {"rcon  two spaces", "unhandled kind=\"rcon\" line=\" two spaces\"\n"},
        {"echo", "echo text=\"\"\n"}, {"echo a \\n b", "echo text=\"a \\\\n b\"\n"});
}

TEST_F(ScriptCommands, WaitMovesTheClockByWholeTicks) {
    const std::int64_t start = TheServer().clock_ticks;
    EXPECT_EQ(Run("wait 0"), "");
    EXPECT_EQ(Run("wait 0.00000005"), "");  // half a tick rounds up
    EXPECT_EQ(TheServer().clock_ticks, start + 1);
    EXPECT_EQ(Run("wait 3200000000"), "");
    EXPECT_EQ(TheServer().clock_ticks, start + 1 + 32'000'000'000'000'000LL);
    RUN_CASES({"wait", "error: wait: the number of seconds is missing"},
              {"wait -1", "error: wait: \"-1\" is not a number of seconds"},
              {"wait 3200000001", "error: wait: \"3200000001\" is not a number of seconds"},
              {"wait nan", "error: wait: \"nan\" is not a number of seconds"},
              {"wait 1s", "error: wait: \"1s\" is not a number of seconds"},
              {"wait 1 2", "error: wait: unexpected \"2\""});
    EXPECT_EQ(TheServer().clock_ticks, start + 1 + 32'000'000'000'000'000LL);
}

TEST_F(ScriptCommands, PlayerEditsChangeOnlyTheKeysGiven) {
    RUN_CASES(
        {"player A team=7 admin=true tribe=\"Alpha Tribe\" x=1.5 y=-2 z=3e2", "",
         [](Server& s) {
             const PlayerSpec a = SpecOf(*s.FindPlayer("A"));
             return a.team == 7 && a.admin && a.tribe == "Alpha Tribe" && a.position.x == 1.5F &&
                    a.position.y == -2.0F && a.position.z == 300.0F;
         }},
        {"player A character=none state=none controller-state=none", "",
         [](Server& s) { return !SpecOf(*s.FindPlayer("A")).character; }},
        {"player A character=present team=7", "",
         [](Server& s) {
             const PlayerSpec a = SpecOf(*s.FindPlayer("A"));
             return a.character && !a.pawn_state && !a.controller_state && a.team == 7;
         }},
        {"player A", ""}, {"player A team", "error: player: expected key=value, got \"team\""},
        {"player A =1", "error: player: expected key=value, got \"=1\""},
        {"player A level=3", "error: player: unknown key \"level\""},
        {"player A admin=yes", "error: player admin: expected true or false, got \"yes\""},
        {"player A team=2147483648", "error: player team: \"2147483648\" is not a 32-bit integer"},
        {"player A y=inf", "error: player y: \"inf\" is not a number"},
        {"player", "error: player: the player's name is missing"},
        // A failed edit changes nothing, not even the keys before the bad one.
        {"player A team=1 admin=maybe",
         "error: player admin: expected true or false, got \"maybe\"",
         [](Server& s) { return SpecOf(*s.FindPlayer("A")).team == 7; }});
}

TEST_F(ScriptCommands, CreaturesAreEditedAddedAndRemovedById) {
    RUN_CASES(
        {"creature 4 name=Rexy species=\"Rex (Tamed)\" owner=A team=60000 level=12 "
         "color5=0.5,0,0,1",
         "",
         [](Server& s) {
             const Creature& rex = *s.FindCreature(4);
             return rex.name == u"Rexy" && rex.status->level == 12 && rex.dino->colors[5].r == 0.5F;
         }},
        {"creature 4 status=none", "",
         [](Server& s) { return !SpecOf(*s.FindCreature(4)).status; }},
        {"creature 4 id=5", "error: creature: an id cannot change"},
        {"creature 4 color6=1,1,1,1", "error: creature: unknown key \"color6\""},
        {"creature 4 color0=1,1,1", "error: creature color0: expected r,g,b,a, got \"1,1,1\""},
        {"creature 4 color0=1,1,1,1,1",
         "error: creature color0: expected r,g,b,a, got \"1,1,1,1,1\""},
        {"creature 4 color0=1,,1,1", "error: creature color0: \"\" is not a number"},
        {"creature 0", "error: creature: \"0\" is not a creature id"},
        {"creature -4", "error: creature: \"-4\" is not a creature id"},
        {"creature 9", "error: creature: no creature with id 9"},
        {"creature", "error: creature: the creature's id is missing"},
        {"add-creature name=Next", "",
         [](Server& s) {
             return s.FindCreature(5) != nullptr && s.FindCreature(5)->name == u"Next";
         }},
        {"add-creature id=4", "error: add-creature: creature id 4 is already taken"},
        {"add-creature id=0", "error: add-creature: \"0\" is not a creature id"},
        {"add-creature id=40 level=x", "error: creature level: \"x\" is not a 32-bit integer",
         [](Server& s) { return s.FindCreature(40) == nullptr; }},
        {"add-creature id=40", "", [](Server& s) { return s.Creatures().size() == 3; }},
        {"remove-creature 4", "", [](Server& s) { return s.FindCreature(4) == nullptr; }},
        {"remove-creature 4", "error: remove-creature: no creature with id 4"},
        {"remove-creature 5 40", "error: remove-creature: unexpected \"40\"",
         [](Server& s) { return s.FindCreature(5) != nullptr; }},
        {"remove-creature", "error: remove-creature: the creature's id is missing"});
}

TEST_F(ScriptCommands, SiblingBooksAndPermissions) {
    RUN_CASES(
        {"points A -5", "", [](Server& s) { return s.points[kA] == -5; }},
        {"points A five", "error: points: \"five\" is not a 32-bit integer"},
        {"points A", "error: points: the balance is missing"},
        {"points A 1 2", "error: points: unexpected \"2\"",
         [](Server& s) { return s.points[kA] == -5; }},
        {"tokens A gold 3", "",
         [](Server& s) {
             return s.tokens[{kA, "gold"}] == 3;
         }},
        {"tokens A gold", "error: tokens: the balance is missing"},
        {"tokens A", "error: tokens: the token type is missing"},
        {"group A add Trackers", "", [](Server& s) { return s.groups[kA].count("Trackers") == 1; }},
        {"group A remove Trackers", "", [](Server& s) { return s.groups[kA].empty(); }},
        {"group A join Trackers", "error: group: expected add or remove, got \"join\""},
        {"group A add", "error: group: the group's name is missing"},
        {"grant Trackers Beastfinder.Track", "",
         [](Server& s) { return s.grants["Trackers"].count("Beastfinder.Track") == 1; }},
        {"revoke Trackers Beastfinder.Track", "",
         [](Server& s) { return s.grants["Trackers"].empty(); }},
        {"revoke Nobody Nothing", "", [](Server& s) { return s.grants.count("Nobody") == 0; }},
        {"grant Trackers", "error: grant: the permission is missing"},
        {"revoke", "error: revoke: the group's name is missing"},
        {"plugin ArkShop refuse", "",
         [](Server& s) {
             return s.IsPluginLoaded("ArkShop") && s.siblings["ArkShop"].refuse_spends;
         }},
        {"plugin ArkShop present", "",
         [](Server& s) {
             return s.IsPluginLoaded("ArkShop") && !s.siblings["ArkShop"].refuse_spends;
         }},
        {"plugin ArkShop absent", "", [](Server& s) { return !s.IsPluginLoaded("ArkShop"); }},
        {"plugin Arkshop present",
         "error: plugin: \"Arkshop\" is not ArkShop, CoinVault or Permissions"},
        {"plugin CoinVault maybe",
         "error: plugin: expected present, absent or refuse, got \"maybe\"",
         [](Server& s) { return !s.IsPluginLoaded("CoinVault"); }},
        {"plugin", "error: plugin: the plugin's name is missing"});
}

TEST_F(ScriptCommands, WorldAndItsSettings) {
    RUN_CASES({"world none", "", [](Server& s) { return !s.has_world; }},
              {"world present", "", [](Server& s) { return s.has_world; }},
              {"world gone", "error: world: expected present or none, got \"gone\""},
              {"world-settings override 1 2 3.5 -4", "",
               [](Server& s) {
                   const SimWorldSettings& w = s.world_settings;
                   return s.has_world_settings && w.override_longitude_and_latitude == 1 &&
                          w.longitude_origin == 1 && w.latitude_origin == 2 &&
                          w.longitude_scale == 3.5F && w.latitude_scale == -4;
               }},
              {"world-settings override 1 2 3",
               "error: world-settings: one of the four override values is missing",
               [](Server& s) { return s.world_settings.longitude_scale == 3.5F; }},
              {"world-settings override 1 2 3 x", "error: world-settings: \"x\" is not a number"},
              {"world-settings default", "",
               [](Server& s) {
                   return s.has_world_settings &&
                          s.world_settings.override_longitude_and_latitude == 0 &&
                          s.world_settings.longitude_scale == 800;
               }},
              {"world-settings none", "", [](Server& s) { return !s.has_world_settings; }},
              {"world-settings none 1", "error: world-settings: unexpected \"1\""},
              {"world-settings sideways",
               "error: world-settings: expected none, default or override, got \"sideways\""});
}

TEST_F(ScriptCommands, LookupsCanBeTakenAwayAndGivenBack) {
    RUN_CASES(
        {"unresolve FMemory.Malloc", "",
         [](Server& s) { return s.unresolved.count("FMemory.Malloc") == 1; }},
        {"resolve FMemory.Free", "error: resolve: \"FMemory.Free\" was not made unresolvable"},
        {"resolve FMemory.Malloc", "", [](Server& s) { return s.unresolved.empty(); }},
        {"unresolve", "error: unresolve: the lookup text is missing"},
        {"resolve a b", "error: resolve: unexpected \"b\""});
}

TEST_F(ScriptCommands, TheModuleIsLoadedAndUnloadedOnlyWhenThatMakesSense) {
    EXPECT_EQ(Run("load"), "error: load: the plugin is already loaded");
    const std::string unload = Run("unload");
    EXPECT_NE(unload.find("account live=0 bytes=0\n"), std::string::npos) << unload;
    EXPECT_TRUE(TheServer().commands.empty());
    EXPECT_EQ(Run("unload"), "error: unload: the plugin is not loaded");
    EXPECT_EQ(Run("account"), "account live=0 bytes=0\n");
    const std::string load = Run("reload");  // nothing to unload first
    EXPECT_EQ(load.find("account"), std::string::npos) << load;
    EXPECT_NE(load.find("load started=true\n"), std::string::npos) << load;
    EXPECT_FALSE(TheServer().commands.empty());
    const std::string reload = Run("reload");
    EXPECT_NE(reload.find("account live=0 bytes=0\n"), std::string::npos) << reload;
    EXPECT_NE(reload.find("load started=true\n"), std::string::npos) << reload;
    RUN_CASES({"load now", "error: load: unexpected \"now\""},
              {"unload now", "error: unload: unexpected \"now\""},
              {"reload now", "error: reload: unexpected \"now\""},
              {"account now", "error: account: unexpected \"now\""});
}

TEST_F(ScriptCommands, ConfigTextsNeedTheirEndAndFilesMustExist) {
    EXPECT_EQ(Run("config <<END", "{}\nEN\n"), "error: config: the text has no closing END line");
    EXPECT_EQ(Run("config"), "error: config: <<END, delete or a file is missing");
    EXPECT_EQ(Run("config << END"), "error: config: unexpected \"END\"");
    // "<<" alone names no end line: it is taken for a file name.
    EXPECT_EQ(Run("config <<").rfind("error: config: no file \"", 0), 0U);
    EXPECT_EQ(Run("config <<X", "{\"GlobalSettings\": {}}\nX\n"), "");
    std::ifstream written(fs::path(TheServer().current_dir) /
                          "ArkApi/Plugins/Beastfinder/config.json");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "{\"GlobalSettings\": {}}\n");
}

TEST_F(ScriptCommands, ListsShowTheWorldAsTheHostHoldsIt) {
    Run("creature 4 status=none");
    RUN_CASES({"creatures",
               "creature id=4 name=\"Rex\" species=\"\" tribe=\"\" owner=\"\" team=0 level=null "
               "at=\"(0, 0, 0)\"\n"},
              {"players",
               "player name=\"A\" steam_id=76561198000000001 team=0 admin=false at=\"(0, 0, 0)\" "
               "tribe=\"\" character=true state=true controller_state=true\n"
               "player name=\"Bo\" steam_id=76561198000000002 team=0 admin=false at=\"(0, 0, 0)\" "
               "tribe=\"\" character=true state=true controller_state=true\n"},
              {"players A", "error: players: unexpected \"A\""},
              {"creatures 4", "error: creatures: unexpected \"4\""});
}

TEST_F(ScriptCommands, UnknownCommandsSayWhichWasMeant) {
    RUN_CASES(
        {"palyers", "error: unknown command \"palyers\", did you mean players?"},
        {"add-creatures", "error: unknown command \"add-creatures\", did you mean add-creature?"},
        {"track", "error: unknown command \"track\""},
        {"Chat A hi", "error: unknown command \"Chat\", did you mean chat?"});
}

// --- The values script lines hold ----------------------------------------------------------

TEST(ScriptValues, NumbersFlagsAndColours) {
    EXPECT_EQ(Int32("-2147483648", "w"), INT32_MIN);
    EXPECT_EQ(Id("18446744073709551615", "w"), UINT64_MAX);
    EXPECT_EQ(Float("-3.4e38", "w"), -3.4e38F);
    EXPECT_TRUE(Flag("on", "on", "off", "w"));
    EXPECT_FALSE(Flag("off", "on", "off", "w"));
    const SimColor c = Color("0,0.5,1,-1", "w");
    EXPECT_EQ(c.g, 0.5F);
    EXPECT_EQ(c.a, -1.0F);
    const auto error_of = [](auto parse) -> std::string {
        try {
            parse();
        } catch (const ScriptError& error) {
            return error.what();
        }
        return "(no error)";
    };
    EXPECT_EQ(error_of([] { Int32("", "w"); }), "w: \"\" is not a 32-bit integer");
    EXPECT_EQ(error_of([] { Int32("+1", "w"); }), "w: \"+1\" is not a 32-bit integer");
    EXPECT_EQ(error_of([] { Int32("1 ", "w"); }), "w: \"1 \" is not a 32-bit integer");
    EXPECT_EQ(error_of([] { Id("0", "w"); }), "w: \"0\" is not a creature id");
    EXPECT_EQ(error_of([] { Id("18446744073709551616", "w"); }),
              "w: \"18446744073709551616\" is not a creature id");
    EXPECT_EQ(error_of([] { Float("3.5e38", "w"); }), "w: \"3.5e38\" is not a number");
    EXPECT_EQ(error_of([] { Float("0x10", "w"); }), "w: \"0x10\" is not a number");
    EXPECT_EQ(error_of([] { Flag("On", "on", "off", "w"); }), "w: expected on or off, got \"On\"");
    EXPECT_EQ(error_of([] { Color("", "w"); }), "w: expected r,g,b,a, got \"\"");
    EXPECT_EQ(error_of([] { KeyValue("=", "w"); }), "w: expected key=value, got \"=\"");
    EXPECT_EQ(KeyValue("k=", "w"), (std::pair<std::string, std::string>{"k", ""}));
    EXPECT_EQ(KeyValue("k=a=b", "w"), (std::pair<std::string, std::string>{"k", "a=b"}));
}

TEST(ScriptValues, ClosestIsASlipNotAGuess) {
    const std::vector<std::string> names = {"players", "player", "creatures", "Bo", "Ольга"};
    struct Case {
        const char* typed;
        const char* meant;
    };
    const Case cases[] = {
        {"palyers", "players"},
        {"player", ""},  // a candidate itself
        {"PLAYER", "player"},
        {"bo", "Bo"},  // case is a slip
        {"x", ""},
        {"Bob", "Bo"},  // one edit in a short word
        {"Bobby", ""},
        {"creaturez", "creatures"},
        {"Ольгa", "Ольга"},
        {"", ""},  // Latin a for Cyrillic а
        {"xyzzy", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Closest(c.typed, names), c.meant) << c.typed;
    }
}

TEST(ScriptValues, PathsResolveFromTheScriptsFolderWithForwardSlashes) {
    EXPECT_EQ(ResolvePath("", "a/../b.json"), "b.json");
    EXPECT_EQ(ResolvePath("scripts", "w.json"), "scripts/w.json");
    EXPECT_EQ(ResolvePath("scripts/", "../w.json"), "w.json");
    const std::string absolute = fs::absolute("x.json").generic_string();
    EXPECT_EQ(ResolvePath("scripts", absolute), absolute);
}

// --- The command table is the one place a command is described -----------------------------

TEST(ScriptCommandTable, EveryCommandHasItsRowsInTheGuide) {
    const std::string table = Session::CommandsMarkdown();
    for (const std::string_view name : Session::CommandNames()) {
        EXPECT_NE(table.find(fmt::format("| `{}", name)), std::string::npos) << name;
        EXPECT_NE(Session::IsCommand(name), false);
    }
}

// The guide's command list is the table's; BF_UPDATE_TRANSCRIPTS=1 rewrites it.
TEST(ScriptCommandTable, TheGuidesListIsCurrent) {
    const fs::path doc = fs::path(BF_SOURCE_DIR) / "docs/simulator.md";
    std::ifstream in(doc, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    std::string text = read.str();
    const std::string marker =
        "<!-- script commands: made from the simulator's command table -->\n";
    const std::size_t start = text.find(marker);
    ASSERT_NE(start, std::string::npos) << doc << " has no marker for the command list";
    const std::size_t body = start + marker.size();
    std::size_t end = text.find("\n\n", body);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string expected = Session::CommandsMarkdown();
    if (text.compare(body, end - body, expected) == 0) {
        return;
    }
    const char* update = std::getenv("BF_UPDATE_TRANSCRIPTS");
    if (update != nullptr && std::string(update) == "1") {
        text.replace(body, end - body, expected);
        std::ofstream(doc, std::ios::binary | std::ios::trunc) << text;
        return;
    }
    ADD_FAILURE() << doc << ": the command list is stale; it should read:\n" << expected;
}

}  // namespace
}  // namespace sim
