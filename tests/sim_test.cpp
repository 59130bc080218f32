// The simulator's own readers and printers, and the host allocator's account.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/json_reader.h"
#include "sim/framework/server.h"
#include "sim/script/script.h"
#include "sim/script/world.h"
#include "sim/views/html_page.h"
#include "sim/views/output.h"
#include "sim/views/render.h"
#include "tests/host_fixture.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::string WorldError(const std::string& text) {
    try {
        ReadWorld(text, "w.json");
    } catch (const sim::WorldError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(WorldFile, ErrorsNameFileLineAndKeyPath) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"",
         "w.json:1: syntax error while parsing value - unexpected end of input; expected '[', "
         "'{', or a literal"},
        {"{\n  \"players\": [\n    {\"name\": \"A\",}\n  ]\n}",
         "w.json:3: syntax error while parsing object key - unexpected '}'; expected string "
         "literal"},
        {"[1]", "w.json:1: a world file holds an object, not array"},
        {"{\n\n  \"colour\": 1}", "w.json:3: /colour: unknown key"},
        {"{\"pl/ay~ers\": 1}", "w.json:1: /pl~1ay~0ers: unknown key"},
        {"{\"world\": 0}", "w.json:1: /world: expected true or false, got number"},
        {"{\"world_settings\": true}",
         "w.json:1: /world_settings: expected an object, got boolean"},
        {"{\"world_settings\": {\"latitude_scale\": 1e39}}",
         "w.json:1: /world_settings/latitude_scale: out of range for a 32-bit float"},
        {"{\"players\": {}}", "w.json:1: /players: expected an array, got object"},
        {"{\"players\": [\n{\"team\": 1}]}", "w.json:2: /players/0: a player needs a \"name\""},
        {"{\"players\": [{\"name\": \"A\"},\n {\"name\": \"A\"}]}",
         "w.json:2: /players/1/name: a second player named \"A\""},
        {"{\"players\": [{\"name\": \"A\", \"steam_id\": 7},\n {\"name\": \"B\", \"steam_id\": "
         "7}]}",
         "w.json:2: /players/1/steam_id: steam id 7 is already taken"},
        {"{\"players\": [{\"name\": \"A\", \"steam_id\": -1}]}",
         "w.json:1: /players/0/steam_id: -1 is out of range for an id"},
        {"{\"players\": [{\"name\": \"A\", \"steam_id\": 18446744073709551616}]}",
         "w.json:1: /players/0/steam_id: expected an id, got number"},
        // The JSON library reports a number too large for a double as a range error.
        {"{\"players\": [\n{\"name\": \"A\", \"team\": 5e1001}]}",
         "w.json:2: number overflow parsing '5e1001'"},
        {"{\"players\": [{\"name\": \"A\", \"team\": 3000000000}]}",
         "w.json:1: /players/0/team: 3000000000 is out of range for a 32-bit integer"},
        {"{\"players\": [{\"name\": \"A\", \"position\": [1, 2]}]}",
         "w.json:1: /players/0/position: expected a position [x, y, z]"},
        {"{\"creatures\": [{},\n{\"level\":\n \"high\"}]}",
         "w.json:3: /creatures/1/level: expected a 32-bit integer, got string"},
        {"{\"creatures\": [{\"level\": 1.5}]}",
         "w.json:1: /creatures/0/level: expected a 32-bit integer, got number"},
        {"{\"creatures\": [{\"id\": 0}]}", "w.json:1: /creatures/0/id: creature ids start at 1"},
        {"{\"creatures\": [{\"id\": 4}, {\"id\": 4}]}",
         "w.json:1: /creatures/1/id: creature id 4 is already taken"},
        {"{\"creatures\": [{\"colors\": [[1,0,0,1],[1,0,0,1],[1,0,0,1],[1,0,0,1],[1,0,0,1],"
         "[1,0,0,1],[1,0,0,1]]}]}",
         "w.json:1: /creatures/0/colors: expected up to six colours [r, g, b, a]"},
        {"{\"creatures\": [{\"colors\": [[1, 0, \"red\", 1]]}]}",
         "w.json:1: /creatures/0/colors/0/2: expected a number, got string"},
        {"{\"plugins\": {\"Shop\": {}}}", "w.json:1: /plugins/Shop: unknown key"},
        {"{\"plugins\": {\"ArkShop\": {\"points\": {\"Zed\": 5}}}}",
         "w.json:1: /plugins/ArkShop/points/Zed: no player named \"Zed\""},
        {"{\"players\": [{\"name\": \"A\"}], \"plugins\": {\"CoinVault\": {\"tokens\": "
         "{\"A\": {\"gold\": \"many\"}}}}}",
         "w.json:1: /plugins/CoinVault/tokens/A/gold: expected a 32-bit integer, got string"},
        {"{\"players\": [{\"name\": \"A\"}], \"plugins\": {\"Permissions\": {\"groups\": "
         "{\"A\": \"Admins\"}}}}",
         "w.json:1: /plugins/Permissions/groups/A: expected an array of group names, got string"},
        {"{\"plugins\": {\"Permissions\": {\"grants\": {\"VIP\": [\"a\", 5]}}}}",
         "w.json:1: /plugins/Permissions/grants/VIP/1: expected a string, got number"},
        {"{\"plugins\": {\"Permissions\": {\"grants\": {\"VIP\": \"a\"}}}}",
         "w.json:1: /plugins/Permissions/grants/VIP: expected an array of permission names, got "
         "string"},
        {"{\"plugins\": {\"Permissions\": {\"grants\": []}}}",
         "w.json:1: /plugins/Permissions/grants: expected an object, got array"},
        // Each plugin keeps the books it has: points are the shop's.
        {"{\"plugins\": {\"CoinVault\": {\"points\": {}}}}",
         "w.json:1: /plugins/CoinVault/points: unknown key"},
        {"{\"players\": [{\"name\": \"A\"}], \"plugins\": {\"CoinVault\": {\"tokens\": "
         "{\"A\": 3}}}}",
         "w.json:1: /plugins/CoinVault/tokens/A: expected an object of token types, got number"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WorldError(c.text), c.error) << c.text;
    }
    // Nesting far deeper than any world needs is an error line, not a crash.
    const std::string deep =
        "{\"players\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    EXPECT_EQ(WorldError(deep), "w.json:1: /players/0: expected an object, got array");
}

