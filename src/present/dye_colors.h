// Names of the game's dye colours.
#pragma once

#include <span>
#include <string>

#include "host/values.h"

namespace beastfinder {

struct DyeColor {
    const char* name;
    float red;  // 0-255 scale: the host value times 255
    float green;
    float blue;
    float alpha;  // the host's own scale
};

// The known dye colours in the order they are tried.
std::span<const DyeColor> DyeColorTable() noexcept;

// The name of the first table row that the colour matches within 0.0001 on every channel
// (red, green and blue scaled by 255), or "Unknown". Nothing is clamped: only the table's
// own colours have names.
std::string DyeColorName(host::ColorRGBA colour);

}  // namespace beastfinder
