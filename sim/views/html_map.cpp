#include "sim/views/html_map.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "search/teams.h"
#include "sim/views/html_page.h"
#include "sim/views/html_text.h"
#include "sim/views/output.h"

namespace sim {

namespace {

using html::Css;
using html::Number;
using html::Shown;

constexpr double kMapPixels = 800;
constexpr double kMargin = 36;

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

// A round grid step: a power of ten that leaves at most 20 lines. Bounded for any span a
// double can hold; a span that is not finite gets the map's own.
double GridStep(double span) {
    if (!std::isfinite(span) || span <= 0) {
        return 10;
    }
    double step = 10;
    while (span / step > 20 && std::isfinite(step * 10)) {
        step *= 10;
    }
    return step;
}

// The map's own square, widened to hold every point given.
Projection FitMap(const SimWorldSettings& calibration,
                  const std::vector<std::pair<double, double>>& points) {
    Projection map{calibration};
    double min_lon = 0, max_lon = 100, min_lat = 0, max_lat = 100;
    for (const auto& [x, y] : points) {
        double lon = 0, lat = 0;
        if (map.ToMap(x, y, lon, lat)) {
            min_lon = std::min(min_lon, lon);
            max_lon = std::max(max_lon, lon);
            min_lat = std::min(min_lat, lat);
            max_lat = std::max(max_lat, lat);
        }
    }
    const double step = GridStep(std::max(max_lon - min_lon, max_lat - min_lat));
    map.left = std::floor(std::min(min_lon, min_lat) / step) * step;
    map.top = map.left;
    map.span = std::ceil(std::max(max_lon, max_lat) / step) * step - map.left;
    if (!std::isfinite(map.span) || map.span <= 0) {
        map.left = map.top = 0;
        map.span = 100;
    }
    map.pixels_per_degree = kMapPixels / map.span;
    return map;
}

constexpr const char* kTribeColors[] = {"#1f77b4", "#2ca02c", "#9467bd", "#17becf",
                                        "#e377c2", "#8c564b", "#bcbd22", "#7f7f7f"};

// Wild creatures by level, light to dark as they grow dangerous; every one stands out from
// the land (at least 3:1 against it), so the weakest are as easy to find as the strongest.
struct LevelBand {
    std::int32_t up_to;
    const char* color;
    const char* label;
};
constexpr LevelBand kLevelBands[] = {{30, "#a16207", "level 1–30"},
                                     {60, "#c2410c", "level 31–60"},
                                     {90, "#b91c1c", "level 61–90"},
                                     {120, "#9d174d", "level 91–120"},
                                     {INT32_MAX, "#3b0764", "level 121 and up"}};
constexpr const char* kUnknownLevel = "#6b6b6b";

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

struct MapArrow {
    ArrowLines lines;
    std::string label;
    std::optional<Rgb> label_color;
    std::optional<ArrowTarget> target;
    std::size_t step = 0;
};

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
            MapArrow arrow{*lines, {}, std::nullopt, std::nullopt, s + 1};
            // The label the plugin floats over this arrow follows its lines.
            for (std::size_t j = i + covered; j < effects.size(); ++j) {
                if (effects[j].type == "floating-text" &&
                    effects[j].Text("player") == lines->player) {
                    arrow.label = effects[j].Text("text");
                    arrow.label_color = ParseByteColor(effects[j].Text("color"));
                    break;
                }
            }
            if (const ArrowTarget* target =
                    FindArrowTarget(arrow.lines, arrow.label, steps[s].arrow_targets)) {
                arrow.target = *target;
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

// Labels on the map, each put in the first of a fixed set of spots around its anchor that
// overlaps none placed before and lies on the map; a label with no free spot is left out
// (its marker's tooltip still names it). A fixed number of tries per label, whatever the
// coordinates.
class LabelLayout {
  public:
    explicit LabelLayout(double size) : size_(size) {}

    struct Spot {
        double x = 0, y = 0;  // the text's start, on its baseline
    };

    // `clearance` keeps the label off the marker it names.
    std::optional<Spot> Place(double x, double y, double width, double height, double clearance) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            return std::nullopt;
        }
        for (int ring = 0; ring < kRings; ++ring) {
            const double gap = clearance + ring * (height + 2);
            // Right, left, above, below, then the corners.
            const Box boxes[] = {
                {x + gap, y - height / 2, width, height},
                {x - gap - width, y - height / 2, width, height},
                {x - width / 2, y - gap - height, width, height},
                {x - width / 2, y + gap, width, height},
                {x + gap, y - gap - height, width, height},
                {x + gap, y + gap, width, height},
                {x - gap - width, y - gap - height, width, height},
                {x - gap - width, y + gap, width, height},
            };
            for (const Box& box : boxes) {
                if (Free(box)) {
                    placed_.push_back(box);
                    return Spot{box.x, box.y + height * 0.8};
                }
            }
        }
        return std::nullopt;
    }

