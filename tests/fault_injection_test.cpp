// The plugin module under a host that misbehaves: lookups that do not resolve, missing world
// settings and components, sibling plugins that refuse or vanish. Whatever happens, a command
// ends, the server keeps running and the host allocator's account stays balanced.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "host/game.h"
#include "sim/host/server.h"
#include "sim/host/siblings.h"
#include "sim/module.h"
#include "sim/world.h"
#include "tests/host_fixture.h"

namespace {

namespace fs = std::filesystem;

struct Line {
    sim::CommandKind kind;
    std::u16string text;
};

// Every command the plugin registers, with arguments that reach its deepest path.
const std::vector<Line> kLines = {
    {sim::CommandKind::Chat, u"/track Rex"},
    {sim::CommandKind::Chat, u"/track Big 2"},
    {sim::CommandKind::Chat, u"/trackwild Rex"},
    {sim::CommandKind::Chat, u"/trackadmin Alpha Tribe"},
    {sim::CommandKind::Chat, u"/bf.reload"},
    {sim::CommandKind::Console, u"bf.reload"},
    {sim::CommandKind::Rcon, u"bf.reload"},
    {sim::CommandKind::Rcon, u"bf.test 1 0 0 1"},
};

class FaultInjection : public ::testing::Test {
  protected:
    // Prices, permission rules and the payment log on: every lookup a command can need.
    void SetUp() override {
        fs::copy_file(
            fs::path(BF_SOURCE_DIR) /
                "tests/transcripts/servers/paid-trace/ArkApi/Plugins/Beastfinder/config.json",
            server_.ConfigFile());
        auto& server = sim::TheServer();
        server.current_dir = server_.Root().string();
        sim::ApplyWorld(server, sim::ReadWorldFile(std::string(BF_SOURCE_DIR) +
                                                   "/tests/transcripts/worlds/trackers.json"));
        server.TakeEffects();
        ASSERT_TRUE(module_.Open(BF_PLUGIN_MODULE_PATH)) << module_.Error();
        ASSERT_TRUE(module_.Started());
        // Once round so that whatever the plugin keeps between commands is already kept.
        for (const Line& line : kLines) {
            Run(line);
        }
        CheckEffects();
        baseline_ = server.Allocator().LiveBlocks();
    }

    void TearDown() override {
        auto& server = sim::TheServer();
        server.unresolved.clear();
        server.has_world_settings = true;
        module_.Close();
        CheckEffects();
        server.ClearWorld();
        sim::UnloadAllSiblings();
        server.siblings.clear();
        EXPECT_EQ(server.Allocator().LiveBlocks(), 0U) << "host blocks leaked";
    }

    static sim::Player& Player(const char* name) { return *sim::TheServer().FindPlayer(name); }

    // The administrator runs the admin search and the chat and console reloads; Alice the rest.
    static void Run(const Line& line) {
        auto& server = sim::TheServer();
        sim::Player& player = line.text.rfind(u"/trackadmin", 0) == 0 ||
                                      line.text == u"/bf.reload" ||
                                      line.kind == sim::CommandKind::Console
                                  ? Player("Admin Bob")
                                  : Player("Alice");
        const bool handled = line.kind == sim::CommandKind::Chat ? server.RunChat(player, line.text)
                             : line.kind == sim::CommandKind::Console
                                 ? server.RunConsole(player, line.text)
                                 : server.RunRcon(line.text);
        EXPECT_TRUE(handled) << sim::ToUtf8(line.text);
    }

    // No faults, and every "did not resolve" error names a text that really is unresolved.
    static std::vector<sim::Effect> CheckEffects() {
        auto effects = bftest::TakeEffects();
        for (const auto& effect : effects) {
            const std::string message = effect.Text("message");
            if (effect.type == "log" && message.find("did not resolve") != std::string::npos) {
                bool named = false;
                for (const auto& text : sim::TheServer().unresolved) {
                    named = named || message.find("'" + text + "'") != std::string::npos;
                }
                EXPECT_TRUE(named) << message;
            }
        }
        return effects;
    }