TEST(WorldFile, FillsDefaultsAndAssignsFreeIds) {
    const WorldSpec spec = ReadWorld(R"json({
        "world": false, "world_settings": false,
        "players": [{"name": "A"}, {"name": "B", "steam_id": 76561198000000001},
                    {"name": "Top", "steam_id": 18446744073709551615},
                    {"name": "C", "character": false, "player_state": false,
                     "controller_player_state": false}],
        "creatures": [{"name": "x"}, {"id": 1}, {"id": 3, "status": false}, {}],
        "plugins": {"ArkShop": {"refuse_spends": true, "points": {"A": -3}},
                    "CoinVault": {"present": false, "tokens": {"B": {"gold": 2}}},
                    "Permissions": {"groups": {"C": ["VIP", "VIP", "Admins"]},
                                    "grants": {"VIP": ["Beastfinder.Track"]}}}
    })json",
                                     "w.json");
    EXPECT_FALSE(spec.world);
    EXPECT_FALSE(spec.world_settings);
    ASSERT_EQ(spec.players.size(), 4U);
    EXPECT_EQ(spec.players[0].steam_id, 76561198000000002ULL);  // the explicit one is taken
    EXPECT_EQ(spec.players[2].steam_id, 18446744073709551615ULL);
    EXPECT_EQ(spec.players[3].steam_id, 76561198000000003ULL);
    EXPECT_FALSE(spec.players[3].character || spec.players[3].pawn_state ||
                 spec.players[3].controller_state);
    ASSERT_EQ(spec.creatures.size(), 4U);
    EXPECT_EQ(spec.creatures[0].id, 2U);
    EXPECT_EQ(spec.creatures[3].id, 4U);
    EXPECT_EQ(spec.creatures[0].level, 1);
    EXPECT_FALSE(spec.creatures[2].status);
    EXPECT_TRUE(spec.siblings.at("ArkShop").present);
    EXPECT_TRUE(spec.siblings.at("ArkShop").refuse_spends);
    EXPECT_FALSE(spec.siblings.at("CoinVault").present);
    EXPECT_EQ(spec.points.at(76561198000000002ULL), -3);
    EXPECT_EQ(spec.tokens.at({76561198000000001ULL, "gold"}), 2);
    EXPECT_EQ(spec.groups.at(76561198000000003ULL), (std::set<std::string>{"Admins", "VIP"}));
    // Administrators' group holds everything unless the file says otherwise.
    EXPECT_EQ(spec.grants, (std::map<std::string, std::set<std::string>, std::less<>>{
                               {"Admins", {"*"}}, {"VIP", {"Beastfinder.Track"}}}));
}

