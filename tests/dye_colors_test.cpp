#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "present/dye_colors.h"

namespace beastfinder {
namespace {

// A host value whose product with 255 is exactly `scaled`, found by walking the floats
// next to scaled / 255. NaN when none is within reach.
float InputScalingTo(float scaled) {
    float x = scaled / 255.0F;
    for (int step = 0; step < 64 && x * 255.0F < scaled; ++step) {
        x = std::nextafter(x, std::numeric_limits<float>::infinity());
    }
    for (int step = 0; step < 64 && x * 255.0F > scaled; ++step) {
        x = std::nextafter(x, -std::numeric_limits<float>::infinity());
    }
    return x * 255.0F == scaled ? x : std::numeric_limits<float>::quiet_NaN();
}

TEST(DyeColors, EveryRowNamesItsOwnColour) {
    const auto table = DyeColorTable();
    ASSERT_EQ(table.size(), 102U);
    std::set<std::size_t> needed_search;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const DyeColor& row = table[i];
        host::ColorRGBA colour{row.red / 255.0F, row.green / 255.0F, row.blue / 255.0F, row.alpha};
        if (DyeColorName(colour) != row.name) {
            needed_search.insert(i + 1);
            colour = {InputScalingTo(row.red), InputScalingTo(row.green), InputScalingTo(row.blue),
                      row.alpha};
        }
        EXPECT_EQ(DyeColorName(colour), row.name) << "row " << i + 1;
    }
    EXPECT_TRUE(needed_search.empty()) << "rows whose value / 255 does not scale back: "
                                       << ::testing::PrintToString(needed_search);
}

TEST(DyeColors, OnlyTheTableColoursHaveNames) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        host::ColorRGBA colour;
        const char* name;
    };
    const Case cases[] = {
        {{1, 0, 0, 0}, "Red"},
        {{1, 0, 0, 1}, "Unknown"},
        {{1, 1, 1, 0}, "White"},
        {{1, 1, 1, 1}, "White"},
        {{0, 0, 0, 0}, "Unknown"},
        {{0.005F, 0.005F, 0.005F, 0}, "ActualBlack"},
        {{0.2F, 0.2F, 0.2F, 0}, "Dark Grey"},
        {{0.5F, 0.5F, 0.5F, 0}, "Unknown"},
        {{1.75F, 1.75F, 1.75F, 0}, "Dino Albino"},  // not clamped to 1
        {{0.0015356F, 0.0015356F, 0.0015356F, 1}, "Light Grey"},
        {{0.39157248F, 0.39157248F, 0.39157248F, 1}, "Unknown"},  // row 9 is on the 0-255 scale
        {{1, 0, 0, 0.00005F}, "Red"},
        {{1, 0, 0, 0.0002F}, "Unknown"},
        {{InputScalingTo(255.00009F), 0, 0, 0}, "Red"},
        {{InputScalingTo(255.00012F), 0, 0, 0}, "Unknown"},
        {{nan, 0, 0, 0}, "Unknown"},
        {{1, 1, nan, 0}, "Unknown"},
        {{1, 0, 0, nan}, "Unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DyeColorName(c.colour), c.name)
            << c.colour.r << ", " << c.colour.g << ", " << c.colour.b << ", " << c.colour.a;
    }
    ASSERT_FALSE(std::isnan(InputScalingTo(255.00009F)));
    ASSERT_FALSE(std::isnan(InputScalingTo(255.00012F)));
}

}  // namespace
}  // namespace beastfinder
