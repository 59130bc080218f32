// A tracker command as the search takes it: who asks, and what the chat line asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/game.h"

namespace beastfinder {

enum class SearchMode { Tame, Wild, Admin };

// A player the commands can answer: one with a character and a player state.
struct Caller {
    AShooterPlayerController* controller = nullptr;
    AShooterCharacter* character = nullptr;
    void* player_state = nullptr;
};

// Empty when there is no one to answer.
std::optional<Caller> AnswerableCaller(AShooterPlayerController* controller);

// Whether the line is one the mode can search with.
enum class RequestForm {
    Valid,
    Empty,      // no word at all, not even the command's: nothing is answered
    Malformed,  // the mode's usage message
};

// The chat line read once. Words are the pieces between spaces; empty pieces do not count.
struct SearchRequest {
    SearchMode mode = SearchMode::Tame;
    RequestForm form = RequestForm::Valid;
    std::u16string first_word;    // the word after the command's, kept as typed
    std::u16string text;          // the words searched for, one space apart; empty lists everything
    std::int64_t page_index = 0;  // from a last word that reads as a number; 0 is the first
};

SearchRequest ParseRequest(SearchMode mode, std::u16string_view line);

// The page a word reads as, the way the standard stoi reads it: leading white space, a sign,
// then digits up to the first other character. Empty when no digit can be read or the number
// leaves the 32-bit range.
std::optional<std::int32_t> ReadPageNumber(std::u16string_view word);

}  // namespace beastfinder
