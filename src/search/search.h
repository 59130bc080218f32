// The search every tracker command ends in: parse the request, walk the world's creatures,
// keep those the mode admits, sort by level, cut out one page and send it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/game.h"

namespace beastfinder {

enum class SearchMode { Tame, Wild, Admin };

// What is gathered for each listed creature. List-all entries fill only the names and team.
struct CreatureEntry {
    host::FString name;
    host::FString species;
    host::FString owner;
    std::int32_t team = 0;
    std::int32_t level = 0;
    host::Vector3 position;
    std::string coordinates;
    float distance = 0;
    std::array<std::string, 6> colors;
};

// `message` is the whole chat line, command word first. Sends one notification, or
// "NoDinosFound", and for a single tame or admin match draws the tracking arrow.
void SearchCreatures(AShooterPlayerController* controller, const host::FString& message, bool wild,
                     bool admin);

}  // namespace beastfinder
