#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "commands/cooldown_book.h"
#include "tests/host_fixture.h"

namespace beastfinder {
namespace {

constexpr std::int64_t kSecond = 10000000;  // host ticks
constexpr std::uint64_t kBruno = 76561198000000001ULL;
constexpr std::uint64_t kAnna = 76561198000000002ULL;

class CooldownBookTest : public bftest::HostTest {};

// Bruno searched "rex" at 0 s with a 60 s cooldown; what each later search has to wait.
TEST_F(CooldownBookTest, WhoWaitsHowLong) {
    const struct {
        std::uint64_t player;
        const char16_t* word;
        std::int64_t now;  // seconds
        std::int32_t cooldown;
        std::optional<std::int64_t> wait;
    } cases[] = {
        {kBruno, u"raptor", 0, 60, 60},
        {kBruno, u"raptor", 30, 60, 30},
        {kBruno, u"raptor", -10, 60, 70},  // the clock went back
        {kBruno, u"re", 0, 60, 60},
        {kBruno, u"rex", 0, 60, std::nullopt},     // repeating or paging one's own search
        {kBruno, u"TREXES", 0, 60, std::nullopt},  // holds the last word, any case
        {kBruno, u"raptor", 60, 60, std::nullopt},
        {kAnna, u"raptor", 0, 60, std::nullopt},  // no search of her own yet
        {kAnna, u"rex", 0, 60, std::nullopt},
        {kBruno, u"raptor", 0, 0, std::nullopt},  // cooldown switched off
        {kBruno, u"raptor", 0, -5, std::nullopt},
        {kBruno, u"raptor", 0, 120, 60},  // the expiry was set with the old cooldown
        {kBruno, u"rex", 0, 120, std::nullopt},
        {kBruno, u"rex", 0, 30, 30},  // ...and the repeat passes one new cooldown sooner
    };
    CooldownBook book;
    book.Start(kBruno, u"rex", 0, 60);
    for (const auto& c : cases) {
        EXPECT_EQ(book.Wait(c.player, c.word, c.now * kSecond, c.cooldown), c.wait)
            << "player " << c.player % 10 << " at " << c.now << " s, cooldown " << c.cooldown;
    }
    // A part of a second left does not count as one.
    EXPECT_EQ(book.Wait(kBruno, u"raptor", 59 * kSecond + 1, 60), std::nullopt);
    EXPECT_EQ(book.Wait(kBruno, u"raptor", 59 * kSecond - 1, 60), 1);
}

// Another player's search does not touch Bruno's entry; his own replaces it.
TEST_F(CooldownBookTest, StartRecordsOnlyTheSearcher) {
    CooldownBook book;
    book.Start(kBruno, u"rex", 0, 60);
    book.Start(kAnna, u"raptor", 10 * kSecond, 60);
    EXPECT_EQ(book.Wait(kBruno, u"raptor", 0, 60), 60);
    EXPECT_EQ(book.Wait(kBruno, u"rex", 0, 60), std::nullopt);

    book.Start(kBruno, u"raptor", 20 * kSecond, 60);
    EXPECT_EQ(book.Wait(kBruno, u"rex", 20 * kSecond, 60), 60);
    EXPECT_EQ(book.Wait(kBruno, u"raptor", 20 * kSecond, 60), std::nullopt);
    EXPECT_EQ(book.Wait(kAnna, u"rex", 20 * kSecond, 60), 50);

    book.Start(kAnna, u"dodo", 30 * kSecond, 0);  // without a cooldown nothing is recorded
    EXPECT_EQ(book.Wait(kAnna, u"rex", 30 * kSecond, 60), 40);

    book.Clear();
    EXPECT_EQ(book.Wait(kBruno, u"rex", 20 * kSecond, 60), std::nullopt);
    EXPECT_EQ(book.Wait(kAnna, u"rex", 20 * kSecond, 60), std::nullopt);
}

}  // namespace
}  // namespace beastfinder
