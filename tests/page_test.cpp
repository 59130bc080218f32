#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "search/page.h"

namespace beastfinder {
namespace {

struct Ranked {
    std::int32_t level;
    std::uint32_t position;
    bool operator==(const Ranked&) const = default;
};

// Any page cut from the partly ordered list equals the same page of the list stably sorted
// by level, on lists where most levels are shared.
TEST(OrderPage, SamePageAsAFullStableSort) {
    std::mt19937 random(20261207);
    for (int world = 0; world < 300; ++world) {
        const std::size_t size = random() % 200;
        const std::int32_t levels = 1 + static_cast<std::int32_t>(random() % 6);
        std::vector<Ranked> listed;
        for (std::size_t i = 0; i < size; ++i) {
            listed.push_back(
                {static_cast<std::int32_t>(random() % levels) - 2, static_cast<std::uint32_t>(i)});
        }
        std::vector<Ranked> sorted = listed;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Ranked& a, const Ranked& b) { return a.level > b.level; });
        const std::size_t per_page = 1 + random() % 12;
        for (std::size_t first = 0; first <= size + per_page; first += per_page) {
            std::vector<Ranked> paged = listed;
            OrderPage(paged, first, per_page);
            const std::size_t end = std::min(size, first + per_page);
            for (std::size_t i = first; i < end; ++i) {
                ASSERT_EQ(paged[i], sorted[i]) << "world " << world << ", entry " << i;
            }
        }
    }
}

TEST(CutPage, FirstCountPagesAndFooter) {
    constexpr std::int64_t kBig = 2147483646;  // the highest page index a request holds
    const struct {
        std::int64_t matches;
        std::int32_t per_page;
        std::int64_t page_index;
        PageCut cut;
    } cases[] = {
        {0, 10, 0, {0, 0, 0, false}},
        {1, 10, 0, {0, 1, 1, false}},
        {10, 10, 0, {0, 10, 1, false}},
        {11, 10, 0, {0, 10, 2, true}},
        {11, 10, 1, {10, 1, 2, true}},
        {11, 10, 2, {20, 0, 2, false}},  // past the last page: nothing found
        {5, 0, 0, {0, 1, 5, true}},      // fewer than one a page shows one
        {5, -3, 4, {4, 1, 5, true}},
        {3, INT32_MAX, 0, {0, 3, 1, false}},
        {3, INT32_MAX, kBig, {kBig * INT32_MAX, 0, 1, false}},
    };
    for (const auto& c : cases) {
        const PageCut cut = CutPage(c.matches, c.per_page, c.page_index);
        const auto at = ::testing::Message() << c.matches << " matches, " << c.per_page
                                             << " a page, page index " << c.page_index;
        EXPECT_EQ(cut.first, c.cut.first) << at;
        EXPECT_EQ(cut.count, c.cut.count) << at;
        EXPECT_EQ(cut.pages, c.cut.pages) << at;
        EXPECT_EQ(cut.footer, c.cut.footer) << at;
    }
}

}  // namespace
}  // namespace beastfinder
