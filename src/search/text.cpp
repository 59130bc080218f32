#include "search/text.h"

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

// Whether `needle` occurs at `pos`; a needle already upper-cased skips its own folding.
template <bool kNeedleFolded>
bool MatchesAt(std::u16string_view text, std::size_t pos, std::u16string_view needle) noexcept {
    for (std::size_t j = 0; j < needle.size(); ++j) {
        const char16_t want = kNeedleFolded ? needle[j] : Fold(needle[j]);
        if (Fold(text[pos + j]) != want) {
            return false;
        }
    }
    return true;
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
    const std::size_t last = text.size() - needle.size();
    if (from == SearchFrom::Start) {
        for (std::size_t i = 0; i <= last; ++i) {
            if (MatchesAt<kNeedleFolded>(text, i, needle)) {
                return static_cast<std::int32_t>(i);
            }
        }
        return kNotFound;
    }
    for (std::size_t i = last + 1; i-- > 0;) {
        if (MatchesAt<kNeedleFolded>(text, i, needle)) {
            return static_cast<std::int32_t>(i);
        }
    }
    return kNotFound;
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
}

bool FoldedNeedle::FoundIn(std::u16string_view text) const noexcept {
    return Find<true>(text, upper_, SearchFrom::Start) != kNotFound;
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
