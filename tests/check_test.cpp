// `beastfinder-sim check` on files no administrator should have to write: it must never crash
// and never print a byte that upsets a terminal.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/framework/server.h"
#include "sim/tools/check.h"
#include "sim/views/output.h"
#include "tests/host_fixture.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

class CheckTest : public ::testing::Test {
  protected:
    void TearDown() override { TheServer().TakeEffects(); }

    int Check(const std::string& bytes) {
        const fs::path file = dir_ / "config.json";
        std::ofstream(file, std::ios::binary) << bytes;
        out_.str("");
        err_.str("");
        return CheckConfig(TheServer(), file.string(), BF_PLUGIN_MODULE_PATH, out_, err_);
    }

    bftest::ScratchServer server_;
    const fs::path dir_ = server_.Root();
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(CheckTest, AnyBytesGiveOneLinePerProblemAndASummary) {
    std::uint64_t state = 12345;
    auto random_bytes = [&state](std::size_t size) {
        std::string bytes;
        for (std::size_t i = 0; i < size; ++i) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            bytes.push_back(static_cast<char>(state >> 56));
        }
        return bytes;
    };
    const std::string deep(100000, '[');
    const std::string inputs[] = {
        "",
        random_bytes(4096),
        "\xEF\xBB\xBF{\"GlobalSettings\": {\"DinosPerPage\": -3}}",
        "{\"Messages\": " + deep + std::string(100000, ']') + "}",
        "{\"GlobalSettings\": " + deep,
        "{\"TameTracker\": {\"Command\": \"/t\\u001b]0;owned\\u0007\"}} \xFF trailing junk",
        "{\"WildTracker\": {\"ExcludeSearch\": [\"\xF0\x9F\xA6\x96\", \"\xF0\x9F\xA6\"]}}",
    };
    for (const std::string& input : inputs) {
        const int code = Check(input);
        EXPECT_TRUE(code == 0 || code == 1) << code;
        const std::string out = out_.str();
        // Every line is printable as it stands, and the last one is the summary.
        std::istringstream lines(out);
        std::string line;
        std::string last;
        while (std::getline(lines, line)) {
            EXPECT_EQ(PrintableText(line), line);
            last = line;
        }
        EXPECT_EQ(last.rfind((dir_ / "config.json").string() + ": ", 0), 0U) << last;
        EXPECT_EQ(code == 0, last.find(": OK") != std::string::npos) << last;
        EXPECT_EQ(err_.str(), "");
    }
    EXPECT_TRUE(TheServer().commands.empty());
}

// The parser names such a number without its place; the check finds the line.
TEST_F(CheckTest, NumberTooLargeForADoubleIsAnErrorOnItsLine) {
    EXPECT_EQ(Check("{\n\"GlobalSettings\": {\"DinosPerPage\": 1e999}}"), 1);
    const std::string file = (dir_ / "config.json").string();
    EXPECT_EQ(out_.str(),
              file + ":2: error: number overflow parsing '1e999'\n" + file + ": 1 error\n");
}

// The plugin refuses a file past a mebibyte unread; so does the check, as an error of the file.
TEST_F(CheckTest, AFileTooLargeForThePluginIsAnError) {
    const std::string file = (dir_ / "config.json").string();
    const std::string object = "{}";
    EXPECT_EQ(Check(object + std::string((1 << 20) - object.size(), ' ')), 0) << out_.str();
    EXPECT_EQ(Check(object + std::string((1 << 20) - object.size() + 1, ' ')), 1);
    EXPECT_EQ(out_.str(), file +
                              ": error: the file is larger than 1048576 bytes; the plugin does "
                              "not load it\n" +
                              file + ": 1 error\n");
    EXPECT_EQ(err_.str(), "");
}

// Each wrong value costs a load of its own: a file full of them is named up to a bound.
TEST_F(CheckTest, ManyWrongValuesAreNamedUpToABound) {
    std::string names;
    for (int i = 0; i < 500; ++i) {
        names += (i == 0 ? "" : ", ") + std::to_string(i);
    }
    EXPECT_EQ(Check("{\"WildTracker\": {\"ExcludeSearch\": [" + names + "]}}"), 1);
    const std::string out = out_.str();
    const std::string file = (dir_ / "config.json").string();
    EXPECT_NE(out.find(file + ":1: error: /WildTracker/ExcludeSearch/0: type must be string"),
              std::string::npos);
    EXPECT_NE(out.find("/ExcludeSearch/49: type must be string"), std::string::npos);
    EXPECT_EQ(out.find("/ExcludeSearch/50:"), std::string::npos);
    EXPECT_NE(out.find(file + ": note: the check stops after 50 errors"), std::string::npos);
    EXPECT_NE(out.find(file + ": 50 errors, "), std::string::npos) << out;
    EXPECT_TRUE(TheServer().commands.empty());
}

TEST_F(CheckTest, WhatCannotBeReadIsAUsageError) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(CheckConfig(TheServer(), dir_.string(), BF_PLUGIN_MODULE_PATH, out, err), 2);
    EXPECT_EQ(err.str(), dir_.string() + ": is a folder, not a file\n");
    EXPECT_EQ(out.str(), "");

    std::ofstream(dir_ / "config.json") << "{}";
    EXPECT_EQ(CheckConfig(TheServer(), (dir_ / "config.json").string(),
                          (dir_ / "no-module").string(), out, err),
              3);
}

}  // namespace
}  // namespace sim