    void ExpectBalanced(const std::string& what) const {
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), baseline_) << what;
    }

    // Every line, or every line but the reloads (which would sample what a test has
    // changed), ends cleanly and leaves the host account as it was.
    void RunEvery(const std::string& what, bool with_reloads = true, bool balanced = true) {
        for (const Line& line : kLines) {
            if (!with_reloads && line.text.find(u"reload") != std::u16string::npos) {
                continue;
            }
            Run(line);
            CheckEffects();
            if (balanced) {
                ExpectBalanced(what + ": " + sim::ToUtf8(line.text));
            }
        }
    }

    // A plain search still answers: the server kept running and the plugin is usable.
    void ExpectStillServes(const std::string& what) {
        Run({sim::CommandKind::Chat, u"/track Big"});
        const auto effects = CheckEffects();
        EXPECT_TRUE(std::any_of(effects.begin(), effects.end(), [](const sim::Effect& effect) {
            return effect.type == "notify" || effect.type == "chat" || effect.type == "server-chat";
        })) << what;
        ExpectBalanced(what);
    }

    bftest::ScratchServer server_;
    sim::PluginModule module_;
    std::size_t baseline_ = 0;
};

// Unknown texts are answered as a real server answers them (the module's base, the object's
// own address): every command that needs one ends with the error line naming it, having
// charged nothing.
TEST_F(FaultInjection, EveryUnresolvedLookupEndsTheCommandCleanly) {
    auto& server = sim::TheServer();
    const std::uint64_t alice = Player("Alice").steam_id;
    const std::pair<std::uint64_t, std::string> gold{alice, "gold"};
    // Map coordinates read the calibration fields only when the world overrides them.
    server.world_settings.override_longitude_and_latitude = 1;
    std::set<std::string> asked;
    std::set<std::string> reported;
    for (const auto& lookup : beastfinder::host::kLookups) {
        const std::string name(lookup.text);
        server.unresolved = {name};
        for (const Line& line : kLines) {
            server.points[alice] = 100000;
            server.tokens[gold] = 1000;
            const std::uint64_t asks_before = server.lookup_counts[name];
            Run(line);
            const bool needed = server.lookup_counts[name] > asks_before;
            const std::string what = name + " / " + sim::ToUtf8(line.text);
            for (const auto& effect : CheckEffects()) {
                if (effect.type == "log" &&
                    effect.Text("message").find("'" + name + "'") != std::string::npos) {
                    reported.insert(name);
                }
            }
            if (needed) {
                asked.insert(name);
                EXPECT_EQ(server.points[alice], 100000) << what;
                EXPECT_EQ(server.tokens[gold], 1000) << what;
            }
            ExpectBalanced(what);
        }
        server.unresolved.clear();
        ExpectStillServes(name);
    }
    server.world_settings.override_longitude_and_latitude = 0;
    // Named once, the first time a command needs it; every text is needed by some command,
    // the host's free included (every command that allocates asks for it first).
    EXPECT_EQ(reported, asked);
    std::set<std::string> all;
    for (const auto& lookup : beastfinder::host::kLookups) {
        all.emplace(lookup.text);
    }
    EXPECT_EQ(asked, all);
}

// The framework's GetSteamIdFromController calls whatever its own lookup answers: after a
// game update it would call the game module's base. The stand-in does the same, and reports
// that call as the crash it would be; the plugin's own lookup first keeps it from happening
// (every command above ran without a fault).
TEST_F(FaultInjection, TheFrameworksSteamIdCallIsUnguarded) {
    auto& server = sim::TheServer();
    auto* controller = reinterpret_cast<AController*>(Player("Alice").controller.get());
    EXPECT_EQ(ArkApi::IApiUtils::GetSteamIdFromController(controller), Player("Alice").steam_id);
    EXPECT_TRUE(server.TakeEffects().empty());

    server.unresolved = {"AShooterPlayerController.GetUniqueNetIdAsUINT64"};
    EXPECT_EQ(ArkApi::IApiUtils::GetSteamIdFromController(controller), 0U);
    const auto effects = server.TakeEffects();
    ASSERT_EQ(effects.size(), 1U);
    EXPECT_EQ(effects[0].type, "fault");
    EXPECT_NE(effects[0].Text("what").find("GetUniqueNetIdAsUINT64"), std::string::npos);
}

// Without the host's free, a block the plugin took could never go back: every command ends
// before it allocates, so nobody is charged, sees anything or is left a block.
TEST_F(FaultInjection, WithoutTheHostsFreeEveryCommandEndsBeforeItAllocates) {
    auto& server = sim::TheServer();
    const std::uint64_t alice = Player("Alice").steam_id;
    const std::pair<std::uint64_t, std::string> gold{alice, "gold"};
    int reported = 0;
    for (const std::int32_t tokens : {1000, 0}) {  // tokens pay, or else points
        server.tokens[gold] = tokens;
        server.points[alice] = 100000;
        server.unresolved = {"FMemory.Free"};
        for (const Line& line : kLines) {
            Run(line);
            const std::string what = sim::ToUtf8(line.text) + " / tokens " + std::to_string(tokens);
            for (const sim::Effect& effect : CheckEffects()) {
                ASSERT_EQ(effect.type, "log") << what;
                EXPECT_EQ(effect.Text("message"), "Host lookup 'FMemory.Free' did not resolve")
                    << what;
                ++reported;
            }
            EXPECT_EQ(server.tokens[gold], tokens) << what;
            EXPECT_EQ(server.points[alice], 100000) << what;
            ExpectBalanced(what);
        }
        server.unresolved.clear();
    }
    EXPECT_GE(reported, 1);
    ExpectStillServes("FMemory.Free");
}

