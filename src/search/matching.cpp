#include "search/matching.h"

#include "config/config.h"
#include "host/logger.h"
#include "present/coordinates.h"

namespace beastfinder {

namespace {

bool CurrentNameMatches(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    const host::FString name = host::GetCurrentDinoName(creature, context.caller);
    return context.Needle().FoundIn(name.View());
}

// Owner, then current name, then species: the first hit ends it, so the later names are
// fetched only when needed.
bool TamePathMatches(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    if (context.Needle().FoundIn(CreatureOwnerNameView(creature))) {
        return true;
    }
    if (CurrentNameMatches(context, creature)) {
        return true;
    }
    return context.Needle().FoundIn(CreatureSpeciesView(creature));
}

bool WildPathMatches(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    // Administrators find wild creatures by name alone, near or far.
    if (context.CallerIsAdmin()) {
        return CurrentNameMatches(context, creature);
    }
    const WildTrackerConfig& settings = Config().WildTracker;

    USceneComponent* root = host::RootComponent(creature);
    if (root == nullptr) {
        return false;  // nowhere, so never within range
    }
    const float distance = DistanceInMetres(host::RelativeLocation(root), context.caller_location);
    // Written so that a NaN limit admits nothing.
    if (!(settings.MaxDistance >= distance)) {
        return false;
    }

    UPrimalCharacterStatusComponent* status = host::GetCharacterStatusComponent(creature);
    const std::int32_t level = status != nullptr ? host::GetCharacterLevel(status) : 0;
    context.level = level;
    if (settings.MaxLevel != -1 && level > settings.MaxLevel) {
        return false;
    }
    if (settings.MinLevel != -1 && level < settings.MinLevel) {
        return false;
    }

    const host::FString name = host::GetCurrentDinoName(creature, context.caller);
    for (const host::FString& excluded : settings.ExcludeSearch) {
        if (ContainsIgnoreCase(name.View(), excluded.View())) {
            return false;
        }
    }
    return context.Needle().FoundIn(name.View());
}

}  // namespace

NameMatchContext::NameMatchContext(bool wild, AShooterPlayerController* caller, std::int32_t& level,
                                   const host::Vector3& caller_location,
                                   const host::FString& search_text, std::int32_t caller_team,
                                   bool admin)
    : wild(wild),
      caller(caller),
      level(level),
      caller_location(caller_location),
      search_text(search_text),
      caller_team(caller_team),
      admin(admin),
      needle_(search_text.View()) {}

bool NameMatchContext::CallerIsAdmin() const {
    if (!caller_is_admin_) {
        AShooterCharacter* character =
            caller != nullptr ? host::GetPlayerCharacter(caller) : nullptr;
        caller_is_admin_ = character != nullptr && host::IsServerAdmin(character);
    }
    return *caller_is_admin_;
}

bool MatchCreatureName(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    if (creature == nullptr) {
        return false;
    }
    const std::int32_t team = host::TargetingTeam(creature);
    const bool owned_for_admin = context.admin && team > kWildTeamLimit;
    if (!context.wild) {
        return (team == context.caller_team || owned_for_admin) &&
               TamePathMatches(context, creature);
    }
    if (team < kWildTeamLimit) {
        return WildPathMatches(context, creature);
    }
    return owned_for_admin && TamePathMatches(context, creature);
}

std::u16string_view CreatureOwnerNameView(APrimalDinoCharacter* creature) {
    const host::FString& tribe = host::TribeName(creature);
    if (tribe.Count() > 1) {
        return tribe.View();
    }
    return host::OwningPlayerName(creature).View();
}

host::FString CreatureOwnerName(APrimalDinoCharacter* creature) {
    return host::FStringFromWide(CreatureOwnerNameView(creature));
}

std::u16string_view CreatureSpeciesView(APrimalDinoCharacter* creature) {
    const std::u16string_view field = host::DescriptiveName(creature).View();
    const std::u16string_view species = FirstPiece(field, u"(");
    if (species.empty()) {
        host::Log().info("Parse Fail");
        return field;
    }
    return species;
}

host::FString CreatureSpeciesName(APrimalDinoCharacter* creature) {
    return host::FStringFromWide(CreatureSpeciesView(creature));
}

}  // namespace beastfinder
