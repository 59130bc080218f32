// GCC 12 reports the JSON library's inlined string construction as an out-of-bounds map
// access (-Warray-bounds, a false positive); it can only be silenced for a whole file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "config/config.h"
#include "config/messages.h"
#include "host/platform.h"
#include "search/entries.h"
#include "sim/host/server.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

constexpr SearchMode kTame = SearchMode::Tame;
constexpr SearchMode kWild = SearchMode::Wild;
constexpr SearchMode kAdmin = SearchMode::Admin;

class Entries : public bftest::HostTest {
  protected:
    void SetUp() override {
        ResetConfig();
        HostTest::SetUp();
        PluginConfig& config = Config();
        config.TameTracker.ShowLevel = config.TameTracker.ShowDistance = true;
        config.WildTracker.ShowLevel = config.WildTracker.ShowDistance = true;
        config.WildTracker.ShowColors = true;
    }
    void TearDown() override {
        ResetConfig();
        HostTest::TearDown();
    }

    // A "Messages" section in the file's own words.
    static void Translate(std::string_view texts) {
        UsePlayerTexts(LoadMessages(nlohmann::json::parse(texts)).texts);
    }

    static CreatureEntry Entry(std::u16string_view name, std::u16string_view species = u"Rex",
                               float distance = 85) {
        CreatureEntry entry;
        entry.name = host::FStringFromWide(name);
        entry.species = host::FStringFromWide(species);
        entry.owner = host::FStringFromWide(u"Alpha Tribe");
        entry.team = 50001;
        entry.level = 12;
        entry.coordinates = u"Lat 25.0 : Lon 63.0";
        entry.distance = distance;
        entry.colors = {"Red", "Black", "White", "Dark Grey", "Brown", "Forest"};
        return entry;
    }
};

// Readable on failure: the entries are compared as UTF-8.
std::string Utf8(const std::u16string& text) {
    return host::Utf16ToUtf8(text);
}

TEST_F(Entries, WildSeveralMatchesHonourEverySwitchAndEndInOneBreak) {
    struct Case {
        bool level, distance, colors;
        const char* expected;
    };
    const Case cases[] = {
        {true, true, false, "Bob (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n"},
        {false, true, true,
         "Bob - Lat 25.0 : Lon 63.0 - Distance: 85 m - Colors: (Red Black White Dark Grey Brown "
         "Forest)\n"},
        {true, false, true,
         "Bob (lvl 12) - Lat 25.0 : Lon 63.0 - Colors: (Red Black White Dark Grey Brown "
         "Forest)\n"},
        {false, false, false, "Bob - Lat 25.0 : Lon 63.0\n"},
    };
    for (const Case& c : cases) {
        WildTrackerConfig& wild = Config().WildTracker;
        wild.ShowLevel = c.level;
        wild.ShowDistance = c.distance;
        wild.ShowColors = c.colors;
        EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Bob"), kWild, false)), c.expected)
            << "level " << c.level << " distance " << c.distance << " colors " << c.colors;
    }
}

TEST_F(Entries, WildSingleMatchHidesOnlyTheDistanceAndHasNoBreak) {
    WildTrackerConfig& wild = Config().WildTracker;
    wild.ShowLevel = wild.ShowColors = false;
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Bob"), kWild, true)),
              "Bob (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m - Colors: (Red Black White "
              "Dark Grey Brown Forest)");
    wild.ShowDistance = false;
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Bob"), kWild, true)),
              "Bob (lvl 12) - Lat 25.0 : Lon 63.0 - Colors: (Red Black White Dark Grey Brown "
              "Forest)");
}

TEST_F(Entries, TameAndAdminDropTheSpeciesWhenTheNameHoldsItIgnoringCase) {
    struct Case {
        std::u16string_view name, species;
        const char* tame;
        const char* admin;
    };
    const Case cases[] = {
        {u"Bob", u"Rex", "Bob (Rex) (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "Bob (Rex) (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
        {u"REX", u"Rex", "REX (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "REX (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
        {u"Rexy", u"Rex", "Rexy (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "Rexy (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
        {u"ДРАКОН", u"Дракон", "ДРАКОН (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "ДРАКОН (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
    };
    for (const Case& c : cases) {
        const CreatureEntry entry = Entry(c.name, c.species);
        EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kTame, false)), c.tame);
        // One match or several: the tame and admin entries are the same.
        EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kTame, true)), c.tame);
        EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kAdmin, false)), c.admin);
        EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kAdmin, true)), c.admin);
    }
}