TEST(WorldFile, AppliedWorldIsWhatTheHostAnswers) {
    Server& server = TheServer();
    const WorldSpec spec = ReadWorld(R"json({
        "players": [{"name": "A", "team": 50001, "admin": true, "position": [1, 2, 3],
                     "tribe": "Ünd", "player_state": false}],
        "creatures": [{"id": 9, "name": "Шторм", "species": "Rex (Tamed)", "owner": "A",
                       "level": 40, "status": false, "position": [4, 5, 6],
                       "colors": [[0.5, 0.25, 1, 1]]}]
    })json",
                                     "w.json");
    const std::size_t before = server.Allocator().LiveBlocks();
    ApplyWorld(server, spec);
    Player& player = *server.FindPlayer("A");
    EXPECT_EQ(player.controller->character, player.character.get());
    EXPECT_EQ(player.character->player_state, nullptr);
    EXPECT_NE(player.controller->player_state, nullptr);
    EXPECT_EQ(player.character->is_server_admin, 1);
    EXPECT_EQ(player.root->world_location.z, 3.0F);
    EXPECT_EQ(Server::View(player.character->primal.tribe_name), u"Ünd");
    Creature& creature = *server.FindCreature(9);
    EXPECT_EQ(creature.name, u"Шторм");
    EXPECT_EQ(creature.dino->primal.status_component, nullptr);
    EXPECT_EQ(creature.status->level, 40);
    EXPECT_EQ(creature.root->relative_location.y, 5.0F);
    EXPECT_EQ(creature.dino->colors[0].g, 0.25F);
    EXPECT_EQ(WorldBlocks(server).size(), server.Allocator().LiveBlocks() - before);

    // A spec read back and written again changes nothing.
    WriteCreature(server, creature, SpecOf(creature));
    EXPECT_EQ(SpecOf(creature).species, "Rex (Tamed)");
    EXPECT_EQ(creature.dino->primal.status_component, nullptr);
    server.ClearWorld();
    EXPECT_EQ(server.Allocator().LiveBlocks(), before);
}

std::vector<std::string> AllWords(const std::string& line) {
    Words words(line);
    std::vector<std::string> out;
    while (auto word = words.Next()) {
        out.push_back(*word);
    }
    return out;
}

TEST(Script, WordsQuotesAndRest) {
    using List = std::vector<std::string>;
    EXPECT_EQ(AllWords("  a \tb  "), (List{"a", "b"}));
    EXPECT_EQ(AllWords(R"(player "Admin Bob" tribe="Alpha Tribe" x=1)"),
              (List{"player", "Admin Bob", "tribe=Alpha Tribe", "x=1"}));
    EXPECT_EQ(AllWords(R"("" "a\"b\\c\nd" e"f g"h)"), (List{"", "a\"b\\c\nd", "ef gh"}));
    EXPECT_EQ(AllWords(""), List{});
    for (const char* bad : {R"(chat "Alice)", R"("a\qb")", R"("a\)"}) {
        EXPECT_THROW(AllWords(bad), ScriptError) << bad;
    }

    Words chat(R"(chat "Admin Bob"  /track  rex )");
    chat.Next();
    EXPECT_EQ(chat.Next(), "Admin Bob");
    EXPECT_EQ(chat.Rest(), " /track  rex ");  // one separator taken, the rest verbatim
    Words bare("rcon");
    bare.Next();
    EXPECT_EQ(bare.Rest(), "");
}

TEST(Script, TranscriptLinesKeepTheirNumbers) {
    std::istringstream text(
        "# comment\n$ chat A /x\nnotify text=\"x\"\n$\n  # indented\r\n\n$ config <<END\n$ "
        "{}\nlog \"x\"\n");
    LineSource source(text, "t.txt", true);
    std::vector<std::pair<int, std::string>> seen;
    std::string line;
    while (source.Next(line)) {
        seen.emplace_back(source.LineNumber(), line);
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "# comment"}, {2, "chat A /x"},    {4, ""},   {5, "  # indented"},
        {6, ""},          {7, "config <<END"}, {8, "{}"},
    };
    EXPECT_EQ(seen, expected);
}

