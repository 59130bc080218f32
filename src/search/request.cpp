#include "search/request.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace beastfinder {

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Only the space separates words: a tab or line break stays inside its word.
std::vector<std::u16string_view> Words(std::u16string_view line) {
    std::vector<std::u16string_view> words;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(u' ', start), line.size());
        if (end > start) {
            words.push_back(line.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

RequestForm FormOf(SearchMode mode, std::size_t words) {
    switch (mode) {
        case SearchMode::Tame:
            return RequestForm::Valid;
        case SearchMode::Wild:
            return words < 2 ? RequestForm::Malformed : RequestForm::Valid;
        case SearchMode::Admin:
            return words >= 4   ? RequestForm::Malformed
                   : words == 0 ? RequestForm::Empty
                                : RequestForm::Valid;
    }
    return RequestForm::Valid;
}

}  // namespace

std::optional<Caller> AnswerableCaller(AShooterPlayerController* controller) {
    if (controller == nullptr) {
        return std::nullopt;
    }
    AShooterCharacter* character = host::GetPlayerCharacter(controller);
    if (character == nullptr) {
        return std::nullopt;
    }
    void* player_state = host::PawnPlayerState(character);
    if (player_state == nullptr) {
        return std::nullopt;
    }
    return Caller{controller, character, player_state};
}

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

SearchRequest ParseRequest(SearchMode mode, std::u16string_view line) {
    const std::vector<std::u16string_view> words = Words(line);
    SearchRequest request;
    request.mode = mode;
    request.form = FormOf(mode, words.size());
    if (words.size() < 2) {
        return request;
    }
    request.first_word = words[1];
    std::size_t last = words.size();  // one past the last search word
    if (const auto page = ReadPageNumber(words[last - 1])) {
        // A page below the first lists the first.
        request.page_index = std::max<std::int64_t>(0, static_cast<std::int64_t>(*page) - 1);
        --last;
    }
    for (std::size_t i = 1; i < last; ++i) {
        if (i > 1) {
            request.text += u' ';
        }
        request.text += words[i];
    }
    return request;
}

}  // namespace beastfinder
