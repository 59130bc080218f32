// What a player sees of the plugin's effects: rich text as the game draws it, colours as
// the screen shows them, and the terminal view built from both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/framework/server.h"

namespace sim {

// A colour as the screen shows it, 8 bits a channel.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The game's colours are linear; the screen shows them sRGB-encoded. Values outside 0..1
// are clamped, as the renderer does.
Rgb DisplayColor(double r, double g, double b);

// "r, g, b" or "r, g, b, a" as the effects and the markup write colours (alpha is not
// shown). Nothing when it is not three or four finite numbers.
std::optional<Rgb> ParseLinearColor(std::string_view text);

// "R, G, B, A" in 8-bit screen values, as the floating label's colour is written.
std::optional<Rgb> ParseByteColor(std::string_view text);

// A number field of an effect; 0 when absent or not a number.
double EffectNumber(const Effect& effect, std::string_view key);

// A run of text, in the default colour or its own.
struct RichSpan {
    std::string text;
    std::optional<Rgb> color;
    bool operator==(const RichSpan&) const = default;
};

// Chat text split at its <RichColor Color="r, g, b, a">...</> spans. The markup has no
// nesting: a span ends at the first "</>" and holds everything before it as text. A tag
// the game does not know, or one that is broken (no closing "</>", no usable colour), is
// text like any other.
std::vector<RichSpan> ParseRichText(std::string_view utf8);

struct TerminalStyle {
    bool color = false;
    // The simulated clock, which stamps log lines in place of the machine's time.
    std::int64_t clock_ticks = 0;
};

// The effects of one command as the player sees them: notifications broken into their
// lines in their colour, chat with its rich spans, the arrow and its label, log lines
// stamped with the simulated time. The module's registrations are left out; anything else a
// player does not see keeps its raw line.
std::string RenderEffects(const std::vector<Effect>& effects, TerminalStyle style);

// A tracking arrow: three debug lines, the barbs starting at the shaft's end.
struct ArrowLines {
    std::string player;
    double from[3] = {0, 0, 0};
    double to[3] = {0, 0, 0};
    std::optional<Rgb> color;
    double duration = 0;
};

// "(x, y, z)" as the effects write points.
bool ParsePoint(std::string_view text, double (&point)[3]);

// When effects[i] starts an arrow, the arrow and the number of effects it covers.
std::optional<ArrowLines> ArrowAt(const std::vector<Effect>& effects, std::size_t i,
                                  std::size_t& count);

}  // namespace sim
