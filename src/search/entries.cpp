#include "search/entries.h"

#include <fmt/format.h>
#include <fmt/xchar.h>

#include "config/config.h"
#include "host/fstring.h"
#include "search/text.h"

namespace beastfinder {

namespace {

using host::WidenBytes;

// Whole metres, printed as printf's %g would.
std::u16string Metres(float distance) {
    return fmt::format(u"{:g}", static_cast<double>(distance));
}

void TakeOut(std::u16string& line, const std::u16string& piece) {
    host::FString text = host::FStringFromWide(line);
    if (RemoveAllIgnoreCase(text, piece) > 0) {
        line = text.View();
    }
}

std::u16string LevelPiece(const CreatureEntry& entry) {
    return fmt::format(u" (lvl {})", entry.level);
}

std::u16string DistancePiece(const CreatureEntry& entry) {
    return fmt::format(u" - Distance: {} m", Metres(entry.distance));
}

std::u16string SpeciesPiece(const CreatureEntry& entry) {
    return fmt::format(u" ({})", entry.species.View());
}

bool NameContainsSpecies(const CreatureEntry& entry) {
    return ContainsIgnoreCase(entry.name.View(), entry.species.View());
}

std::u16string WildLine(const CreatureEntry& entry, bool single) {
    const WildTrackerConfig& wild = Config().WildTracker;
    const auto& c = entry.colors;
    std::u16string line = fmt::format(
        u"{} (lvl {}) - {} - Distance: {} m - Colors: ({} {} {} {} {} {})", entry.name.View(),
        entry.level, WidenBytes(entry.coordinates), Metres(entry.distance), WidenBytes(c[0]),
        WidenBytes(c[1]), WidenBytes(c[2]), WidenBytes(c[3]), WidenBytes(c[4]), WidenBytes(c[5]));
    if (!single) {
        if (!wild.ShowColors) {
            TakeOut(line, fmt::format(u" - Colors: ({} {} {} {} {} {})", WidenBytes(c[0]),
                                      WidenBytes(c[1]), WidenBytes(c[2]), WidenBytes(c[3]),
                                      WidenBytes(c[4]), WidenBytes(c[5])));
        }
        if (!wild.ShowLevel) {
            TakeOut(line, LevelPiece(entry));
        }
    }
    if (!wild.ShowDistance) {
        TakeOut(line, DistancePiece(entry));
    }
    return single ? line : line + u"\n";
}

std::u16string TameLine(const CreatureEntry& entry) {
    const TameTrackerConfig& tame = Config().TameTracker;
    std::u16string line = fmt::format(u"{} ({}) (lvl {}) - {} - Distance: {} m\n",
                                      entry.name.View(), entry.species.View(), entry.level,
                                      WidenBytes(entry.coordinates), Metres(entry.distance));
    if (NameContainsSpecies(entry)) {
        TakeOut(line, SpeciesPiece(entry));
    }
    if (!tame.ShowDistance) {
        TakeOut(line, DistancePiece(entry));
    }
    if (!tame.ShowLevel) {
        TakeOut(line, LevelPiece(entry));
    }
    return line + u"\n";
}

std::u16string AdminLine(const CreatureEntry& entry) {
    std::u16string line =
        fmt::format(u"{} ({}) (lvl {}) - {} - {} ({}) - Distance: {} m\n", entry.name.View(),
                    entry.species.View(), entry.level, WidenBytes(entry.coordinates),
                    entry.owner.View(), entry.team, Metres(entry.distance));
    if (NameContainsSpecies(entry)) {
        TakeOut(line, SpeciesPiece(entry));
    }
    return line + u"\n";
}

}  // namespace

std::u16string FormatDetailedEntry(const CreatureEntry& entry, SearchMode mode, bool single) {
    switch (mode) {
        case SearchMode::Wild:
            return WildLine(entry, single);
        case SearchMode::Tame:
            return TameLine(entry);
        case SearchMode::Admin:
            return AdminLine(entry);
    }
    return {};
}

std::u16string FormatBriefEntry(const CreatureEntry& entry, SearchMode mode) {
    if (mode == SearchMode::Admin) {
        return fmt::format(u"{} ({}) - {} ({}) \n", entry.name.View(), entry.species.View(),
                           entry.owner.View(), entry.team);
    }
    if (NameContainsSpecies(entry)) {
        return fmt::format(u"{}\n", entry.name.View());
    }
    return fmt::format(u"{} ({})\n", entry.name.View(), entry.species.View());
}

}  // namespace beastfinder
