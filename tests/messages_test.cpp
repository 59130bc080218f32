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
#include "config/findings.h"
#include "config/messages.h"
#include "host/logger.h"
#include "sim/framework/server.h"
#include "sim/views/output.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

using Json = nlohmann::json;
using Lines = std::vector<std::string>;

class Messages : public bftest::HostTest {
  protected:
    void SetUp() override {
        host::CreatePluginLogger();
        sim::Player* player = sim::TheServer().FindPlayer("Ada");
        if (player == nullptr) {
            player = &sim::TheServer().AddPlayer("Ada", 76561198000000001ULL);
        }
        controller_ = reinterpret_cast<AShooterPlayerController*>(player->controller.get());
        MessageCatalogue().Clear();
        HostTest::SetUp();
    }

    void TearDown() override {
        MessageCatalogue().Clear();
        HostTest::TearDown();
    }

    // Builds the catalogue as a load would, from a "Messages" section.
    static void Catalogue(const Json& messages) {
        MessageCatalogue() = LoadMessages(messages).catalogue;
        bftest::TakeEffects();
    }

    // Builds the catalogue as a load would; the warnings about message texts it logged.
    static Lines TextWarnings(const Json& messages) {
        MessageCatalogue() = LoadMessages(messages).catalogue;
        Lines warnings;
        for (const std::string& line : Printed()) {
            if (line.find("[warning] /Messages/") != std::string::npos) {
                warnings.push_back(line.substr(line.find("/Messages/")));
            }
        }
        return warnings;
    }

    // The effects since the last call, exactly as the simulator prints them.
    static Lines Printed() {
        Lines lines;
        for (const auto& effect : bftest::TakeEffects()) {
            lines.push_back(sim::FormatEffect(effect, sim::OutputFormat::Text));
        }
        return lines;
    }

    // A catalogue entry in white, shown with the default scale and time.
    static std::string Notice(std::string_view text) {
        return "notify player=\"Ada\" kind=701 color=\"1, 1, 1, 1\" scale=1 time=10 icon=null "
               "sound=null text=" +
               sim::JsonQuote(text);
    }

    AShooterPlayerController* controller_ = nullptr;
};

TEST_F(Messages, TextsFormatWithTheirArguments) {
    struct Case {
        const char* name;
        const char* text;
        std::function<void(AShooterPlayerController*)> send;
        const char* shown;
    };
    const Case cases[] = {
        {"NotEnoughPoints", "You need {} more points",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NotEnoughPoints, 25); },
         "You need 25 more points"},
        {"NotEnoughTokens", "{1} {0}",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NotEnoughTokens, 5, "Gold"); },
         "Gold 5"},
        // The token type is UTF-8 and keeps its characters.
        {"NotEnoughTokens", "Need {} {}",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NotEnoughTokens, 3, "Münzen"); },
         "Need 3 Münzen"},
        {"NotAdmin", "Admins only {} {{",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NotAdmin); }, "Admins only {} {{"},
        {"WildTrackerCooldown", "Wait {} s",
         [](auto* c) {
             SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown,
                                  std::int64_t{1234567890123});
         },
         "Wait 1234567890123 s"},
        {"NotEnoughPoints", "No points",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NotEnoughPoints, 7); },
         "No points"},
        {"NoDinosFound", "Ничего не найдено – 🦖",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NoDinosFound); },
         "Ничего не найдено – 🦖"},
        {"NotEnoughPoints", "Ещё {} очков",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::NotEnoughPoints, -2); },
         "Ещё -2 очков"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Catalogue({{c.name, {{"Message", c.text}, {"Colors", {1, 1, 1}}}}});
        c.send(controller_);
        EXPECT_EQ(Printed(), Lines{Notice(c.shown)});
    }
}

