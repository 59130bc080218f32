#include "sim/html_page.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "sim/output.h"
#include "sim/render.h"

namespace sim {

namespace {

constexpr std::int32_t kTamedTeamFloor = 50000;  // tribes' teams are above it
constexpr double kMapPixels = 800;
constexpr double kMargin = 36;
constexpr double kArrowPixels = 36;  // true arrows are a few pixels long at map scale

std::string Css(const Rgb& c) {
    return fmt::format("#{:02x}{:02x}{:02x}", c.r, c.g, c.b);
}

// Text for the page: what would reorder or break a line shows as an escape.
std::string Shown(std::string_view text) {
    return HtmlEscape(PrintableText(text));
}

std::string Number(double value) {
    return FormatNumber(std::round(value * 100) / 100);
}

std::string Rich(std::string_view text) {
    std::string out;
    for (const RichSpan& span : ParseRichText(text)) {
        if (span.color) {
            out += fmt::format("<span style=\"color:{}\">{}</span>", Css(*span.color),
                               Shown(span.text));
        } else {
            out += Shown(span.text);
        }
    }
    return out;
}

// --- Screens ----------------------------------------------------------------------------

void WriteNotification(std::ostream& out, const Effect& effect) {
    const Rgb color = ParseLinearColor(effect.Text("color")).value_or(Rgb{255, 255, 255});
    const double scale = std::clamp(EffectNumber(effect, "scale"), 0.2, 4.0);
    out << fmt::format("<div class=\"note\" style=\"color:{};font-size:{}px\">", Css(color),
                       Number(20 * scale));
    const std::string text = effect.Text("text");
    std::string body;
    std::string_view rest = text;
    // Trailing breaks leave nothing to see.
    while (!rest.empty() && rest.back() == '\n') {
        rest.remove_suffix(1);
    }
    for (;;) {
        const std::size_t end = rest.find('\n');
        body += Shown(rest.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        body += "<br>";
        rest.remove_prefix(end + 1);
    }
    out << body;
    out << fmt::format("<span class=\"meta\">scale {} · {} s</span></div>\n",
                       FormatNumber(EffectNumber(effect, "scale")),
                       FormatNumber(EffectNumber(effect, "time")));
}

void WriteScreen(std::ostream& out, const std::string& player, const std::vector<Effect>& effects) {
    out << "<div class=\"screen\"><div class=\"who\">" << Shown(player) << "'s screen</div>\n";
    std::string chat;
    std::string labels;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const Effect& effect = effects[i];
        if (effect.Text("player") != player) {
            continue;
        }
        std::size_t covered = 0;
        if (effect.type == "notify") {
            WriteNotification(out, effect);
        } else if (effect.type == "chat") {
            chat += "<p>";
            if (!effect.Text("sender").empty()) {
                chat += "<b>" + Shown(effect.Text("sender")) + ":</b> ";
            }
            chat += Rich(effect.Text("text")) + "</p>\n";
        } else if (effect.type == "server-chat") {
            const Rgb color = ParseLinearColor(effect.Text("color")).value_or(Rgb{255, 255, 255});
            chat += fmt::format("<p class=\"server\" style=\"color:{}\">{}</p>\n", Css(color),
                                Shown(effect.Text("text")));
        } else if (effect.type == "floating-text") {
            const Rgb color = ParseByteColor(effect.Text("color")).value_or(Rgb{255, 255, 255});
            labels += fmt::format(
                "<p class=\"label\">tracking arrow's label: <span style=\"color:{}\">{}</span>"
                "<span class=\"meta\">{} s</span></p>\n",
                Css(color), Shown(effect.Text("text")), FormatNumber(EffectNumber(effect, "life")));
        } else if (const auto arrow = ArrowAt(effects, i, covered)) {
            const Rgb color = arrow->color.value_or(Rgb{255, 255, 255});
            labels += fmt::format(
                "<p class=\"label\"><span style=\"color:{}\">&#x27f6;</span> tracking arrow "
                "<span class=\"meta\">{} s</span></p>\n",
                Css(color), FormatNumber(arrow->duration));
            i += covered - 1;
        }
    }
    if (!chat.empty()) {
        out << "<div class=\"chatbox\">\n" << chat << "</div>\n";
    }
    out << labels << "</div>\n";
}

bool SeenByPlayer(const Effect& effect) {
    return effect.type == "notify" || effect.type == "chat" || effect.type == "server-chat" ||
           effect.type == "floating-text" || effect.type == "debug-line";
}

void WriteStep(std::ostream& out, const PageStep& step, std::size_t number) {
    out << fmt::format("<section class=\"step\" id=\"step-{}\">\n", number);
    for (const std::string& comment : step.comments) {
        out << "<p class=\"comment\">" << Shown(comment) << "</p>\n";
    }
    out << fmt::format("<h2><span class=\"n\">{}</span> <code>{}</code></h2>\n", number,
                       Shown(step.command));
    std::vector<std::string> players;
    std::string rcon;
    std::string other;
    for (const Effect& effect : step.effects) {
        if (SeenByPlayer(effect)) {
            const std::string player = effect.Text("player");
            if (std::find(players.begin(), players.end(), player) == players.end()) {
                players.push_back(player);
            }
        } else if (effect.type == "rcon-reply") {
            rcon += "<p>" + Shown(effect.Text("text")) + "</p>\n";
        } else {
            other += Shown(FormatEffect(effect, OutputFormat::Text)) + "\n";
        }
    }
    if (!players.empty() || !rcon.empty()) {
        out << "<div class=\"screens\">\n";
        for (const std::string& player : players) {
            WriteScreen(out, player, step.effects);
        }
        if (!rcon.empty()) {
            out << "<div class=\"screen rcon\"><div class=\"who\">RCON client</div>\n"
                << rcon << "</div>\n";
        }
        out << "</div>\n";
    }
    if (!other.empty()) {
        out << "<details><summary>server side</summary><pre>" << other << "</pre></details>\n";
    }
    out << "</section>\n";
}

// --- Map --------------------------------------------------------------------------------

struct Projection {
    SimWorldSettings calibration;
    double left = 0, top = 0, span = 100, pixels_per_degree = 8;

