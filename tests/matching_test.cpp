#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "config/config.h"
#include "host/logger.h"
#include "search/matching.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

constexpr std::int32_t kTribe = 1234567;

// A creature to add; the setters chain.
struct Spec {
    std::int32_t team = kTribe;
    std::u16string name = u"Bob";
    std::u16string descriptive = u"Rex (Tamed)";
    std::u16string tribe, owner;
    std::int32_t level = 10;
    host::Vector3 at;

    Spec& Team(std::int32_t v) { return team = v, *this; }
    Spec& Name(std::u16string v) { return name = std::move(v), *this; }
    Spec& Descriptive(std::u16string v) { return descriptive = std::move(v), *this; }
    Spec& Tribe(std::u16string v) { return tribe = std::move(v), *this; }
    Spec& Owner(std::u16string v) { return owner = std::move(v), *this; }
    Spec& Level(std::int32_t v) { return level = v, *this; }
    Spec& At(host::Vector3 v) { return at = v, *this; }
};

class Matching : public bftest::HostTest {
  protected:
    void SetUp() override {
        sim::TheServer().ClearWorld();
        ResetConfig();
        host::CreatePluginLogger();
        HostTest::SetUp();
        player_ = &sim::TheServer().AddPlayer("caller", 76561198000000001ULL);
        Config().WildTracker.MaxDistance = 1000;
        Config().WildTracker.MaxLevel = Config().WildTracker.MinLevel = -1;
    }
    void TearDown() override {
        sim::TheServer().Reset();
        ResetConfig();
        HostTest::TearDown();
    }

    static APrimalDinoCharacter* Add(const Spec& spec) {
        sim::Server& server = sim::TheServer();
        sim::Creature& creature = server.AddCreature();
        creature.name = spec.name;
        creature.dino->primal.actor.targeting_team = spec.team;
        server.SetString(creature.dino->primal.descriptive_name, spec.descriptive);
        server.SetString(creature.dino->primal.tribe_name, spec.tribe);
        server.SetString(creature.dino->owning_player_name, spec.owner);
        creature.status->level = spec.level;
        creature.root->relative_location = {spec.at.x, spec.at.y, spec.at.z};
        return reinterpret_cast<APrimalDinoCharacter*>(creature.dino.get());
    }

    // As a search in that mode would ask; the caller stands at the origin.
    bool Match(APrimalDinoCharacter* creature, std::u16string_view word, bool wild, bool admin) {
        auto* caller = reinterpret_cast<AShooterPlayerController*>(player_->controller.get());
        const SearchMode mode = wild    ? SearchMode::Wild
                                : admin ? SearchMode::Admin
                                        : SearchMode::Tame;
        const NameMatchContext context{mode, caller, host::Vector3{}, word, admin ? 0 : kTribe};
        return MatchCreatureName(context, creature);
    }

    static std::size_t ParseFailLines() {
        std::size_t lines = 0;
        for (const auto& effect : sim::TheServer().TakeEffects()) {
            lines += effect.type == "log" && effect.Text("message") == "Parse Fail" &&
                     effect.Text("level") == "info";
        }
        return lines;
    }

    sim::Player* player_ = nullptr;
};

TEST_F(Matching, TeamChoosesThePath) {
    enum Mode { kTame, kWild, kAdmin };
    const struct {
        Mode mode;
        std::int32_t team;
        bool matches;
    } cases[] = {
        {kTame, kTribe, true},  {kTame, 7654321, false}, {kAdmin, 50001, true},
        {kAdmin, 50000, false}, {kAdmin, 49999, false},  {kAdmin, 0, true},  // equals team 0
        {kWild, 49999, true},   {kWild, 50000, false},   {kWild, 50001, false},
    };
    for (const auto& c : cases) {
        APrimalDinoCharacter* creature = Add(Spec().Team(c.team).Name(u"Rex"));
        EXPECT_EQ(Match(creature, u"REX", c.mode == kWild, c.mode == kAdmin), c.matches)
            << "mode " << c.mode << ", team " << c.team;
    }
    EXPECT_FALSE(Match(nullptr, u"rex", false, false));
}

