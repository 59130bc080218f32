// GCC 12 reports the JSON library's inlined string construction as an out-of-bounds map
// access (-Warray-bounds, a false positive); it can only be silenced for a whole file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/config.h"
#include "config/messages.h"
#include "host/logger.h"
#include "host/platform.h"
#include "sim/host/server.h"

namespace beastfinder {
namespace {

using Json = nlohmann::json;

class Messages : public ::testing::Test {
  protected:
    void SetUp() override {
        host::CreatePluginLogger();
        sim::Player* player = sim::TheServer().FindPlayer("Ada");
        if (player == nullptr) {
            player = &sim::TheServer().AddPlayer("Ada", 76561198000000001ULL);
        }
        controller_ = reinterpret_cast<AShooterPlayerController*>(player->controller.get());
        MessageCatalogue().Clear();
        sim::TheServer().TakeEffects();
        live_before_ = sim::TheServer().Allocator().LiveBlocks();
    }

    void TearDown() override {
        MessageCatalogue().Clear();
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live_before_) << "host blocks leaked";
        Effects();
    }

    // Builds the catalogue as a load would, from a "Messages" section.
    void Catalogue(const Json& messages) {
        MessageCatalogue().Clear();
        for (const std::string_view name : kMessageNames) {
            MessageCatalogue().Append(LoadMessage(messages, name, ""));
        }
        Effects();
    }

    // Effects since the last call; host faults fail the test.
    std::vector<sim::Effect> Effects() {
        std::vector<sim::Effect> effects = sim::TheServer().TakeEffects();
        for (const auto& effect : effects) {
            EXPECT_NE(effect.type, "fault") << effect.Text("what");
        }
        return effects;
    }

    std::vector<std::string> Of(const std::vector<sim::Effect>& effects, std::string_view type,
                                std::string_view field) {
        std::vector<std::string> values;
        for (const auto& effect : effects) {
            if (effect.type == type) {
                values.push_back(effect.Text(field));
            }
        }
        return values;
    }

    static double Number(const sim::Effect& effect, std::string_view field) {
        const auto* value = effect.Find(field);
        if (value == nullptr) {
            return -12345;
        }
        if (const auto* d = std::get_if<double>(value)) {
            return *d;
        }
        if (const auto* i = std::get_if<std::int64_t>(value)) {
            return static_cast<double>(*i);
        }
        return -12345;
    }

    AShooterPlayerController* controller_ = nullptr;

