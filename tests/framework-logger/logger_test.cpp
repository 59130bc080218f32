// The plugin's logger built against the spdlog the framework ships (0.16.2), writing through
// sinks of that version as a server's would: the lines a server's log gets, their levels, and a
// flush after each. Built as C++17 into a program of its own, away from every other spdlog.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/sinks/sink.h>

#include "host/framework.h"
#include "host/logger.h"

namespace {

using beastfinder::host::CreatePluginLogger;
using beastfinder::host::LogLevel;
using beastfinder::host::WriteLog;

// A sink at the bottom of the 0.16.2 hierarchy: only the two calls every logger makes.
class JournalSink final : public spdlog::sinks::sink {
  public:
    JournalSink(std::string name, std::vector<std::string>& journal)
        : name_(std::move(name)), journal_(journal) {}
    void log(const spdlog::details::log_msg& msg) override {
        journal_.push_back(name_ + ": " + std::string(msg.formatted.data(), msg.formatted.size()));
    }
    void flush() override { journal_.push_back(name_ + " flushed"); }

  private:
    std::string name_;
    std::vector<std::string>& journal_;
};

std::ostringstream g_stream;
std::vector<std::string> g_journal;
std::vector<spdlog::sink_ptr> g_sinks;

// "%D %R": month/day/year and hour:minute, local time.
std::string Stamp(std::time_t when) {
    char text[32];
    std::strftime(text, sizeof text, "%m/%d/%y %H:%M", std::localtime(&when));
    return text;
}

// spdlog ends each line the platform's way.
#if defined(_WIN32)
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(kEol, start)) != std::string::npos;
         start = end + kEol.size()) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "a line without its end: " << text.substr(start);
    return lines;
}

class FrameworkLogger : public ::testing::Test {
  protected:
    void SetUp() override {
        g_stream.str("");
        g_journal.clear();
        g_sinks = {std::make_shared<spdlog::sinks::ostream_sink_mt>(g_stream),
                   std::make_shared<JournalSink>("journal", g_journal)};
    }
};

// First, so that it also holds when the whole program runs in one process.
TEST_F(FrameworkLogger, WritesNothingBeforeItIsCreated) {
    WriteLog(LogLevel::error, "too early");
    EXPECT_EQ(g_stream.str(), "");
    EXPECT_TRUE(g_journal.empty());
}

TEST_F(FrameworkLogger, WritesEachLevelInTheServersPatternToEverySinkAndFlushes) {
    const std::time_t before = std::time(nullptr);
    CreatePluginLogger();
    WriteLog(LogLevel::info, "Config Reloaded!");
    WriteLog(LogLevel::warn, "Text Color Should Have 3 Colors");
    WriteLog(LogLevel::error, "Failed to load config.json");
    const std::time_t after = std::time(nullptr);

    const std::vector<std::string> bodies = {
        "[Beastfinder][info] Config Reloaded!",
        "[Beastfinder][warning] Text Color Should Have 3 Colors",
        "[Beastfinder][error] Failed to load config.json"};
    const std::vector<std::string> lines = Lines(g_stream.str());
    ASSERT_EQ(lines.size(), bodies.size()) << g_stream.str();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string stamp = lines[i].substr(0, lines[i].find(" ["));
        EXPECT_TRUE(stamp == Stamp(before) || stamp == Stamp(after)) << lines[i];
        EXPECT_EQ(lines[i].substr(stamp.size() + 1), bodies[i]);
    }

    // Each line reaches the sinks in list order, and each is flushed at once.
    std::vector<std::string> expected;
    for (const std::string& line : lines) {
        expected.push_back("journal: " + line + kEol);
        expected.push_back("journal flushed");
    }
    EXPECT_EQ(g_journal, expected);
}

TEST_F(FrameworkLogger, WritesTextsAsTheyStand) {
    CreatePluginLogger();
    const std::vector<std::string> texts = {
        "{} {0} {:>8} %v %n 100%",  // neither fmt fields nor pattern flags
        "Message Name: Ölfarbe \xd0\xa1\xd1\x82\xd0\xb0\xd1\x8f not Found!",  // UTF-8 as is
        "",
    };
    for (const std::string& text : texts) {
        WriteLog(LogLevel::warn, text);
    }
    const std::vector<std::string> lines = Lines(g_stream.str());
    ASSERT_EQ(lines.size(), texts.size()) << g_stream.str();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string tail = "[Beastfinder][warning] " + texts[i];
        EXPECT_EQ(lines[i].substr(lines[i].size() - tail.size()), tail);
    }
}

TEST_F(FrameworkLogger, ANewLoggerReleasesTheOldOnesHoldOnTheSinks) {
    CreatePluginLogger();
    CreatePluginLogger();
    // The framework's list and one logger; a logger kept alive would write every line twice.
    EXPECT_EQ(g_sinks[0].use_count(), 2);
    WriteLog(LogLevel::info, "once");
    EXPECT_EQ(Lines(g_stream.str()).size(), 1U);
}

}  // namespace

std::vector<spdlog::sink_ptr>& GetLogSinks() {
    return g_sinks;
}
