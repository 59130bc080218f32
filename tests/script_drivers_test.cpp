// Scripts and the prompt around the commands: option lines, line numbers in error lines, and
// the prompt's own words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/framework/server.h"
#include "sim/script/script.h"
#include "tests/host_fixture.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

class ScriptDrivers : public ::testing::Test {
  protected:
    void SetUp() override {
        TheServer().Reset();
        std::ofstream(server_.ConfigFile()) << "{}";
        fs::create_directories(server_.Root() / "worlds");
        std::ofstream(server_.Root() / "worlds/one.json") << R"({"players": [{"name": "Uno"}]})";
        options_.module_path = BF_PLUGIN_MODULE_PATH;
        options_.server_dir = server_.Root().string();
    }
    void TearDown() override { TheServer().Reset(); }

    // The exit code, with what went to standard output and standard error.
    int RunText(const std::string& script, bool start_first = false) {
        Session session(TheServer(), out_, err_, options_);
        std::istringstream in(script);
        LineSource source(in, "s.txt");
        return RunScript(session, source, server_.Root().string(), {}, start_first);
    }

    bftest::ScratchServer server_;
    SessionOptions options_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(ScriptDrivers, OptionLinesApplyOnlyBeforeTheFirstCommand) {
    struct Case {
        const char* script;
        int code;
        const char* errors;
        const char* player;  // who the world holds at the end; "" for nobody
    };
    const Case cases[] = {
        {"#! --world worlds/one.json\nplayers\n", 0, "", "Uno"},
        {"# a comment first\n\n#!   --world   worlds/one.json\nplayers\n", 0, "", "Uno"},
        {"players\n#! --world worlds/one.json\n", 2,
         "s.txt:2: option lines must come before the first command\n", ""},
        {"#! --seed 3\nplayers\n", 2,
         "s.txt:1: unknown option \"--seed\" (only --world and --server)\n", ""},
        {"#! --world\nplayers\n", 2, "s.txt:1: --world needs a value\n", ""},
        {"#! --world worlds/none.json\nplayers\n", 2, nullptr, ""},
        // Only comments: the plugin still starts and stops.
        {"#! --world worlds/one.json\n", 0, "", "Uno"},
    };
    for (const Case& c : cases) {
        out_.str("");
        err_.str("");
        options_.world_file.clear();
        TheServer().Reset();
        EXPECT_EQ(RunText(c.script), c.code) << c.script;
        if (c.errors != nullptr) {
            EXPECT_EQ(err_.str(), c.errors) << c.script;
        } else {
            EXPECT_NE(err_.str().find("none.json"), std::string::npos) << err_.str();
        }
        const bool has_player = !TheServer().Players().empty();
        EXPECT_EQ(has_player ? TheServer().Players().front()->name : "", c.player) << c.script;
    }
}

TEST_F(ScriptDrivers, AWorldGivenOnTheCommandLineWinsOverOptionLines) {
    std::ofstream(server_.Root() / "worlds/two.json") << R"({"players": [{"name": "Dos"}]})";
    options_.world_file = (server_.Root() / "worlds/two.json").string();
    options_.world_fixed = true;
    EXPECT_EQ(RunText("#! --world worlds/one.json\nplayers\n"), 0) << err_.str();
    EXPECT_NE(out_.str().find("player name=\"Dos\""), std::string::npos) << out_.str();
}

TEST_F(ScriptDrivers, StartedBeforeTheFirstLineOptionLinesCannotApply) {
    EXPECT_EQ(RunText("#! --world worlds/one.json\necho hi\n", true), 2);
    EXPECT_EQ(err_.str(),
              "s.txt:1: option lines cannot apply here: the plugin started before the first line "
              "(give --world and --server on the command line)\n");
    EXPECT_NE(out_.str().find("echo text=\"hi\"\n"), std::string::npos);
}

// A configuration text's lines count: errors after it name the script's own line numbers.
TEST_F(ScriptDrivers, ErrorLinesNameTheScriptsLine) {
    EXPECT_EQ(RunText("config <<END\n{}\n\nEND\nwait x\nnope\n"), 2);
    EXPECT_EQ(err_.str(),
              "s.txt:5: wait: \"x\" is not a number of seconds\n"
              "s.txt:6: unknown command \"nope\"\n");
}

TEST_F(ScriptDrivers, ThePromptsOwnWords) {
    std::ofstream(server_.Root() / "worlds/two.json")
        << R"({"players": [{"name": "Uno"}, {"name": "Dos"}]})";
    options_.world_file = (server_.Root() / "worlds/two.json").string();
    Session session(TheServer(), out_, err_, options_);
    std::istringstream typed(
        "help\n# not sent\nview\nview a b\nas Dos\nas Dos Uno\nexit\nas Uno\n");
    EXPECT_EQ(RunInteractive(session, typed, out_), 0);
    const std::string out = out_.str();
    EXPECT_NE(out.find("Script commands (here too):\n"), std::string::npos) << out;
    EXPECT_NE(out.find("The plugin's chat commands: /"), std::string::npos) << out;
    EXPECT_EQ(out.find("not sent"), std::string::npos) << out;
    EXPECT_EQ(err_.str(),
              "view: the file is missing\n"
              "view: unexpected \"b\"\n"
              "as: unexpected \"Uno\"\n");
    // "exit" ends the session like "quit": the last line never ran.
    EXPECT_EQ(session.current_player, "Dos");
}

TEST_F(ScriptDrivers, HelpListsEveryCommandAndThePluginsChatCommands) {
    Session session(TheServer(), out_, err_, options_);
    const std::string before = session.Help();
    EXPECT_NE(before.find("The plugin has no chat command registered now.\n"), std::string::npos);
    for (const std::string_view name : Session::CommandNames()) {
        EXPECT_NE(before.find("\n  " + std::string(name)), std::string::npos) << name;
    }
    ASSERT_TRUE(session.Start()) << err_.str();
    EXPECT_NE(session.Help().find("The plugin's chat commands: /"), std::string::npos)
        << session.Help();
    session.Finish();
}

}  // namespace
}  // namespace sim