TEST(Output, QuotingNumbersAndLogStamps) {
    EXPECT_EQ(JsonQuote("a\"b\\c\nd\te\x01\x7f Шторм"),
              "\"a\\\"b\\\\c\\nd\\te\\u0001\\u007f Шторм\"");
    EXPECT_EQ(FormatNumber(static_cast<double>(1.3F)), "1.3");
    EXPECT_EQ(FormatNumber(0.1), "0.1");
    EXPECT_EQ(FormatNumber(-1.0), "-1");
    EXPECT_EQ(FormatNumber(1e300), "1e+300");
    EXPECT_EQ(StableLogLine("12/31/26 23:59 [Beastfinder][info] x"),
              "MM/DD/YY HH:MM [Beastfinder][info] x");
    // A different stamp stays visible.
    EXPECT_EQ(StableLogLine("2026-12-31 23:59 [B][info] x"), "2026-12-31 23:59 [B][info] x");
    EXPECT_EQ(StableLogLine("12/31/26 23:5"), "12/31/26 23:5");

    const Effect reply{"rcon-reply",
                       {{"id", std::int64_t{3}},
                        {"type", std::int64_t{0}},
                        {"text", std::string("ok\n")},
                        {"none", nullptr},
                        {"bold", false},
                        {"time", 1.0 / 0.0}}};
    EXPECT_EQ(FormatEffect(reply, OutputFormat::Text),
              "rcon-reply id=3 type=0 text=\"ok\\n\" none=null bold=false time=inf");
    EXPECT_EQ(FormatEffect(reply, OutputFormat::Json),
              "{\"effect\":\"rcon-reply\",\"id\":3,\"type\":0,\"text\":\"ok\\n\",\"none\":null,"
              "\"bold\":false,\"time\":\"inf\"}");
    const Effect log{"log",
                     {{"logger", std::string("Beastfinder")},
                      {"line", std::string("01/02/26 03:04 [Beastfinder][error] \"x\"")}}};
    EXPECT_EQ(FormatEffect(log, OutputFormat::Text),
              "log \"MM/DD/YY HH:MM [Beastfinder][error] \\\"x\\\"\"");
    EXPECT_EQ(FormatEffect(log, OutputFormat::Json),
              "{\"effect\":\"log\",\"logger\":\"Beastfinder\",\"line\":\"MM/DD/YY HH:MM "
              "[Beastfinder][error] \\\"x\\\"\"}");
}

TEST(Output, PrintableTextEscapesWhatATerminalWouldActOn) {
    EXPECT_EQ(PrintableText("plain Шторм 🦖"), "plain Шторм 🦖");
    EXPECT_EQ(PrintableText("a\nb\tc\x1b[31m\x7f"), "a\\x0Ab\\x09c\\x1B[31m\\x7F");
    // Not UTF-8: stray continuation, truncated sequence, overlong form, surrogate, too high.
    EXPECT_EQ(PrintableText("\x80 \xD0 \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80"),
              "\\x80 \\xD0 \\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80");
    // C1 controls and the characters that reorder a line.
    EXPECT_EQ(PrintableText("\xC2\x9B x \xE2\x80\xAE y \xE2\x81\xA6"),
              "\\u009B x \\u202E y \\u2066");
}

// Effect lines and --json lines quote names the same way, and a terminal acts on nothing
// in them; JSON readers still get the text back.
TEST(Output, QuotedTextIsSafeAtATerminalAndStillJson) {
    const std::string name =
        "Rex\x1b[2J\xC2\x9B"
        "1m \xE2\x80\xAEmoc.exe \xE2\x81\xA6x\x9B";
    const std::string quoted = JsonQuote(name);
    EXPECT_EQ(quoted, "\"Rex\\u001b[2J\\u009b1m \\u202emoc.exe \\u2066x\\\\x9B\"");
    // The plugin's own reader: parsing here would instantiate the library's parser in this
    // file, where GCC 12 warns falsely about its inlined tree code.
    std::istringstream in(quoted);
    const auto parsed = beastfinder::config::ParseFirstValue(in);
    EXPECT_EQ(parsed.get_ref<const std::string&>(),
              "Rex\x1b[2J\xC2\x9B"
              "1m \xE2\x80\xAEmoc.exe \xE2\x81\xA6x\\x9B");
}

