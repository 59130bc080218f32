#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "search/request.h"

namespace beastfinder {
namespace {

using Form = RequestForm;
constexpr SearchMode kTame = SearchMode::Tame;
constexpr SearchMode kWild = SearchMode::Wild;
constexpr SearchMode kAdmin = SearchMode::Admin;

// Enough to tell the cases apart in a failure.
std::string Shown(std::u16string_view text) {
    std::string shown;
    for (const char16_t unit : text) {
        shown += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return shown;
}

TEST(ParseRequest, WordsTextAndPage) {
    const struct {
        SearchMode mode;
        const char16_t* line;
        Form form;
        const char16_t* first_word;
        const char16_t* text;
        std::int64_t page_index;
    } cases[] = {
        {kTame, u"/track", Form::Valid, u"", u"", 0},
        {kTame, u"", Form::Valid, u"", u"", 0},
        {kTame, u"/track rex", Form::Valid, u"rex", u"rex", 0},
        {kTame, u"/track  big   rex ", Form::Valid, u"big", u"big rex", 0},  // runs of spaces
        {kTame, u"/track rex 3", Form::Valid, u"rex", u"rex", 2},
        {kTame, u"/track 3", Form::Valid, u"3", u"", 2},           // a page of everything
        {kTame, u"/track rex 0", Form::Valid, u"rex", u"rex", 0},  // below the first page
        {kTame, u"/track rex -5", Form::Valid, u"rex", u"rex", 0},
        {kTame, u"/track rex 2x", Form::Valid, u"rex", u"rex", 1},  // digits up to the x
        {kTame, u"/track 2 rex", Form::Valid, u"2", u"2 rex", 0},   // only the last word pages
        {kTame, u"/track rex 2147483648", Form::Valid, u"rex", u"rex 2147483648", 0},
        {kTame, u"/track rex 2147483647", Form::Valid, u"rex", u"rex", 2147483646},
        {kTame, u"/track a\tb", Form::Valid, u"a\tb", u"a\tb", 0},  // only spaces separate
        {kWild, u"/wild", Form::Malformed, u"", u"", 0},
        {kWild, u"/wild   ", Form::Malformed, u"", u"", 0},
        {kWild, u"/wild Rex", Form::Valid, u"Rex", u"Rex", 0},
        {kWild, u"/wild 4", Form::Valid, u"4", u"", 3},
        {kAdmin, u"", Form::Empty, u"", u"", 0},
        {kAdmin, u"  ", Form::Empty, u"", u"", 0},
        {kAdmin, u"/admin", Form::Valid, u"", u"", 0},
        {kAdmin, u"/admin rex 2", Form::Valid, u"rex", u"rex", 1},
        {kAdmin, u"/admin big rex 2", Form::Malformed, u"big", u"big rex", 1},
    };
    for (const auto& c : cases) {
        const SearchRequest request = ParseRequest(c.mode, c.line);
        const std::string line = Shown(c.line);
        EXPECT_EQ(request.mode, c.mode) << line;
        EXPECT_EQ(request.form, c.form) << line;
        EXPECT_EQ(request.first_word, c.first_word) << line;
        EXPECT_EQ(request.text, c.text) << line;
        EXPECT_EQ(request.page_index, c.page_index) << line;
    }
}

TEST(ReadPageNumber, AsTheStandardStoiReadsIt) {
    const struct {
        const char16_t* word;
        std::optional<std::int32_t> page;
    } cases[] = {
        {u"7", 7},
        {u"+7", 7},
        {u"-7", -7},
        {u"\t\n 7", 7},
        {u"007x", 7},
        {u"", std::nullopt},
        {u"x7", std::nullopt},
        {u"+", std::nullopt},
        {u"- 7", std::nullopt},
        {u"2147483647", 2147483647},
        {u"-2147483648", INT32_MIN},
        {u"2147483648", std::nullopt},
        {u"99999999999999999999", std::nullopt},
        {u"\u0667", std::nullopt},  // digits of other scripts are not read
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadPageNumber(c.word), c.page) << Shown(c.word);
    }
}

}  // namespace
}  // namespace beastfinder
