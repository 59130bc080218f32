// The search every tracker command ends in: walk the world's creatures, keep those the request
// admits, put one page of them in order by level, and send it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "host/game.h"
#include "search/request.h"

namespace beastfinder {

// What is gathered for each listed creature. List-all entries fill only the names and team.
struct CreatureEntry {
    host::FString name;
    host::FString species;
    host::FString owner;
    std::int32_t team = 0;
    std::int32_t level = 0;
    host::Vector3 position;
    std::u16string coordinates;
    float distance = 0;
    std::array<std::string, 6> colors;
};

// A search's reply, gathered but not yet sent.
struct Listing {
    bool found = false;  // false: "NoDinosFound"
    std::u16string text;
    bool arrow = false;
    host::Vector3 arrow_from;
    host::Vector3 arrow_to;
    host::FString arrow_label;
};

// Empty when the caller stands nowhere or there is no world. Every host function that sending
// the reply calls is resolved here, so that a paid search cannot fail between the payment and
// the reply.
std::optional<Listing> GatherListing(const Caller& caller, const SearchRequest& request);

// One notification, or "NoDinosFound", and for a single tame or admin match the arrow.
void SendListing(AShooterPlayerController* controller, const Listing& listing);

// Gathers and sends.
void SearchCreatures(const Caller& caller, const SearchRequest& request);

}  // namespace beastfinder
