#include "sim/views/render.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "search/teams.h"
#include "sim/views/output.h"

namespace sim {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool ParseDouble(std::string_view text, double& value) {
    text = Trim(text);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(value);
}

// Up to `limit` comma-separated numbers; their count, or 0 when one is not a number.
std::size_t ParseNumbers(std::string_view text, double* values, std::size_t limit) {
    std::size_t count = 0;
    for (;;) {
        const std::size_t comma = text.find(',');
        if (count == limit || !ParseDouble(text.substr(0, comma), values[count])) {
            return 0;
        }
        ++count;
        if (comma == std::string_view::npos) {
            return count;
        }
        text.remove_prefix(comma + 1);
    }
}

std::uint8_t Encode(double linear) {
    const double c = std::clamp(linear, 0.0, 1.0);
    const double srgb = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(srgb * 255));
}

constexpr std::string_view kOpen = "<RichColor";
constexpr std::string_view kClose = "</>";

// The span whose tag starts at text[0]: its colour, and the length of the tag with its
// content and closing mark. Nothing when the game would show the tag as text.
std::optional<Rgb> RichColorTag(std::string_view text, std::string_view& content,
                                std::size_t& length) {
    if (text.substr(0, kOpen.size()) != kOpen) {
        return std::nullopt;
    }
    std::size_t pos = kOpen.size();
    std::optional<Rgb> color;
    // Attributes: name="value", each after a space.
    while (pos < text.size() && text[pos] == ' ') {
        while (pos < text.size() && text[pos] == ' ') {
            ++pos;
        }
        const std::size_t equals = text.find("=\"", pos);
        const std::size_t stop = text.find_first_of(" =>\"", pos);
        if (equals == std::string_view::npos || stop != equals || equals == pos) {
            return std::nullopt;
        }
        const std::size_t quote = text.find('"', equals + 2);
        if (quote == std::string_view::npos) {
            return std::nullopt;
        }
        if (text.substr(pos, equals - pos) == "Color") {
            color = ParseLinearColor(text.substr(equals + 2, quote - equals - 2));
            if (!color) {
                return std::nullopt;
            }
        }
        pos = quote + 1;
    }
    if (!color || pos >= text.size() || text[pos] != '>') {
        return std::nullopt;
    }
    const std::size_t close = text.find(kClose, pos + 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    content = text.substr(pos + 1, close - pos - 1);
    length = close + kClose.size();
    return color;
}

void Append(std::vector<RichSpan>& spans, std::string_view text, std::optional<Rgb> color) {
    if (text.empty()) {
        return;
    }
    if (!spans.empty() && spans.back().color == color) {
        spans.back().text.append(text);
    } else {
        spans.push_back(RichSpan{std::string(text), color});
    }
}

// --- Terminal ---------------------------------------------------------------------------

class Painter {
  public:
    explicit Painter(TerminalStyle style) : style_(style) {}

    std::string Colored(std::string_view text, std::optional<Rgb> color, bool bold = false) const {
        if (!style_.color || (!color && !bold)) {
            return std::string(text);
        }
        std::string codes = bold ? "1" : "";
        if (color) {
            codes += fmt::format("{}38;2;{};{};{}", bold ? ";" : "", color->r, color->g, color->b);
        }
        return fmt::format("\x1b[{}m{}\x1b[0m", codes, text);
    }
    // What the game does not show: who sees it, its size and time.
    std::string Quiet(std::string_view text) const {
        return style_.color ? fmt::format("\x1b[2m{}\x1b[0m", text) : std::string(text);
    }

  private:
    TerminalStyle style_;
};

std::string Header(const Painter& paint, const Effect& effect, std::string_view what,
                   std::string_view details = {}) {
    return paint.Quiet(
        fmt::format("[{} · {}{}]", PrintableText(effect.Text("player")), what, details));
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (;;) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    // Trailing breaks leave nothing to see.
    while (lines.size() > 1 && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

void RenderNotification(std::string& out, const Painter& paint, const Effect& effect) {
    const std::optional<Rgb> color = ParseLinearColor(effect.Text("color"));
    out += Header(paint, effect, "on screen",
                  fmt::format(" · scale {} · {} s", FormatNumber(EffectNumber(effect, "scale")),
                              FormatNumber(EffectNumber(effect, "time"))));
    out += '\n';
    const std::string text = effect.Text("text");
    for (const std::string_view line : Lines(text)) {
        if (!line.empty()) {
            out += "    ";
            out += paint.Colored(PrintableText(line), color);
        }
        out += '\n';
    }
}

void RenderRich(std::string& out, const Painter& paint, std::string_view text,
                std::optional<Rgb> color, bool bold) {
    for (const RichSpan& span : ParseRichText(text)) {
        out += paint.Colored(PrintableText(span.text), span.color ? span.color : color, bold);
    }
}

void RenderChat(std::string& out, const Painter& paint, const Effect& effect) {
    out += Header(paint, effect, "chat");
    out += ' ';
    const std::string sender = effect.Text("sender");
    if (!sender.empty()) {
        out += paint.Colored(PrintableText(sender) + ":", std::nullopt, true);
        out += ' ';
    }
    RenderRich(out, paint, effect.Text("text"), std::nullopt, false);
    out += '\n';
}

void RenderServerChat(std::string& out, const Painter& paint, const Effect& effect) {
    out += Header(paint, effect, "server chat");
    out += ' ';
    const Effect::Value* bold = effect.Find("bold");
    out += paint.Colored(
        PrintableText(effect.Text("text")), ParseLinearColor(effect.Text("color")),
        bold != nullptr && std::get_if<bool>(bold) != nullptr && std::get<bool>(*bold));
    out += '\n';
}

std::string Plane(const double (&point)[3]) {
    return fmt::format("({}, {})", FormatNumber(std::round(point[0])),
                       FormatNumber(std::round(point[1])));
}

void RenderArrow(std::string& out, const Painter& paint, const ArrowLines& arrow,
                 const Effect& first) {
    const double length = std::hypot(arrow.to[0] - arrow.from[0], arrow.to[1] - arrow.from[1],
                                     arrow.to[2] - arrow.from[2]);
    out += Header(paint, first, "arrow", fmt::format(" · {} s", FormatNumber(arrow.duration)));
    out += ' ';
    out += paint.Colored("──>", arrow.color);
    out += fmt::format(" {} to {}, {} units\n", Plane(arrow.from), Plane(arrow.to),
                       FormatNumber(std::round(length)));
}

void RenderFloatingText(std::string& out, const Painter& paint, const Effect& effect) {
    const std::optional<Rgb> color = ParseByteColor(effect.Text("color"));
    out += Header(paint, effect, "label over the arrow",
                  fmt::format(" · {} s", FormatNumber(EffectNumber(effect, "life"))));
    out += ' ';
    out += paint.Colored(PrintableText(effect.Text("text")), color);
    out += '\n';
}

void RenderLog(std::string& out, const Painter& paint, const Effect& effect,
               std::int64_t clock_ticks) {
    const std::string level = effect.Text("level");
    std::optional<Rgb> color;
    if (level == "error" || level == "critical") {
        color = Rgb{240, 80, 80};
    } else if (level == "warning") {
        color = Rgb{230, 180, 40};
    }
    out += paint.Quiet("[log]");
    out += ' ';
    out += paint.Colored(PrintableText(LogLineAt(effect.Text("line"), clock_ticks)), color);
    out += '\n';
}

void RenderLoad(std::string& out, const Painter& paint, const Effect& effect) {
    const Effect::Value* started = effect.Find("started");
    if (started != nullptr && std::get_if<bool>(started) != nullptr && std::get<bool>(*started)) {
        out += paint.Quiet("[the plugin is loaded and started]");
    } else {
        out += paint.Colored("[the plugin is loaded, but its start-up failed: see the log]",
                             Rgb{240, 80, 80});
    }
    out += '\n';
}

bool Flag(const Effect& effect, std::string_view key) {
    const Effect::Value* value = effect.Find(key);
    return value != nullptr && std::get_if<bool>(value) != nullptr && std::get<bool>(*value);
}

std::string Team(const Effect& effect) {
    const std::string tribe = effect.Text("tribe");
    const std::string team = FormatNumber(EffectNumber(effect, "team"));
    return tribe.empty() ? "team " + team : PrintableText(tribe) + " (team " + team + ")";
}

// The world as `players` and `creatures` list it, one short line each.
void RenderPlayer(std::string& out, const Painter& paint, const Effect& effect) {
    out += paint.Quiet("[player]");
    out += fmt::format(" {} · {} · at {}", PrintableText(effect.Text("name")), Team(effect),
                       PrintableText(effect.Text("at")));
    if (Flag(effect, "admin")) {
        out += " · administrator";
    }
    for (const auto& [key, missing] :
         {std::pair("character", "no character"), std::pair("state", "no player state"),
          std::pair("controller_state", "no controller state")}) {
        if (!Flag(effect, key)) {
            out += fmt::format(" · {}", missing);
        }
    }
    out += '\n';
}

void RenderCreature(std::string& out, const Painter& paint, const Effect& effect) {
    const Effect::Value* level = effect.Find("level");
    const bool tamed = EffectNumber(effect, "team") > beastfinder::kTribeTeamFloor;
    const Effect::Value* id = effect.Find("id");
    const std::uint64_t* number = id != nullptr ? std::get_if<std::uint64_t>(id) : nullptr;
    out += paint.Quiet("[creature]");
    out += fmt::format(" {} {} ({}) · {} · {} · at {}\n", number != nullptr ? *number : 0,
                       PrintableText(effect.Text("name")), PrintableText(effect.Text("species")),
                       level != nullptr && std::get_if<std::nullptr_t>(level) == nullptr
                           ? "lvl " + FormatNumber(EffectNumber(effect, "level"))
                           : std::string("no level"),
                       tamed ? Team(effect) + ", owner " + PrintableText(effect.Text("owner"))
                             : "wild (team " + FormatNumber(EffectNumber(effect, "team")) + ")",
                       PrintableText(effect.Text("at")));
}

// What the module does to the framework rather than to anyone on the server.
bool Bookkeeping(const Effect& effect) {
    return effect.type == "register" || effect.type == "unregister" || effect.type == "exit";
}

}  // namespace

Rgb DisplayColor(double r, double g, double b) {
    return Rgb{Encode(r), Encode(g), Encode(b)};
}

std::optional<Rgb> ParseLinearColor(std::string_view text) {
    double parts[4] = {};
    if (ParseNumbers(text, parts, 4) < 3) {
        return std::nullopt;
    }
    return DisplayColor(parts[0], parts[1], parts[2]);
}

std::optional<Rgb> ParseByteColor(std::string_view text) {
    double parts[4] = {};
    if (ParseNumbers(text, parts, 4) < 3) {
        return std::nullopt;
    }
    auto byte = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
    return Rgb{byte(parts[0]), byte(parts[1]), byte(parts[2])};
}

double EffectNumber(const Effect& effect, std::string_view key) {
    const Effect::Value* value = effect.Find(key);
    if (value == nullptr) {
        return 0;
    }
    if (const auto* d = std::get_if<double>(value)) {
        return *d;
    }
    if (const auto* i = std::get_if<std::int64_t>(value)) {
        return static_cast<double>(*i);
    }
    return 0;
}

std::vector<RichSpan> ParseRichText(std::string_view utf8) {
    std::vector<RichSpan> spans;
    std::size_t plain = 0;
    std::size_t pos = 0;
    while ((pos = utf8.find('<', pos)) != std::string_view::npos) {
        std::string_view content;
        std::size_t length = 0;
        const std::optional<Rgb> color = RichColorTag(utf8.substr(pos), content, length);
        if (!color) {
            ++pos;
            continue;
        }
        Append(spans, utf8.substr(plain, pos - plain), std::nullopt);
        Append(spans, content, color);
        pos += length;
        plain = pos;
    }
    Append(spans, utf8.substr(plain), std::nullopt);
    return spans;
}

bool ParsePoint(std::string_view text, double (&point)[3]) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') {
        return false;
    }
    return ParseNumbers(text.substr(1, text.size() - 2), point, 3) == 3;
}

