#include "search/entries.h"

#include <fmt/format.h>
#include <fmt/xchar.h>

#include "config/config.h"
#include "config/messages.h"
#include "host/fstring.h"
#include "search/text.h"

namespace beastfinder {

namespace {

using host::WidenBytes;

// Whole metres, printed as printf's %g would.
std::u16string Metres(float distance) {
    return fmt::format(u"{:g}", static_cast<double>(distance));
}

bool NameContainsSpecies(const CreatureEntry& entry) {
    return ContainsIgnoreCase(entry.name.View(), entry.species.View());
}

// An entry is its pieces in a fixed order; a piece the mode or a setting hides is left out
// rather than cut out afterwards, so a name that happens to hold a piece's text stays whole.
class EntryText {
  public:
    explicit EntryText(const CreatureEntry& entry) : entry_(entry), text_(entry.name.View()) {}

    EntryText& Species() {
        AppendText(text_, PlayerText::EntrySpecies, entry_.species.View());
        return *this;
    }
    EntryText& SpeciesUnlessNamed() { return NameContainsSpecies(entry_) ? *this : Species(); }
    EntryText& Level() {
        AppendText(text_, PlayerText::EntryLevel, entry_.level);
        return *this;
    }
    EntryText& Coordinates() {
        AppendText(text_, PlayerText::EntryCoordinates, entry_.coordinates);
        return *this;
    }
    EntryText& Owner() {
        AppendText(text_, PlayerText::EntryOwner, entry_.owner.View(), entry_.team);
        return *this;
    }
    EntryText& Distance() {
        AppendText(text_, PlayerText::EntryDistance, Metres(entry_.distance));
        return *this;
    }
    EntryText& Colors() {
        const auto& c = entry_.colors;
        AppendText(text_, PlayerText::EntryColors, WidenBytes(c[0]), WidenBytes(c[1]),
                   WidenBytes(c[2]), WidenBytes(c[3]), WidenBytes(c[4]), WidenBytes(c[5]));
        return *this;
    }
    std::u16string End(std::u16string_view layout) {
        text_ += layout;
        return std::move(text_);
    }

  private:
    const CreatureEntry& entry_;
    std::u16string text_;
};

// A single wild match always shows its level and colours; a list only when configured.
std::u16string WildLine(const CreatureEntry& entry, bool single) {
    const WildTrackerConfig& wild = Config().WildTracker;
    EntryText text(entry);
    if (single || wild.ShowLevel) {
        text.Level();
    }
    text.Coordinates();
    if (wild.ShowDistance) {
        text.Distance();
    }
    if (single || wild.ShowColors) {
        text.Colors();
    }
    return text.End(single ? u"" : u"\n");
}

std::u16string TameLine(const CreatureEntry& entry) {
    const TameTrackerConfig& tame = Config().TameTracker;
    EntryText text(entry);
    text.SpeciesUnlessNamed();
    if (tame.ShowLevel) {
        text.Level();
    }
    text.Coordinates();
    if (tame.ShowDistance) {
        text.Distance();
    }
    return text.End(u"\n\n");
}

std::u16string AdminLine(const CreatureEntry& entry) {
    return EntryText(entry).SpeciesUnlessNamed().Level().Coordinates().Owner().Distance().End(
        u"\n\n");
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
        // The species shows even when the name holds it.
        return EntryText(entry).Species().Owner().End(u" \n");
    }
    return EntryText(entry).SpeciesUnlessNamed().End(u"\n");
}

}  // namespace beastfinder