TEST_F(Entries, TameSwitchesLeaveAdminEntriesWhole) {
    PluginConfig& config = Config();
    config.TameTracker.ShowLevel = config.TameTracker.ShowDistance = false;
    config.WildTracker.ShowLevel = config.WildTracker.ShowDistance = false;
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Bob"), kTame, false)),
              "Bob (Rex) - Lat 25.0 : Lon 63.0\n\n");
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Rex"), kTame, false)),
              "Rex - Lat 25.0 : Lon 63.0\n\n");
    EXPECT_EQ(
        Utf8(FormatDetailedEntry(Entry(u"Bob"), kAdmin, false)),
        "Bob (Rex) (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n");

    config.TameTracker.ShowLevel = true;
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Bob"), kTame, false)),
              "Bob (Rex) (lvl 12) - Lat 25.0 : Lon 63.0\n\n");
}

TEST_F(Entries, DistancesPrintLikePercentG) {
    struct Case {
        float metres;
        const char* shown;
    };
    for (const Case& c : {Case{0, "0"}, Case{12, "12"}, Case{1234, "1234"}, Case{999999, "999999"},
                          Case{1e6F, "1e+06"}, Case{1234567, "1.23457e+06"}}) {
        const CreatureEntry entry = Entry(u"Bob", u"Rex", c.metres);
        EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kTame, false)),
                  std::string("Bob (Rex) (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: ") + c.shown +
                      " m\n\n");
        // The piece taken out is printed the same way, so it is found again.
        Config().WildTracker.ShowDistance = false;
        EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kWild, true)),
                  "Bob (lvl 12) - Lat 25.0 : Lon 63.0 - Colors: (Red Black White Dark Grey Brown "
                  "Forest)");
        Config().WildTracker.ShowDistance = true;
    }
}

// Hidden pieces are left out, not cut out: a name that holds a piece's text keeps it.
TEST_F(Entries, HiddenPiecesNeverTakeTextOutOfTheName) {
    PluginConfig& config = Config();
    config.TameTracker.ShowLevel = config.TameTracker.ShowDistance = false;
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Bob (lvl 12)"), kTame, false)),
              "Bob (lvl 12) (Rex) - Lat 25.0 : Lon 63.0\n\n");
    config.WildTracker.ShowDistance = false;
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Big - Distance: 85 m"), kWild, true)),
              "Big - Distance: 85 m (lvl 12) - Lat 25.0 : Lon 63.0 - Colors: (Red Black White "
              "Dark Grey Brown Forest)");
    // The species shown in the name is dropped as a piece only.
    EXPECT_EQ(Utf8(FormatDetailedEntry(Entry(u"Rex (Rex)"), kTame, false)),
              "Rex (Rex) - Lat 25.0 : Lon 63.0\n\n");
}

// The administrator's words go around each value; which pieces show and the line breaks
// stay the plugin's.
TEST_F(Entries, TranslatedPiecesKeepTheLayout) {
    // Specs a value of the wrong kind could not take: each piece gets what its table says.
    Translate(R"json({"EntrySpecies": " [{:s}]", "EntryLevel": " (ур. {:d})",
                      "EntryCoordinates": " · {:s}", "EntryOwner": " · {1:d}/{0:s}",
                      "EntryDistance": " · {:s} м", "EntryColors": " · окраска: {0:s}, {5}"})json");
    Config().WildTracker.ShowLevel = false;
    struct Case {
        SearchMode mode;
        bool single;
        bool brief;
        const char* expected;
    };
    const Case cases[] = {
        {kTame, false, false, "Bob [Rex] (ур. 12) · Lat 25.0 : Lon 63.0 · 85 м\n\n"},
        {kAdmin, false, false,
         "Bob [Rex] (ур. 12) · Lat 25.0 : Lon 63.0 · 50001/Alpha Tribe · 85 м\n\n"},
        {kWild, false, false, "Bob · Lat 25.0 : Lon 63.0 · 85 м · окраска: Red, Forest\n"},
        {kWild, true, false, "Bob (ур. 12) · Lat 25.0 : Lon 63.0 · 85 м · окраска: Red, Forest"},
        {kTame, false, true, "Bob [Rex]\n"},
        {kAdmin, false, true, "Bob [Rex] · 50001/Alpha Tribe \n"},
    };
    for (const Case& c : cases) {
        const CreatureEntry entry = Entry(u"Bob");
        EXPECT_EQ(Utf8(c.brief ? FormatBriefEntry(entry, c.mode)
                               : FormatDetailedEntry(entry, c.mode, c.single)),
                  c.expected);
    }
}

}  // namespace
}  // namespace beastfinder
