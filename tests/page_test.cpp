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

}  // namespace
}  // namespace beastfinder
