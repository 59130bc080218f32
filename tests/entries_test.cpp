#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "host/platform.h"
#include "search/entries.h"
#include "sim/host/server.h"

namespace beastfinder {
namespace {

constexpr SearchMode kTame = SearchMode::Tame;
constexpr SearchMode kWild = SearchMode::Wild;
constexpr SearchMode kAdmin = SearchMode::Admin;

class Entries : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetConfig();
        sim::TheServer().TakeEffects();
        live_before_ = sim::TheServer().Allocator().LiveBlocks();
        PluginConfig& config = Config();
        config.TameTracker.ShowLevel = config.TameTracker.ShowDistance = true;
        config.WildTracker.ShowLevel = config.WildTracker.ShowDistance = true;
        config.WildTracker.ShowColors = true;
    }
    void TearDown() override {
        ResetConfig();
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live_before_) << "host blocks leaked";
        for (const auto& effect : sim::TheServer().TakeEffects()) {
            EXPECT_NE(effect.type, "fault") << effect.Text("what");
        }
    }

    static CreatureEntry Entry(std::u16string_view name, std::u16string_view species = u"Rex",
                               float distance = 85) {
        CreatureEntry entry;
        entry.name = host::FStringFromWide(name);
        entry.species = host::FStringFromWide(species);
        entry.owner = host::FStringFromWide(u"Alpha Tribe");
        entry.team = 50001;
        entry.level = 12;
        entry.coordinates = "Lat 25.0 : Lon 63.0";
        entry.distance = distance;
        entry.colors = {"Red", "Black", "White", "Dark Grey", "Brown", "Forest"};
        return entry;
    }

  private:
    std::size_t live_before_ = 0;
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
        {true, true, true,
         "Bob (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m - Colors: (Red Black White Dark "
         "Grey Brown Forest)\n"},
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
        {u"Rex", u"Rex", "Rex (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "Rex (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
        {u"REX", u"Rex", "REX (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "REX (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
        {u"Big Rex", u"Rex", "Big Rex (lvl 12) - Lat 25.0 : Lon 63.0 - Distance: 85 m\n\n",
         "Big Rex (lvl 12) - Lat 25.0 : Lon 63.0 - Alpha Tribe (50001) - Distance: 85 m\n\n"},
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

TEST_F(Entries, BriefEntries) {
    struct Case {
        std::u16string_view name;
        const char* tame_and_wild;
        const char* admin;
    };
    const Case cases[] = {
        {u"Bob", "Bob (Rex)\n", "Bob (Rex) - Alpha Tribe (50001) \n"},
        {u"Rex", "Rex\n", "Rex (Rex) - Alpha Tribe (50001) \n"},
        {u"Big rEX", "Big rEX\n", "Big rEX (Rex) - Alpha Tribe (50001) \n"},
    };
    for (const Case& c : cases) {
        const CreatureEntry entry = Entry(c.name);
        EXPECT_EQ(Utf8(FormatBriefEntry(entry, kTame)), c.tame_and_wild);
        EXPECT_EQ(Utf8(FormatBriefEntry(entry, kWild)), c.tame_and_wild);
        EXPECT_EQ(Utf8(FormatBriefEntry(entry, kAdmin)), c.admin);
    }
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

TEST_F(Entries, OwnerAndNamesOutsideAsciiKeepTheirCharacters) {
    CreatureEntry entry = Entry(u"Шторм");
    entry.owner = host::FStringFromWide(u"Стая Севера 🐺");
    entry.team = 50002;
    EXPECT_EQ(Utf8(FormatDetailedEntry(entry, kAdmin, false)),
              "Шторм (Rex) (lvl 12) - Lat 25.0 : Lon 63.0 - Стая Севера 🐺 (50002) - Distance: 85 "
              "m\n\n");
    EXPECT_EQ(Utf8(FormatBriefEntry(entry, kAdmin)), "Шторм (Rex) - Стая Севера 🐺 (50002) \n");
}

}  // namespace
}  // namespace beastfinder
