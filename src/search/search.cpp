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
#include "search/text.h"

namespace beastfinder {

namespace {

constexpr std::int32_t kTamedTeamFloor = 50000;

// The request read from the chat line: a page index and the words to look for.
struct Request {
    std::int64_t page_index = 0;
    host::FString text;  // empty: list everything the mode admits
};

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Reads a page number as the standard stoi does: leading white space, a sign, then digits up
// to the first other character. Empty when no digit can be read or it leaves the 32-bit range.
std::optional<std::int32_t> ReadPageNumber(std::u16string_view word) {
    std::size_t i = 0;
    while (i < word.size() && IsSpace(word[i])) {
        ++i;
    }
    bool negative = false;
    if (i < word.size() && (word[i] == u'+' || word[i] == u'-')) {
        negative = word[i] == u'-';
        ++i;
    }
    const std::size_t first_digit = i;
    std::int64_t value = 0;
    while (i < word.size() && word[i] >= u'0' && word[i] <= u'9') {
        value = value * 10 + (word[i] - u'0');
        if (value > static_cast<std::int64_t>(INT32_MAX) + 1) {
            return std::nullopt;
        }
        ++i;
    }
    if (i == first_digit) {
        return std::nullopt;
    }
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

Request ReadRequest(const host::FString& message) {
    Request request;
    const host::HostArray<host::FString> words = SplitAtDelimiter(message, u" ");
    std::int32_t last = words.Count();  // one past the last search word
    if (last <= 1) {
        return request;
    }
    if (const auto page = ReadPageNumber(words[last - 1].View())) {
        // A page below the first lists the first.
        request.page_index = std::max<std::int64_t>(0, static_cast<std::int64_t>(*page) - 1);
        --last;
    }
    std::u16string text;
    for (std::int32_t i = 1; i < last; ++i) {
        if (i > 1) {
            text += u' ';
        }
        text += words[i].View();
    }
    request.text = host::FStringFromOwnedWide(std::move(text));
    return request;
}

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
            keep([](std::int32_t team) { return team > kTamedTeamFloor; });
            return;
        case SearchMode::Wild:
            keep([](std::int32_t team) { return team < kTamedTeamFloor; });
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

}  // namespace

std::optional<Listing> GatherListing(AShooterPlayerController* controller,
                                     const host::FString& message, bool wild, bool admin) {
    if (controller == nullptr) {
        return std::nullopt;
    }
    AShooterCharacter* character = host::GetPlayerCharacter(controller);
    if (character == nullptr || host::PawnPlayerState(character) == nullptr) {
        return std::nullopt;
    }
    USceneComponent* player_root = host::RootComponent(character);
    if (player_root == nullptr) {
        return std::nullopt;
    }
    const host::Vector3 player_position = host::GetWorldLocation(player_root);
    UWorld* world = host::CurrentWorld();
    if (world == nullptr) {
        return std::nullopt;
    }
    // Both the listing and "NoDinosFound" are notifications built in host memory, and the
    // creature list is the host's: all of it must go back.
    host::ResolveFunction(host::Lookup::MemoryMalloc);
    host::ResolveFunction(host::Lookup::MemoryFree);
    host::ResolveFunction(host::Lookup::ClientServerNotificationSingle);
    const SearchMode mode = wild ? SearchMode::Wild : admin ? SearchMode::Admin : SearchMode::Tame;
    const Request request = ReadRequest(message);
    const bool word_search = !request.text.Empty();

    host::HostArray<AActor*> candidates;
    host::GetAllActorsOfClass(world, host::DinoPrivateStaticClass(), candidates);
    const std::int32_t requester_team = admin ? 0 : host::TargetingTeam(character);

    std::vector<Match> matches;
    matches.reserve(static_cast<std::size_t>(candidates.Count() > 0 ? candidates.Count() : 0));
    AActor* const* const listed_first = candidates.begin();
    const auto count = static_cast<std::uint32_t>(candidates.end() - listed_first);
    if (word_search) {
        std::int32_t level_slot = 0;
        NameMatchContext context{wild,         controller,     level_slot, player_position,
                                 request.text, requester_team, admin};
        for (std::uint32_t i = 0; i < count; ++i) {
            auto* creature = static_cast<APrimalDinoCharacter*>(listed_first[i]);
            if (creature != nullptr && MatchCreatureName(context, creature)) {
                matches.push_back(Match{SortLevel(creature), i, creature});
            }
        }
    } else {
        ForModeFilter(mode, requester_team, [&](auto admits) {
            for (std::uint32_t i = 0; i < count; ++i) {
                AActor* candidate = listed_first[i];
                if (candidate != nullptr && admits(host::TargetingTeam(candidate))) {
                    matches.push_back(Match{SortLevel(candidate), i,
                                            static_cast<APrimalDinoCharacter*>(candidate)});
                }
            }
        });
    }

    const GlobalSettingsConfig& global = Config().GlobalSettings;
    const std::int64_t per_page = std::max<std::int32_t>(1, global.DinosPerPage);
    const auto n = static_cast<std::int64_t>(matches.size());
    const std::int64_t total_pages = n / per_page + (n % per_page != 0 ? 1 : 0);
    const std::int64_t skip = request.page_index * per_page;
    const std::int64_t listed = skip >= n ? 0 : std::min(per_page, n - skip);
    Listing listing;
    if (listed == 0) {
        return listing;
    }
    listing.found = true;
    OrderPage(matches, static_cast<std::size_t>(skip), static_cast<std::size_t>(listed));

    const bool single = n == 1;
    std::u16string& output = listing.text;
    for (std::int64_t i = skip; i < skip + listed; ++i) {
        APrimalDinoCharacter* creature = matches[static_cast<std::size_t>(i)].creature;
        const CreatureEntry entry =
            GatherEntry(creature, controller, mode, word_search, player_position);
        if (!word_search) {
            output += FormatBriefEntry(entry, mode);
            continue;
        }
        output += FormatDetailedEntry(entry, mode, single);
        const TrackingArrowConfig& arrow = Config().PremiumSettings.TrackingArrow;
        if (single && mode != SearchMode::Wild && arrow.Enabled) {
            host::ResolveFunction(host::Lookup::MulticastDrawDebugLine);
            host::ResolveFunction(host::Lookup::ClientAddFloatingText);
            listing.arrow = true;
            listing.arrow_from = player_position;
            listing.arrow_to = entry.position;
            listing.arrow_label = entry.name;
        }
    }

    if (listed < n && total_pages > 1) {
        output += u'\n';
        AppendText(output, PlayerText::PageFooter, n, request.page_index + 1, total_pages);
        if (mode == SearchMode::Admin) {
            output += u'\n';
            AppendText(output, PlayerText::AdminUsage,
                       host::DecodeUtf8(Config().AdminTracker.Command));
        }
    }
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

void SearchCreatures(AShooterPlayerController* controller, const host::FString& message, bool wild,
                     bool admin) {
    if (const auto listing = GatherListing(controller, message, wild, admin)) {
        SendListing(controller, *listing);
    }
}

}  // namespace beastfinder