// A search that cannot complete costs nothing, whether tokens or points would pay for it;
// one that completes is still paid for.
TEST_F(FaultInjection, NothingIsChargedForASearchThatFails) {
    auto& server = sim::TheServer();
    const std::uint64_t alice = Player("Alice").steam_id;
    const std::pair<std::uint64_t, std::string> gold{alice, "gold"};
    struct Case {
        const char* lookup;
        std::vector<std::u16string> lines;
    };
    const std::vector<std::u16string> both = {u"/track Rex", u"/trackwild Rex"};
    const Case cases[] = {
        {"UGameplayStatics.GetAllActorsOfClass", both},
        {"APrimalDinoCharacter.GetCurrentDinoName", both},
        {"USceneComponent.GetWorldLocation", both},
        {"AShooterPlayerController.ClientServerNotificationSingle", both},
        {"FMemory.Malloc", both},
        // Only the tame tracker confirms a payment in the chat.
        {"AShooterPlayerController.ClientChatMessage", {u"/track Rex"}},
    };
    for (const Case& c : cases) {
        for (const std::int32_t tokens : {1000, 0}) {  // tokens pay, or else points
            server.tokens[gold] = tokens;
            server.points[alice] = 100000;
            server.unresolved = {c.lookup};
            for (const std::u16string& line : c.lines) {
                Run({sim::CommandKind::Chat, line});
                CheckEffects();
                const std::string what = std::string(c.lookup) + " / " + sim::ToUtf8(line) +
                                         " / tokens " + std::to_string(tokens);
                EXPECT_EQ(server.tokens[gold], tokens) << what;
                EXPECT_EQ(server.points[alice], 100000) << what;
            }
            server.unresolved.clear();
        }
    }
    server.tokens[gold] = 0;
    Run({sim::CommandKind::Chat, u"/track Rex"});
    CheckEffects();
    EXPECT_EQ(server.points[alice], 100000 - 100) << "a search that completes is paid for";
}

TEST_F(FaultInjection, MissingWorldSettingsAndComponents) {
    auto& server = sim::TheServer();
    server.has_world_settings = false;
    RunEvery("no world settings");
    server.has_world_settings = true;

    // Creatures without a status component, then one without a root component.
    for (const auto& creature : server.Creatures()) {
        sim::SetStatusPresent(*creature, false);
    }
    RunEvery("no status component");
    for (const auto& creature : server.Creatures()) {
        sim::SetStatusPresent(*creature, true);
    }
    sim::SimSceneComponent* root = server.Creatures().front()->dino->primal.actor.root_component;
    server.Creatures().front()->dino->primal.actor.root_component = nullptr;
    RunEvery("no root component");
    server.Creatures().front()->dino->primal.actor.root_component = root;
    ExpectStillServes("after the components came back");
}

TEST_F(FaultInjection, SiblingsThatRefuseOrVanish) {
    auto& server = sim::TheServer();
    const std::uint64_t alice = Player("Alice").steam_id;
    const auto points = server.points[alice];
    const auto tokens = server.tokens[{alice, "gold"}];
    for (const char* sibling : {"ArkShop", "CoinVault"}) {
        server.siblings[sibling].refuse_spends = true;
    }
    RunEvery("refused spends");
    EXPECT_EQ(server.points[alice], points) << "a refused spend moved points";
    EXPECT_EQ(server.tokens[(std::pair<std::uint64_t, std::string>{alice, "gold"})], tokens);
    for (const char* sibling : {"ArkShop", "CoinVault"}) {
        server.siblings[sibling].refuse_spends = false;
    }

    // The configuration saw them present; now they are gone without a reload.
    for (const char* sibling : {"ArkShop", "CoinVault", "Permissions"}) {
        std::string error;
        ASSERT_TRUE(sim::SetSiblingPresent(sibling, false, &error)) << error;
    }
    RunEvery("vanished siblings", false);
    for (const char* sibling : {"ArkShop", "CoinVault", "Permissions"}) {
        std::string error;
        ASSERT_TRUE(sim::SetSiblingPresent(sibling, true, &error)) << error;
    }
    ExpectStillServes("after the siblings came back");
}

}  // namespace