TEST_F(Matching, TamePathLooksAtOwnerNameAndSpecies) {
    APrimalDinoCharacter* creature =
        Add(Spec().Descriptive(u"Raptor (Tamed)").Tribe(u"Alpha Tribe").Owner(u"Zed"));
    for (const auto& [word, matches] : {std::pair{u"alpha", true},
                                        {u"BOB", true},
                                        {u"rap", true},
                                        {u"tamed", false},
                                        {u"zed", false}}) {
        EXPECT_EQ(Match(creature, word, false, false), matches) << sim::ToUtf8(word);
    }
    // The owner is the player when the tribe name holds no character (count 0 or 1).
    APrimalDinoCharacter* no_tribe = Add(Spec().Owner(u"Zed"));
    APrimalDinoCharacter* terminator_only = Add(Spec().Owner(u"Zed").Tribe(u"x"));
    auto& raw = sim::TheServer().Creatures().back()->dino->primal.tribe_name;
    raw.data[0] = u'\0';
    raw.count = 1;
    EXPECT_EQ(CreatureOwnerName(no_tribe).View(), u"Zed");
    EXPECT_EQ(CreatureOwnerName(terminator_only).View(), u"Zed");
    EXPECT_EQ(CreatureOwnerName(creature).View(), u"Alpha Tribe");
    EXPECT_TRUE(Match(terminator_only, u"zed", false, false));
}

TEST_F(Matching, SpeciesIsTheTextBeforeTheFirstParenthesis) {
    const struct {
        const char16_t *descriptive, *species;
        bool parse_fail;
    } cases[] = {{u"Rex (Tamed)", u"Rex ", false},
                 {u"(Rex)", u"Rex)", false},
                 {u"Rex", u"Rex", false},
                 {u"((", u"((", true},
                 {u"", u"", true}};
    for (const auto& c : cases) {
        APrimalDinoCharacter* creature = Add(Spec().Descriptive(c.descriptive));
        sim::TheServer().TakeEffects();
        EXPECT_EQ(CreatureSpeciesName(creature).View(), c.species) << sim::ToUtf8(c.descriptive);
        EXPECT_EQ(ParseFailLines(), c.parse_fail ? 1U : 0U) << sim::ToUtf8(c.descriptive);
    }
}

TEST_F(Matching, TamePathStopsAtTheFirstHit) {
    // Neither the current name nor the species may be fetched once the owner matches.
    APrimalDinoCharacter* creature = Add(Spec().Descriptive(u"((").Tribe(u"Rex Riders"));
    sim::TheServer().TakeEffects();
    sim::TheServer().unresolved.insert("APrimalDinoCharacter.GetCurrentDinoName");
    EXPECT_TRUE(Match(creature, u"rex", false, false));
    EXPECT_EQ(ParseFailLines(), 0U);
}

