// What only a Windows build runs: the system's clock, text conversion and case mapping, and
// the loader's entry point.
#if defined(_WIN32)

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <thread>

#include <windows.h>

#include "host/fstring.h"
#include "host/platform.h"
#include "search/matching.h"
#include "sim/framework/module.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

namespace {

using beastfinder::host::SystemClockTicks;
using beastfinder::host::UpperCaseUnit;
using beastfinder::host::WallClockTicks;

constexpr std::int64_t kTicksPerSecond = 10'000'000;

using WindowsHost = bftest::ModuleTest;

TEST_F(WindowsHost, SystemClockCountsSecondsSince1970LikeTheCLibrary) {
    for (int sample = 0; sample < 3; ++sample) {
        const std::time_t before = std::time(nullptr);
        const std::int64_t ticks = SystemClockTicks();
        const std::time_t after = std::time(nullptr);
        EXPECT_GE(ticks / kTicksPerSecond, static_cast<std::int64_t>(before));
        EXPECT_LE(ticks / kTicksPerSecond, static_cast<std::int64_t>(after));
    }
}

TEST_F(WindowsHost, WallClockIsTheHostLibrarysWhenItExportsOne) {
    // Found by name in beastfinder-host.dll: a differently named DLL would silently fall
    // back to the system clock and scripts could no longer let time pass.
    const std::int64_t saved = sim::TheServer().clock_ticks;
    sim::TheServer().clock_ticks = 17'000'000'000'000'000LL;
    EXPECT_EQ(WallClockTicks(), 17'000'000'000'000'000LL);
    sim::TheServer().clock_ticks = saved;
}

TEST_F(WindowsHost, TribeNamesReachUtf8ThroughTheSystemsConversion) {
    sim::Creature& creature = sim::TheServer().AddCreature();
    const std::uint64_t id = creature.id;
    auto* dino = reinterpret_cast<APrimalDinoCharacter*>(creature.dino.get());
    struct Case {
        std::u16string tribe;
        std::string utf8;
    };
    for (const Case& c :
         {Case{u"Стая Севера", "Стая Севера"}, Case{u"Ärger 龍 \U0001F996", "Ärger 龍 \U0001F996"},
          Case{u"a\xD800", "a\xEF\xBF\xBD"}, Case{u"\xDC00z", "\xEF\xBF\xBDz"}}) {
        sim::TheServer().SetString(creature.dino->primal.tribe_name, c.tribe);
        EXPECT_EQ(beastfinder::host::FStringToUtf8(beastfinder::CreatureOwnerName(dino)), c.utf8);
    }
    sim::TheServer().RemoveCreature(id);
}

TEST_F(WindowsHost, UpperCaseComesFromTheSystemsMapping) {
    struct Case {
        char16_t unit;
        char16_t upper;
    };
    for (const Case c :
         {Case{u'a', u'A'}, Case{u'Z', u'Z'}, Case{u'7', u'7'}, Case{u'\u00E4', u'\u00C4'},
          Case{u'\u00FF', u'\u0178'}, Case{u'\u044F', u'\u042F'}, Case{u'\u0451', u'\u0401'},
          Case{u'\u03C9', u'\u03A9'}, Case{u'\u00DF', u'\u00DF'}, Case{u'\u9F8D', u'\u9F8D'},
          Case{char16_t{0xD83D}, char16_t{0xD83D}}, Case{char16_t{0xDE00}, char16_t{0xDE00}}}) {
        EXPECT_EQ(static_cast<int>(UpperCaseUnit(c.unit)), static_cast<int>(c.upper))
            << "unit " << std::hex << static_cast<int>(c.unit);
    }
}

TEST_F(WindowsHost, ThreadsStartingAndEndingDoNotRestartThePlugin) {
    WriteConfig("{}");

    ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
    ASSERT_TRUE(module_.Started());
    ASSERT_EQ(sim::TheServer().commands.size(), 7U);
    sim::TheServer().TakeEffects();

    std::thread([] {}).join();
    EXPECT_TRUE(sim::TheServer().TakeEffects().empty());
    EXPECT_EQ(sim::TheServer().commands.size(), 7U);

    module_.Close();
    EXPECT_TRUE(sim::TheServer().commands.empty());
}

// Freed without Plugin_Unload (a loader other than the framework): the loader's detach
// removes the commands and releases everything, once.
TEST_F(WindowsHost, DetachWithoutPluginUnloadStillUnloads) {
    WriteConfig("{}");
    HMODULE module = LoadLibraryA(BF_PLUGIN_MODULE_PATH);
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(sim::TheServer().commands.size(), 7U);
    sim::TheServer().TakeEffects();

    FreeLibrary(module);
    std::size_t removed = 0;
    for (const auto& effect : sim::TheServer().TakeEffects()) {
        removed += effect.type == "unregister" ? 1 : 0;
    }
    EXPECT_EQ(removed, 7U);
    EXPECT_TRUE(sim::TheServer().commands.empty());
    EXPECT_EQ(Live(), 0U);
}

}  // namespace

#endif  // _WIN32