std::optional<ArrowLines> ArrowAt(const std::vector<Effect>& effects, std::size_t i,
                                  std::size_t& count) {
    if (i + 2 >= effects.size()) {
        return std::nullopt;
    }
    const Effect& shaft = effects[i];
    ArrowLines arrow;
    if (shaft.type != "debug-line" || !ParsePoint(shaft.Text("start"), arrow.from) ||
        !ParsePoint(shaft.Text("end"), arrow.to)) {
        return std::nullopt;
    }
    for (std::size_t barb = i + 1; barb <= i + 2; ++barb) {
        if (effects[barb].type != "debug-line" ||
            effects[barb].Text("player") != shaft.Text("player") ||
            effects[barb].Text("start") != shaft.Text("end")) {
            return std::nullopt;
        }
    }
    arrow.player = shaft.Text("player");
    arrow.color = ParseLinearColor(shaft.Text("color"));
    arrow.duration = EffectNumber(shaft, "duration");
    count = 3;
    return arrow;
}

std::string RenderEffects(const std::vector<Effect>& effects, TerminalStyle style) {
    const Painter paint(style);
    std::string out;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const Effect& effect = effects[i];
        std::size_t covered = 0;
        if (Bookkeeping(effect)) {
            continue;
        }
        if (effect.type == "notify") {
            RenderNotification(out, paint, effect);
        } else if (effect.type == "log") {
            RenderLog(out, paint, effect, style.clock_ticks);
        } else if (effect.type == "load") {
            RenderLoad(out, paint, effect);
        } else if (effect.type == "player") {
            RenderPlayer(out, paint, effect);
        } else if (effect.type == "creature") {
            RenderCreature(out, paint, effect);
        } else if (effect.type == "chat") {
            RenderChat(out, paint, effect);
        } else if (effect.type == "server-chat") {
            RenderServerChat(out, paint, effect);
        } else if (effect.type == "floating-text") {
            RenderFloatingText(out, paint, effect);
        } else if (const auto arrow = ArrowAt(effects, i, covered)) {
            RenderArrow(out, paint, *arrow, effect);
            i += covered - 1;
        } else {
            out += FormatEffect(effect, OutputFormat::Text);
            out += '\n';
        }
    }
    return out;
}

}  // namespace sim
