#include "search/matching.h"

#include "config/config.h"
#include "host/log.h"
#include "present/coordinates.h"

namespace beastfinder {

namespace {

bool CurrentNameMatches(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    const host::FString name = host::GetCurrentDinoName(creature, context.caller);
    return context.Needle().FoundIn(name.View());
}

}  // namespace

// The host's strings are read in place; the current name has to be fetched (and freed), so
// it is asked for only when neither the owner nor the species decides. "Parse Fail" is
// logged only when all three miss, whatever order they are tried in.
bool detail::TamePathMatches(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    if (context.Needle().FoundIn(CreatureOwnerNameView(creature))) {
        return true;
    }
    const std::u16string_view field = host::DescriptiveName(creature).View();
    const std::u16string_view species = FirstPiece(field, u"(");
    if (!species.empty() && context.Needle().FoundIn(species)) {
        return true;
    }
    if (CurrentNameMatches(context, creature)) {
        return true;
    }
    if (species.empty()) {
        host::Log().info("Parse Fail");
        return context.Needle().FoundIn(field);
    }
    return false;
}

bool detail::WildPathMatches(const NameMatchContext& context, APrimalDinoCharacter* creature) {
    // Administrators find wild creatures by name alone, near or far.
    if (context.CallerIsAdmin()) {
        return CurrentNameMatches(context, creature);
    }
    const WildTrackerConfig& settings = context.wild_settings;

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
    if (settings.MaxLevel != -1 && level > settings.MaxLevel) {
        return false;
    }
    if (settings.MinLevel != -1 && level < settings.MinLevel) {
        return false;
    }

    // The search word turns most creatures away at once; only those it admits are held
    // against the excluded names, however long that list is.
    const host::FString name = host::GetCurrentDinoName(creature, context.caller);
    if (!context.Needle().FoundIn(name.View())) {
        return false;
    }
    for (const host::FString& excluded : settings.ExcludeSearch) {
        if (ContainsIgnoreCase(name.View(), excluded.View())) {
            return false;
        }
    }
    return true;
}

NameMatchContext::NameMatchContext(SearchMode mode, AShooterPlayerController* caller,
                                   const host::Vector3& caller_location,
                                   std::u16string_view search_text, std::int32_t caller_team)
    : wild(mode == SearchMode::Wild),
      admin(mode == SearchMode::Admin),
      caller(caller),
      caller_location(caller_location),
      caller_team(caller_team),
      wild_settings(Config().WildTracker),
      needle_(search_text) {}

bool NameMatchContext::CallerIsAdmin() const {
    if (!caller_is_admin_) {
        AShooterCharacter* character =
            caller != nullptr ? host::GetPlayerCharacter(caller) : nullptr;
        caller_is_admin_ = character != nullptr && host::IsServerAdmin(character);
    }
    return *caller_is_admin_;
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
