// How far apart two names are, for naming the one probably meant.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace beastfinder::config {

// Edits (insert, delete, replace, swap of neighbours) from `a` to `b`, units compared after
// `fold` (which ignores case, say); more than `limit` apart is limit + 1 at once.
template <typename Char, typename Fold>
std::size_t EditDistance(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                         std::size_t limit, Fold fold) {
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) {
        return limit + 1;
    }
    std::vector<std::size_t> before(b.size() + 1);
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = fold(a[i - 1]) == fold(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && fold(a[i - 1]) == fold(b[j - 2]) &&
                fold(a[i - 2]) == fold(b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

}  // namespace beastfinder::config
