// Whether a creature belongs in a word search, and the species and owner names.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "config/config.h"
#include "host/fstring.h"
#include "host/game.h"
#include "host/values.h"
#include "search/request.h"
#include "search/teams.h"
#include "search/text.h"

namespace beastfinder {

// What one word search hands to MatchCreatureName with every creature.
class NameMatchContext {
  public:
    NameMatchContext(SearchMode mode, AShooterPlayerController* caller,
                     const host::Vector3& caller_location, std::u16string_view search_text,
                     std::int32_t caller_team);

    // The mode as two flags: the walk over every creature tests them, not the mode.
    const bool wild;
    const bool admin;
    AShooterPlayerController* const caller;
    const host::Vector3 caller_location;
    const std::int32_t caller_team;

    const WildTrackerConfig& wild_settings;  // read once: the config cannot change mid-search

    // The search text upper-cased, prepared once for the whole search.
    const FoldedNeedle& Needle() const noexcept { return needle_; }
    // Read from the caller's character at first need and kept for the search.
    bool CallerIsAdmin() const;

  private:
    FoldedNeedle needle_;
    mutable std::optional<bool> caller_is_admin_;
};

namespace detail {
bool TamePathMatches(const NameMatchContext& context, APrimalDinoCharacter* creature);
bool WildPathMatches(const NameMatchContext& context, APrimalDinoCharacter* creature);
}  // namespace detail

// True when the creature is of the kind the search admits and one of its names contains
// the search text, ignoring case. Inline: most creatures are turned away by their team.
inline bool MatchCreatureName(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    if (creature == nullptr) {
        return false;
    }
    const std::int32_t team = host::TargetingTeam(creature);
    const bool owned_for_admin = context.admin && IsOwnedTeam(team);
    if (!context.wild) {
        return (team == context.caller_team || owned_for_admin) &&
               detail::TamePathMatches(context, creature);
    }
    if (IsWildTeam(team)) {
        return detail::WildPathMatches(context, creature);
    }
    return owned_for_admin && detail::TamePathMatches(context, creature);
}

// The tribe name when it holds a character, else the owning player's name. The view
// points into the creature's own storage.
std::u16string_view CreatureOwnerNameView(APrimalDinoCharacter* creature);
host::FString CreatureOwnerName(APrimalDinoCharacter* creature);

// The descriptive name up to its first "(" (leading "(" skipped). A name with no such
// piece is logged as "Parse Fail" and returned whole. The view points into the creature.
std::u16string_view CreatureSpeciesView(APrimalDinoCharacter* creature);
host::FString CreatureSpeciesName(APrimalDinoCharacter* creature);

}  // namespace beastfinder