  private:
    std::size_t live_before_ = 0;
};

TEST_F(Messages, AbsentEntriesTakeEveryDefault) {
    for (const std::string_view name : kMessageNames) {
        MessageCatalogue().Append(LoadMessage(Json::object(), name, ""));
    }
    const auto warnings = Of(Effects(), "log", "message");
    ASSERT_EQ(warnings.size(), 10U);
    EXPECT_EQ(warnings.front(), "NoPermission Should Have 3 Colors");
    EXPECT_EQ(warnings.back(), "WildTrackerCooldown Should Have 3 Colors");

    ASSERT_EQ(MessageCatalogue().Count(), 10);
    EXPECT_TRUE(sim::TheServer().Allocator().Owns(MessageCatalogue().begin()));
    for (std::size_t i = 0; i < kMessageNames.size(); ++i) {
        const MessageEntry& entry = MessageCatalogue()[static_cast<std::int32_t>(i)];
        EXPECT_EQ(entry.name, kMessageNames[i]);
        EXPECT_EQ(entry.text, u"");
        EXPECT_EQ(entry.display_time, 10);
        EXPECT_EQ(entry.display_scale, 1.0F);
        EXPECT_EQ(entry.opacity, 1.0F);
        const auto& c = entry.color;
        EXPECT_TRUE(c.r == 255.0F && c.g == 255.0F && c.b == 255.0F && c.a == 1.0F);
    }
}

TEST_F(Messages, NamesAreMatchedWithCase) {
    const Json messages = {{"notadmin", {{"Message", "lower"}, {"Colors", {1, 0, 0}}}},
                           {"NotAdmin ", {{"Message", "trailing space"}}}};
    const MessageEntry entry = LoadMessage(messages, "NotAdmin", "");
    EXPECT_EQ(entry.text, u"");
    EXPECT_EQ(entry.color.r, 255.0F);
    EXPECT_EQ(Of(Effects(), "log", "message"),
              std::vector<std::string>{"NotAdmin Should Have 3 Colors"});
}

TEST_F(Messages, TextsFormatWithTheirArguments) {
    struct Case {
        const char* name;
        const char* text;
        std::function<void(AShooterPlayerController*)> send;
        const char* shown;
    };
    const Case cases[] = {
        {"NotEnoughPoints", "You need {} more points",
         [](auto* c) { SendCatalogueMessage(c, "NotEnoughPoints", 25); },
         "You need 25 more points"},
        {"NotEnoughTokens", "{1} {0}",
         [](auto* c) { SendCatalogueMessage(c, "NotEnoughTokens", 5, "Gold"); }, "Gold 5"},
        // The token type is UTF-8 and keeps its characters.
        {"NotEnoughTokens", "Need {} {}",
         [](auto* c) { SendCatalogueMessage(c, "NotEnoughTokens", 3, "Münzen"); }, "Need 3 Münzen"},
        {"NotAdmin", "Admins only {} {{", [](auto* c) { SendCatalogueMessage(c, "NotAdmin"); },
         "Admins only {} {{"},
        {"WildTrackerCooldown", "Wait {} s",
         [](auto* c) {
             SendCatalogueMessage(c, "WildTrackerCooldown", std::int64_t{1234567890123});
         },
         "Wait 1234567890123 s"},
        {"NotEnoughPoints", "No points",
         [](auto* c) { SendCatalogueMessage(c, "NotEnoughPoints", 7); }, "No points"},
        {"NoDinosFound", "Ничего не найдено – 🦖",
         [](auto* c) { SendCatalogueMessage(c, "NoDinosFound"); },
         "Ничего не найдено – 🦖"},
        {"NotEnoughPoints", "Ещё {} очков",
         [](auto* c) { SendCatalogueMessage(c, "NotEnoughPoints", -2); }, "Ещё -2 очков"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Catalogue({{c.name, {{"Message", c.text}, {"Colors", {1, 1, 1}}}}});
        c.send(controller_);
        const auto effects = Effects();
        EXPECT_EQ(Of(effects, "notify", "text"), std::vector<std::string>{c.shown});
        EXPECT_EQ(Of(effects, "log", "message"), std::vector<std::string>{});
    }
}

TEST_F(Messages, TextThatDoesNotFormatIsSentAsWritten) {
    struct Case {
        const char* text;
        std::function<void(AShooterPlayerController*)> send;
    };
    const Case cases[] = {
        {"Wait {",
         [](auto* c) { SendCatalogueMessage(c, "WildTrackerCooldown", std::int64_t{3}); }},
        {"Wait } s",
         [](auto* c) { SendCatalogueMessage(c, "WildTrackerCooldown", std::int64_t{3}); }},
        {"Wait {1} s",
         [](auto* c) { SendCatalogueMessage(c, "WildTrackerCooldown", std::int64_t{3}); }},
        {"Wait {} {} s", [](auto* c) { SendCatalogueMessage(c, "WildTrackerCooldown", 3); }},
        {"Wait {:d}{1:d}", [](auto* c) { SendCatalogueMessage(c, "WildTrackerCooldown", 3, "x"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Catalogue({{"WildTrackerCooldown", {{"Message", c.text}, {"Colors", {1, 1, 1}}}}});
        EXPECT_NO_THROW(c.send(controller_));
        const auto effects = Effects();
        EXPECT_EQ(Of(effects, "notify", "text"), std::vector<std::string>{c.text});
        const auto errors = Of(effects, "log", "message");
        ASSERT_EQ(errors.size(), 1U);
        EXPECT_NE(errors[0].find("WildTrackerCooldown"), std::string::npos) << errors[0];
        EXPECT_EQ(Of(effects, "log", "level"), std::vector<std::string>{"error"});
    }
}

TEST_F(Messages, NotificationCarriesTheEntrysSettings) {
    Catalogue({{"NotAdmin",
                {{"Message", "Admins only"},
                 {"Colors", {0.5, 0.25, 1}},
                 {"DisplayTime", 5},
                 {"DisplayScale", 1.5},
                 {"Opacity", 0.3}}}});
    SendCatalogueMessage(controller_, "NotAdmin");
    const auto effects = Effects();
    ASSERT_EQ(effects.size(), 1U);
    const sim::Effect& notify = effects[0];
    EXPECT_EQ(notify.type, "notify");
    EXPECT_EQ(notify.Text("player"), "Ada");
    EXPECT_EQ(Number(notify, "kind"), 701);
    EXPECT_EQ(notify.Text("color"), "0.5, 0.25, 1, 1");
    EXPECT_EQ(Number(notify, "scale"), 1.5);
    EXPECT_EQ(Number(notify, "time"), 5.0);
    EXPECT_EQ(notify.Find("icon")->index(), 0U);   // null
    EXPECT_EQ(notify.Find("sound")->index(), 0U);  // null
}

TEST_F(Messages, MissingNameWarnsAndSendsNothing) {
    SendCatalogueMessage(controller_, "NotAdmin");
    SendCatalogueMessage(controller_, "NotEnoughPoints", 4);
    const auto effects = Effects();
    EXPECT_EQ(Of(effects, "notify", "text"), std::vector<std::string>{});
    EXPECT_EQ(Of(effects, "log", "message"),
              (std::vector<std::string>{"Message Name: NotAdmin not Found!",
                                        "Message Name: NotEnoughPoints not Found!"}));
    EXPECT_EQ(Of(effects, "log", "level"), (std::vector<std::string>{"warning", "warning"}));
}

TEST_F(Messages, NotifyPlayerSendsTheListing) {
    NotifyPlayer(controller_, {0.0F, 1.0F, 0.5F, 1.0F}, 0.5F, 12.5F, u"Rex – Lvl 150 {}");
    const auto effects = Effects();
    ASSERT_EQ(effects.size(), 1U);
    EXPECT_EQ(effects[0].type, "notify");
    EXPECT_EQ(Number(effects[0], "kind"), 700);
    EXPECT_EQ(effects[0].Text("color"), "0, 1, 0.5, 1");
    EXPECT_EQ(Number(effects[0], "scale"), 0.5);
    EXPECT_EQ(Number(effects[0], "time"), 12.5);
    EXPECT_EQ(effects[0].Text("text"), "Rex – Lvl 150 {}");
}

TEST_F(Messages, ChatLineCarriesSenderAndText) {
    const host::FString sender = host::FStringFromNarrow("Beastfinder");
    SendChatLine(controller_, sender, "Charged <RichColor>5</> Münzen {}");
    const auto effects = Effects();
    ASSERT_EQ(effects.size(), 1U);
    const sim::Effect& chat = effects[0];
    EXPECT_EQ(chat.type, "chat");
    EXPECT_EQ(chat.Text("sender"), "Beastfinder");
    EXPECT_EQ(chat.Text("text"), "Charged <RichColor>5</> Münzen {}");
    EXPECT_EQ(Number(chat, "received_time"), -1.0);
    for (const char* empty : {"sender_steam_name", "sender_tribe_name", "receiver", "user_id"}) {
        EXPECT_EQ(chat.Text(empty), "") << empty;
    }
    for (const char* zero :
         {"sender_id", "sender_team_index", "send_mode", "radio_frequency", "chat_type"}) {
        EXPECT_EQ(Number(chat, zero), 0) << zero;
    }
    EXPECT_EQ(chat.Find("sender_icon")->index(), 0U);
}

TEST_F(Messages, ServerChatTextAndColour) {
    const host::ColorRGBA green{0.0F, 1.0F, 0.0F, 1.0F};
    SendServerChat(controller_, green, u"Config Reloaded! {} Ä");
    SendServerChat(controller_, green, std::string_view("Zoë {}"));
    const auto effects = Effects();
    EXPECT_EQ(Of(effects, "server-chat", "text"),
              (std::vector<std::string>{"Config Reloaded! {} Ä", "Zo?? {}"}));
    for (const auto& effect : effects) {
        EXPECT_EQ(effect.Text("color"), "0, 1, 0, 1");
        EXPECT_EQ(*effect.Find("bold"), sim::Effect::Value(false));
    }
}

TEST_F(Messages, NullControllerGetsNothing) {
    Catalogue(Json::object());
    const host::FString sender = host::FStringFromNarrow("Beastfinder");
    SendCatalogueMessage(nullptr, "NotAdmin");
    SendCatalogueMessage(nullptr, "NotEnoughTokens", 1, "Gold");
    SendCatalogueMessage(nullptr, "NotEnoughPoints", 1);
    SendCatalogueMessage(nullptr, "Unknown", std::int64_t{1});
    NotifyPlayer(nullptr, {}, 1.0F, 1.0F, u"x");
    SendChatLine(nullptr, sender, "x");
    SendServerChat(nullptr, {}, u"x");
    SendServerChat(nullptr, {}, std::string_view("x"));
    EXPECT_TRUE(Effects().empty());
}

}  // namespace
}  // namespace beastfinder