TEST(HostAllocator, MisuseIsReportedNotActedOn) {
    HostAllocator allocator;
    void* block = allocator.Malloc(8);
    allocator.Free(block);
    allocator.Free(block);
    int local = 0;
    allocator.Free(&local);
    EXPECT_EQ(allocator.Realloc(block, 16), nullptr);
    EXPECT_EQ(allocator.Realloc(&local, 16), nullptr);
    const std::vector<std::string> expected = {
        "double free of a host block", "free of a block the host never allocated",
        "realloc of a block already freed", "realloc of a block the host never allocated"};
    EXPECT_EQ(allocator.TakeErrors(), expected);
    EXPECT_EQ(allocator.LiveBlocks(), 0U);

    void* grown = allocator.Realloc(allocator.Malloc(4), 64);
    EXPECT_EQ(allocator.LiveBlocks(), 1U);
    EXPECT_EQ(allocator.LiveBytes(), 64U);
    allocator.Free(grown);
    EXPECT_TRUE(allocator.TakeErrors().empty());
}

TEST(HostAllocator, AccountKeepsUpWithManyBlocks) {
    HostAllocator allocator;
    std::vector<void*> blocks;
    for (std::uint64_t i = 0; i < 5000; ++i) {
        blocks.push_back(allocator.Malloc(i % 7));
    }
    for (std::size_t i = 0; i < blocks.size(); i += 2) {
        allocator.Free(blocks[i]);
    }
    EXPECT_EQ(allocator.LiveBlocks(), 2500U);
    EXPECT_EQ(allocator.Live().size(), 2500U);
    EXPECT_TRUE(allocator.Owns(blocks[1]));
    EXPECT_FALSE(allocator.Owns(blocks[0]));
    allocator.ResetPeak();
    void* big = allocator.Malloc(1000);
    const std::uint64_t live = allocator.LiveBytes();
    allocator.Free(big);
    EXPECT_EQ(allocator.PeakBytes(), live);
    EXPECT_EQ(allocator.LiveBytes(), live - 1000);
    allocator.Free(blocks[2]);
    EXPECT_EQ(allocator.TakeErrors(), std::vector<std::string>{"double free of a host block"});
    EXPECT_EQ(allocator.ReleaseAll(), 2500U);
}

// A session over the shared server, with a folder of its own for config.json.
class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(server_.ConfigFile()) << "{}";
        std::ofstream(dir_ / "world.json")
            << R"({"players": [{"name": "A", "steam_id": 18446744073709551615}]})";
        TheServer().TakeEffects();
        options_.module_path = BF_PLUGIN_MODULE_PATH;
        options_.server_dir = dir_.string();
        options_.world_file = (dir_ / "world.json").string();
    }
    void TearDown() override { TheServer().Reset(); }
    std::string Run(Session& session, const std::string& line, std::string more = "") {
        std::istringstream rest(more);
        LineSource source(rest, "s.txt");
        out_.str("");
        try {
            session.Execute(line, source);
        } catch (const ScriptError& error) {
            return std::string("error: ") + error.what();
        }
        session.Flush();
        return out_.str();
    }

    bftest::ScratchServer server_;
    const fs::path dir_ = server_.Root();
    SessionOptions options_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(SessionTest, ScriptLinesEditTheWorldOrSayWhatIsWrong) {
    Session session(TheServer(), out_, err_, options_);
    ASSERT_TRUE(session.Start()) << err_.str();
    struct Case {
        const char* line;
        const char* result;
    };
    const Case cases[] = {
        {"add-creature name=Rex level=7 color5=1,0,0,1 status=none", ""},
        {"creatures",
         "creature id=1 name=\"Rex\" species=\"\" tribe=\"\" owner=\"\" team=0 "
         "level=null at=\"(0, 0, 0)\"\n"},
        {"creature 1 status=present x=1e3", ""},
        {"creature 1 level=high", "error: creature level: \"high\" is not a 32-bit integer"},
        {"creature 1 id=2", "error: creature: an id cannot change"},
        {"player A character=gone",
         "error: player character: expected present or none, got "
         "\"gone\""},
        {"player A x=nan", "error: player x: \"nan\" is not a number"},
        {"player A x=1e39", "error: player x: \"1e39\" is not a number"},
        {"points A 2147483648", "error: points: \"2147483648\" is not a 32-bit integer"},
        {"wait 1.5 s", "error: wait: unexpected \"s\""},
        {"chat A /nothing here", "unhandled kind=\"chat\" player=\"A\" line=\"/nothing here\"\n"},
        {"echo  two  spaces ", "echo text=\" two  spaces \"\n"},
        {"players",
         "player name=\"A\" steam_id=18446744073709551615 team=0 admin=false at=\"(0, 0, 0)\" "
         "tribe=\"\" character=true state=true controller_state=true\n"},
        {"grant Builders", "error: grant: the permission is missing"},
        {"revoke Nobody Anything", ""},
        {"add-creature id=18446744073709551615", ""},
        {"add-creature", "error: add-creature: no id above the highest is left; give id=N"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(session, c.line), c.result) << c.line;
    }
    const Creature& rex = *TheServer().FindCreature(1);
    EXPECT_EQ(rex.status->level, 7);
    EXPECT_EQ(rex.root->relative_location.x, 1000.0F);  // kept through the failed edit
    EXPECT_EQ(rex.dino->colors[5].r, 1.0F);

    const std::int64_t before = TheServer().clock_ticks;
    Run(session, "wait 1.25");
    EXPECT_EQ(TheServer().clock_ticks - before, 12500000);
    session.Finish();
    EXPECT_EQ(session.Conclude(), 0);
}

