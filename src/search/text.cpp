#include "search/text.h"

#include <algorithm>
#include <cstddef>

#include "host/platform.h"

namespace beastfinder {

namespace {

// Most names are ASCII; skip the platform call for them.
inline char16_t Fold(char16_t unit) noexcept {
    if (unit < 0x80) {
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
    }
    return host::UpperCaseUnit(unit);
}

// Units of a text read through the case folding, optionally from its far end, so that one
// search routine serves both directions without copying.
template <bool kReversed, bool kFolded>
class Units {
  public:
    explicit Units(std::u16string_view units) noexcept : units_(units) {}
    std::ptrdiff_t Size() const noexcept { return static_cast<std::ptrdiff_t>(units_.size()); }
    char16_t operator[](std::ptrdiff_t i) const noexcept {
        const auto at = static_cast<std::size_t>(kReversed ? Size() - 1 - i : i);
        return kFolded ? units_[at] : Fold(units_[at]);
    }

  private:
    std::u16string_view units_;
};

// Start of the needle's maximal suffix under one of the two orders, and that suffix's period.
template <typename Needle>
std::ptrdiff_t MaximalSuffix(const Needle& needle, bool inverted, std::ptrdiff_t& period) noexcept {
    const std::ptrdiff_t length = needle.Size();
    std::ptrdiff_t start = -1;
    std::ptrdiff_t candidate = 0;
    std::ptrdiff_t offset = 1;
    period = 1;
    while (candidate + offset < length) {
        const char16_t a = needle[start + offset];
        const char16_t b = needle[candidate + offset];
        if (a == b) {
            if (offset == period) {
                candidate += period;
                offset = 1;
            } else {
                ++offset;
            }
        } else if (inverted ? a < b : a > b) {
            candidate += offset;
            offset = 1;
            period = candidate - start;
        } else {
            start = candidate++;
            offset = period = 1;
        }
    }
    return start;
}

// The critical factorization the two-way search shifts by. The needle is non-empty.
template <typename Needle>
NeedleFactorization Factorize(const Needle& needle) noexcept {
    const std::ptrdiff_t length = needle.Size();
    NeedleFactorization f;
    std::ptrdiff_t inverted_period = 0;
    f.split = MaximalSuffix(needle, false, f.period);
    const std::ptrdiff_t inverted_split = MaximalSuffix(needle, true, inverted_period);
    if (inverted_split > f.split) {
        f.split = inverted_split;
        f.period = inverted_period;
    }
    bool periodic = true;
    for (std::ptrdiff_t i = 0; i <= f.split; ++i) {
        if (needle[i] != needle[i + f.period]) {
            periodic = false;
            break;
        }
    }
    if (periodic) {
        f.remembered_after_shift = length - f.period;
    } else {
        f.period = std::max(f.split, length - f.split - 1) + 1;
    }
    return f;
}

// The two-way string search: linear in the text and needle, constant extra memory, so a
// player's long word costs no more than reading it. The needle is non-empty and no longer
// than the text.
template <typename Text, typename Needle>
std::ptrdiff_t TwoWaySearch(const Text& text, const Needle& needle,
                            const NeedleFactorization& f) noexcept {
    const std::ptrdiff_t length = needle.Size();
    std::ptrdiff_t remembered = 0;
    const std::ptrdiff_t last = text.Size() - length;
    for (std::ptrdiff_t pos = 0; pos <= last;) {
        std::ptrdiff_t k = std::max(f.split + 1, remembered);
        while (k < length && needle[k] == text[pos + k]) {
            ++k;
        }
        if (k < length) {
            pos += k - f.split;
            remembered = 0;
            continue;
        }
        k = f.split + 1;
        while (k > remembered && needle[k - 1] == text[pos + k - 1]) {
            --k;
        }
        if (k <= remembered) {
            return pos;
        }
        pos += f.period;
        remembered = f.remembered_after_shift;
    }
    return -1;
}

// Names and search words are mostly a few units long: for those, comparing at every
// position is quicker than preparing the needle, and still linear.
constexpr std::size_t kShortNeedle = 8;

template <typename Text, typename Needle>
std::ptrdiff_t ShortNeedleSearch(const Text& text, const Needle& needle) noexcept {
    const std::ptrdiff_t length = needle.Size();
    const std::ptrdiff_t last = text.Size() - length;
    for (std::ptrdiff_t pos = 0; pos <= last; ++pos) {
        std::ptrdiff_t k = 0;
        while (k < length && needle[k] == text[pos + k]) {
            ++k;
        }
        if (k == length) {
            return pos;
        }
    }
    return -1;
}

template <typename Text, typename Needle>
std::ptrdiff_t Search(const Text& text, const Needle& needle) noexcept {
    if (static_cast<std::size_t>(needle.Size()) <= kShortNeedle) {
        return ShortNeedleSearch(text, needle);
    }
    return TwoWaySearch(text, needle, Factorize(needle));
}

template <bool kNeedleFolded>
std::int32_t Find(std::u16string_view text, std::u16string_view needle, SearchFrom from) noexcept {
    if (needle.empty()) {
        if (from == SearchFrom::End && !text.empty()) {
            return static_cast<std::int32_t>(text.size() - 1);
        }
        return kNotFound;
    }
    if (needle.size() > text.size()) {
        return kNotFound;
    }
    if (from == SearchFrom::Start) {
        const std::ptrdiff_t at =
            Search(Units<false, false>(text), Units<false, kNeedleFolded>(needle));
        return at < 0 ? kNotFound : static_cast<std::int32_t>(at);
    }
    // The last occurrence is the first one in both read backwards.
    const std::ptrdiff_t at = Search(Units<true, false>(text), Units<true, kNeedleFolded>(needle));
    if (at < 0) {
        return kNotFound;
    }
    return static_cast<std::int32_t>(static_cast<std::ptrdiff_t>(text.size() - needle.size()) - at);
}

}  // namespace

std::int32_t FindIgnoreCase(std::u16string_view text, std::u16string_view needle, SearchFrom from) {
    return Find<false>(text, needle, from);
}

std::int32_t FindIgnoreCase(const host::FString& text, const host::FString& needle,
                            SearchFrom from) {
    if (needle.Data() == nullptr) {
        return kNotFound;
    }
    return Find<false>(text.View(), needle.View(), from);
}

FoldedNeedle::FoldedNeedle(std::u16string_view needle) : upper_(needle) {
    for (char16_t& unit : upper_) {
        unit = Fold(unit);
    }
    if (upper_.size() > kShortNeedle) {
        factorization_ = Factorize(Units<false, true>(upper_));
    }
}

bool FoldedNeedle::FoundIn(std::u16string_view text) const noexcept {
    if (upper_.empty() || upper_.size() > text.size()) {
        return false;
    }
    const Units<false, false> units(text);
    const Units<false, true> needle(upper_);
    if (upper_.size() <= kShortNeedle) {
        return ShortNeedleSearch(units, needle) >= 0;
    }
    return TwoWaySearch(units, needle, factorization_) >= 0;
}

namespace {

// Calls `visit` with each non-empty piece between delimiters until it returns false.
template <typename Visit>
void ForEachPiece(std::u16string_view text, std::u16string_view delimiter, Visit visit) {
    if (text.empty() || delimiter.empty()) {
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(delimiter, start);
        if (end == std::u16string_view::npos) {
            end = text.size();
        }
        if (end > start && !visit(text.substr(start, end - start))) {
            return;
        }
        start = end + delimiter.size();
    }
}

}  // namespace

host::HostArray<host::FString> SplitAtDelimiter(std::u16string_view text,
                                                std::u16string_view delimiter) {
    host::HostArray<host::FString> pieces;
    ForEachPiece(text, delimiter, [&](std::u16string_view piece) {
        pieces.Append(host::FString::FromUnits(piece));
        return true;
    });
    return pieces;
}

std::u16string_view FirstPiece(std::u16string_view text, std::u16string_view delimiter) noexcept {
    std::u16string_view first;
    ForEachPiece(text, delimiter, [&](std::u16string_view piece) {
        first = piece;
        return false;
    });
    return first;
}

namespace {

// Control characters, the line and paragraph separators, and the bidirectional controls
// (marks, embeddings, overrides, isolates), which would reorder the rest of a listing line.
bool Unshowable(char16_t unit) noexcept {
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x061C || unit == 0x200E ||
           unit == 0x200F || (unit >= 0x2028 && unit <= 0x202E) ||
           (unit >= 0x2066 && unit <= 0x2069) || unit == u'<';
}

}  // namespace

void ShowAsText(host::FString& text) {
    const std::u16string_view source = text.View();
    if (std::none_of(source.begin(), source.end(), Unshowable)) {
        return;
    }
    std::u16string shown(source);
    for (char16_t& unit : shown) {
        if (unit == u'<') {
            unit = u'\u2039';
        } else if (Unshowable(unit)) {
            unit = u' ';
        }
    }
    text = host::FString::FromUnits(shown);
}

std::int32_t RemoveAllIgnoreCase(host::FString& text, std::u16string_view needle) {
    const std::u16string_view source = text.View();
    if (source.empty() || needle.empty()) {
        return 0;
    }
    std::int32_t position = Find<false>(source, needle, SearchFrom::Start);
    if (position == kNotFound) {
        return 0;
    }
    std::u16string kept;
    kept.reserve(source.size());
    std::int32_t removed = 0;
    std::size_t from = 0;
    while (position != kNotFound) {
        const auto at = from + static_cast<std::size_t>(position);
        kept.append(source.substr(from, at - from));
        from = at + needle.size();
        ++removed;
        position = Find<false>(source.substr(from), needle, SearchFrom::Start);
    }
    kept.append(source.substr(from));
    text = host::FString::FromUnits(kept);
    return removed;
}

}  // namespace beastfinder
