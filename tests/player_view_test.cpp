// The player's view of the plugin's effects: rich text, the terminal view and the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/views/html_page.h"
#include "sim/views/output.h"
#include "sim/views/render.h"

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

TEST(TerminalView, LeavesOutTheModulesBookkeepingAndStampsLogLinesWithTheSimulatedTime) {
    const auto log = [](const char* level, const char* line) {
        return Effect{"log", {{"level", std::string(level)}, {"line", std::string(line)}}};
    };
    const std::vector<Effect> effects = {
        Effect{"register", {{"kind", std::string("chat")}, {"name", std::string("/track")}}},
        Effect{"load", {{"started", true}}},
        log("info", "12/07/26 20:05 [Beastfinder][info] Config Reloaded!"),
        log("error", "no stamp [Beastfinder][error] x"),
        Effect{"rcon-reply", {{"id", std::int64_t{1}}, {"text", std::string("Red")}}},
        Effect{"unregister", {{"kind", std::string("chat")}, {"name", std::string("/track")}}},
        Effect{"load", {{"started", false}}},
        Effect{"exit", {{"code", std::int64_t{0}}}},
    };
    EXPECT_EQ(RenderEffects(effects, TerminalStyle{false, 17726008190000000}),
              "[the plugin is loaded and started]\n"
              "[log] 03/04/26 05:06 [Beastfinder][info] Config Reloaded!\n"
              "[log] no stamp [Beastfinder][error] x\n"
              "rcon-reply id=1 text=\"Red\"\n"
              "[the plugin is loaded, but its start-up failed: see the log]\n");
}

TEST(TerminalView, ListsTheWorldOneShortLineEach) {
    const std::vector<Effect> effects = {
        Effect{"player",
               {{"name", std::string("Ada")},
                {"steam_id", std::uint64_t{76561198000000001}},
                {"team", std::int64_t{50100}},
                {"admin", true},
                {"at", std::string("(0, 0, 0)")},
                {"tribe", std::string("")},
                {"character", true},
                {"state", false},
                {"controller_state", true}}},
        Effect{"creature",
               {{"id", std::uint64_t{18446744073709551615ULL}},
                {"name", std::string("Зубастик")},
                {"species", std::string("Rex")},
                {"tribe", std::string("Стая Севера")},
                {"owner", std::string("Ольга")},
                {"team", std::int64_t{50002}},
                {"level", std::int64_t{229}},
                {"at", std::string("(1, 2, 3)")}}},
        Effect{"creature",
               {{"id", std::uint64_t{7}},
                {"name", std::string("Dodo\x1b")},
                {"species", std::string("Dodo")},
                {"tribe", std::string("")},
                {"owner", std::string("")},
                {"team", std::int64_t{12}},
                {"level", nullptr},
                {"at", std::string("(4, 5, 6)")}}},
    };
    EXPECT_EQ(RenderEffects(effects, TerminalStyle{false}),
              "[player] Ada · team 50100 · at (0, 0, 0) · administrator · no player state\n"
              "[creature] 18446744073709551615 Зубастик (Rex) · lvl 229 · Стая Севера (team "
              "50002), owner Ольга · at (1, 2, 3)\n"
              "[creature] 7 Dodo\\x1B (Dodo) · no level · wild (team 12) · at (4, 5, 6)\n");
}

