#include "sim/views/html_page.h"

#include <algorithm>

#include <fmt/format.h>

#include "sim/views/html_map.h"
#include "sim/views/html_text.h"
#include "sim/views/output.h"
#include "sim/views/render.h"

namespace sim {

namespace {

using html::Css;
using html::Number;
using html::Shown;

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
    out << fmt::format("<section class=\"step{}\" id=\"step-{}\">\n",
                       step.switched_to.empty() ? "" : " switch", number);
    for (const std::string& comment : step.comments) {
        out << "<p class=\"comment\">" << Shown(comment) << "</p>\n";
    }
    if (step.switched_to.empty()) {
        out << fmt::format("<h2><span class=\"n\">{}</span> <code>{}</code></h2>\n", number,
                           Shown(step.command));
    } else {
        out << fmt::format(
            "<h2><span class=\"n\">{}</span> <code>{}</code>: from now on, lines are {}'s "
            "chat</h2>\n",
            number, Shown(step.command), Shown(step.switched_to));
    }
    if (!step.error.empty()) {
        out << "<p class=\"error\">error: " << Shown(step.error) << "</p>\n";
    }
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
.map .name { font-size: 11px; fill: #111; paint-order: stroke; stroke: #fff;
             stroke-width: 3px; }
.map .arrow .shaft { stroke-width: 2.5; fill: none; stroke-linecap: round; }
.map .arrow .head { stroke: #222; stroke-width: 0.8; }
.map .arrow .to-target { stroke-width: 1.6; stroke-dasharray: 6 4; fill: none; }
.map .arrow .target { fill: none; stroke-width: 2; }
.map .arrow text { font-size: 12px; font-weight: bold; paint-order: stroke; stroke: #222;
                   stroke-width: 3px; }
.legend { list-style: none; padding: 0; margin: 0; }
.legend li { display: flex; gap: 6px; align-items: center; margin: 2px 0; }
.legend .arrow-key { stroke: #ff5900; stroke-width: 2; fill: none; }
.legend .arrow-key.dashed { stroke-width: 1.6; stroke-dasharray: 3 2; }
.legend .arrow-head { fill: #ff5900; stroke: #222; stroke-width: 0.8; }
.legend .target-key { fill: none; stroke: #ff5900; stroke-width: 1.6; }
.step .error { color: #b00020; font-family: monospace; margin: 4px 0; }
.step.switch h2 { font-weight: normal; color: #555; }
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
