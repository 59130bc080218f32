// The wild tracker's cooldown: when each player may search again, and for which word.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "host/fstring.h"
#include "host/host_array.h"

namespace beastfinder {

class CooldownBook {
  public:
    // Times are the host's wall-clock ticks; the cooldown is in seconds, 0 or below for none.

    // The whole seconds the player still has to wait before searching for `word`; empty when
    // the search may go ahead.
    std::optional<std::int64_t> Wait(std::uint64_t steam_id, std::u16string_view word,
                                     std::int64_t now, std::int32_t cooldown) const;
    // A search made at `now` starts the player's cooldown afresh.
    void Start(std::uint64_t steam_id, std::u16string_view word, std::int64_t now,
               std::int32_t cooldown);
    void Clear() noexcept { entries_.Clear(); }

  private:
    struct Entry {
        std::uint64_t steam_id = 0;
        host::FString last_word;
        std::int64_t expires_at = 0;
    };
    template <typename Book>
    static auto* Find(Book& book, std::uint64_t steam_id);

    host::HostArray<Entry> entries_;
};

}  // namespace beastfinder
