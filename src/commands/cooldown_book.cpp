#include "commands/cooldown_book.h"

#include "search/text.h"

namespace beastfinder {

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;

}  // namespace

template <typename Book>
auto* CooldownBook::Find(Book& book, std::uint64_t steam_id) {
    for (auto& entry : book.entries_) {
        if (entry.steam_id == steam_id) {
            return &entry;
        }
    }
    return static_cast<decltype(book.entries_.begin())>(nullptr);
}

std::optional<std::int64_t> CooldownBook::Wait(std::uint64_t steam_id, std::u16string_view word,
                                               std::int64_t now, std::int32_t cooldown) const {
    const Entry* own = Find(*this, steam_id);
    if (cooldown <= 0 || own == nullptr) {
        return std::nullopt;
    }
    std::int64_t remaining = (own->expires_at - now) / kTicksPerSecond;
    // Repeating or paging one's own last search waits a full cooldown less. Only the caller's
    // own word counts: another player's search must not lift this limit.
    if (ContainsIgnoreCase(word, own->last_word.View())) {
        remaining -= cooldown;
    }
    if (remaining > 0) {
        return remaining;
    }
    return std::nullopt;
}

void CooldownBook::Start(std::uint64_t steam_id, std::u16string_view word, std::int64_t now,
                         std::int32_t cooldown) {
    if (cooldown <= 0) {
        return;
    }
    const std::int64_t expires_at = now + static_cast<std::int64_t>(cooldown) * kTicksPerSecond;
    // Kept as a copy, which holds exactly the word's units: the book lives as long as the
    // plugin.
    const host::FString typed = host::FStringFromWide(word);
    if (Entry* own = Find(*this, steam_id)) {
        own->expires_at = expires_at;
        own->last_word = typed;
    } else {
        entries_.Append(Entry{steam_id, typed, expires_at});
    }
}

}  // namespace beastfinder
