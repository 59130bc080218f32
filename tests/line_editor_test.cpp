// Completion at the prompt: what Tab inserts, and which words stand where.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/framework/server.h"
#include "sim/script/line_editor.h"

namespace sim {
namespace {

TEST(PromptCompletion, TabInsertsWhatTheMatchesShare) {
    const std::vector<std::string> words = {"/track",  "/trackadmin", "/trackwild",
                                            "players", "player",      "plugin"};
    struct Case {
        const char* typed;
        const char* insert;
        bool unique;
        std::size_t matches;
    };
    for (const Case& c :
         {Case{"/tr", "ack", false, 3}, Case{"/trackw", "ild", true, 1}, Case{"pl", "", false, 3},
          Case{"playe", "r", false, 2}, Case{"plugin", "", true, 1}, Case{"x", "", false, 0},
          Case{"", "", false, 6}}) {
        std::vector<std::string> matches;
        const Completion completion = Complete(c.typed, words, &matches);
        EXPECT_EQ(completion.insert, c.insert) << c.typed;
        EXPECT_EQ(completion.unique, c.unique) << c.typed;
        EXPECT_EQ(matches.size(), c.matches) << c.typed;
    }
}

// Names are UTF-8: what the matches share may end inside a character, and Tab must not insert
// half of one (Ь and Я share their first byte).
TEST(PromptCompletion, NeverInsertsHalfACharacter) {
    const std::vector<std::string> names = {"Ольга", "Оля", "Chloé", "Chloë"};
    struct Case {
        const char* typed;
        const char* insert;
        bool unique;
    };
    for (const Case& c : {Case{"О", "л", false}, Case{"Ол", "", false}, Case{"Оль", "га", true},
                          Case{"Ch", "lo", false}, Case{"Chlo", "", false}}) {
        const Completion completion = Complete(c.typed, names);
        EXPECT_EQ(completion.insert, c.insert) << c.typed;
        EXPECT_EQ(completion.unique, c.unique) << c.typed;
    }
}

TEST(PromptCompletion, CommandsFirstThenPlayers) {
    const std::vector<std::string> first = PromptCompletions("cre");
    for (const char* word : {"as", "chat", "creatures", "help", "quit", "reload"}) {
        EXPECT_NE(std::find(first.begin(), first.end(), word), first.end()) << word;
    }
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
    std::vector<std::string> players;
    for (const auto& player : TheServer().Players()) {
        players.push_back(player->name);
    }
    std::sort(players.begin(), players.end());
    EXPECT_EQ(PromptCompletions("as "), players);
    EXPECT_EQ(PromptCompletions("chat Bru"), players);
}

}  // namespace
}  // namespace sim