  private:
    struct Box {
        double x, y, width, height;
    };
    static constexpr int kRings = 4;

    bool Free(const Box& box) const {
        if (!(box.x >= 0 && box.y >= 0 && box.x + box.width <= size_ &&
              box.y + box.height <= size_)) {
            return false;
        }
        return std::none_of(placed_.begin(), placed_.end(), [&](const Box& other) {
            return box.x < other.x + other.width && other.x < box.x + box.width &&
                   box.y < other.y + other.height && other.y < box.y + box.height;
        });
    }

    double size_;
    std::vector<Box> placed_;
};

// About how wide a label is drawn: an average glyph of the font, per character.
double TextWidth(std::string_view utf8, double font_size) {
    std::size_t characters = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++characters;
        }
    }
    return static_cast<double>(characters) * font_size * 0.62;
}

// Every point the map must hold: players, creatures, the arrows and what they point at.
std::vector<std::pair<double, double>> MapPoints(const std::vector<MapArrow>& arrows,
                                                 const PageWorld& world) {
    std::vector<std::pair<double, double>> points;
    for (const PlayerSpec& player : world.players) {
        points.emplace_back(player.position.x, player.position.y);
    }
    for (const CreatureSpec& creature : world.creatures) {
        points.emplace_back(creature.position.x, creature.position.y);
    }
    for (const MapArrow& arrow : arrows) {
        points.emplace_back(arrow.lines.from[0], arrow.lines.from[1]);
        points.emplace_back(arrow.lines.to[0], arrow.lines.to[1]);
        if (arrow.target) {
            points.emplace_back(arrow.target->position[0], arrow.target->position[1]);
        }
    }
    return points;
}

