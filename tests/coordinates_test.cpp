#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "config/config.h"
#include "config/messages.h"
#include "present/coordinates.h"
#include "sim/host/server.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

class Coordinates : public bftest::HostTest {
  protected:
    void SetUp() override {
        ResetConfig();
        HostTest::SetUp();
    }
    void TearDown() override {
        sim::Server& server = sim::TheServer();
        server.has_world = true;
        server.has_world_settings = true;
        server.world_settings = sim::SimWorldSettings{};
        ResetConfig();
        HostTest::TearDown();
    }
};

TEST_F(Coordinates, RulesRoundHalfAwayFromZeroUnlessExact) {
    struct Case {
        float x, y;
        CoordinateRule rule;
        bool tame_exact, wild_exact;
        float longitude, latitude;
    };
    using R = CoordinateRule;
    const Case cases[] = {
        {100000, -200000, R::Tame, false, true, 63, 25},
        {100000, -200000, R::Tame, true, false, 62.5F, 25},
        {100000, -200000, R::Wild, true, false, 63, 25},
        {100000, -200000, R::Wild, false, true, 62.5F, 25},
        {100000, -200000, R::Exact, false, false, 62.5F, 25},
        {-400000, 400000, R::Exact, false, false, 0, 100},
        {-300000, -500000, R::Tame, false, false, 13, -13},  // 12.5 and -12.5
        {-300000, -500000, R::Exact, false, false, 12.5F, -12.5F},
    };
    for (const Case& c : cases) {
        Config().TameTracker.ShowExactCoords = c.tame_exact;
        Config().WildTracker.ShowExactCoords = c.wild_exact;
        const MapCoordinates result = ComputeMapCoordinates({c.x, c.y, 7}, c.rule);
        EXPECT_EQ(result.longitude, c.longitude) << c.x << "," << c.y;
        EXPECT_EQ(result.latitude, c.latitude) << c.x << "," << c.y;
    }
}

TEST_F(Coordinates, MapCalibrationOnlyWhenTheMapOverridesIt) {
    sim::Server& server = sim::TheServer();
    server.world_settings.longitude_origin = -200000;
    server.world_settings.longitude_scale = 400;
    server.world_settings.latitude_origin = 0;
    server.world_settings.latitude_scale = 100;
    const host::Vector3 at{0, 5000, 0};

    MapCoordinates result = ComputeMapCoordinates(at, CoordinateRule::Exact);
    EXPECT_EQ(result.longitude, 50);
    EXPECT_EQ(result.latitude, 50.625F);  // default calibration: the flag is off

    server.world_settings.override_longitude_and_latitude = 2;  // any nonzero byte
    result = ComputeMapCoordinates(at, CoordinateRule::Exact);
    EXPECT_EQ(result.longitude, 50);
    EXPECT_EQ(result.latitude, 5);

    server.has_world_settings = false;
    EXPECT_EQ(ComputeMapCoordinates(at, CoordinateRule::Exact).latitude, 50.625F);

    server.has_world = false;
    result = ComputeMapCoordinates({100000, -200000, 0}, CoordinateRule::Tame);
    EXPECT_EQ(result.longitude, 0);
    EXPECT_EQ(result.latitude, 0);
    EXPECT_EQ(FormatMapCoordinates(result), u"Lat 0.0 : Lon 0.0");
}

TEST_F(Coordinates, TextPutsLatitudeFirst) {
    EXPECT_EQ(FormatMapCoordinates({63, 25}), u"Lat 25.0 : Lon 63.0");
    EXPECT_EQ(FormatMapCoordinates({62.5F, -0.25F}), u"Lat -0.2 : Lon 62.5");
    Config().GlobalSettings.ShowCoordsCombined = true;
    EXPECT_EQ(FormatMapCoordinates({63, 25}), u"Coords: 25.0/63.0");

    // The words are the administrator's; the numbers keep their one decimal.
    UsePlayerTexts(LoadMessages(nlohmann::json::parse(R"({"Coordinates": "Шир {} : Долг {}",
                                                           "CoordinatesCombined": "{1:s} / {0}"})"))
                       .texts);
    EXPECT_EQ(FormatMapCoordinates({63, 25}), u"63.0 / 25.0");
    Config().GlobalSettings.ShowCoordsCombined = false;
    EXPECT_EQ(FormatMapCoordinates({63, 25}), u"Шир 25.0 : Долг 63.0");
}

TEST_F(Coordinates, DistanceIsRoundedDownToWholeMetres) {
    EXPECT_EQ(DistanceInMetres({0, 0, 0}, {1299, 0, 0}), 12);
    EXPECT_EQ(DistanceInMetres({10, 20, 30}, {310, 420, 1230}), 13);  // 1300 over three axes
    EXPECT_EQ(DistanceInMetres({0, 0, 0}, {0, -99.9F, 0}), 0);
}

}  // namespace
}  // namespace beastfinder
