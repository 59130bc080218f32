#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/text.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

using TextOperations = bftest::HostTest;

std::vector<std::u16string> Pieces(const host::HostArray<host::FString>& list) {
    std::vector<std::u16string> out;
    for (const host::FString& piece : list) {
        out.emplace_back(piece.View());
    }
    return out;
}

TEST_F(TextOperations, FindIgnoreCaseInBothDirections) {
    struct Case {
        std::u16string_view text;
        std::u16string_view needle;
        std::int32_t from_start;
        std::int32_t from_end;
    };
    const Case cases[] = {
        {u"Rex", u"REX", 0, 0},
        {u"Alpha Rex", u"rex", 6, 6},
        {u"rex Rex REX", u"Rex", 0, 8},
        {u"aaa", u"aa", 0, 1},
        {u"Rex", u"Rexy", kNotFound, kNotFound},
        {u"Raptor", u"rex", kNotFound, kNotFound},
        // An empty needle: never from the start; at the last unit from the end.
        {u"Rex", u"", kNotFound, 2},
        {u"", u"", kNotFound, kNotFound},
        {u"", u"a", kNotFound, kNotFound},
        // Case folding beyond ASCII.
        {u"Большой ШТОРМ", u"шторм", 8, 8},
        {u"Ärger", u"äRGER", 0, 0},
    };
    for (const Case& c : cases) {
        const std::string label = sim::ToUtf8(c.text) + " / " + sim::ToUtf8(c.needle);
        EXPECT_EQ(FindIgnoreCase(c.text, c.needle, SearchFrom::Start), c.from_start) << label;
        EXPECT_EQ(FindIgnoreCase(c.text, c.needle, SearchFrom::End), c.from_end) << label;
        EXPECT_EQ(FoldedNeedle(c.needle).FoundIn(c.text), c.from_start != kNotFound) << label;
    }
}

// Short and long needles over small alphabets, where periodic needles and near misses
// abound, must give the answers of a plain position-by-position comparison.
TEST_F(TextOperations, FindAgreesWithPlainComparisonOnRandomTexts) {
    const auto plain = [](std::u16string_view text, std::u16string_view needle, bool last) {
        std::int32_t found = kNotFound;
        for (std::size_t i = 0; needle.size() <= text.size() && i + needle.size() <= text.size();
             ++i) {
            bool same = true;
            for (std::size_t j = 0; j < needle.size() && same; ++j) {
                same = (text[i + j] & ~0x20) == (needle[j] & ~0x20);
            }
            if (same) {
                found = static_cast<std::int32_t>(i);
                if (!last) {
                    break;
                }
            }
        }
        return found;
    };
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 16) & 0x7FFF;
    };
    const std::u16string alphabet = u"abAB";
    for (int round = 0; round < 20000; ++round) {
        std::u16string text(next() % 40, u'a');
        std::u16string needle(1 + next() % 20, u'a');
        const std::size_t letters = 1 + next() % 3;
        for (char16_t& unit : text) {
            unit = alphabet[next() % (letters + 1) % alphabet.size()];
        }
        for (char16_t& unit : needle) {
            unit = alphabet[next() % (letters + 1) % alphabet.size()];
        }
        if (round % 2 == 1 && !text.empty()) {
            // A piece of the text in other case, so that long needles are found too.
            const std::size_t start = next() % text.size();
            needle = text.substr(start, 1 + next() % (text.size() - start));
            for (char16_t& unit : needle) {
                unit = next() % 2 == 0 ? unit : static_cast<char16_t>(unit ^ 0x20);
            }
        }
        const std::string label = sim::ToUtf8(text) + " / " + sim::ToUtf8(needle);
        ASSERT_EQ(FindIgnoreCase(text, needle, SearchFrom::Start), plain(text, needle, false))
            << label;
        ASSERT_EQ(FindIgnoreCase(text, needle, SearchFrom::End), plain(text, needle, true))
            << label;
        ASSERT_EQ(FoldedNeedle(needle).FoundIn(text), plain(text, needle, false) != kNotFound)
            << label;
    }
}

