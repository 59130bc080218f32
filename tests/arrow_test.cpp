#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "present/arrow.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

using Lines = std::vector<std::string>;  // "start -> end"

class TrackingArrow : public bftest::HostTest {
  protected:
    void SetUp() override {
        sim::TheServer().ClearWorld();
        HostTest::SetUp();
        player_ = &sim::TheServer().AddPlayer("caller", 76561198000000002ULL);
    }
    void TearDown() override {
        sim::TheServer().ClearWorld();
        HostTest::TearDown();
    }

    // The lines drawn, in order, and where the label went. The colours, durations and
    // sizes, the same at any distance, are in the search-arrow transcript.
    std::pair<Lines, std::string> Draw(host::Vector3 from, host::Vector3 to) {
        auto* controller = reinterpret_cast<AShooterPlayerController*>(player_->controller.get());
        DrawTrackingArrow(controller, from, to, 10, {1, 0.5F, 0, 1},
                          host::FStringFromNarrow("Rex"));
        Lines lines;
        std::string label_at;
        for (const sim::Effect& effect : sim::TheServer().TakeEffects()) {
            if (effect.type == "debug-line") {
                lines.push_back(effect.Text("start") + " -> " + effect.Text("end"));
            } else if (effect.type == "floating-text") {
                EXPECT_EQ(lines.size(), 3U) << "one label, after the three lines";
                label_at = effect.Text("at");
            } else {
                ADD_FAILURE() << "unexpected " << effect.type << " " << effect.Text("what");
            }
        }
        return {lines, label_at};
    }

    sim::Player* player_ = nullptr;
};

TEST_F(TrackingArrow, ShapeAtDifferentDistances) {
    const host::Vector3 from{100, -200, 50};
    const struct {
        const char* what;
        host::Vector3 to;
        Lines lines;
        const char* label_at;
    } cases[] = {
        {"1000 east: capped at 600",
         {1100, -200, 50},
         {"(150, -200, 50) -> (700, -200, 50)", "(700, -200, 50) -> (640, -230, 50)",
          "(700, -200, 50) -> (640, -170, 50)"},
         "(700, -200, 70)"},
        {"300 east: ends on the creature",
         {400, -200, 50},
         {"(150, -200, 50) -> (400, -200, 50)", "(400, -200, 50) -> (370, -215, 50)",
          "(400, -200, 50) -> (370, -185, 50)"},
         "(400, -200, 70)"},
        {"30 east: the start lies beyond the tip",
         {130, -200, 50},
         {"(150, -200, 50) -> (130, -200, 50)", "(130, -200, 50) -> (127, -201.5, 50)",
          "(130, -200, 50) -> (127, -198.5, 50)"},
         "(130, -200, 70)"},
        {"straight up: no side, barbs on the line",
         {100, -200, 2050},
         {"(100, -200, 100) -> (100, -200, 650)", "(100, -200, 650) -> (100, -200, 590)",
          "(100, -200, 650) -> (100, -200, 590)"},
         "(100, -200, 670)"},
        {"at the player's own position", from, Lines(3, "(100, -200, 50) -> (100, -200, 50)"),
         "(100, -200, 70)"},
    };
    for (const auto& c : cases) {
        const auto [lines, label_at] = Draw(from, c.to);
        EXPECT_EQ(lines, c.lines) << c.what;
        EXPECT_EQ(label_at, c.label_at) << c.what;
    }
}

TEST(ArrowLabelColor, KeepsEightBitsWithoutUndefinedConversions) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        host::ColorRGBA colour;
        std::uint8_t r, g, b;
    } cases[] = {
        {{1, 0.5F, 0, 1}, 255, 127, 0},       {{0.999F, 0.002F, 0.0039F, 0}, 254, 0, 0},
        {{1.5F, 2, -0.1F, 1}, 126, 254, 231},  // 382, 510 and -25 wrapped into a byte
        {{nan, inf, -inf, 1}, 0, 0, 0},       {{1e30F, -1e30F, 3e9F, 1}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const host::ColorBGRA8 label = LabelColor(c.colour);
        EXPECT_EQ(label.r, c.r) << c.colour.r;
        EXPECT_EQ(label.g, c.g) << c.colour.g;
        EXPECT_EQ(label.b, c.b) << c.colour.b;
        EXPECT_EQ(label.a, 255);
    }
}

}  // namespace
}  // namespace beastfinder