TEST_F(Messages, TextThatDoesNotFormatIsSentAsWritten) {
    struct Case {
        const char* text;
        std::function<void(AShooterPlayerController*)> send;
    };
    const Case cases[] = {
        {"Wait {",
         [](auto* c) {
             SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, std::int64_t{3});
         }},
        {"Wait } s",
         [](auto* c) {
             SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, std::int64_t{3});
         }},
        {"Wait {1} s",
         [](auto* c) {
             SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, std::int64_t{3});
         }},
        {"Wait {} {} s",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, 3); }},
        {"Wait {:d}{1:d}",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, 3, "x"); }},
        // Fields that could make the game thread fill gigabytes.
        {"Wait {:>999999999} s",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, 3); }},
        {"Wait {0:*^1001}",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, 3, "x"); }},
        {"Wait {1:.99999999}",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, 3, "x"); }},
        {"Wait {0:{0}}",
         [](auto* c) { SendCatalogueMessage(c, CatalogueMessage::WildTrackerCooldown, 3); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Catalogue({{"WildTrackerCooldown", {{"Message", c.text}, {"Colors", {1, 1, 1}}}}});
        EXPECT_NO_THROW(c.send(controller_));
        const Lines lines = Printed();
        ASSERT_EQ(lines.size(), 2U);
        // The library's reason sits in the middle of the line; its wording is not ours.
        EXPECT_TRUE(lines[0].starts_with(
            "log \"MM/DD/YY HH:MM [Beastfinder][error] Message WildTrackerCooldown does not "
            "format ("))
            << lines[0];
        EXPECT_TRUE(lines[0].ends_with("); it was sent as written\"")) << lines[0];
        EXPECT_EQ(lines[1], Notice(c.text));
    }
}

// Up to 1000 units a field formats; above, loading warns where the text is.
TEST_F(Messages, FieldWidthsAreBounded) {
    Catalogue({{"NotEnoughPoints", {{"Message", "[{:>1000}]"}, {"Colors", {1, 1, 1}}}}});
    SendCatalogueMessage(controller_, CatalogueMessage::NotEnoughPoints, 25);
    EXPECT_EQ(Printed(), Lines{Notice("[" + std::string(998, ' ') + "25]")});

    const Json messages = {
        {"NotEnoughPoints", {{"Message", "You need {:>1001} more"}, {"Colors", {1, 1, 1}}}},
        {"NotEnoughTokens", {{"Message", "{:{}}"}, {"Colors", {1, 1, 1}}}},
        // Sent without values: braces are plain text.
        {"NotAdmin", {{"Message", "{:>99999}"}, {"Colors", {1, 1, 1}}}},
    };
    EXPECT_EQ(TextWarnings(messages),
              (Lines{"/Messages/NotEnoughTokens/Message has a width or precision taken from a "
                     "value: it will be sent as written\"",
                     "/Messages/NotEnoughPoints/Message has a width or precision above 1000: it "
                     "will be sent as written\""}));
}