TEST_F(Matching, NameFetchedOnlyWhenOwnerAndSpeciesMiss) {
    APrimalDinoCharacter* rex = Add(Spec().Descriptive(u"Rex (Tamed)"));
    sim::TheServer().unresolved.insert("APrimalDinoCharacter.GetCurrentDinoName");
    EXPECT_TRUE(Match(rex, u"rex", false, false));
    EXPECT_THROW(Match(rex, u"bob", false, false), host::HostLookupError);
    sim::TheServer().unresolved.clear();
    sim::TheServer().TakeEffects();

    // "Parse Fail" only when all three miss, as when the name was tried before the species.
    APrimalDinoCharacter* unparsed = Add(Spec().Descriptive(u"((").Name(u"Rex"));
    const struct {
        const char16_t* word;
        bool matches;
        std::size_t parse_fail;
    } cases[] = {{u"rex", true, 0}, {u"((", true, 1}, {u"zed", false, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(Match(unparsed, c.word, false, false), c.matches) << sim::ToUtf8(c.word);
        EXPECT_EQ(ParseFailLines(), c.parse_fail) << sim::ToUtf8(c.word);
    }
}

TEST_F(Matching, WildLimits) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        host::Vector3 at;
        float max_distance;
        std::int32_t max_level, min_level, level;
        bool matches;
    } cases[] = {
        {{1234, 0, 0}, 12, -1, -1, 10, true},  // 12.34 m is 12 m
        {{1234, 0, 0}, 11.9F, -1, -1, 10, false},
        {{0, 0, 1300}, 12, -1, -1, 10, false},  // height counts
        {{}, nan, -1, -1, 10, false},
        {{}, 10, -1, -1, 100000, true},
        {{}, 10, 150, -1, 151, false},
        {{}, 10, 150, -1, 150, true},
        {{}, 10, -1, 10, 9, false},
        {{}, 10, -1, 10, 10, true},
    };
    for (const auto& c : cases) {
        Config().WildTracker.MaxDistance = c.max_distance;
        Config().WildTracker.MaxLevel = c.max_level;
        Config().WildTracker.MinLevel = c.min_level;
        APrimalDinoCharacter* creature = Add(Spec().Team(1).Name(u"Rex").Level(c.level).At(c.at));
        EXPECT_EQ(Match(creature, u"rex", true, false), c.matches)
            << c.at.x << " " << c.at.z << " within " << c.max_distance << ", level " << c.level;
    }
    // A creature without a status component counts as level 0.
    APrimalDinoCharacter* creature = Add(Spec().Team(1).Name(u"Rex"));
    sim::TheServer().Creatures().back()->dino->primal.status_component = nullptr;
    Config().WildTracker.MinLevel = 1;
    EXPECT_FALSE(Match(creature, u"rex", true, false));
}

TEST_F(Matching, ExclusionsAndAdministrators) {
    APrimalDinoCharacter* near = Add(Spec().Team(1).Name(u"Alpha Raptor").Level(500));
    APrimalDinoCharacter* far =
        Add(Spec().Team(1).Name(u"Alpha Raptor").Level(500).At({5000, 0, 0}));
    auto& excluded = Config().WildTracker.ExcludeSearch;
    excluded.Append(host::FString());  // an empty entry excludes nothing
    excluded.Append(host::FStringFromNarrow("Dodo"));
    EXPECT_TRUE(Match(near, u"raptor", true, false));
    excluded.Append(host::FStringFromNarrow("aLPHA"));
    EXPECT_FALSE(Match(near, u"raptor", true, false));
    EXPECT_TRUE(Match(Add(Spec().Name(u"Alpha Raptor")), u"raptor", false, false)) << "tame";

    // Administrators find wild creatures by name alone, near or far, past every limit.
    Config().WildTracker.MaxDistance = 10;
    Config().WildTracker.MaxLevel = 100;
    player_->character->is_server_admin = 1;
    for (APrimalDinoCharacter* creature : {near, far}) {
        EXPECT_TRUE(Match(creature, u"raptor", true, false));
        EXPECT_FALSE(Match(creature, u"rex", true, false));
    }
}

// Every test here also ends with the host account checked by the fixture.
TEST_F(Matching, UnresolvedLookupsFailCleanly) {
    APrimalDinoCharacter* tame = Add(Spec());
    APrimalDinoCharacter* wild = Add(Spec().Team(1));
    const std::size_t live = sim::TheServer().Allocator().LiveBlocks();
    const std::pair<const char*, APrimalDinoCharacter*> lookups[] = {
        {"AActor.TargetingTeam", tame},
        {"APrimalDinoCharacter.GetCurrentDinoName", tame},
        {"APrimalCharacter.DescriptiveName", tame},
        {"USceneComponent.RelativeLocation", wild},
        {"APrimalDinoCharacter.GetCurrentDinoName", wild},
    };
    for (const auto& [text, creature] : lookups) {
        sim::TheServer().unresolved.insert(text);
        EXPECT_THROW(Match(creature, u"zzz", creature == wild, false), host::HostLookupError)
            << text;
        sim::TheServer().unresolved.clear();
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live) << text;
    }
}

}  // namespace
}  // namespace beastfinder
