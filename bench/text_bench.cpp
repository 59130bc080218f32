// The case-insensitive search on words a hostile player controls. The wild cooldown compares
// each new word with every stored one; a stored word that almost occurs everywhere in a word
// twice its length is the worst case for a plain search.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "search/text.h"

namespace {

void BM_CooldownWordContains(benchmark::State& state) {
    const auto stored_length = static_cast<std::size_t>(state.range(0));
    std::u16string stored(stored_length, u'a');
    stored.back() = u'B';
    const std::u16string word(2 * stored_length, u'A');
    for (auto _ : state) {
        benchmark::DoNotOptimize(beastfinder::ContainsIgnoreCase(word, stored));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(word.size()));
}
BENCHMARK(BM_CooldownWordContains)->Arg(40000)->Arg(400000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
