// Text operations on the host's strings: case-insensitive search, splitting, removal.
// Case is ignored by upper-casing each UTF-16 code unit (host::UpperCaseUnit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/fstring.h"
#include "host/host_array.h"

namespace beastfinder {

// Position in code units, or kNotFound.
inline constexpr std::int32_t kNotFound = -1;

enum class SearchFrom { Start, End };

// From the start an empty needle is never found; from the end it is found at the last
// unit of a non-empty text.
std::int32_t FindIgnoreCase(std::u16string_view text, std::u16string_view needle, SearchFrom from);
// As above; a null needle (no buffer at all) is never found.
std::int32_t FindIgnoreCase(const host::FString& text, const host::FString& needle,
                            SearchFrom from);

inline bool ContainsIgnoreCase(std::u16string_view text, std::u16string_view needle) {
    return FindIgnoreCase(text, needle, SearchFrom::Start) != kNotFound;
}

// Where a needle splits for the linear-time search: worked out from the needle alone.
struct NeedleFactorization {
    std::ptrdiff_t split = -1;
    std::ptrdiff_t period = 1;
    std::ptrdiff_t remembered_after_shift = 0;  // needle units known to match after a shift
};

// A needle upper-cased and factorized once, so that many texts can be searched without
// allocating or preparing the needle again.
class FoldedNeedle {
  public:
    explicit FoldedNeedle(std::u16string_view needle);
    // Same answer as ContainsIgnoreCase(text, needle).
    bool FoundIn(std::u16string_view text) const noexcept;
    std::u16string_view View() const noexcept { return upper_; }

  private:
    std::u16string upper_;
    NeedleFactorization factorization_;
};

// Pieces between exact (case-sensitive) occurrences of the delimiter; empty pieces are
// dropped. An empty text or delimiter gives an empty list.
host::HostArray<host::FString> SplitAtDelimiter(std::u16string_view text,
                                                std::u16string_view delimiter);
inline host::HostArray<host::FString> SplitAtDelimiter(const host::FString& text,
                                                       std::u16string_view delimiter) {
    return SplitAtDelimiter(text.View(), delimiter);
}

// The first piece SplitAtDelimiter would give, as a view into `text`; empty when none.
std::u16string_view FirstPiece(std::u16string_view text, std::u16string_view delimiter) noexcept;

// A name made fit to show inside a listing line: line breaks, other control characters and
// bidirectional controls become spaces, and '<' becomes U+2039 ('‹') so that the game cannot
// read a tag in it.
// The text is left untouched when there is nothing to change.
void ShowAsText(host::FString& text);

// Cuts out every non-overlapping occurrence, found left to right ignoring case; returns
// how many. The text is left untouched when there is none.
std::int32_t RemoveAllIgnoreCase(host::FString& text, std::u16string_view needle);

}  // namespace beastfinder
