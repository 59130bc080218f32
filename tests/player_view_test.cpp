// The player's view of the plugin's effects: rich text, the terminal view and the page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/html_page.h"
#include "sim/render.h"

namespace sim {

// Found by gtest through the type's own namespace.
void PrintTo(const RichSpan& span, std::ostream* out) {
    *out << '"' << span.text << '"';
    if (span.color) {
        *out << " in " << int{span.color->r} << ',' << int{span.color->g} << ','
             << int{span.color->b};
    }
}

namespace {

constexpr Rgb kBlue{134, 208, 253};  // the confirmation's 0.24, 0.63, 0.98 on screen

TEST(RichText, SpansAndWhatTheGameShowsLiterally) {
    struct Case {
        const char* text;
        std::vector<RichSpan> spans;
    };
    const Case cases[] = {
        {"You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">1</> gold",
         {{"You used ", std::nullopt}, {"1", kBlue}, {" gold", std::nullopt}}},
        // Three numbers are enough; extra spaces and attributes are allowed.
        {"<RichColor  Size=\"2\" Color=\"1,0,0\">x</>", {{"x", Rgb{255, 0, 0}}}},
        // No nesting: the first </> ends the span, the rest is text.
        {"<RichColor Color=\"1, 0, 0, 1\">a<RichColor Color=\"0, 1, 0, 1\">b</>c</>",
         {{"a<RichColor Color=\"0, 1, 0, 1\">b", Rgb{255, 0, 0}}, {"c</>", std::nullopt}}},
        // Unclosed, unknown or broken tags stay as written.
        {"<RichColor Color=\"1, 0, 0, 1\">never closed",
         {{"<RichColor Color=\"1, 0, 0, 1\">never closed", std::nullopt}}},
        {"<Bold>b</>", {{"<Bold>b</>", std::nullopt}}},
        {"<RichColor>x</>", {{"<RichColor>x</>", std::nullopt}}},
        {"<RichColor Color=\"red\">x</>", {{"<RichColor Color=\"red\">x</>", std::nullopt}}},
        {"<RichColor Color=\"1, 0\">x</>", {{"<RichColor Color=\"1, 0\">x</>", std::nullopt}}},
        {"<RichColor Color=\"1, 0, 0, 1\"x</>",
         {{"<RichColor Color=\"1, 0, 0, 1\"x</>", std::nullopt}}},
        {"<RichColor Color=\"1, 0, 0, 1>x</>",
         {{"<RichColor Color=\"1, 0, 0, 1>x</>", std::nullopt}}},
        {"a < b </> c", {{"a < b </> c", std::nullopt}}},
        // Out of range is clamped, not refused.
        {"<RichColor Color=\"2, -1, 0.5, 9\">x</>", {{"x", Rgb{255, 0, 188}}}},
        // Empty spans disappear; text around them joins.
        {"a<RichColor Color=\"1, 1, 1, 1\"></>b", {{"ab", std::nullopt}}},
        {"Стая <RichColor Color=\"0, 0, 1, 1\">Севера</> ✓",
         {{"Стая ", std::nullopt}, {"Севера", Rgb{0, 0, 255}}, {" ✓", std::nullopt}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRichText(c.text), c.spans) << c.text;
    }
}

TEST(RichText, ColoursAreShownSrgbEncoded) {
    EXPECT_EQ(DisplayColor(0, 0.5, 1), (Rgb{0, 188, 255}));
    EXPECT_EQ(DisplayColor(0.001, 0.2, 0.35), (Rgb{3, 124, 160}));
    EXPECT_EQ(ParseLinearColor("255, 255, 255, 1"), (Rgb{255, 255, 255}));
    EXPECT_EQ(ParseLinearColor("nan, 0, 0"), std::nullopt);
    EXPECT_EQ(ParseLinearColor("1, 0, 0, 1, 1"), std::nullopt);
    EXPECT_EQ(ParseLinearColor(""), std::nullopt);
}

Effect Notify(std::string text) {
    return Effect{"notify",
                  {{"player", std::string("Bruno")},
                   {"kind", std::int64_t{700}},
                   {"color", std::string("0, 1, 0.5, 1")},
                   {"scale", 0.6},
                   {"time", 15.0},
                   {"text", std::move(text)}}};
}

Effect Chat(std::string text) {
    return Effect{"chat",
                  {{"player", std::string("Bruno")},
                   {"sender", std::string("Beastfinder")},
                   {"text", std::move(text)}}};
}

Effect Line(const char* start, const char* end) {
    return Effect{"debug-line",
                  {{"player", std::string("Bruno")},
                   {"start", std::string(start)},
                   {"end", std::string(end)},
                   {"color", std::string("1, 0.35, 0, 1")},
                   {"duration", 20.0}}};
}

std::vector<Effect> Arrow() {
    return {Line("(50, 0, 0)", "(600, 0, 0)"), Line("(600, 0, 0)", "(540, 30, 0)"),
            Line("(600, 0, 0)", "(540, -30, 0)"),
            Effect{"floating-text",
                   {{"player", std::string("Bruno")},
                    {"color", std::string("255, 89, 0, 255")},
                    {"life", 20.0},
                    {"text", std::string("Big Red")}}}};
}

TEST(TerminalView, DrawsWhatThePlayerSeesAndKeepsTheRest) {
    std::vector<Effect> effects = {
        Effect{"spend-tokens", {{"player", std::string("Bruno")}, {"amount", std::int64_t{1}}}},
        Notify("Rex (lvl 5)\n\nDodo\x1b[31m\n\n\n"),
        Chat("You used <RichColor Color=\"0.24, 0.63, 0.98, 1\">1</> gold"),
    };
    for (Effect& effect : Arrow()) {
        effects.push_back(effect);
    }
    EXPECT_EQ(RenderEffects(effects, TerminalStyle{false}),
              "spend-tokens player=\"Bruno\" amount=1\n"
              "[Bruno · on screen · scale 0.6 · 15 s]\n"
              "    Rex (lvl 5)\n"
              "\n"
              "    Dodo\\x1B[31m\n"
              "[Bruno · chat] Beastfinder: You used 1 gold\n"
              "[Bruno · arrow · 20 s] ──> (50, 0) to (600, 0), 550 units\n"
              "[Bruno · label over the arrow · 20 s] Big Red\n");

    const std::string colored = RenderEffects({effects[2]}, TerminalStyle{true});
    EXPECT_EQ(colored,
              "\x1b[2m[Bruno · chat]\x1b[0m \x1b[1mBeastfinder:\x1b[0m You used "
              "\x1b[38;2;134;208;253m1\x1b[0m gold\n");
    EXPECT_NE(RenderEffects({effects[1]}, TerminalStyle{true}).find("\x1b[38;2;0;255;188mRex"),
              std::string::npos);
}

TEST(TerminalView, LinesThatAreNotAnArrowStayRaw) {
    // A barb that does not start at the shaft's end is not part of an arrow.
    const std::vector<Effect> effects = {Line("(0, 0, 0)", "(1, 0, 0)"),
                                         Line("(1, 0, 0)", "(2, 0, 0)"),
                                         Line("(9, 0, 0)", "(2, 0, 0)")};
    const std::string out = RenderEffects(effects, TerminalStyle{false});
    EXPECT_EQ(out.find("arrow"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
}

PageWorld TourLikeWorld() {
    PageWorld world;
    PlayerSpec bruno;
    bruno.name = "Bruno";
    bruno.team = 50001;
    bruno.position = {12000, -8000, 500};
    PlayerSpec eve;
    eve.name = "Eve <script>";
    world.players = {bruno, eve};
    CreatureSpec red;
    red.name = "Big Red";
    red.species = "Rex";
    red.tribe = "Alpha Tribe";
    red.team = 50001;
    red.level = 150;
    red.position = {12500, -7600, 480};
    CreatureSpec dodo;
    dodo.name = "Dodo & \"Co\"";
    dodo.team = 0;
    dodo.level = 12;
    dodo.position = {-400000, 400000, 0};
    world.creatures = {red, dodo};
    return world;
}

std::string Page(const std::vector<PageStep>& steps, const PageWorld& world) {
    std::ostringstream out;
    WriteHtmlPage(out, steps, world, "tour");
    return out.str();
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(HtmlPage, ScreensMarkersArrowsAndNothingFromElsewhere) {
    std::vector<Effect> effects = {Notify("Big Red (Rex)\n\n"),
                                   Chat("You used <RichColor Color=\"1, 0, 0, 1\">1</> <b>")};
    for (Effect& effect : Arrow()) {
        effects.push_back(effect);
    }
    effects.push_back(Effect{"rcon-reply", {{"text", std::string("Red")}}});
    const std::vector<PageStep> steps = {
        {{"One match draws an arrow."}, "chat Bruno /track Big Red", "Bruno", effects},
        // The same arrow again is drawn once on the map.
        {{}, "chat Bruno /track Big Red", "Bruno", effects},
        {{}, "wait 20", "", {}}};
    const std::string page = Page(steps, TourLikeWorld());

    EXPECT_EQ(Count(page, "class=\"marker"), 4U);
    EXPECT_EQ(Count(page, "class=\"marker player asked\""), 1U);
    EXPECT_EQ(Count(page, "class=\"marker tamed\""), 1U);
    EXPECT_EQ(Count(page, "class=\"arrow\""), 1U);
    EXPECT_EQ(Count(page, "<section class=\"step\""), 3U);
    EXPECT_NE(page.find("<p class=\"comment\">One match draws an arrow.</p>"), std::string::npos);
    // The notification in its colour and size, with its time; chat spans coloured.
    EXPECT_NE(page.find("<div class=\"note\" style=\"color:#00ffbc;font-size:12px\">"
                        "Big Red (Rex)<span class=\"meta\">scale 0.6 · 15 s</span></div>"),
              std::string::npos);
    EXPECT_NE(page.find("<b>Beastfinder:</b> You used <span style=\"color:#ff0000\">1</span> "
                        "&lt;b&gt;</p>"),
              std::string::npos);
    EXPECT_NE(page.find("<span style=\"color:#ff5900\">Big Red</span>"), std::string::npos);
    EXPECT_NE(page.find("<p>Red</p>"), std::string::npos);
    // World texts are escaped wherever they appear.
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("Dodo &amp; &quot;Co&quot;"), std::string::npos);
    // Self-contained: nothing to fetch.
    EXPECT_EQ(page.find("src=\"http"), std::string::npos);
    EXPECT_EQ(page.find("href=\"http"), std::string::npos);
    EXPECT_EQ(page.find("url("), std::string::npos);
    // Default calibration: a 0 to 100 grid, the dodo at its corner (latitude 100, longitude 0).
    EXPECT_NE(page.find(">100</text>"), std::string::npos);
    EXPECT_NE(page.find("cx=\"36\" cy=\"836\""), std::string::npos);
}

TEST(HtmlPage, TheMapFollowsTheWorldsCalibration) {
    PageWorld world = TourLikeWorld();
    world.players.clear();
    world.creatures.resize(1);
    world.creatures[0].position = {0, 0, 0};
    world.calibration.override_longitude_and_latitude = 1;
    world.calibration.longitude_origin = -200000;
    world.calibration.longitude_scale = 400;
    world.calibration.latitude_origin = 0;
    world.calibration.latitude_scale = 400;
    // Longitude 50 (x = 0), latitude 0 (y = 0): 8 pixels a degree from the margin.
    EXPECT_NE(Page({}, world).find("cx=\"436\" cy=\"36\""), std::string::npos);

    // A world that reaches far beyond the map widens it instead of leaving creatures out.
    world.creatures[0].position = {4e6, 0, 0};
    const std::string wide = Page({}, world);
    EXPECT_EQ(Count(wide, "class=\"marker"), 1U);
    EXPECT_NE(wide.find(">1000</text>"), std::string::npos);

    // A scale of zero places nothing, rather than drawing at infinity.
    world.calibration.longitude_scale = 0;
    EXPECT_EQ(Count(Page({}, world), "class=\"marker"), 0U);
}

// An arrow drawn where its player stood before moving far away (or at a point no scale can
// place) still gives a page: the map is fitted to hold it, and the labels placed next to it
// stack in a bounded number of steps.
TEST(HtmlPage, ArrowsFarFromTheWorldAreFittedAndTheLayoutEnds) {
    const auto far_arrow = [](const std::string& at, const char* label) {
        const char* point = at.c_str();
        std::vector<Effect> effects = {Line(point, point), Line(point, point), Line(point, point)};
        effects.push_back(Effect{"floating-text",
                                 {{"player", std::string("Bruno")},
                                  {"color", std::string("255, 89, 0, 255")},
                                  {"life", 20.0},
                                  {"text", std::string(label)}}});
        return effects;
    };
    for (const char* far : {"1e30", "-1e30", "3.4e38", "1e300", "inf", "nan"}) {
        SCOPED_TRACE(far);
        const std::string at = std::string("(12000, ") + far + ", 500)";
        std::vector<PageStep> steps;
        for (const char* label : {"Big Red", "Olive", "Rexford"}) {
            steps.push_back({{}, "chat Bruno /track x", "Bruno", far_arrow(at, label)});
        }
        const std::string page = Page(steps, TourLikeWorld());
        // Whatever is drawn lies on the page.
        const std::size_t map_end = page.find("</svg>");
        for (const char* attribute : {" x=\"", " y=\"", " cx=\"", " cy=\""}) {
            for (auto at_value = page.find(attribute); at_value < map_end;
                 at_value = page.find(attribute, at_value + 1)) {
                const double value =
                    std::strtod(page.c_str() + at_value + std::strlen(attribute), nullptr);
                EXPECT_TRUE(value >= -20 && value <= 900) << page.substr(at_value, 40);
            }
        }
        const bool placed = std::string_view(far) != "inf" && std::string_view(far) != "nan";
        EXPECT_EQ(Count(page, "class=\"arrow\""), placed ? 3U : 0U);
    }
}

}  // namespace
}  // namespace sim