TEST_F(SessionTest, ConfigTextsGoToAScratchCopyOfTheServer) {
    std::string scratch;
    {
        Session session(TheServer(), out_, err_, options_);
        ASSERT_TRUE(session.Start());
        EXPECT_EQ(Run(session, "config <<EOF", "{\"x\": 1}\n  \nEOF\n"), "");
        scratch = TheServer().current_dir;
        EXPECT_NE(scratch, dir_.string());
        {
            // Closed again before the delete below, which Windows refuses on an open file.
            std::ifstream written(fs::path(scratch) / "ArkApi/Plugins/Beastfinder/config.json");
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "{\"x\": 1}\n  \n");
        }

        EXPECT_EQ(Run(session, "config delete"), "");
        EXPECT_FALSE(fs::exists(fs::path(scratch) / "ArkApi/Plugins/Beastfinder/config.json"));

        // Another file, such as a translation, relative to the script's folder.
        std::ofstream(dir_ / "es.json") << R"({"Messages": {"ConfigReloaded": "¡Listo!"}})";
        session.Options().script_dir = dir_.string();
        EXPECT_EQ(Run(session, "config es.json"), "");
        {
            std::ifstream written(fs::path(scratch) / "ArkApi/Plugins/Beastfinder/config.json");
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
                      R"({"Messages": {"ConfigReloaded": "¡Listo!"}})");
        }
        EXPECT_EQ(Run(session, "config missing.json"),
                  "error: config: no file \"" + (dir_ / "missing.json").generic_string() +
                      "\" (expected <<END, delete or a file)");
        session.Finish();
    }
    std::ifstream original(dir_ / "ArkApi/Plugins/Beastfinder/config.json");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(original), {}), "{}");
    EXPECT_FALSE(fs::exists(scratch)) << "the scratch folder outlived the session";
}

TEST_F(SessionTest, FaultsAndLeaksAreReportedAndFailTheRun) {
    Session session(TheServer(), out_, err_, options_);
    ASSERT_TRUE(session.Start());
    int local = 0;
    TheServer().Allocator().Free(&local);
    EXPECT_EQ(Run(session, "account")
                  .rfind("fault what=\"host allocator: free of a block the host never allocated\"\n"
                         "account live=",
                         0),
              0U);

    // A block nobody frees stands for a plugin that forgot one.
    void* stray = TheServer().Allocator().Malloc(24);
    const std::string unload = Run(session, "unload");
    EXPECT_NE(unload.find("fault what=\"1 host block still live after Unload (24 bytes: 24)\"\n"
                          "account live=1 bytes=24\n"),
              std::string::npos)
        << unload;
    TheServer().Allocator().Free(stray);
    EXPECT_EQ(Run(session, "unload"), "error: unload: the plugin is not loaded");
    session.Finish();
    EXPECT_EQ(session.Conclude(), 1);
}