// Fields of a bounded width still add up: a text whose fields, at their widths (32 units at
// least each), and own characters pass 10000 warns at load and is sent as written.
TEST_F(Messages, TheFormattedSizeIsBounded) {
    const auto repeated = [](std::string_view piece, int times) {
        std::string text;
        for (int i = 0; i < times; ++i) {
            text += piece;
        }
        return text;
    };
    const std::string widest = std::string(999, ' ') + "3";
    struct Case {
        std::string text;
        std::string shown;  // empty: refused
    };
    const Case cases[] = {
        {repeated("{0:>1000}", 10), repeated(widest, 10)}, {repeated("{0:>1000}", 10) + "!", ""},
        {repeated("{0}", 312), repeated("3", 312)},        {repeated("{0}", 313), ""},
        {repeated("{{", 10000), repeated("{", 10000)},     {repeated("{0:>1000}", 100000), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const Lines warnings =
            TextWarnings({{"WildTrackerCooldown", {{"Message", c.text}, {"Colors", {1, 1, 1}}}}});
        SendCatalogueMessage(controller_, CatalogueMessage::WildTrackerCooldown, std::int64_t{3});
        if (!c.shown.empty()) {
            EXPECT_EQ(warnings, Lines{});
            EXPECT_EQ(Printed(), Lines{Notice(c.shown)});
            continue;
        }
        EXPECT_EQ(warnings, Lines{"/Messages/WildTrackerCooldown/Message has a formatted size "
                                  "above 10000 characters: it will be sent as written\""});
        EXPECT_EQ(Printed(),
                  (Lines{"log \"MM/DD/YY HH:MM [Beastfinder][error] Message WildTrackerCooldown "
                         "does not format (a formatted size above 10000 characters); it was sent "
                         "as written\"",
                         Notice(c.text)}));
    }
}

// Loading warns about a catalogue text that will not format, whatever the reason.
TEST_F(Messages, LoadingNamesCatalogueTextsThatWillNotFormat) {
    const Json messages = {
        {"NotEnoughTokens", {{"Message", "{0} {1} {2}"}, {"Colors", {1, 1, 1}}}},
        {"NotEnoughPoints", {{"Message", "{:s}"}, {"Colors", {1, 1, 1}}}},
        {"WildTrackerCooldown", {{"Message", "Wait {} s"}, {"Colors", {1, 1, 1}}}},
    };
    LoadMessages(messages);
    Lines warnings;
    for (const std::string& line : Printed()) {
        if (line.find("[warning] /Messages/") != std::string::npos) {
            warnings.push_back(line.substr(line.find("/Messages/")));
        }
    }
    ASSERT_EQ(warnings.size(), 2U);
    EXPECT_TRUE(warnings[0].starts_with("/Messages/NotEnoughTokens/Message does not format ("));
    EXPECT_TRUE(warnings[1].starts_with("/Messages/NotEnoughPoints/Message does not format ("));
    EXPECT_TRUE(warnings[1].ends_with("): it will be sent as written\"")) << warnings[1];
}

class PlayerTextsTest : public Messages {
  protected:
    void TearDown() override {
        ResetPlayerTexts();
        Messages::TearDown();
    }

    // Loads `texts` as a "Messages" section and puts them in use; the log lines it wrote.
    static Lines Use(const Json& texts) {
        UsePlayerTexts(LoadMessages(texts).texts);
        Lines logged;
        for (const auto& effect : bftest::TakeEffects()) {
            // The catalogue is read too; its colours are not what these tests are about.
            if (effect.Text("message").ends_with("Should Have 3 Colors")) {
                continue;
            }
            logged.push_back(effect.Text("level") + ": " + effect.Text("message"));
        }
        return logged;
    }

    static std::string Filled(PlayerText text, const auto&... values) {
        std::u16string out;
        AppendText(out, text, values...);
        return sim::ToUtf8(out);
    }
};

TEST_F(PlayerTextsTest, DefaultsAreTheFixedTextsAndEachFormatsWithItsValues) {
    EXPECT_EQ(Use(Json::object()), Lines{});
    for (std::size_t i = 0; i < kPlayerTexts.size(); ++i) {
        EXPECT_EQ(FormatProblem(TextOf(static_cast<PlayerText>(i)), kPlayerTexts[i].values), "")
            << kPlayerTexts[i].name;
    }
    EXPECT_EQ(Filled(PlayerText::PageFooter, 11, 2, 2), "Total: 11  -  Page 2/2");
    EXPECT_EQ(Filled(PlayerText::TokensUsed, 5, std::u16string_view(u"gold"), 0),
              "You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">5</> gold tokens (0 tokens "
              "left)");
}

TEST_F(PlayerTextsTest, TranslationsMayReorderAndLeaveValuesOut) {
    EXPECT_EQ(Use({{"TokensUsed", "Списано жетонов «{1}»: {0} (осталось: {2})"},
                   {"PageFooter", "Página {1}/{2}"},
                   {"PaymentSender", "Rastreador {}"}}),
              Lines{});
    EXPECT_EQ(Filled(PlayerText::TokensUsed, 5, std::u16string_view(u"gold"), 0),
              "Списано жетонов «gold»: 5 (осталось: 0)");
    EXPECT_EQ(Filled(PlayerText::PageFooter, 11, 2, 2), "Página 2/2");
    // Without values a text is shown as written, braces and all.
    EXPECT_EQ(sim::ToUtf8(TextOf(PlayerText::PaymentSender)), "Rastreador {}");
}

// A text that cannot show its values gives way to the default, and the log says which.
TEST_F(PlayerTextsTest, BrokenTextsFallBackToTheDefaultWithAnErrorNamingThem) {
    struct Case {
        const char* name;
        const char* text;
        PlayerText which;
        const char* problem;  // the start of what the error line says
    };
    const Case cases[] = {
        {"PageFooter", "Всего: {}  -  Страница {}/{}/{}", PlayerText::PageFooter,
         "does not format ("},
        {"EntryLevel", " (ур. {1})", PlayerText::EntryLevel, "does not format ("},
        {"EntryDistance", " - Расстояние: {", PlayerText::EntryDistance, "does not format ("},
        {"EntrySpecies", " ({:d})", PlayerText::EntrySpecies, "does not format ("},
        {"EntryColors", " ({:>1001})", PlayerText::EntryColors,
         "has a width or precision above 1000"},
        {"PointsUsed", "{:{}} очков", PlayerText::PointsUsed,
         "has a width or precision taken from a value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Lines logged = Use({{c.name, c.text}});
        ASSERT_EQ(logged.size(), 1U);
        EXPECT_TRUE(
            logged[0].starts_with(std::string("error: /Messages/") + c.name + " " + c.problem))
            << logged[0];
        EXPECT_TRUE(logged[0].ends_with(": the default is used instead")) << logged[0];
        const auto index = static_cast<std::size_t>(c.which);
        EXPECT_EQ(sim::ToUtf8(TextOf(c.which)), kPlayerTexts[index].default_text);
    }
}

TEST_F(PlayerTextsTest, AWrongTypeFailsTheLoadLikeAnyOtherKey) {
    EXPECT_THROW(LoadMessages({{"PageFooter", 5}}), config::ConfigValueError);
    EXPECT_THROW(LoadMessages({{"ConfigReloaded", {{"Message", "x"}}}}), config::ConfigValueError);
}

TEST_F(Messages, NotificationCarriesTheEntrysSettings) {
    Catalogue({{"NotAdmin",
                {{"Message", "Admins only"},
                 {"Colors", {0.5, 0.25, 1}},
                 {"DisplayTime", 5},
                 {"DisplayScale", 1.5},
                 {"Opacity", 0.3}}}});
    SendCatalogueMessage(controller_, CatalogueMessage::NotAdmin);
    EXPECT_EQ(Printed(), Lines{"notify player=\"Ada\" kind=701 color=\"0.5, 0.25, 1, 1\" scale=1.5 "
                               "time=5 icon=null sound=null text=\"Admins only\""});
}

TEST_F(Messages, MissingNameWarnsAndSendsNothing) {
    SendCatalogueMessage(controller_, CatalogueMessage::NotAdmin);
    SendCatalogueMessage(controller_, CatalogueMessage::NotEnoughPoints, 4);
    EXPECT_EQ(
        Printed(),
        (Lines{"log \"MM/DD/YY HH:MM [Beastfinder][warning] Message Name: NotAdmin not Found!\"",
               "log \"MM/DD/YY HH:MM [Beastfinder][warning] Message Name: NotEnoughPoints not "
               "Found!\""}));
}

// Text that is not a catalogue entry is never a format string.
TEST_F(Messages, ListingChatAndServerChatAreSentAsGiven) {
    const host::ColorRGBA green{0.0F, 1.0F, 0.0F, 1.0F};
    NotifyPlayer(controller_, {0.0F, 1.0F, 0.5F, 1.0F}, 0.5F, 12.5F, u"Rex – Lvl 150 {}");
    SendChatLine(controller_, host::FStringFromNarrow("Beastfinder"), "Charged 5 Münzen {}");
    SendServerChat(controller_, green, u"Config Reloaded! {} Ä");
    SendServerChat(controller_, green, std::string_view("Zoë {}"));  // narrow: bytes as '?'
    EXPECT_EQ(Printed(),
              (Lines{
                  "notify player=\"Ada\" kind=700 color=\"0, 1, 0.5, 1\" scale=0.5 time=12.5 "
                  "icon=null sound=null text=\"Rex – Lvl 150 {}\"",
                  "chat player=\"Ada\" sender=\"Beastfinder\" sender_steam_name=\"\" "
                  "sender_tribe_name=\"\" sender_id=0 receiver=\"\" sender_team_index=0 "
                  "received_time=-1 send_mode=0 radio_frequency=0 chat_type=0 sender_icon=null "
                  "user_id=\"\" text=\"Charged 5 Münzen {}\"",
                  "server-chat player=\"Ada\" color=\"0, 1, 0, 1\" bold=false text=\"Config "
                  "Reloaded! {} Ä\"",
                  "server-chat player=\"Ada\" color=\"0, 1, 0, 1\" bold=false text=\"Zo?? {}\"",
              }));
}

TEST_F(Messages, NullControllerGetsNothing) {
    Catalogue(Json::object());
    const host::FString sender = host::FStringFromNarrow("Beastfinder");
    SendCatalogueMessage(nullptr, CatalogueMessage::NotAdmin);
    SendCatalogueMessage(nullptr, CatalogueMessage::NotEnoughTokens, 1, "Gold");
    SendCatalogueMessage(nullptr, CatalogueMessage::NotEnoughPoints, 1);
    NotifyPlayer(nullptr, {}, 1.0F, 1.0F, u"x");
    SendChatLine(nullptr, sender, "x");
    SendServerChat(nullptr, {}, u"x");
    SendServerChat(nullptr, {}, std::string_view("x"));
    EXPECT_EQ(Printed(), Lines{});
}

}  // namespace
}  // namespace beastfinder