// The grid with its longitude and latitude marks.
void WriteGrid(std::ostream& out, const Projection& map, double size) {
    const double step = GridStep(map.span);
    for (int line = 0; line <= 20; ++line) {
        const double value = map.left + line * step;
        if (value > map.left + map.span * (1 + 1e-12)) {
            break;
        }
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
}

// Each tribe's place in the colours of tamed creatures, by name.
std::map<std::string, std::size_t> TribeColors(const PageWorld& world) {
    std::map<std::string, std::size_t> tribes;
    for (const CreatureSpec& creature : world.creatures) {
        if (beastfinder::IsOwnedTeam(creature.team)) {
            tribes.emplace(TribeName(creature), tribes.size());
        }
    }
    return tribes;
}

void WriteCreatures(std::ostream& out, const Projection& map, const PageWorld& world,
                    std::map<std::string, std::size_t>& tribes) {
    for (const CreatureSpec& creature : world.creatures) {
        double px = 0, py = 0;
        if (!map.ToPixels(creature.position.x, creature.position.y, px, py)) {
            continue;
        }
        const bool tamed = beastfinder::IsOwnedTeam(creature.team);
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
}

// The players' markers, larger for those who ran a command; their names, returned, go on top.
std::string WritePlayers(std::ostream& out, const Projection& map, const PageWorld& world,
                         const std::vector<PageStep>& steps, LabelLayout& labels) {
    std::set<std::string> askers;
    for (const PageStep& step_record : steps) {
        if (!step_record.player.empty()) {
            askers.insert(step_record.player);
        }
    }
    std::string names;
    for (const PlayerSpec& player : world.players) {
        double px = 0, py = 0;
        if (!map.ToPixels(player.position.x, player.position.y, px, py)) {
            continue;
        }
        const bool asked = askers.count(player.name) != 0;
        const double r = asked ? 7 : 5.5;
        out << fmt::format(
            "<g class=\"marker player{}\"><path d=\"M{} {}l{} {}l{} {}l{} {}z\"/>"
            "<title>{}{}</title></g>\n",
            asked ? " asked" : "", Number(px), Number(py - r), Number(r), Number(r), Number(-r),
            Number(r), Number(-r), Number(-r), Shown(player.name),
            player.tribe.empty() ? std::string() : " – " + Shown(player.tribe));
        if (const auto spot = labels.Place(px, py, TextWidth(player.name, 11), 12, r + 2)) {
            names += fmt::format("<text class=\"name\" x=\"{}\" y=\"{}\">{}</text>\n",
                                 Number(spot->x), Number(spot->y), Shown(player.name));
        }
    }
    return names;
}

void WriteArrowTitle(std::ostream& out, const MapArrow& arrow) {
    const std::string target_name = arrow.target ? fmt::format(", pointing at {} (creature {})",
                                                               arrow.target->name, arrow.target->id)
                                                 : std::string();
    out << fmt::format(
        "<g class=\"arrow\"><title>step {}: arrow drawn for {} from ({}, {}) to ({}, {}){}"
        "</title>",
        arrow.step, Shown(arrow.lines.player), Number(arrow.lines.from[0]),
        Number(arrow.lines.from[1]), Number(arrow.lines.to[0]), Number(arrow.lines.to[1]),
        Shown(target_name));
}

struct Pixel {
    double x = 0, y = 0;
};

// The shaft where the plugin drew it, a few pixels at most at map scale; the head at its tip
// is drawn at a readable size, pointing the way the arrow points (towards its target when
// the shaft is too short to tell).
void WriteShaftAndHead(std::ostream& out, Pixel from, Pixel tip, const std::optional<Pixel>& target,
                       const std::string& color) {
    double dx = tip.x - from.x, dy = tip.y - from.y;
    double length = std::hypot(dx, dy);
    if (!(length > 1e-9) && target) {
        dx = target->x - tip.x;
        dy = target->y - tip.y;
        length = std::hypot(dx, dy);
    }
    out << fmt::format("<path class=\"shaft\" d=\"M{} {}L{} {}\" stroke=\"{}\"/>", Number(from.x),
                       Number(from.y), Number(tip.x), Number(tip.y), color);
    if (length > 1e-9 && std::isfinite(length)) {
        dx /= length;
        dy /= length;
        const double back = 10, side = 5;
        out << fmt::format("<path class=\"head\" d=\"M{} {}L{} {}L{} {}z\" fill=\"{}\"/>",
                           Number(tip.x), Number(tip.y), Number(tip.x - back * dx + side * dy),
                           Number(tip.y - back * dy - side * dx),
                           Number(tip.x - back * dx - side * dy),
                           Number(tip.y - back * dy + side * dx), color);
    }
}

void WriteArrow(std::ostream& out, const Projection& map, const MapArrow& arrow,
                LabelLayout& labels) {
    Pixel from, tip;
    if (!map.ToPixels(arrow.lines.from[0], arrow.lines.from[1], from.x, from.y) ||
        !map.ToPixels(arrow.lines.to[0], arrow.lines.to[1], tip.x, tip.y)) {
        return;
    }
    const std::string color = Css(arrow.lines.color.value_or(Rgb{255, 255, 255}));
    WriteArrowTitle(out, arrow);
    std::optional<Pixel> target;
    if (Pixel at; arrow.target &&
                  map.ToPixels(arrow.target->position[0], arrow.target->position[1], at.x, at.y)) {
        target = at;
        out << fmt::format(
            "<path class=\"to-target\" d=\"M{} {}L{} {}\" stroke=\"{}\"/>"
            "<circle class=\"target\" cx=\"{}\" cy=\"{}\" r=\"6\" stroke=\"{}\"/>",
            Number(tip.x), Number(tip.y), Number(at.x), Number(at.y), color, Number(at.x),
            Number(at.y), color);
    }
    WriteShaftAndHead(out, from, tip, target, color);
    if (!arrow.label.empty()) {
        const Pixel anchor = target.value_or(tip);
        if (const auto spot =
                labels.Place(anchor.x, anchor.y, TextWidth(arrow.label, 12) + 4, 14, 8)) {
            out << fmt::format("<text x=\"{}\" y=\"{}\" fill=\"{}\">{}</text>", Number(spot->x),
                               Number(spot->y), Css(arrow.label_color.value_or(Rgb{255, 255, 255})),
                               Shown(arrow.label));
        }
    }
    out << "</g>\n";
}

// The legend and the calibration below the map.
void WriteKey(std::ostream& out, const PageWorld& world,
              const std::map<std::string, std::size_t>& tribes) {
    out << "<div class=\"key\">\n<ul class=\"legend\">\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"player\" d=\"M8 2l6 6l-6 6l-6 "
           "-6z\"/></svg> player</li>\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"player asked\" d=\"M8 1l7 7l-7 "
           "7l-7 -7z\"/></svg> player who ran a command</li>\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"arrow-key\" d=\"M1 15L10 6\"/>"
           "<path class=\"arrow-head\" d=\"M13 3L5 6L10 11z\"/></svg> tracking arrow where it "
           "was drawn (the real one is at most 600 units long; its head is enlarged)</li>\n"
           "<li><svg width=\"16\" height=\"16\"><path class=\"arrow-key dashed\" d=\"M1 15L11 "
           "5\"/><circle class=\"target-key\" cx=\"11\" cy=\"5\" r=\"4\"/></svg> the creature "
           "the arrow points at</li>\n";
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

}  // namespace

std::optional<double> OffArrowLine(const ArrowLines& arrow, const double (&position)[3]) {
    double to_tip[3];
    double along[3];
    for (int i = 0; i < 3; ++i) {
        to_tip[i] = position[i] - arrow.to[i];
        along[i] = arrow.to[i] - arrow.from[i];
    }
    const double magnitude = std::hypot(position[0], position[1], position[2]);
    // The plugin computes in floats: allow their rounding at this distance from the origin.
    const auto tolerance = [&](double distance) {
        return 0.5 + 1e-5 * (magnitude + std::fabs(distance));
    };
    const double at_tip = std::hypot(to_tip[0], to_tip[1], to_tip[2]);
    if (!std::isfinite(at_tip) || !std::isfinite(magnitude)) {
        return std::nullopt;
    }
    // A target nearer than the arrow's full length is exactly at its tip.
    if (at_tip <= tolerance(0)) {
        return at_tip;
    }
    const double length = std::hypot(along[0], along[1], along[2]);
    if (!(length > 1e-6) || !std::isfinite(length)) {
        return std::nullopt;
    }
    double t = 0;
    for (int i = 0; i < 3; ++i) {
        t += to_tip[i] * along[i] / length;
    }
    if (t < 0) {
        return std::nullopt;  // a far target lies beyond the tip, never before it
    }
    double off = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = to_tip[i] - t * along[i] / length;
        off += d * d;
    }
    off = std::sqrt(off);
    if (off > tolerance(t + length)) {
        return std::nullopt;
    }
    return off;
}

const ArrowTarget* FindArrowTarget(const ArrowLines& arrow, std::string_view label,
                                   std::span<const ArrowTarget> candidates) {
    const ArrowTarget* best = nullptr;
    bool best_named = false;
    double best_off = 0;
    for (const ArrowTarget& candidate : candidates) {
        const std::optional<double> off = OffArrowLine(arrow, candidate.position);
        if (!off) {
            continue;
        }
        const bool named = candidate.name == label;
        if (best == nullptr || (named && !best_named) || (named == best_named && *off < best_off)) {
            best = &candidate;
            best_named = named;
            best_off = *off;
        }
    }
    return best;
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

void WriteMap(std::ostream& out, const std::vector<PageStep>& steps, const PageWorld& world) {
    const std::vector<MapArrow> arrows = ArrowsOf(steps);
    const Projection map = FitMap(world.calibration, MapPoints(arrows, world));
    const double size = kMapPixels + 2 * kMargin;
    out << fmt::format(
        "<svg class=\"map\" xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{0}\" "
        "viewBox=\"0 0 {0} {0}\" role=\"img\" aria-label=\"map of the world\">\n",
        Number(size));
    out << fmt::format("<rect x=\"{0}\" y=\"{0}\" width=\"{1}\" height=\"{1}\" class=\"land\"/>\n",
                       kMargin, kMapPixels);
    WriteGrid(out, map, size);
    std::map<std::string, std::size_t> tribes = TribeColors(world);
    WriteCreatures(out, map, world, tribes);
    LabelLayout labels(size);
    const std::string names = WritePlayers(out, map, world, steps, labels);
    for (const MapArrow& arrow : arrows) {
        WriteArrow(out, map, arrow, labels);
    }
    // Names over everything else, so no marker hides one.
    out << names << "</svg>\n";
    WriteKey(out, world, tribes);
}

}  // namespace sim