// A mistyped line at the prompt is reported and forgiven: the session still ends with 0.
TEST_F(SessionTest, ThePromptChatsAsTheCurrentPlayerAndSurvivesBadLines) {
    std::ofstream(dir_ / "world.json") << R"({"players": [{"name": "A"}, {"name": "Bo B"}]})";
    Session session(TheServer(), out_, err_, options_);
    std::istringstream typed(
        "as \"Bo B\"\n/hello there\nas Nobody\nas\nchat \"A\nwait soon\nas A extra\n"
        "players\nreload\nquit\n/never read\n");
    EXPECT_EQ(RunInteractive(session, typed, out_), 0);
    const std::string out = out_.str();
    EXPECT_NE(out.find("Bo B> unhandled kind=\"chat\" player=\"Bo B\" line=\"/hello there\"\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("player name=\"Bo B\""), std::string::npos);
    EXPECT_EQ(out.find("/never read"), std::string::npos);
    EXPECT_EQ(err_.str(),
              "as: no player named \"Nobody\" (the players: A, Bo B)\n"
              "as: the player's name is missing\n"
              "the quote at column 6 is not closed\n"
              "wait: \"soon\" is not a number of seconds\n"
              "as: unexpected \"extra\"\n");
    // Still the second player: no failed line changed who speaks.
    EXPECT_EQ(session.current_player, "Bo B");
    EXPECT_TRUE(TheServer().commands.empty());

    // The page shows the switch, and each failed line with its error.
    std::vector<std::pair<std::string, std::string>> steps;
    for (const PageStep& step : session.History()) {
        steps.emplace_back(step.command, step.error.empty() ? step.switched_to : step.error);
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"start-up", ""},
        {"as \"Bo B\"", "Bo B"},
        {"Bo B> /hello there", ""},
        {"as Nobody", "as: no player named \"Nobody\" (the players: A, Bo B)"},
        {"as", "as: the player's name is missing"},
        {"chat \"A", "the quote at column 6 is not closed"},
        {"wait soon", "wait: \"soon\" is not a number of seconds"},
        {"as A extra", "as: unexpected \"extra\""},
        {"players", ""},
        {"reload", ""},
    };
    EXPECT_EQ(steps, expected);
}

// Scripts keep their exit code: a line that cannot run fails the run.
TEST_F(SessionTest, AScriptLineThatCannotRunFailsTheRun) {
    Session session(TheServer(), out_, err_, options_);
    std::istringstream script("as A\n");
    LineSource source(script, "s.txt");
    EXPECT_EQ(RunScript(session, source, ""), 2);
    EXPECT_EQ(err_.str(), "s.txt:1: unknown command \"as\"\n");
}

TEST_F(SessionTest, ErrorAndEchoLinesEscapeWhatATerminalWouldActOn) {
    options_.echo = true;
    Session session(TheServer(), out_, err_, options_);
    std::istringstream typed("as \"\x1b]0;owned\x07\"\nquit\n");
    EXPECT_EQ(RunInteractive(session, typed, out_), 0);
    EXPECT_EQ(err_.str(), "as: no player named \"\\x1B]0;owned\\x07\" (the players: A)\n");
    EXPECT_EQ(out_.str().find('\x1b'), std::string::npos) << out_.str();
}

TEST_F(SessionTest, ThePromptWritesThePageOfTheSessionSoFar) {
    Session session(TheServer(), out_, err_, options_);
    const std::string page = (dir_ / "page.html").string();
    std::istringstream typed("# the first\n/hello <there>\nas A\nas B\nview " + page + "\nview " +
                             (dir_ / "missing" / "page.html").string() + "\nquit\n");
    EXPECT_EQ(RunInteractive(session, typed, out_), 0);
    EXPECT_NE(out_.str().find("wrote " + page), std::string::npos) << out_.str();
    EXPECT_NE(err_.str().find("page.html: cannot be written"), std::string::npos) << err_.str();
    std::ifstream file(page);
    const std::string html(std::istreambuf_iterator<char>(file), {});
    EXPECT_NE(html.find("<code>A&gt; /hello &lt;there&gt;</code>"), std::string::npos);
    // The switch of player and the line that failed are steps of their own.
    EXPECT_NE(html.find("<section class=\"step switch\" id=\"step-3\">"), std::string::npos);
    EXPECT_NE(html.find("<code>as B</code></h2>\n<p class=\"error\">error: as: no player named "
                        "&quot;B&quot;, did you mean A?</p>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("class=\"marker player asked\""), std::string::npos);
    ASSERT_GE(session.History().size(), 2U);
    EXPECT_EQ(session.History()[1].player, "A");
}

