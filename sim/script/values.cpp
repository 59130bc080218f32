#include "sim/script/values.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include <fmt/format.h>

#include "config/edit_distance.h"

namespace sim {

namespace fs = std::filesystem;

std::int32_t Int32(std::string_view text, std::string_view what) {
    std::int32_t value = 0;
    if (!ParseNumber(text, value)) {
        throw ScriptError(fmt::format("{}: \"{}\" is not a 32-bit integer", what, text));
    }
    return value;
}

std::uint64_t Id(std::string_view text, std::string_view what) {
    std::uint64_t value = 0;
    if (!ParseNumber(text, value) || value == 0) {
        throw ScriptError(fmt::format("{}: \"{}\" is not a creature id", what, text));
    }
    return value;
}

float Float(std::string_view text, std::string_view what) {
    double value = 0;
    if (!ParseNumber(text, value) || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max()) {
        throw ScriptError(fmt::format("{}: \"{}\" is not a number", what, text));
    }
    return static_cast<float>(value);
}

bool Flag(std::string_view text, std::string_view yes, std::string_view no, std::string_view what) {
    if (text == yes) {
        return true;
    }
    if (text == no) {
        return false;
    }
    throw ScriptError(fmt::format("{}: expected {} or {}, got \"{}\"", what, yes, no, text));
}

SimColor Color(std::string_view text, std::string_view what) {
    float parts[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string_view::npos) != (i == 3)) {
            throw ScriptError(fmt::format("{}: expected r,g,b,a, got \"{}\"", what, text));
        }
        parts[i] = Float(
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start), what);
        start = comma + 1;
    }
    return SimColor{parts[0], parts[1], parts[2], parts[3]};
}

std::string Need(Words& words, std::string_view command, std::string_view what) {
    auto word = words.Next();
    if (!word) {
        throw ScriptError(fmt::format("{}: {} is missing", command, what));
    }
    return *word;
}

void NoMore(Words& words, std::string_view command) {
    if (auto extra = words.Next()) {
        throw ScriptError(fmt::format("{}: unexpected \"{}\"", command, *extra));
    }
}

std::pair<std::string, std::string> KeyValue(const std::string& word, std::string_view command) {
    const auto equals = word.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw ScriptError(fmt::format("{}: expected key=value, got \"{}\"", command, word));
    }
    return {word.substr(0, equals), word.substr(equals + 1)};
}

namespace {

// The keys players and creatures share; false when `key` is none of them.
template <typename Spec>
bool EditShared(Spec& spec, const std::string& key, const std::string& value,
                const std::string& what) {
    if (key == "team") {
        spec.team = Int32(value, what);
    } else if (key == "tribe") {
        spec.tribe = value;
    } else if (key == "x") {
        spec.position.x = Float(value, what);
    } else if (key == "y") {
        spec.position.y = Float(value, what);
    } else if (key == "z") {
        spec.position.z = Float(value, what);
    } else {
        return false;
    }
    return true;
}

}  // namespace

void EditPlayer(PlayerSpec& spec, const std::string& key, const std::string& value) {
    const std::string what = "player " + key;
    if (EditShared(spec, key, value, what)) {
        return;
    }
    if (key == "admin") {
        spec.admin = Flag(value, "true", "false", what);
    } else if (key == "character") {
        spec.character = Flag(value, "present", "none", what);
    } else if (key == "state") {
        spec.pawn_state = Flag(value, "present", "none", what);
    } else if (key == "controller-state") {
        spec.controller_state = Flag(value, "present", "none", what);
    } else {
        throw ScriptError(fmt::format("player: unknown key \"{}\"", key));
    }
}

void EditCreature(CreatureSpec& spec, const std::string& key, const std::string& value) {
    const std::string what = "creature " + key;
    if (EditShared(spec, key, value, what)) {
        return;
    }
    if (key == "name") {
        spec.name = value;
    } else if (key == "species") {
        spec.species = value;
    } else if (key == "owner") {
        spec.owner = value;
    } else if (key == "level") {
        spec.level = Int32(value, what);
    } else if (key == "status") {
        spec.status = Flag(value, "present", "none", what);
    } else if (key.size() == 6 && key.compare(0, 5, "color") == 0 && key[5] >= '0' &&
               key[5] <= '5') {
        spec.colors[static_cast<std::size_t>(key[5] - '0')] = Color(value, what);
    } else {
        throw ScriptError(fmt::format("creature: unknown key \"{}\"", key));
    }
}

std::string ResolvePath(const std::string& base, const std::string& path) {
    const fs::path p(path);
    // Forward slashes on every platform: the path shows in messages that transcripts hold.
    return (p.is_absolute() || base.empty() ? p : fs::path(base) / p)
        .lexically_normal()
        .generic_string();
}

namespace {

char16_t FoldCase(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

std::string Closest(std::string_view word, const std::vector<std::string>& candidates) {
    const std::u16string typed = FromUtf8(word);
    if (typed.empty() || typed.size() > 64 ||
        std::find(candidates.begin(), candidates.end(), word) != candidates.end()) {
        return {};
    }
    const std::size_t limit = typed.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t best_distance = limit + 1;
    for (const std::string& candidate : candidates) {
        const std::u16string wide = FromUtf8(candidate);
        const std::size_t distance = beastfinder::config::EditDistance(
            std::u16string_view(typed), std::u16string_view(wide), limit, FoldCase);
        if (distance < best_distance) {
            best = candidate;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace sim
