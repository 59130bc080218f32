// The order a listing shows: highest level first, equal levels in the host's order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace beastfinder {

// Only one page is shown, so only that page is put in order. `position` is the place in the
// host's list, which makes the order total: the page is the one a full stable sort by level
// would give, ties included.
template <typename Ranked>
void OrderPage(std::vector<Ranked>& ranked, std::size_t first, std::size_t count) {
    const std::size_t n = ranked.size();
    if (first >= n || count == 0) {
        return;
    }
    const auto before = [](const Ranked& a, const Ranked& b) {
        return a.level != b.level ? a.level > b.level : a.position < b.position;
    };
    const auto page = ranked.begin() + static_cast<std::ptrdiff_t>(first);
    const auto page_end = page + static_cast<std::ptrdiff_t>(std::min(count, n - first));
    if (first > 0) {
        std::nth_element(ranked.begin(), page, ranked.end(), before);
    }
    std::partial_sort(page, page_end, ranked.end(), before);
}

}  // namespace beastfinder
