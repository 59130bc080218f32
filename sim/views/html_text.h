// Text, colours and numbers as the page and its map write them.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "sim/views/html_page.h"
#include "sim/views/output.h"
#include "sim/views/render.h"

namespace sim::html {

inline std::string Css(const Rgb& c) {
    return fmt::format("#{:02x}{:02x}{:02x}", c.r, c.g, c.b);
}

// Text for the page: what would reorder or break a line shows as an escape.
inline std::string Shown(std::string_view text) {
    return HtmlEscape(PrintableText(text));
}

inline std::string Number(double value) {
    return FormatNumber(std::round(value * 100) / 100);
}

}  // namespace sim::html