// Each arrow on the page ends at the creature it points at, where that creature stood when
// the arrow was drawn: one nearer than the arrow is long, one far beyond it with another
// creature further along the same line, one nearer than where the arrow starts.
TEST_F(SessionTest, ThePageJoinsEachArrowToItsCreature) {
    std::ofstream(dir_ / "world.json") << R"({
      "players": [{"name": "P", "team": 50001, "position": [1000, 2000, 0]}],
      "creatures": [
        {"id": 1, "name": "Near", "team": 50001, "position": [1300, 2000, 0]},
        {"id": 2, "name": "Far", "team": 50001, "position": [41000, 32000, 100]},
        {"id": 3, "name": "Decoy", "team": 50001, "position": [81000, 62000, 200]},
        {"id": 4, "name": "Close", "team": 50001, "position": [1020, 2010, 0]}]})";
    Session session(TheServer(), out_, err_, options_);
    ASSERT_TRUE(session.Start()) << err_.str();
    for (const char* name : {"Near", "Far", "Close"}) {
        Run(session, std::string("chat P /track ") + name);
    }
    Run(session, "creature 2 x=-90000 y=-90000");

    std::map<std::string, std::uint64_t> targets;
    for (const PageStep& step : session.History()) {
        for (std::size_t i = 0; i < step.effects.size(); ++i) {
            std::size_t covered = 0;
            if (const auto arrow = ArrowAt(step.effects, i, covered)) {
                const std::string label = step.effects[i + covered].Text("text");
                const ArrowTarget* target = FindArrowTarget(*arrow, label, step.arrow_targets);
                targets[label] = target != nullptr ? target->id : 0;
            }
        }
    }
    EXPECT_EQ(targets,
              (std::map<std::string, std::uint64_t>{{"Near", 1}, {"Far", 2}, {"Close", 4}}));

    std::ostringstream out;
    WriteHtmlPage(out, session.History(), PageWorldOf(TheServer()), "arrows");
    const std::string page = out.str();
    // The dashed line ends on the marker of a creature that has not moved since.
    for (const std::string name : {"Near", "Close"}) {
        const auto arrow = page.find("pointing at " + name + " (creature ");
        ASSERT_NE(arrow, std::string::npos) << name;
        const auto line = page.find("class=\"to-target\" d=\"M", arrow);
        const auto end = page.find('L', line) + 1;
        const std::string joined = page.substr(end, page.find('"', end) - end);
        const auto marker = page.find("<title>" + name + " (");
        const auto circle = page.rfind("<circle class=\"marker", marker);
        const auto cx = page.find("cx=\"", circle) + 4;
        const auto cy = page.find("cy=\"", circle) + 4;
        EXPECT_EQ(joined, page.substr(cx, page.find('"', cx) - cx) + " " +
                              page.substr(cy, page.find('"', cy) - cy))
            << name;
    }
    EXPECT_NE(page.find("pointing at Far (creature 2)"), std::string::npos);
    session.Finish();
}

// The account after an unload and at the end is for developers: the player's view shows it
// when asked for.
TEST_F(SessionTest, ThePlayersViewShowsTheAccountOnlyWhenAsked) {
    options_.rendered = true;
    Session session(TheServer(), out_, err_, options_);
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(Run(session, "unload"), "");
    EXPECT_EQ(Run(session, "account"), "account live=0 bytes=0\n");
    const std::string load = Run(session, "load");
    EXPECT_EQ(load.find("register"), std::string::npos) << load;
    EXPECT_EQ(load.substr(load.rfind('[')), "[the plugin is loaded and started]\n");
    session.Finish();
    EXPECT_EQ(out_.str().find("account"), std::string::npos);
}

// With RCON on, the plugin runs before the first line is read, so a client is answered
// without one; option lines can then no longer choose the world.
TEST_F(SessionTest, AScriptCanStartThePluginBeforeItsFirstLine) {
    Session session(TheServer(), out_, err_, options_);
    std::istringstream script("#! --world other.json\nplayers\n");
    bool running_before_first_line = false;
    bool first = true;
    LineSource source(script, "<stdin>", false, [&] {
        if (first) {
            running_before_first_line = session.Idle() && !TheServer().commands.empty();
            first = false;
        }
    });
    EXPECT_EQ(RunScript(session, source, "", {}, true), 2);
    EXPECT_TRUE(running_before_first_line);
    EXPECT_EQ(err_.str(),
              "<stdin>:1: option lines cannot apply here: the plugin started before the first "
              "line (give --world and --server on the command line)\n");
    EXPECT_NE(out_.str().find("player name=\"A\""), std::string::npos);
}

TEST_F(SessionTest, ThePromptStopsAtABadWorldFileWithOneLine) {
    std::ofstream(dir_ / "world.json") << "{\"players\": 5}";
    Session session(TheServer(), out_, err_, options_);
    std::istringstream typed("/track\n");
    EXPECT_EQ(RunInteractive(session, typed, out_), 2);
    EXPECT_EQ(err_.str(), options_.world_file + ":1: /players: expected an array, got number\n");
    EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace sim
