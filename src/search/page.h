// The page a listing shows: which matches it holds, in the order shown (highest level first,
// equal levels in the host's order).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace beastfinder {

// One page cut out of the matches.
struct PageCut {
    std::int64_t first = 0;  // the page's first match
    std::int64_t count = 0;  // 0: the page lies past the last match
    std::int64_t pages = 0;
    bool footer = false;  // the page shows some of the matches, not all
};

// A per-page setting below 1 shows one match a page. Every value the request and the setting
// can hold stays within 64 bits: the page index is below 2^31, the per-page count too.
constexpr PageCut CutPage(std::int64_t matches, std::int32_t per_page_setting,
                          std::int64_t page_index) {
    const std::int64_t per_page = std::max<std::int32_t>(1, per_page_setting);
    PageCut cut;
    cut.pages = matches / per_page + (matches % per_page != 0 ? 1 : 0);
    cut.first = page_index * per_page;
    cut.count = cut.first >= matches ? 0 : std::min(per_page, matches - cut.first);
    cut.footer = cut.count > 0 && cut.count < matches && cut.pages > 1;
    return cut;
}

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