    // Longitude from x, latitude from y; latitude grows southward, down the page.
    bool ToMap(double x, double y, double& longitude, double& latitude) const {
        const double lon_scale = static_cast<double>(calibration.longitude_scale) * 10;
        const double lat_scale = static_cast<double>(calibration.latitude_scale) * 10;
        longitude = -calibration.longitude_origin / lon_scale + x / lon_scale;
        latitude = -calibration.latitude_origin / lat_scale + y / lat_scale;
        return std::isfinite(longitude) && std::isfinite(latitude);
    }
    bool ToPixels(double x, double y, double& px, double& py) const {
        double longitude = 0, latitude = 0;
        if (!ToMap(x, y, longitude, latitude)) {
            return false;
        }
        px = kMargin + (longitude - left) * pixels_per_degree;
        py = kMargin + (latitude - top) * pixels_per_degree;
        return std::isfinite(px) && std::isfinite(py);
    }
};

struct MapArrow {
    ArrowLines lines;
    std::string label;
    std::optional<Rgb> label_color;
    std::size_t step = 0;
};

// Everything drawn is fitted, arrows too: an arrow drawn where its player once stood, far
// from where the world now is, must not land outside the page.
Projection FitMap(const PageWorld& world, const std::vector<MapArrow>& arrows) {
    Projection map{world.calibration};
    // The map's own square, widened to hold whatever lies outside it.
    double min_lon = 0, max_lon = 100, min_lat = 0, max_lat = 100;
    auto include = [&](double x, double y) {
        double lon = 0, lat = 0;
        if (map.ToMap(x, y, lon, lat)) {
            min_lon = std::min(min_lon, lon);
            max_lon = std::max(max_lon, lon);
            min_lat = std::min(min_lat, lat);
            max_lat = std::max(max_lat, lat);
        }
    };
    for (const PlayerSpec& player : world.players) {
        include(player.position.x, player.position.y);
    }
    for (const CreatureSpec& creature : world.creatures) {
        include(creature.position.x, creature.position.y);
    }
    for (const MapArrow& arrow : arrows) {
        include(arrow.lines.from[0], arrow.lines.from[1]);
        include(arrow.lines.to[0], arrow.lines.to[1]);
    }
    double step = 10;
    while (std::max(max_lon - min_lon, max_lat - min_lat) / step > 20) {
        step *= 10;
    }
    map.left = std::floor(std::min(min_lon, min_lat) / step) * step;
    map.top = map.left;
    map.span = std::ceil(std::max(max_lon, max_lat) / step) * step - map.left;
    map.pixels_per_degree = kMapPixels / map.span;
    if (!std::isfinite(map.left) || !std::isfinite(map.pixels_per_degree) ||
        !(map.pixels_per_degree > 0)) {
        return Projection{world.calibration};  // beyond any scale: only the map's own square
    }
    return map;
}

double GridStep(double span) {
    double step = 10;
    while (span / step > 20) {
        step *= 10;
    }
    return step;
}

constexpr const char* kTribeColors[] = {"#1f77b4", "#2ca02c", "#9467bd", "#17becf",
                                        "#e377c2", "#8c564b", "#bcbd22", "#7f7f7f"};

struct LevelBand {
    std::int32_t up_to;
    const char* color;
    const char* label;
};
constexpr LevelBand kLevelBands[] = {{30, "#fde0a0", "level 1–30"},
                                     {60, "#fdae61", "level 31–60"},
                                     {90, "#f46d43", "level 61–90"},
                                     {120, "#d73027", "level 91–120"},
                                     {INT32_MAX, "#7f0000", "level 121 and up"}};
constexpr const char* kUnknownLevel = "#bbbbbb";

const char* WildColor(const CreatureSpec& creature) {
    if (!creature.status) {
        return kUnknownLevel;
    }
    for (const LevelBand& band : kLevelBands) {
        if (creature.level <= band.up_to) {
            return band.color;
        }
    }
    return kUnknownLevel;
}

std::string TribeName(const CreatureSpec& creature) {
    return creature.tribe.empty() ? fmt::format("team {}", creature.team) : creature.tribe;
}

std::vector<MapArrow> ArrowsOf(const std::vector<PageStep>& steps) {
    std::vector<MapArrow> arrows;
    std::set<std::tuple<std::string, std::string, double, double, double, double>> seen;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const std::vector<Effect>& effects = steps[s].effects;
        for (std::size_t i = 0; i < effects.size(); ++i) {
            std::size_t covered = 0;
            const auto lines = ArrowAt(effects, i, covered);
            if (!lines) {
                continue;
            }
            MapArrow arrow{*lines, {}, std::nullopt, s + 1};
            // The label the plugin floats over this arrow follows its lines.
            for (std::size_t j = i + covered; j < effects.size(); ++j) {
                if (effects[j].type == "floating-text" &&
                    effects[j].Text("player") == lines->player) {
                    arrow.label = effects[j].Text("text");
                    arrow.label_color = ParseByteColor(effects[j].Text("color"));
                    break;
                }
            }
            i += covered - 1;
            // The same search repeated draws the same arrow: once on the map.
            if (seen.emplace(arrow.lines.player, arrow.label, lines->from[0], lines->from[1],
                             lines->to[0], lines->to[1])
                    .second) {
                arrows.push_back(std::move(arrow));
            }
        }
    }
    return arrows;
}

void WriteMap(std::ostream& out, const std::vector<PageStep>& steps, const PageWorld& world) {
    const std::vector<MapArrow> arrows = ArrowsOf(steps);
    const Projection map = FitMap(world, arrows);
    const double size = kMapPixels + 2 * kMargin;
    out << fmt::format(
        "<svg class=\"map\" xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{0}\" "
        "viewBox=\"0 0 {0} {0}\" role=\"img\" aria-label=\"map of the world\">\n",
        Number(size));
    out << fmt::format("<rect x=\"{0}\" y=\"{0}\" width=\"{1}\" height=\"{1}\" class=\"land\"/>\n",
                       kMargin, kMapPixels);
    const double step = GridStep(map.span);
    for (double value = map.left; value <= map.left + map.span + 1e-9; value += step) {
        const double at = kMargin + (value - map.left) * map.pixels_per_degree;
        out << fmt::format(
            "<line class=\"grid\" x1=\"{0}\" y1=\"{1}\" x2=\"{0}\" y2=\"{2}\"/>"
            "<line class=\"grid\" x1=\"{1}\" y1=\"{0}\" x2=\"{2}\" y2=\"{0}\"/>\n"
            "<text class=\"axis\" x=\"{0}\" y=\"{3}\" text-anchor=\"middle\">{4}</text>"
            "<text class=\"axis\" x=\"{5}\" y=\"{6}\" text-anchor=\"end\">{4}</text>\n",
            Number(at), kMargin, kMargin + kMapPixels, kMargin - 8, Number(value), kMargin - 6,
            Number(at + 4));
    }
    out << fmt::format(
        "<text class=\"axis\" x=\"{}\" y=\"12\" text-anchor=\"middle\">longitude</text>"
        "<text class=\"axis\" x=\"12\" y=\"{}\" text-anchor=\"middle\" "
        "transform=\"rotate(-90 12 {})\">latitude</text>\n",
        Number(size / 2), Number(size / 2), Number(size / 2));

    std::map<std::string, std::size_t> tribes;
    for (const CreatureSpec& creature : world.creatures) {
        if (creature.team > kTamedTeamFloor) {
            tribes.emplace(TribeName(creature), tribes.size());
        }
    }
    for (const CreatureSpec& creature : world.creatures) {
        double px = 0, py = 0;
        if (!map.ToPixels(creature.position.x, creature.position.y, px, py)) {
            continue;
        }
        const bool tamed = creature.team > kTamedTeamFloor;
        const std::string level =
            creature.status ? fmt::format("lvl {}", creature.level) : std::string("no level");
        const std::string tip =
            tamed ? fmt::format("{} ({}, {}) – {}, owner {}", creature.name, creature.species,
                                level, TribeName(creature), creature.owner)
                  : fmt::format("{} ({}, {}) – wild", creature.name, creature.species, level);
        const char* fill = tamed
                               ? kTribeColors[tribes[TribeName(creature)] % std::size(kTribeColors)]
                               : WildColor(creature);
        out << fmt::format(
            "<circle class=\"marker {}\" cx=\"{}\" cy=\"{}\" r=\"{}\" fill=\"{}\">"
            "<title>{}</title></circle>\n",
            tamed ? "tamed" : "wild", Number(px), Number(py), tamed ? 3.2 : 2.4, fill, Shown(tip));
    }

    std::set<std::string> askers;
    for (const PageStep& step_record : steps) {
        if (!step_record.player.empty()) {
            askers.insert(step_record.player);
        }
    }
    for (const PlayerSpec& player : world.players) {
        double px = 0, py = 0;
        if (!map.ToPixels(player.position.x, player.position.y, px, py)) {
            continue;
        }
        const bool asked = askers.count(player.name) != 0;
        const double r = asked ? 7 : 5.5;
        out << fmt::format(
            "<g class=\"marker player{}\"><path d=\"M{} {}l{} {}l{} {}l{} {}z\"/>"
            "<text x=\"{}\" y=\"{}\">{}</text><title>{}{}</title></g>\n",
            asked ? " asked" : "", Number(px), Number(py - r), Number(r), Number(r), Number(-r),
            Number(r), Number(-r), Number(-r), Number(px + r + 3), Number(py + 4),
            Shown(player.name), Shown(player.name),
            player.tribe.empty() ? std::string() : " – " + Shown(player.tribe));
    }

    std::vector<std::pair<double, double>> labels;
    for (const MapArrow& arrow : arrows) {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (!map.ToPixels(arrow.lines.from[0], arrow.lines.from[1], x0, y0) ||
            !map.ToPixels(arrow.lines.to[0], arrow.lines.to[1], x1, y1)) {
            continue;
        }
        double dx = x1 - x0, dy = y1 - y0;
        const double length = std::hypot(dx, dy);
        if (length > 1e-12) {
            dx /= length;
            dy /= length;
        } else {
            dx = 0;
            dy = 0;
        }
        const double tx = x0 + dx * kArrowPixels, ty = y0 + dy * kArrowPixels;
        const double back = 9, side = 5;
        const std::string color = Css(arrow.lines.color.value_or(Rgb{255, 255, 255}));
        out << fmt::format(
            "<g class=\"arrow\"><title>step {}: arrow drawn for {} from ({}, {}) toward ({}, "
            "{})</title>"
            "<path d=\"M{} {}L{} {}M{} {}L{} {}M{} {}L{} {}\" stroke=\"{}\"/>",
            arrow.step, Shown(arrow.lines.player), Number(arrow.lines.from[0]),
            Number(arrow.lines.from[1]), Number(arrow.lines.to[0]), Number(arrow.lines.to[1]),
            Number(x0), Number(y0), Number(tx), Number(ty), Number(tx), Number(ty),
            Number(tx - back * dx + side * dy), Number(ty - back * dy - side * dx), Number(tx),
            Number(ty), Number(tx - back * dx - side * dy), Number(ty - back * dy + side * dx),
            color);
        if (!arrow.label.empty()) {
            // Arrows drawn from one spot would stack their labels. Each label placed bars at
            // most two steps, so more tries than that cannot be needed.
            double lx = tx + 4, ly = ty - 4;
            for (std::size_t tries = 2 * labels.size();
                 tries > 0 && std::any_of(labels.begin(), labels.end(),
                                          [&](const auto& other) {
                                              return std::fabs(other.first - lx) < 80 &&
                                                     std::fabs(other.second - ly) < 13;
                                          });
                 --tries) {
                ly += 14;
            }
            labels.emplace_back(lx, ly);
            out << fmt::format("<text x=\"{}\" y=\"{}\" fill=\"{}\">{}</text>", Number(lx),
                               Number(ly), Css(arrow.label_color.value_or(Rgb{255, 255, 255})),
                               Shown(arrow.label));
        }
        out << "</g>\n";
    }
    out << "</svg>\n";

    out << "<div class=\"key\">\n<ul class=\"legend\">\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"player\" d=\"M8 2l6 6l-6 6l-6 "
           "-6z\"/></svg> player</li>\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"player asked\" d=\"M8 1l7 7l-7 "
           "7l-7 -7z\"/></svg> player who ran a command</li>\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"arrow-key\" d=\"M2 14L14 2M14 2L7 "
           "4M14 2L12 9\"/></svg> tracking arrow, from where it was drawn (enlarged: the real "
           "one is at most 600 units long)</li>\n";
    for (const auto& [name, index] : tribes) {
        out << fmt::format(
            "<li><svg width=\"16\" height=\"16\"><circle cx=\"8\" cy=\"8\" r=\"4\" "
            "fill=\"{}\" class=\"tamed\"/></svg> tamed, {}</li>\n",
            kTribeColors[index % std::size(kTribeColors)], Shown(name));
    }
    for (const LevelBand& band : kLevelBands) {
        out << fmt::format(
            "<li><svg width=\"16\" height=\"16\"><circle cx=\"8\" cy=\"8\" r=\"3.5\" "
            "fill=\"{}\"/></svg> wild, {}</li>\n",
            band.color, band.label);
    }
    out << fmt::format(
        "<li><svg width=\"16\" height=\"16\"><circle cx=\"8\" cy=\"8\" r=\"3.5\" "
        "fill=\"{}\"/></svg> wild, level unknown</li>\n</ul>\n",
        kUnknownLevel);
    out << fmt::format(
        "<p class=\"meta\">Calibration: longitude origin {}, scale {}; latitude origin {}, "
        "scale {}. {} players, {} creatures.</p>\n",
        FormatNumber(world.calibration.longitude_origin),
        FormatNumber(world.calibration.longitude_scale),
        FormatNumber(world.calibration.latitude_origin),
        FormatNumber(world.calibration.latitude_scale), world.players.size(),
        world.creatures.size());
    out << "</div>\n";
}

constexpr const char* kStyle = R"(
body { font: 15px/1.4 system-ui, sans-serif; margin: 0; background: #f3f1ec; color: #222; }
header, main { max-width: 1100px; margin: 0 auto; padding: 0 16px; }
h1 { font-size: 22px; }
.world { display: flex; flex-wrap: wrap; gap: 16px; align-items: flex-start; }
.map { background: #fff; border: 1px solid #ccc; }
.map .land { fill: #e6eed8; }
.map .grid { stroke: #b9c4a8; stroke-width: 0.6; }
.map .axis { font-size: 10px; fill: #555; }
.map .tamed { stroke: #222; stroke-width: 0.6; }
.map .player path, .legend .player { fill: #fff; stroke: #111; stroke-width: 1.3; }
.map .player.asked path, .legend .player.asked { fill: #ffd400; stroke-width: 2; }
.map .player text { font-size: 11px; fill: #111; paint-order: stroke; stroke: #fff;
                    stroke-width: 3px; }
.map .arrow path { stroke-width: 2.5; fill: none; stroke-linecap: round; }
.map .arrow text { font-size: 12px; font-weight: bold; paint-order: stroke; stroke: #222;
                   stroke-width: 3px; }
.legend { list-style: none; padding: 0; margin: 0; }
.legend li { display: flex; gap: 6px; align-items: center; margin: 2px 0; }
.legend .arrow-key { stroke: #ff5900; stroke-width: 2; fill: none; }
.step { border-top: 1px solid #ddd; padding: 8px 0; }
.step h2 { font-size: 15px; margin: 4px 0; }
.step .n { color: #999; font-weight: normal; }
.comment { color: #666; margin: 2px 0; font-style: italic; }
.screens { display: flex; flex-wrap: wrap; gap: 10px; }
.screen { background: #1d2126; color: #eee; border-radius: 6px; padding: 8px 12px;
          min-width: 300px; max-width: 100%; }
.screen .who { font-size: 11px; color: #9aa; margin-bottom: 4px; }
.note { text-align: center; text-shadow: 0 1px 2px #000; margin: 6px 0;
        white-space: pre-wrap; }
.meta { display: block; font-size: 11px; color: #889; text-shadow: none; }
.label .meta { display: inline; margin-left: 8px; }
.chatbox { background: rgba(0, 0, 0, 0.45); border-left: 3px solid #556; padding: 4px 8px;
           font-size: 14px; }
.chatbox p, .label, .rcon p { margin: 2px 0; }
.rcon p { font-family: monospace; }
details pre { font-size: 11px; white-space: pre-wrap; color: #555; }
)";

}  // namespace

std::string HtmlEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

PageWorld PageWorldOf(const Server& server) {
    PageWorld world;
    if (server.has_world_settings && server.world_settings.override_longitude_and_latitude != 0) {
        world.calibration = server.world_settings;
    }
    for (const auto& player : server.Players()) {
        world.players.push_back(SpecOf(*player));
    }
    for (const auto& creature : server.Creatures()) {
        world.creatures.push_back(SpecOf(*creature));
    }
    return world;
}

void WriteHtmlPage(std::ostream& out, const std::vector<PageStep>& steps, const PageWorld& world,
                   std::string_view title) {
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           // Nothing is fetched: the page holds everything it shows.
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "style-src 'unsafe-inline'; img-src data:\">\n"
           "<link rel=\"icon\" href=\"data:,\">\n<title>"
        << Shown(title) << "</title>\n<style>" << kStyle
        << "</style>\n</head>\n<body>\n<header><h1>" << Shown(title)
        << "</h1></header>\n<main>\n<h2>The world, seen from above</h2>\n"
        << "<div class=\"world\">\n";
    WriteMap(out, steps, world);
    out << "</div>\n<h2>What each command showed</h2>\n";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        WriteStep(out, steps[i], i + 1);
    }
    out << "</main>\n</body>\n</html>\n";
}

}  // namespace sim
