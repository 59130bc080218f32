// The creature search over simulated worlds of growing size, against a baseline that reads
// the same fields straight from the simulated structs: the floor the host layer adds to.
//
//   cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBF_BUILD_BENCH=ON
//   build/bench/beastfinder-bench [--benchmark_filter=...]
//
// Counters: "creatures" (world size), "matches", and "lookups/creature", the framework
// lookups (GetAddress calls) one search makes, divided by the world size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config.h"
#include "host/fstring.h"
#include "host/game.h"
#include "host/logger.h"
#include "search/search.h"
#include "search/text.h"
#include "sim/generate.h"
#include "sim/host/server.h"

namespace {

using namespace beastfinder;

// The generated world users get from `beastfinder-sim generate`: a fifth of the creatures
// belong to the caller's tribe, about one in twenty of those is a Rex, and tame levels repeat,
// so the sort meets many ties.
constexpr std::uint64_t kSeed = 1;
constexpr const char* kCaller = "Bruno";

std::int32_t g_tribe = 0;  // the caller's team

AShooterPlayerController* BuildWorld(std::int64_t size) {
    sim::Server& server = sim::TheServer();
    sim::ApplyGeneratedWorld(server, static_cast<std::uint64_t>(size), kSeed, false);
    server.TakeEffects();
    sim::Player& player = *server.FindPlayer(kCaller);
    g_tribe = player.character->primal.actor.targeting_team;

    ResetConfig();
    PluginConfig& config = Config();
    config.GlobalSettings.DinosPerPage = 10;
    config.GlobalSettings.TextColor = {0.0F, 1.0F, 0.5F, 1.0F};
    config.GlobalSettings.DisplayScale = 0.5F;
    config.GlobalSettings.DisplayTime = 10.0F;
    config.TameTracker.ShowLevel = config.TameTracker.ShowDistance = true;
    return reinterpret_cast<AShooterPlayerController*>(player.controller.get());
}

// One search, wrapped as the plugin's command entry wraps every handler.
void Search(AShooterPlayerController* controller, const host::FString& message) {
    host::LookupScope scope;
    SearchCreatures(controller, message, false, false);
}

std::uint64_t LookupCount() {
    std::uint64_t total = 0;
    for (const auto& [text, count] : sim::TheServer().lookup_counts) {
        total += count;
    }
    return total;
}

void RunPlugin(benchmark::State& state, std::u16string_view line) {
    const std::int64_t size = state.range(0);
    AShooterPlayerController* controller = BuildWorld(size);
    const host::FString message = host::FStringFromWide(line);

    const std::uint64_t lookups_before = LookupCount();
    Search(controller, message);
    const std::uint64_t lookups = LookupCount() - lookups_before;
    if (sim::TheServer().TakeEffects().size() != 1) {
        state.SkipWithError("the search did not send exactly one notification");
        return;
    }
    for (auto _ : state) {
        Search(controller, message);
        benchmark::DoNotOptimize(sim::TheServer().TakeEffects());
    }
    state.counters["creatures"] = static_cast<double>(size);
    state.counters["lookups/creature"] = static_cast<double>(lookups) / static_cast<double>(size);
    state.SetItemsProcessed(state.iterations() * size);
}

void BM_WordSearch(benchmark::State& state) {
    RunPlugin(state, u"/track rex");
}
void BM_ListAll(benchmark::State& state) {
    RunPlugin(state, u"/track");
}

// The same walk with no host layer: fields read in place, names compared where they lie.
struct Found {
    std::int32_t level;
    const sim::Creature* creature;
};

std::u16string_view InPlace(const sim::SimFString& text) {
    if (text.data == nullptr || text.count <= 1) {
        return {};
    }
    return {text.data, static_cast<std::size_t>(text.count - 1)};
}

// Kept out of line so that a profiler can count one walk on its own.
template <typename Keep>
[[gnu::noinline]] std::size_t BaselineSearch(Keep keep) {
    std::vector<Found> found;
    for (const auto& creature : sim::TheServer().Creatures()) {
        if (keep(*creature)) {
            const sim::SimStatusComponent* status = creature->dino->primal.status_component;
            found.push_back(Found{status != nullptr ? status->level : 0, creature.get()});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.level > b.level; });
    benchmark::DoNotOptimize(found.data());
    return found.size();
}

template <typename Keep>
void RunBaseline(benchmark::State& state, Keep keep) {
    const std::int64_t size = state.range(0);
    BuildWorld(size);
    std::size_t matches = 0;
    for (auto _ : state) {
        matches = BaselineSearch(keep);
    }
    state.counters["creatures"] = static_cast<double>(size);
    state.counters["matches"] = static_cast<double>(matches);
    state.SetItemsProcessed(state.iterations() * size);
}

void BM_WordSearchBaseline(benchmark::State& state) {
    const FoldedNeedle needle(u"rex");
    RunBaseline(state, [&needle](const sim::Creature& creature) {
        const sim::SimDino& dino = *creature.dino;
        if (dino.primal.actor.targeting_team != g_tribe) {
            return false;
        }
        const std::u16string_view tribe = InPlace(dino.primal.tribe_name);
        const std::u16string_view owner = tribe.empty() ? InPlace(dino.owning_player_name) : tribe;
        return needle.FoundIn(owner) || needle.FoundIn(creature.name) ||
               needle.FoundIn(FirstPiece(InPlace(dino.primal.descriptive_name), u"("));
    });
}

void BM_ListAllBaseline(benchmark::State& state) {
    RunBaseline(state, [](const sim::Creature& creature) {
        return creature.dino->primal.actor.targeting_team == g_tribe;
    });
}

// The wild cooldown compares each new word with every stored one. A stored word that almost
// occurs everywhere in a word twice its length is the worst case for a plain search.
void BM_CooldownWordContains(benchmark::State& state) {
    const auto stored_length = static_cast<std::size_t>(state.range(0));
    std::u16string stored(stored_length, u'a');
    stored.back() = u'B';
    const std::u16string word(2 * stored_length, u'A');
    for (auto _ : state) {
        benchmark::DoNotOptimize(ContainsIgnoreCase(word, stored));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(word.size()));
}
BENCHMARK(BM_CooldownWordContains)->Arg(40000)->Unit(benchmark::kMillisecond);

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_WordSearch)->Apply(Sizes);
BENCHMARK(BM_WordSearchBaseline)->Apply(Sizes);
BENCHMARK(BM_ListAll)->Apply(Sizes);
BENCHMARK(BM_ListAllBaseline)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    beastfinder::host::CreatePluginLogger();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sim::TheServer().ClearWorld();
    beastfinder::ResetConfig();
    return 0;
}
