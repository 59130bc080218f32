#include "search/search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "config/config.h"
#include "config/messages.h"
#include "present/arrow.h"
#include "present/coordinates.h"
#include "present/dye_colors.h"
#include "search/entries.h"
#include "search/matching.h"
#include "search/page.h"
#include "search/teams.h"
#include "search/text.h"

namespace beastfinder {

namespace {

std::int32_t SortLevel(AActor* creature) {
    auto* character = static_cast<APrimalCharacter*>(creature);
    UPrimalCharacterStatusComponent* status = host::MyCharacterStatusComponent(character);
    return status != nullptr ? host::GetCharacterLevel(status) : 0;
}

// The level is read once, while the creature is being looked at anyway, not at each
// comparison of the sort.
struct Match {
    std::int32_t level;
    std::uint32_t position;  // in the host's list
    APrimalDinoCharacter* creature;
};

// Calls `keep` with the team filter of the mode as a separate loop each, so that the walk
// over every creature does not test the mode again for each.
template <typename Keep>
void ForModeFilter(SearchMode mode, std::int32_t requester_team, Keep keep) {
    switch (mode) {
        case SearchMode::Admin:
            keep([](std::int32_t team) { return IsOwnedTeam(team); });
            return;
        case SearchMode::Wild:
            keep([](std::int32_t team) { return IsWildTeam(team); });
            return;
        case SearchMode::Tame:
            keep([requester_team](std::int32_t team) { return team == requester_team; });
            return;
    }
}

CoordinateRule RuleFor(SearchMode mode) {
    switch (mode) {
        case SearchMode::Tame:
            return CoordinateRule::Tame;
        case SearchMode::Wild:
            return CoordinateRule::Wild;
        case SearchMode::Admin:
            return CoordinateRule::Exact;
    }
    return CoordinateRule::Exact;
}

CreatureEntry GatherEntry(APrimalDinoCharacter* creature, AShooterPlayerController* controller,
                          SearchMode mode, bool detailed, const host::Vector3& player_position) {
    CreatureEntry entry;
    entry.name = host::GetCurrentDinoName(creature, controller);
    entry.species = CreatureSpeciesName(creature);
    entry.owner = CreatureOwnerName(creature);
    entry.team = host::TargetingTeam(creature);
    // Names are chosen by players: shown, they must not break lines or open tags.
    ShowAsText(entry.name);
    ShowAsText(entry.species);
    ShowAsText(entry.owner);
    if (!detailed) {
        return entry;
    }
    UPrimalCharacterStatusComponent* status = host::GetCharacterStatusComponent(creature);
    entry.level = status != nullptr ? host::GetCharacterLevel(status) : 0;
    USceneComponent* root = host::RootComponent(creature);
    entry.position = root != nullptr ? host::RelativeLocation(root) : host::Vector3{};
    entry.coordinates = FormatMapCoordinates(ComputeMapCoordinates(entry.position, RuleFor(mode)));
    entry.distance = DistanceInMetres(entry.position, player_position);
    if (mode == SearchMode::Wild) {
        for (std::int32_t region = 0; region < 6; ++region) {
            entry.colors[static_cast<std::size_t>(region)] =
                DyeColorName(host::GetDinoColor(creature, region));
        }
    }
    return entry;
}

// Every creature whose name, species or owner holds the words, in the host's order.
void CollectByWords(AActor* const* listed, std::uint32_t count, const NameMatchContext& context,
                    std::vector<Match>& matches) {
    for (std::uint32_t i = 0; i < count; ++i) {
        auto* creature = static_cast<APrimalDinoCharacter*>(listed[i]);
        if (creature != nullptr && MatchCreatureName(context, creature)) {
            matches.push_back(Match{SortLevel(creature), i, creature});
        }
    }
}

// Every creature of the teams the mode lists, in the host's order.
void CollectByTeam(AActor* const* listed, std::uint32_t count, SearchMode mode,
                   std::int32_t requester_team, std::vector<Match>& matches) {
    ForModeFilter(mode, requester_team, [&](auto admits) {
        for (std::uint32_t i = 0; i < count; ++i) {
            AActor* candidate = listed[i];
            if (candidate != nullptr && admits(host::TargetingTeam(candidate))) {
                matches.push_back(
                    Match{SortLevel(candidate), i, static_cast<APrimalDinoCharacter*>(candidate)});
            }
        }
    });
}

// The creatures the request admits, in the host's order.
std::vector<Match> Collect(UWorld* world, const Caller& caller, const SearchRequest& request,
                           const host::Vector3& caller_position) {
    host::HostArray<AActor*> candidates;
    host::GetAllActorsOfClass(world, host::DinoPrivateStaticClass(), candidates);
    const std::int32_t requester_team =
        request.mode == SearchMode::Admin ? 0 : host::TargetingTeam(caller.character);

    std::vector<Match> matches;
    matches.reserve(static_cast<std::size_t>(candidates.Count() > 0 ? candidates.Count() : 0));
    AActor* const* const listed = candidates.begin();
    const auto count = static_cast<std::uint32_t>(candidates.end() - listed);
    if (request.text.empty()) {
        CollectByTeam(listed, count, request.mode, requester_team, matches);
    } else {
        const NameMatchContext context{request.mode, caller.controller, caller_position,
                                       request.text, requester_team};
        CollectByWords(listed, count, context, matches);
    }
    return matches;
}

// The arrow goes with the one match of a tame or administrator's word search.
void PointArrow(Listing& listing, const host::Vector3& from, const CreatureEntry& entry) {
    host::ResolveFunction(host::Lookup::MulticastDrawDebugLine);
    host::ResolveFunction(host::Lookup::ClientAddFloatingText);
    listing.arrow = true;
    listing.arrow_from = from;
    listing.arrow_to = entry.position;
    listing.arrow_label = entry.name;
}

// The page's entries, put in order, then the footer.
void Render(Listing& listing, std::vector<Match>& matches, const PageCut& cut, const Caller& caller,
            const SearchRequest& request, const host::Vector3& caller_position) {
    OrderPage(matches, static_cast<std::size_t>(cut.first), static_cast<std::size_t>(cut.count));
    const SearchMode mode = request.mode;
    const bool detailed = !request.text.empty();
    const bool single = matches.size() == 1;
    std::u16string& output = listing.text;
    for (std::int64_t i = cut.first; i < cut.first + cut.count; ++i) {
        const CreatureEntry entry = GatherEntry(matches[static_cast<std::size_t>(i)].creature,
                                                caller.controller, mode, detailed, caller_position);
        if (!detailed) {
            output += FormatBriefEntry(entry, mode);
            continue;
        }
        output += FormatDetailedEntry(entry, mode, single);
        if (single && mode != SearchMode::Wild && Config().PremiumSettings.TrackingArrow.Enabled) {
            PointArrow(listing, caller_position, entry);
        }
    }
    if (!cut.footer) {
        return;
    }
    output += u'\n';
    AppendText(output, PlayerText::PageFooter, static_cast<std::int64_t>(matches.size()),
               request.page_index + 1, cut.pages);
    if (mode == SearchMode::Admin) {
        output += u'\n';
        AppendText(output, PlayerText::AdminUsage, host::DecodeUtf8(Config().AdminTracker.Command));
    }
}

}  // namespace

std::optional<Listing> GatherListing(const Caller& caller, const SearchRequest& request) {
    USceneComponent* caller_root = host::RootComponent(caller.character);
    if (caller_root == nullptr) {
        return std::nullopt;
    }
    const host::Vector3 caller_position = host::GetWorldLocation(caller_root);
    UWorld* world = host::CurrentWorld();
    if (world == nullptr) {
        return std::nullopt;
    }
    // Both the listing and "NoDinosFound" are notifications built in host memory, and the
    // creature list is the host's: all of it must go back.
    host::ResolveFunction(host::Lookup::MemoryMalloc);
    host::ResolveFunction(host::Lookup::MemoryFree);
    host::ResolveFunction(host::Lookup::ClientServerNotificationSingle);

    std::vector<Match> matches = Collect(world, caller, request, caller_position);
    const PageCut cut = CutPage(static_cast<std::int64_t>(matches.size()),
                                Config().GlobalSettings.DinosPerPage, request.page_index);
    Listing listing;
    if (cut.count == 0) {
        return listing;
    }
    listing.found = true;
    Render(listing, matches, cut, caller, request, caller_position);
    return listing;
}

void SendListing(AShooterPlayerController* controller, const Listing& listing) {
    if (!listing.found) {
        SendCatalogueMessage(controller, CatalogueMessage::NoDinosFound);
        return;
    }
    // The arrow is drawn before the listing is sent, as the player has always seen it.
    if (listing.arrow) {
        const TrackingArrowConfig& arrow = Config().PremiumSettings.TrackingArrow;
        DrawTrackingArrow(controller, listing.arrow_from, listing.arrow_to, arrow.DisplayTime,
                          arrow.Color, listing.arrow_label);
    }
    const GlobalSettingsConfig& global = Config().GlobalSettings;
    NotifyPlayer(controller, global.TextColor, global.DisplayScale, global.DisplayTime,
                 listing.text);
}

void SearchCreatures(const Caller& caller, const SearchRequest& request) {
    if (const auto listing = GatherListing(caller, request)) {
        SendListing(caller.controller, *listing);
    }
}

}  // namespace beastfinder
