// The simulated server's own rules: which registered command a line reaches, and what a
// reset puts back.
#include <gtest/gtest.h>

#include <string>

#include "sim/framework/server.h"

namespace sim {
namespace {

TEST(Server, ALineReachesTheCommandNamedByItsFirstWord) {
    Server& server = TheServer();
    server.Register({CommandKind::Chat, u"/track", {}, {}, {}});
    server.Register({CommandKind::Console, u"bf.reload", {}, {}, {}});
    struct Case {
        CommandKind kind;
        const char16_t* line;
        const char16_t* found;  // nullptr: none
    };
    const Case cases[] = {
        {CommandKind::Chat, u"/track rex", u"/track"},
        {CommandKind::Chat, u"   /TRACK", u"/track"},  // leading spaces, ASCII case
        {CommandKind::Chat, u"/tracker", nullptr},
        {CommandKind::Chat, u"/trac", nullptr},
        {CommandKind::Chat, u"", nullptr},
        {CommandKind::Chat, u"    ", nullptr},
        {CommandKind::Chat, u"bf.reload", nullptr},  // another kind's command
        {CommandKind::Console, u"BF.Reload now", u"bf.reload"},
        {CommandKind::Rcon, u"bf.reload", nullptr},
    };
    for (const Case& c : cases) {
        const RegisteredCommand* command = server.FindCommand(c.kind, c.line);
        const std::u16string got = command == nullptr ? u"(none)" : command->name;
        EXPECT_EQ(got, c.found == nullptr ? u"(none)" : c.found) << ToUtf8(c.line);
    }
    // Removal names the command exactly, as it was registered.
    EXPECT_FALSE(server.Unregister(CommandKind::Chat, u"/TRACK"));
    EXPECT_TRUE(server.Unregister(CommandKind::Chat, u"/track"));
    EXPECT_TRUE(server.Unregister(CommandKind::Console, u"bf.reload"));
    EXPECT_TRUE(server.commands.empty());
    server.TakeEffects();
}

TEST(Server, ResetPutsBackANewServersWorldAndBooks) {
    Server& server = TheServer();
    const std::int64_t clock = server.clock_ticks + 99;
    server.clock_ticks = clock;
    server.AddPlayer("P", 7);
    server.AddCreature();
    server.has_world = false;
    server.has_world_settings = false;
    server.world_settings.longitude_scale = 1;
    server.current_dir = "/somewhere";
    server.siblings["ArkShop"].refuse_spends = true;
    server.points[7] = 1;
    server.tokens[{7, "gold"}] = 1;
    server.groups[7] = {"G"};
    server.grants["G"] = {"p"};
    server.grants.erase("Admins");
    server.unresolved.insert("FMemory.Malloc");
    server.Emit(Effect{"echo", {}});

    server.Reset();
    EXPECT_TRUE(server.Players().empty());
    EXPECT_TRUE(server.Creatures().empty());
    EXPECT_TRUE(server.has_world);
    EXPECT_TRUE(server.has_world_settings);
    EXPECT_EQ(server.world_settings.longitude_scale, SimWorldSettings{}.longitude_scale);
    EXPECT_EQ(server.current_dir, ".");
    EXPECT_TRUE(server.siblings.empty());
    EXPECT_TRUE(server.points.empty());
    EXPECT_TRUE(server.tokens.empty());
    EXPECT_TRUE(server.groups.empty());
    const decltype(server.grants) admins_only = {{"Admins", {"*"}}};
    EXPECT_EQ(server.grants, admins_only);
    EXPECT_TRUE(server.unresolved.empty());
    EXPECT_TRUE(server.TakeEffects().empty());
    // What a loaded module may rely on stays.
    EXPECT_EQ(server.clock_ticks, clock);
    EXPECT_EQ(server.Allocator().LiveBlocks(), 0U);
    // A creature added after a reset gets the first id again.
    EXPECT_EQ(server.AddCreature().id, 1U);
    server.Reset();
}

}  // namespace
}  // namespace sim