// A long near-miss needle against a longer text: quadratic work would take seconds here.
TEST_F(TextOperations, LongNearMissIsFoundOrRejectedQuickly) {
    std::u16string text(200000, u'a');
    std::u16string needle(100000, u'A');
    needle.back() = u'B';
    EXPECT_EQ(FindIgnoreCase(text, needle, SearchFrom::Start), kNotFound);
    EXPECT_EQ(FindIgnoreCase(text, needle, SearchFrom::End), kNotFound);
    text.back() = u'b';
    EXPECT_EQ(FindIgnoreCase(text, needle, SearchFrom::Start), 100000);
    EXPECT_TRUE(FoldedNeedle(needle).FoundIn(text));
}

TEST_F(TextOperations, NullNeedleIsNeverFound) {
    const host::FString text = host::FStringFromNarrow("Rex");
    EXPECT_EQ(FindIgnoreCase(text, host::FString(), SearchFrom::End), kNotFound);
    EXPECT_EQ(FindIgnoreCase(text, host::FStringFromNarrow("e"), SearchFrom::End), 1);
}

TEST_F(TextOperations, SplitDropsEmptyPieces) {
    struct Case {
        std::u16string_view text;
        std::u16string_view delimiter;
        std::vector<std::u16string> pieces;
    };
    const std::vector<Case> cases = {
        {u"a  b  2", u" ", {u"a", u"b", u"2"}},
        {u"  /track   Alpha Rex  ", u" ", {u"/track", u"Alpha", u"Rex"}},
        {u"(Rex)", u"(", {u"Rex)"}},
        {u"Rex (x)", u"(", {u"Rex ", u"x)"}},
        {u"a--b----c", u"--", {u"a", u"b", u"c"}},
        {u"aXbxc", u"x", {u"aXb", u"c"}},  // the delimiter is case-sensitive
        {u"(((", u"(", {}},
        {u"", u" ", {}},
        {u"abc", u"", {}},
    };
    for (const Case& c : cases) {
        const auto list = SplitAtDelimiter(c.text, c.delimiter);
        EXPECT_EQ(Pieces(list), c.pieces) << sim::ToUtf8(c.text);
        const std::u16string_view first = FirstPiece(c.text, c.delimiter);
        EXPECT_EQ(std::u16string(first), c.pieces.empty() ? u"" : c.pieces.front())
            << sim::ToUtf8(c.text);
    }
}

TEST_F(TextOperations, RemoveAllIgnoreCase) {
    struct Case {
        std::u16string_view text;
        std::u16string_view needle;
        std::u16string_view result;
        std::int32_t removed;
    };
    const Case cases[] = {
        {u"REX (Rex) (lvl 12)", u" (rex)", u"REX (lvl 12)", 1},
        {u"abABab", u"ab", u"", 3},
        {u"aaaaa", u"aa", u"a", 2},  // non-overlapping, left to right
        {u"x - Distance: 5 m - y - DISTANCE: 5 M", u" - Distance: 5 m", u"x - y", 2},
        {u"Rex", u"Raptor", u"Rex", 0},
        {u"Rex", u"", u"Rex", 0},
        {u"", u"Rex", u"", 0},
    };
    for (const Case& c : cases) {
        host::FString text = host::FStringFromWide(c.text);
        const char16_t* before = text.Data();
        EXPECT_EQ(RemoveAllIgnoreCase(text, c.needle), c.removed) << sim::ToUtf8(c.text);
        EXPECT_EQ(text.View(), c.result) << sim::ToUtf8(c.text);
        if (c.removed == 0) {
            EXPECT_EQ(text.Data(), before) << "an unchanged text keeps its buffer";
        }
    }
}

}  // namespace
}  // namespace beastfinder
