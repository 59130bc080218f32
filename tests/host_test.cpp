#include <gtest/gtest.h>

#include "host/fstring.h"
#include "host/host_array.h"
#include "host/log.h"
#include "host/memory.h"
#include "host/platform.h"
#include "host/values.h"
#include "sim/framework/server.h"
#include "tests/host_fixture.h"

namespace beastfinder::host {
namespace {

using HostLayer = bftest::HostTest;

TEST_F(HostLayer, EmptyTextsAllocateNothingAndReadAsEmpty) {
    const FString narrow = FStringFromNarrow("");
    const FString wide = FStringFromWide(std::u16string_view());
    const FString copy = narrow;
    for (const FString* text : {&narrow, &wide, &copy}) {
        EXPECT_EQ(text->Data(), nullptr);
        EXPECT_EQ(text->Count(), 0);
        EXPECT_EQ(text->Capacity(), 0);
        EXPECT_EQ(FStringToUtf8(*text), "");
    }
    EXPECT_EQ(Live(), 0U);
    FString terminator_only = FStringFromNarrow("x");
    terminator_only = FString::FromUnits(u"");
    EXPECT_EQ(FStringToUtf8(terminator_only), "");
    EXPECT_TRUE(terminator_only.Empty());
}

TEST_F(HostLayer, CapacitiesFollowTheHostsGrowthRule) {
    EXPECT_EQ(GrowCapacity(0, 1), 4);
    EXPECT_EQ(GrowCapacity(0, 4), 4);
    EXPECT_EQ(GrowCapacity(0, 5), 22);
    EXPECT_EQ(GrowCapacity(4, 5), 22);
    EXPECT_EQ(GrowCapacity(4, 3), 3 + 1 + 16);  // only an empty list gets the small block
    EXPECT_EQ(GrowCapacity(22, 23), 23 + 8 + 16);
    EXPECT_EQ(GrowCapacity(0, 2000000000), 2147483647);

    struct Case {
        const char* text;
        std::int32_t count;
        std::int32_t capacity;
    };
    for (const Case& c : {Case{"a", 2, 4}, Case{"abc", 4, 4}, Case{"abcd", 5, 22},
                          Case{"abcdefghijklmnop", 17, 39}}) {
        const FString text = FStringFromNarrow(c.text);
        EXPECT_EQ(text.Count(), c.count) << c.text;
        EXPECT_EQ(text.Capacity(), c.capacity) << c.text;
        EXPECT_EQ(text.Data()[text.Count() - 1], u'\0');
        const auto block = sim::TheServer().Allocator().LiveBlock(text.Data());
        ASSERT_TRUE(block.has_value()) << c.text;
        EXPECT_EQ(block->bytes, static_cast<std::uint64_t>(c.capacity) * 2);
    }
}

TEST_F(HostLayer, NarrowTextIsBytesWideTextIsUtf16) {
    const FString narrow = FStringFromNarrow("caf\xC3\xA9");
    ASSERT_EQ(narrow.Count(), 6);
    EXPECT_EQ(narrow.View(), u"caf??");
    EXPECT_EQ(FStringToUtf8(FStringFromNarrow("Zoë")), "Zo??");

    EXPECT_EQ(FStringToUtf8(FStringFromWide(u"Шторм Ärger 龍")), "Шторм Ärger 龍");
    EXPECT_EQ(FStringToUtf8(FStringFromWide(u"\xD83D\xDE00")), "\xF0\x9F\x98\x80");
    // Unpaired surrogates cannot be spelled in UTF-8; they become U+FFFD.
    EXPECT_EQ(FStringToUtf8(FStringFromWide(u"a\xD800"
                                            u"b")),
              "a\xEF\xBF\xBD"
              "b");
    std::u16string owned = u"taken over";
    const FString text = FStringFromOwnedWide(std::move(owned));
    EXPECT_TRUE(owned.empty());
    EXPECT_EQ(text.View(), u"taken over");
}

// The simulator names what the plugin sent with its own conversion; on Windows the plugin
// converts with the system's. Both must spell every text alike, broken surrogates included.
TEST(TextConversion, ThePluginAndTheSimulatorSpellUtf8Alike) {
    struct Case {
        std::u16string_view utf16;
        std::string_view utf8;
    };
    const Case cases[] = {
        {u"", ""},
        {u"\x7F\x80", "\x7F\xC2\x80"},
        {u"\x7FF\x800", "\xDF\xBF\xE0\xA0\x80"},
        {u"\xFFFF", "\xEF\xBF\xBF"},
        {u"\xD800\xDC00", "\xF0\x90\x80\x80"},
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        {u"\xD800", "\xEF\xBF\xBD"},                    // high alone, at the end
        {u"\xDC00x", "\xEF\xBF\xBDx"},                  // low alone
        {u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // a pair the wrong way round
        {u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << sim::ToUtf8(c.utf16);
        EXPECT_EQ(sim::ToUtf8(c.utf16), c.utf8) << sim::ToUtf8(c.utf16);
    }
}

TEST_F(HostLayer, CopyHasExactCapacityAndMoveEmptiesTheSource) {
    FString original = FStringFromNarrow("abcd");  // capacity 22
    const FString copy = original;
    EXPECT_EQ(copy.Count(), 5);
    EXPECT_EQ(copy.Capacity(), 5);
    EXPECT_NE(copy.Data(), original.Data());
    EXPECT_EQ(copy.View(), u"abcd");

    FString moved = std::move(original);
    EXPECT_EQ(original.Data(), nullptr);
    EXPECT_EQ(original.Count(), 0);
    EXPECT_EQ(original.Capacity(), 0);
    EXPECT_EQ(moved.Capacity(), 22);

    const std::size_t before = Live();
    FString target = FStringFromNarrow("old");
    EXPECT_EQ(Live(), before + 1);
    target = std::move(moved);  // frees "old" first
    EXPECT_EQ(Live(), before);
    EXPECT_EQ(target.View(), u"abcd");
}

TEST_F(HostLayer, ListsOfStringsReleaseEveryBuffer) {
    {
        HostArray<FString> names;
        for (int i = 0; i < 30; ++i) {
            names.Append(FStringFromNarrow("name"));
        }
        EXPECT_EQ(names.Count(), 30);
        EXPECT_EQ(names.Capacity(), 47);  // 4, then 22, then 23 + 8 + 16
        EXPECT_EQ(names[29].View(), u"name");
        EXPECT_EQ(Live(), 31U);
    }
    EXPECT_EQ(Live(), 0U);
}

TEST_F(HostLayer, SrgbTableAndByteColours) {
    EXPECT_EQ(kSrgbToLinear[0], 0.0);
    EXPECT_NEAR(kSrgbToLinear[128], 0.2158605, 1e-7);
    EXPECT_EQ(kSrgbToLinear[255], 1.0);
    const ColorRGBA grey = ColorFromBytes(ColorBGRA8{168, 168, 168, 255});
    EXPECT_TRUE(grey.r == 0.39157248F && grey.g == grey.r && grey.b == grey.r && grey.a == 1.0F);
    const ColorRGBA green = ColorFromBytes(ColorBGRA8{0, 255, 0, 255});
    EXPECT_TRUE(green.r == 0.0F && green.g == 1.0F);
    EXPECT_EQ(PackColor(ColorBGRA8{1, 2, 3, 4}), 0x04030201U);
}

TEST_F(HostLayer, UpperCasingIsUnicodeAware) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'}, {u'ä', u'Ä'}, {u'ш', u'Ш'},
        {u'λ', u'Λ'}, {u'1', u'1'}, {u'\xD800', u'\xD800'},
    };
    for (const auto& [unit, upper] : cases) {
        EXPECT_EQ(static_cast<int>(UpperCaseUnit(unit)), static_cast<int>(upper));
    }
}

// Names and token types go into log lines quoted: nothing in them may end the line, start
// another or turn the rest of it around.
TEST(LogText, EscapesWhatCouldForgeOrReorderALine) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"Bruno", "Bruno"},
        {"Стая Севера ✓", "Стая Севера ✓"},
        {"a\n01/01/25 00:00 [Beastfinder][info] Payment",
         "a\\n01/01/25 00:00 [Beastfinder][info] Payment"},
        {"q\"uo\\te", "q\\\"uo\\\\te"},
        {"\r\t\x01\x7f", "\\r\\t\\x01\\x7f"},
        {"\xc2\x85|\xe2\x80\xa8|\xe2\x80\xae|\xe2\x81\xa6", "\\u0085|\\u2028|\\u202e|\\u2066"},
        {"bad \xff\xc3", "bad \\xff\\xc3"},
    };
    for (const auto& [text, logged] : cases) {
        EXPECT_EQ(LogText(text), logged);
    }
}

}  // namespace
}  // namespace beastfinder::host
