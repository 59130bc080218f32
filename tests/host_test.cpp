#include <gtest/gtest.h>

#include <cstring>

#include "host/fstring.h"
#include "host/game.h"
#include "host/host_array.h"
#include "host/logger.h"
#include "host/memory.h"
#include "host/platform.h"
#include "host/values.h"
#include "sim/host/server.h"

namespace beastfinder::host {
namespace {

class HostLayer : public ::testing::Test {
protected:
    void SetUp() override {
        sim::TheServer().TakeEffects();
        live_before_ = sim::TheServer().Allocator().LiveBlocks();
    }
    void TearDown() override {
        EXPECT_EQ(sim::TheServer().Allocator().LiveBlocks(), live_before_) << "host blocks leaked";
        for (const auto& effect : sim::TheServer().TakeEffects()) {
            EXPECT_NE(effect.type, "fault") << effect.Text("what");
        }
    }
    std::size_t Live() const { return sim::TheServer().Allocator().LiveBlocks() - live_before_; }

private:
    std::size_t live_before_ = 0;
};

TEST_F(HostLayer, EmptyTextsAllocateNothing) {
    const FString narrow = FStringFromNarrow("");
    const FString wide = FStringFromWide(std::u16string_view());
    for (const FString* text : {&narrow, &wide}) {
        EXPECT_EQ(text->Data(), nullptr);
        EXPECT_EQ(text->Count(), 0);
        EXPECT_EQ(text->Capacity(), 0);
        EXPECT_EQ(FStringToUtf8(*text), "");
    }
    EXPECT_EQ(Live(), 0U);
    const FString copy = narrow;
    EXPECT_EQ(copy.Data(), nullptr);
    EXPECT_EQ(Live(), 0U);
}

TEST_F(HostLayer, NarrowTextGetsTheHostCapacities) {
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
        const auto& live = sim::TheServer().Allocator().Live();
        ASSERT_EQ(live.at(const_cast<char16_t*>(text.Data())).bytes,
                  static_cast<std::uint64_t>(c.capacity) * 2);
    }
}

TEST_F(HostLayer, GrowthRuleAndOverflow) {
    EXPECT_EQ(GrowCapacity(0, 1), 4);
    EXPECT_EQ(GrowCapacity(0, 4), 4);
    EXPECT_EQ(GrowCapacity(0, 5), 22);
    EXPECT_EQ(GrowCapacity(4, 5), 22);
    EXPECT_EQ(GrowCapacity(4, 3), 3 + 1 + 16);  // only an empty list gets the small block
    EXPECT_EQ(GrowCapacity(22, 23), 23 + 8 + 16);
    EXPECT_EQ(GrowCapacity(0, 2000000000), 2147483647);
}

TEST_F(HostLayer, BytesAbove127BecomeQuestionMarks) {
    const FString text = FStringFromNarrow("caf\xC3\xA9");
    ASSERT_EQ(text.Count(), 6);
    EXPECT_EQ(text.View(), u"caf??");
    EXPECT_EQ(FStringToUtf8(FStringFromNarrow("Zoë")), "Zo??");
}

TEST_F(HostLayer, WideTextRoundTripsThroughUtf8) {
    EXPECT_EQ(FStringToUtf8(FStringFromWide(u"Шторм Ärger 龍")), "Шторм Ärger 龍");
    EXPECT_EQ(FStringToUtf8(FStringFromWide(u"\xD83D\xDE00")), "\xF0\x9F\x98\x80");
    // Unpaired surrogates cannot be spelled in UTF-8; they become U+FFFD.
    EXPECT_EQ(FStringToUtf8(FStringFromWide(u"a\xD800" u"b")), "a\xEF\xBF\xBD" "b");
    std::u16string owned = u"taken over";
    const FString text = FStringFromOwnedWide(std::move(owned));
    EXPECT_TRUE(owned.empty());
    EXPECT_EQ(text.View(), u"taken over");
}

TEST_F(HostLayer, TerminatorOnlyStringReadsAsEmpty) {
    FString text = FStringFromNarrow("x");
    text = FString::FromUnits(u"");
    EXPECT_EQ(FStringToUtf8(text), "");
    EXPECT_TRUE(text.Empty());
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
    EXPECT_EQ(grey.r, 0.39157248F);
    EXPECT_EQ(grey.g, grey.r);
    EXPECT_EQ(grey.b, grey.r);
    EXPECT_EQ(grey.a, 1.0F);
    const ColorRGBA green = ColorFromBytes(ColorBGRA8{0, 255, 0, 255});
    EXPECT_EQ(green.r, 0.0F);
    EXPECT_EQ(green.g, 1.0F);
    EXPECT_EQ(PackColor(ColorBGRA8{1, 2, 3, 4}), 0x04030201U);
}

TEST_F(HostLayer, UnresolvedLookupFailsCleanlyAndIsLoggedOnce) {
    CreatePluginLogger();
    sim::TheServer().TakeEffects();
    sim::TheServer().unresolved.insert("UGameplayStatics.GetAllActorsOfClass");
    HostArray<AActor*> actors;
    EXPECT_THROW(GetAllActorsOfClass(CurrentWorld(), nullptr, actors), HostLookupError);
    EXPECT_THROW(GetAllActorsOfClass(CurrentWorld(), nullptr, actors), HostLookupError);
    sim::TheServer().unresolved.clear();
    int errors = 0;
    for (const auto& effect : sim::TheServer().TakeEffects()) {
        if (effect.type == "log" && effect.Text("level") == "error") {
            ++errors;
            EXPECT_NE(effect.Text("message").find("UGameplayStatics.GetAllActorsOfClass"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(errors, 1);
}

TEST_F(HostLayer, UpperCasingIsUnicodeAware) {
    EXPECT_EQ(UpperCaseUnit(u'a'), u'A');
    EXPECT_EQ(UpperCaseUnit(u'ä'), u'Ä');
    EXPECT_EQ(UpperCaseUnit(u'ш'), u'Ш');
    EXPECT_EQ(UpperCaseUnit(u'λ'), u'Λ');
    EXPECT_EQ(UpperCaseUnit(u'1'), u'1');
    EXPECT_EQ(UpperCaseUnit(u'\xD800'), u'\xD800');
}

}  // namespace
}  // namespace beastfinder::host
