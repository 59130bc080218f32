#include "present/coordinates.h"

#include <cmath>

#include <fmt/format.h>
#include <fmt/xchar.h>

#include "config/config.h"
#include "config/messages.h"
#include "host/game.h"

namespace beastfinder {

namespace {

struct Calibration {
    float longitude_origin = -400000.0F;
    float latitude_origin = -400000.0F;
    float longitude_scale = 800.0F;
    float latitude_scale = 800.0F;
};

Calibration MapCalibration(UWorld* world) {
    Calibration calibration;
    APrimalWorldSettings* settings = host::GetWorldSettings(world);
    if (settings != nullptr && host::OverrideLongitudeAndLatitude(settings)) {
        calibration.longitude_origin = host::LongitudeOrigin(settings);
        calibration.longitude_scale = host::LongitudeScale(settings);
        calibration.latitude_origin = host::LatitudeOrigin(settings);
        calibration.latitude_scale = host::LatitudeScale(settings);
    }
    return calibration;
}

// Two quotients added, not one division of (world - origin): the two round differently
// and listings must keep showing the values players already know.
float ToMapAxis(float world, float origin, float scale) {
    const float divisor = scale * 10.0F;
    const float offset = -origin / divisor;
    const float part = world / divisor;
    return offset + part;
}

bool Rounded(CoordinateRule rule) {
    switch (rule) {
        case CoordinateRule::Tame:
            return !Config().TameTracker.ShowExactCoords;
        case CoordinateRule::Wild:
            return !Config().WildTracker.ShowExactCoords;
        case CoordinateRule::Exact:
            return false;
    }
    return false;
}

}  // namespace

MapCoordinates ComputeMapCoordinates(const host::Vector3& location, CoordinateRule rule) {
    MapCoordinates coordinates;
    UWorld* world = host::CurrentWorld();
    if (world == nullptr) {
        return coordinates;
    }
    const Calibration calibration = MapCalibration(world);
    coordinates.longitude =
        ToMapAxis(location.x, calibration.longitude_origin, calibration.longitude_scale);
    coordinates.latitude =
        ToMapAxis(location.y, calibration.latitude_origin, calibration.latitude_scale);
    if (Rounded(rule)) {
        coordinates.longitude = std::round(coordinates.longitude);
        coordinates.latitude = std::round(coordinates.latitude);
    }
    return coordinates;
}

std::u16string FormatMapCoordinates(const MapCoordinates& coordinates) {
    // The numbers keep one decimal whatever words an administrator puts around them.
    const auto decimal = [](float value) {
        return fmt::format(u"{:.1f}", static_cast<double>(value));
    };
    const std::u16string latitude = decimal(coordinates.latitude);
    const std::u16string longitude = decimal(coordinates.longitude);
    std::u16string out;
    AppendText(out,
               Config().GlobalSettings.ShowCoordsCombined ? PlayerText::CoordinatesCombined
                                                          : PlayerText::Coordinates,
               latitude, longitude);
    return out;
}

float DistanceInMetres(const host::Vector3& a, const host::Vector3& b) noexcept {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::floor(std::sqrt(dx * dx + dy * dy + dz * dz) / 100.0F);
}

}  // namespace beastfinder
