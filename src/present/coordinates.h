// Map coordinates from world positions, and distances in whole metres.
#pragma once

#include <string>

#include "host/values.h"

namespace beastfinder {

// Which listing the coordinates are for: each listing has its own rounding setting, and
// the admin listing is always exact.
enum class CoordinateRule { Tame, Wild, Exact };

struct MapCoordinates {
    float longitude = 0;  // from x
    float latitude = 0;   // from y
};

// Uses the current map's calibration when it overrides the default; (0, 0) without a world.
MapCoordinates ComputeMapCoordinates(const host::Vector3& location, CoordinateRule rule);

// "Lat 25.0 : Lon 63.0", or "Coords: 25.0/63.0" when the combined form is configured, in
// the administrator's words when the configuration gives others.
std::u16string FormatMapCoordinates(const MapCoordinates& coordinates);

// Straight-line distance in world units (centimetres) as whole metres, rounded down.
float DistanceInMetres(const host::Vector3& a, const host::Vector3& b) noexcept;

}  // namespace beastfinder
