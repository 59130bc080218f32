// The text of one listed creature, line breaks included.
#pragma once

#include <string>

#include "search/search.h"

namespace beastfinder {

// Word searches: level, coordinates, distance and, for wild creatures, colour names.
std::u16string FormatDetailedEntry(const CreatureEntry& entry, SearchMode mode, bool single);
// List-all searches: name and species, and for administrators owner and team.
std::u16string FormatBriefEntry(const CreatureEntry& entry, SearchMode mode);

}  // namespace beastfinder
