// The command handlers where a transcript cannot reach: the sibling plugins found by
// their exported names, and handlers called with what the framework should never pass.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/siblings.h"
#include "host/fstring.h"
#include "host/logger.h"
#include "host/platform.h"
#include "sim/host/server.h"
#include "sim/host/siblings.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

constexpr std::uint64_t kSteamId = 76561198000000042ULL;

class CommandHandlers : public bftest::HostTest {
  protected:
    void SetUp() override {
        host::CreatePluginLogger();
        HostTest::SetUp();
    }
    void TearDown() override {
        sim::UnloadAllSiblings();
        sim::TheServer().siblings.clear();
        sim::TheServer().points.clear();
        sim::TheServer().tokens.clear();
        sim::TheServer().groups.clear();
        sim::TheServer().grants = {{"Admins", {"*"}}};
        HostTest::TearDown();
    }
};

TEST_F(CommandHandlers, SiblingExportsAreFoundByNameOnlyWhileTheirModuleIsLoaded) {
    sim::TheServer().points[kSteamId] = 120;
    sim::TheServer().tokens[{kSteamId, "gold"}] = 7;
    sim::TheServer().groups[kSteamId] = {"Trackers"};
    sim::TheServer().groups[kSteamId + 2] = {"Admins"};
    sim::TheServer().grants["Trackers"] = {"Beastfinder.Track", "caf??"};

#if defined(_WIN32)
    EXPECT_EQ(siblings::ModuleFileName(host::Sibling::ArkShop), "ArkShop.dll");
#else
    EXPECT_EQ(siblings::ModuleFileName(host::Sibling::ArkShop), "ArkShop.so");
#endif
    // Absent modules go unanswered (the siblings-vanish transcript shows the warnings) and
    // are never loaded on the plugin's behalf.
    EXPECT_FALSE(siblings::GetPoints(kSteamId).has_value());
    EXPECT_FALSE(siblings::SpendPoints(1, kSteamId).has_value());
    EXPECT_FALSE(siblings::GetTokens(kSteamId, "gold").has_value());
    EXPECT_FALSE(siblings::SpendTokens(1, kSteamId, "gold").has_value());
    EXPECT_FALSE(siblings::HasPermission(kSteamId, "Beastfinder.Track").has_value());
    EXPECT_FALSE(siblings::IsLoaded(host::Sibling::Permissions));
    EXPECT_EQ(host::FindModuleExport(siblings::ModuleFileName(host::Sibling::ArkShop).c_str(),
                                     "_ZN7ArkShop6Points9GetPointsEy"),
              nullptr);

    std::string error;
    for (const char* plugin : {"ArkShop", "CoinVault", "Permissions"}) {
        ASSERT_TRUE(sim::SetSiblingPresent(plugin, true, &error)) << error;
    }
    EXPECT_EQ(siblings::GetPoints(kSteamId), 120);
    EXPECT_EQ(siblings::SpendPoints(20, kSteamId), true);
    EXPECT_EQ(siblings::GetPoints(kSteamId), 100);
    EXPECT_EQ(siblings::GetTokens(kSteamId, "gold"), 7);
    EXPECT_EQ(siblings::GetTokens(kSteamId, "silver"), 0);
    EXPECT_EQ(siblings::SpendTokens(8, kSteamId, "gold"), false);
    EXPECT_EQ(siblings::SpendTokens(7, kSteamId, "gold"), true);
    EXPECT_TRUE(siblings::IsLoaded(host::Sibling::Permissions));
    // A permission is held through a group; a group's own name is no permission.
    EXPECT_EQ(siblings::HasPermission(kSteamId, "Beastfinder.Track"), true);
    EXPECT_EQ(siblings::HasPermission(kSteamId, "beastfinder.track"), false);
    EXPECT_EQ(siblings::HasPermission(kSteamId, "Trackers"), false);
    EXPECT_EQ(siblings::HasPermission(kSteamId + 1, "Beastfinder.Track"), false);
    EXPECT_EQ(siblings::HasPermission(kSteamId + 2, "Anything.At.All"), true);
    // The permission name crosses as host text made byte by byte: a non-ASCII name arrives
    // with "?" for each byte above 127.
    EXPECT_EQ(siblings::HasPermission(kSteamId, "caf\xC3\xA9"), true);
}

TEST_F(CommandHandlers, NullArgumentsEndEveryHandlerSilently) {
    host::FString line = host::FStringFromNarrow("/track rex");
    const host::FString body = host::FStringFromNarrow("bf.test 1 0 0 1");
    RCONPacket packet{0, 7, 2, host::ToFramework(body)};  // the body stays body's
    auto* connection = reinterpret_cast<RCONClientConnection*>(&sim::TheServer().rcon_connection);
    for (auto* handler :
         {&TameTrackerCommand, &WildTrackerCommand, &AdminTrackerCommand, &ReloadChatCommand}) {
        handler(nullptr, &line, 0);
    }
    ReloadConsoleCommand(nullptr, &line, false);
    ReloadRconCommand(nullptr, &packet, nullptr);
    ReloadRconCommand(connection, nullptr, nullptr);
    TestRconCommand(nullptr, &packet, nullptr);
    TestRconCommand(connection, nullptr, nullptr);
    EXPECT_TRUE(bftest::TakeEffects().empty());
}

}  // namespace
}  // namespace beastfinder