TEST(TerminalView, LogStampsFollowTheCalendar) {
    const char* line = "01/01/26 00:00 [B][info] x";
    struct Case {
        std::int64_t ticks;
        const char* stamped;
    };
    for (const Case& c :
         {Case{0, "01/01/70 00:00 [B][info] x"}, Case{-1, "12/31/69 23:59 [B][info] x"},
          Case{18354815400000000, "02/29/28 23:59 [B][info] x"},
          Case{41024448000000000, "01/01/00 00:00 [B][info] x"}}) {
        EXPECT_EQ(LogLineAt(line, c.ticks), c.stamped) << c.ticks;
    }
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

PageStep Step(std::vector<std::string> comments, std::string command, std::string player,
              std::vector<Effect> effects) {
    PageStep step;
    step.comments = std::move(comments);
    step.command = std::move(command);
    step.player = std::move(player);
    step.effects = std::move(effects);
    return step;
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
        Step({"One match draws an arrow."}, "chat Bruno /track Big Red", "Bruno", effects),
        // The same arrow again is drawn once on the map.
        Step({}, "chat Bruno /track Big Red", "Bruno", effects), Step({}, "wait 20", "", {})};
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
            steps.push_back(Step({}, "chat Bruno /track x", "Bruno", far_arrow(at, label)));
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

// WCAG's relative luminance of an sRGB colour written #rrggbb.
double Luminance(const std::string& hex) {
    double channels[3];
    for (int i = 0; i < 3; ++i) {
        const double c = std::stoi(hex.substr(1 + 2 * i, 2), nullptr, 16) / 255.0;
        channels[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return 0.2126 * channels[0] + 0.7152 * channels[1] + 0.0722 * channels[2];
}

double Contrast(const std::string& a, const std::string& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every value of `attribute` in the page's elements that hold `marker`.
std::vector<std::string> Attributes(const std::string& page, const std::string& marker,
                                    const std::string& attribute) {
    std::vector<std::string> values;
    for (auto at = page.find(marker); at != std::string::npos; at = page.find(marker, at + 1)) {
        const auto end = page.find('>', at);
        const auto key = page.find(attribute + "=\"", at);
        if (key != std::string::npos && key < end) {
            const auto start = key + attribute.size() + 2;
            values.push_back(page.substr(start, page.find('"', start) - start));
        }
    }
    return values;
}

TEST(HtmlPage, EveryWildLevelStandsOutFromTheLand) {
    PageWorld world;
    for (const std::int32_t level : {1, 30, 31, 60, 61, 90, 91, 120, 121, 450}) {
        CreatureSpec wild;
        wild.level = level;
        world.creatures.push_back(wild);
    }
    CreatureSpec unknown;
    unknown.status = false;
    world.creatures.push_back(unknown);
    const std::string page = Page({}, world);

    const std::string land_rule = ".map .land { fill: ";
    const auto land_at = page.find(land_rule);
    ASSERT_NE(land_at, std::string::npos);
    const std::string land = page.substr(land_at + land_rule.size(), 7);
    std::vector<std::string> fills = Attributes(page, "class=\"marker wild\"", "fill");
    ASSERT_EQ(fills.size(), world.creatures.size());
    for (const std::string& fill : fills) {
        EXPECT_GE(Contrast(fill, land), 3.0) << fill << " on " << land;
    }
    // Five bands and the unknown level, each its own colour.
    std::sort(fills.begin(), fills.end());
    fills.erase(std::unique(fills.begin(), fills.end()), fills.end());
    EXPECT_EQ(fills.size(), 6U);
}

// Players' names placed on the map never cover one another, however crowded the spot, and
// coordinates of any size leave the layout bounded.
TEST(HtmlPage, NamesDoNotOverlapAndAnyCoordinatesFinish) {
    PageWorld world;
    const float spots[][2] = {{1e30F, 1e30F},
                              {-1e30F, 1e30F},
                              {3e38F, -3e38F},
                              {std::numeric_limits<float>::infinity(), 0},
                              {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (int i = 0; i < 40; ++i) {
        PlayerSpec player;
        player.name = "Player " + std::to_string(i);
        player.position = {static_cast<float>(i % 3), 0, 0};
        if (i < static_cast<int>(std::size(spots))) {
            player.position = {spots[i][0], spots[i][1], 0};
        }
        world.players.push_back(player);
    }
    std::vector<Effect> effects = {Line("(1e30, 1e30, 0)", "(1e30, 1e30, 0)"),
                                   Line("(1e30, 1e30, 0)", "(1e30, 1e30, 0)"),
                                   Line("(1e30, 1e30, 0)", "(1e30, 1e30, 0)")};
    const std::string page = Page({Step({}, "chat Bruno /track x", "Bruno", effects)}, world);

    const std::vector<std::string> xs = Attributes(page, "<text class=\"name\"", "x");
    const std::vector<std::string> ys = Attributes(page, "<text class=\"name\"", "y");
    ASSERT_EQ(xs.size(), ys.size());
    EXPECT_GE(xs.size(), 10U) << "a crowded spot still has room for some names";
    // "Player NN" is at least 50 pixels wide and 10 high in the map's 11-pixel font.
    for (std::size_t i = 0; i < xs.size(); ++i) {
        for (std::size_t j = i + 1; j < xs.size(); ++j) {
            const double dx = std::fabs(std::stod(xs[i]) - std::stod(xs[j]));
            const double dy = std::fabs(std::stod(ys[i]) - std::stod(ys[j]));
            EXPECT_TRUE(dx >= 50 || dy >= 10) << "names " << i << " and " << j << " overlap";
        }
    }
}

TEST(HtmlPage, ArrowsFindTheCreatureOnTheirLine) {
    // As the plugin draws them: from 50 units out to the creature, or 600 units toward it.
    const auto arrow = [](double x0, double y0, double x1, double y1) {
        const double length = std::hypot(x1 - x0, y1 - y0);
        const double dx = (x1 - x0) / length, dy = (y1 - y0) / length;
        const double tip = std::min(600.0, length);
        ArrowLines lines;
        lines.from[0] = x0 + 50 * dx;
        lines.from[1] = y0 + 50 * dy;
        lines.to[0] = x0 + tip * dx;
        lines.to[1] = y0 + tip * dy;
        return lines;
    };
    const std::vector<ArrowTarget> creatures = {
        {1, "Near", {300, 0, 0}},        {2, "Far", {30000, 40000, 0}},
        {3, "Decoy", {60000, 80000, 0}}, {4, "Behind", {-3000, -4000, 0}},
        {5, "Aside", {30000, 40100, 0}}, {6, "Huge", {1e30, 1e30, 0}},
    };
    struct Case {
        ArrowLines lines;
        const char* label;
        std::uint64_t id;  // 0: none
    };
    const Case cases[] = {
        {arrow(0, 0, 300, 0), "Near", 1},
        {arrow(0, 0, 30000, 40000), "Far", 2},
        // Two creatures on the line: the one the label names.
        {arrow(0, 0, 30000, 40000), "Decoy", 3},
        // A label that names neither: the one nearer the line, then either.
        {arrow(0, 0, 60000, 80000), "?", 2},
        {arrow(0, 0, 0, 5000), "Near", 0},
        // Where doubles cannot tell the arrow's points apart, the creature at its tip.
        {arrow(1e30, 1e30, 1e30, 1e30 + 1e25), "Huge", 6},
    };
    for (const Case& c : cases) {
        const ArrowTarget* found = FindArrowTarget(c.lines, c.label, creatures);
        EXPECT_EQ(found != nullptr ? found->id : 0, c.id) << c.label;
    }
}

}  // namespace
}  // namespace sim
