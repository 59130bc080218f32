// One world, every tracker search, four ways: the plugin and three loops it is judged by.
//
//   interface  the least any plugin must do through the host, in the plugin's best order of
//              fetches: the creature list, each field and function lookup once per search,
//              the mode decided once, fields read in place, the name fetched (and freed) only
//              where owner and species did not decide, each level read once, the page picked
//              out of the matches.
//   raw        the same walk over the simulator's structs, no host calls at all.
//   bytes      the same walk over flat arrays holding only what a search reads.
//
// Usage: beastfinder-measure SIZE [REPEATS]
// Prints one line per search and way: matches, CPU milliseconds (best of REPEATS), peak extra
// heap bytes. Under callgrind each measured run is dumped on its own (see bench/table).
#include <malloc.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "config/config.h"
#include "host/fstring.h"
#include "host/game.h"
#include "host/logger.h"
#include "present/coordinates.h"
#include "search/request.h"
#include "search/search.h"
#include "search/teams.h"
#include "search/text.h"
#include "sim/framework/server.h"
#include "sim/tools/generate.h"

// --- The plugin's own heap (operator new), counted with its peak --------------------------
namespace {
std::size_t g_heap_live = 0;
std::size_t g_heap_peak = 0;
}  // namespace

void* operator new(std::size_t bytes) {
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    g_heap_live += malloc_usable_size(block);
    g_heap_peak = std::max(g_heap_peak, g_heap_live);
    return block;
}
void operator delete(void* block) noexcept {
    if (block != nullptr) {
        g_heap_live -= malloc_usable_size(block);
        std::free(block);
    }
}
void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

namespace {

using namespace beastfinder;

constexpr std::uint64_t kSeed = 1;
constexpr const char* kCaller = "Bruno";
constexpr float kNearLimit = 1000.0F;  // metres: a tenth of the default map's width
constexpr std::size_t kPerPage = 10;

enum class Way { Plugin, Interface, Raw, Bytes };
constexpr const char* kWayNames[] = {"plugin", "interface", "raw", "bytes"};

// An administrator's long list of words no one may search for, none of them a creature's.
constexpr int kLongExclusionList = 1000;

struct Command {
    const char* name;
    std::u16string_view line;
    std::u16string_view word;  // empty: list everything the mode admits
    bool wild;
    bool admin;
    float max_distance;
    int exclusions;
};

const Command kCommands[] = {
    {"tame-word", u"/track rex", u"rex", false, false, 99999.0F, 0},
    {"tame-all", u"/track", u"", false, false, 99999.0F, 0},
    {"admin-word", u"/trackadmin rex", u"rex", false, true, 99999.0F, 0},
    {"wild-word", u"/trackwild rex", u"rex", true, false, 99999.0F, 0},
    {"wild-near", u"/trackwild rex", u"rex", true, false, kNearLimit, 0},
    {"wild-excl", u"/trackwild raptor", u"raptor", true, false, 99999.0F, kLongExclusionList},
};

// The player every search is made as.
struct Searcher {
    AShooterPlayerController* controller;
    std::int32_t team;
    host::Vector3 position;
    const void* root;  // the caller's scene component
};

// The page every way must end with: highest level first, equal levels in world order.
struct Hit {
    std::int32_t level;
    std::uint32_t index;
    const void* creature;
};

std::size_t PickPage(std::vector<Hit>& hits) {
    const std::size_t shown = std::min(kPerPage, hits.size());
    std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(shown), hits.end(),
                      [](const Hit& a, const Hit& b) {
                          return a.level != b.level ? a.level > b.level : a.index < b.index;
                      });
    asm volatile("" : : "g"(hits.data()) : "memory");  // the page is the result
    return hits.size();
}

bool InMode(const Command& command, std::int32_t team, std::int32_t caller_team) {
    if (command.wild) {
        return team < kTribeTeamFloor;
    }
    if (command.admin) {
        return command.word.empty() ? team > kTribeTeamFloor : team == 0 || team > kTribeTeamFloor;
    }
    return team == caller_team;
}

std::u16string_view Species(std::u16string_view descriptive) {
    const std::u16string_view piece = FirstPiece(descriptive, u"(");
    return piece.empty() ? descriptive : piece;
}

bool WithinWildLimits(const WildTrackerConfig& wild, float distance, std::int32_t level) {
    return wild.MaxDistance >= distance && (wild.MaxLevel == -1 || level <= wild.MaxLevel) &&
           (wild.MinLevel == -1 || level >= wild.MinLevel);
}

// --- interface -------------------------------------------------------------------------

struct RawString {
    char16_t* data;
    std::int32_t count;
    std::int32_t capacity;
    std::u16string_view View() const {
        return count > 1 ? std::u16string_view(data, static_cast<std::size_t>(count - 1))
                         : std::u16string_view();
    }
};

struct RawArray {
    void** data;
    std::int32_t count;
    std::int32_t capacity;
};

template <typename Fn>
Fn FunctionAt(const char* text) {
    return reinterpret_cast<Fn>(::GetAddress(std::string(text)));
}

std::intptr_t OffsetOf(const void* object, const char* text) {
    return static_cast<std::intptr_t>(::GetAddress(object, std::string(text)) -
                                      reinterpret_cast<std::uintptr_t>(object));
}

template <typename T>
T At(const void* object, std::intptr_t offset) {
    return *reinterpret_cast<const T*>(static_cast<const char*>(object) + offset);
}

// The host's functions and field offsets a search needs, each asked for once.
struct InterfaceLookups {
    void (*free_block)(void*);
    RawString* (*get_name)(void*, RawString*, void*);
    void* (*get_status)(void*);
    std::int32_t (*get_level)(void*);
    std::intptr_t team_at, status_at, tribe_at, owner_at, species_at, root_at, location_at;
};

// The current name, fetched into host memory and released; a name that came back empty
// holds no block to release.
bool NameHas(const InterfaceLookups& host, const FoldedNeedle& needle, void* creature,
             const Searcher& caller) {
    RawString name{nullptr, 0, 0};
    host.get_name(creature, &name, caller.controller);
    const bool found = needle.FoundIn(name.View());
    if (name.data != nullptr) {
        host.free_block(name.data);
    }
    return found;
}

bool Excluded(std::u16string_view name, const WildTrackerConfig& wild) {
    for (const host::FString& excluded : wild.ExcludeSearch) {
        if (ContainsIgnoreCase(name, excluded.View())) {
            return true;
        }
    }
    return false;
}

// Owned creatures by word, in the plugin's order of fetches: owner and species read in
// place, the name fetched only when both miss, the level only for a match.
template <typename Admits>
void InterfaceOwnedWord(const InterfaceLookups& host, const RawArray& list,
                        const FoldedNeedle& needle, const Searcher& caller, Admits admits,
                        std::vector<Hit>& hits) {
    for (std::int32_t i = 0; i < list.count; ++i) {
        void* creature = list.data[i];
        if (!admits(At<std::int32_t>(creature, host.team_at))) {
            continue;
        }
        const RawString& tribe = At<RawString>(creature, host.tribe_at);
        const bool found =
            needle.FoundIn(tribe.count > 1 ? tribe.View()
                                           : At<RawString>(creature, host.owner_at).View()) ||
            needle.FoundIn(Species(At<RawString>(creature, host.species_at).View())) ||
            NameHas(host, needle, creature, caller);
        if (found) {
            void* status = At<void*>(creature, host.status_at);
            hits.push_back(Hit{status != nullptr ? host.get_level(status) : 0,
                               static_cast<std::uint32_t>(i), creature});
        }
    }
}

// Wild creatures by word: position, then level, then the fetched name, then exclusions for
// the names that match. The level read for the limits is the one the page is sorted by.
void InterfaceWildWord(const InterfaceLookups& host, const RawArray& list,
                       const FoldedNeedle& needle, const Searcher& caller, std::vector<Hit>& hits) {
    const WildTrackerConfig& wild = Config().WildTracker;
    for (std::int32_t i = 0; i < list.count; ++i) {
        void* creature = list.data[i];
        if (At<std::int32_t>(creature, host.team_at) >= kTribeTeamFloor) {
            continue;
        }
        void* root = At<void*>(creature, host.root_at);
        if (root == nullptr) {
            continue;
        }
        const float distance =
            DistanceInMetres(At<host::Vector3>(root, host.location_at), caller.position);
        if (!(wild.MaxDistance >= distance)) {
            continue;
        }
        void* status = host.get_status(creature);
        const std::int32_t level = status != nullptr ? host.get_level(status) : 0;
        if (!WithinWildLimits(wild, distance, level)) {
            continue;
        }
        RawString name{nullptr, 0, 0};
        host.get_name(creature, &name, caller.controller);
        const bool found = needle.FoundIn(name.View()) && !Excluded(name.View(), wild);
        if (name.data != nullptr) {
            host.free_block(name.data);
        }
        if (found) {
            hits.push_back(Hit{level, static_cast<std::uint32_t>(i), creature});
        }
    }
}

// A list of everything the mode admits: the team of all, the level of those kept.
template <typename Admits>
void InterfaceAll(const InterfaceLookups& host, const RawArray& list, Admits admits,
                  std::vector<Hit>& hits) {
    for (std::int32_t i = 0; i < list.count; ++i) {
        void* creature = list.data[i];
        if (admits(At<std::int32_t>(creature, host.team_at))) {
            void* status = At<void*>(creature, host.status_at);
            hits.push_back(Hit{status != nullptr ? host.get_level(status) : 0,
                               static_cast<std::uint32_t>(i), creature});
        }
    }
}

// The least a search through the host must do, with the plugin's best order of fetches:
// each lookup asked once, the mode decided once rather than per creature.
[[gnu::noinline]] std::size_t InterfaceSearch(const Command& command, const Searcher& caller) {
    InterfaceLookups host{};
    host.free_block = FunctionAt<void (*)(void*)>("FMemory.Free");
    const auto get_class = FunctionAt<void* (*)()>("APrimalDinoCharacter.GetPrivateStaticClass");
    const auto get_all =
        FunctionAt<void (*)(void*, void*, RawArray*)>("UGameplayStatics.GetAllActorsOfClass");
    host.get_level =
        FunctionAt<std::int32_t (*)(void*)>("UPrimalCharacterStatusComponent.GetCharacterLevel");

    RawArray list{nullptr, 0, 0};
    get_all(ArkApi::GetApiUtils().GetWorld(), get_class(), &list);
    std::vector<Hit> hits;
    if (list.count == 0) {
        host.free_block(list.data);
        return 0;
    }
    hits.reserve(static_cast<std::size_t>(list.count));
    const void* first = list.data[0];
    host.team_at = OffsetOf(first, "AActor.TargetingTeam");
    host.status_at = OffsetOf(first, "APrimalCharacter.MyCharacterStatusComponent");
    const FoldedNeedle needle(command.word);
    const std::int32_t caller_team = caller.team;

    if (command.word.empty()) {
        if (command.wild) {
            InterfaceAll(
                host, list, [](std::int32_t team) { return team < kTribeTeamFloor; }, hits);
        } else if (command.admin) {
            InterfaceAll(
                host, list, [](std::int32_t team) { return team > kTribeTeamFloor; }, hits);
        } else {
            InterfaceAll(
                host, list, [caller_team](std::int32_t team) { return team == caller_team; }, hits);
        }
    } else if (command.wild) {
        host.get_name = FunctionAt<RawString* (*)(void*, RawString*, void*)>(
            "APrimalDinoCharacter.GetCurrentDinoName");
        host.get_status =
            FunctionAt<void* (*)(void*)>("APrimalCharacter.GetCharacterStatusComponent");
        host.root_at = OffsetOf(first, "AActor.RootComponent");
        // Every scene component has the field at the same place: the caller's root tells.
        host.location_at = OffsetOf(caller.root, "USceneComponent.RelativeLocation");
        InterfaceWildWord(host, list, needle, caller, hits);
    } else {
        host.get_name = FunctionAt<RawString* (*)(void*, RawString*, void*)>(
            "APrimalDinoCharacter.GetCurrentDinoName");
        host.tribe_at = OffsetOf(first, "APrimalCharacter.TribeName");
        host.owner_at = OffsetOf(first, "APrimalDinoCharacter.OwningPlayerName");
        host.species_at = OffsetOf(first, "APrimalCharacter.DescriptiveName");
        if (command.admin) {
            // Team 0 is the admin search's own "team", so it is admitted with the owned.
            InterfaceOwnedWord(
                host, list, needle, caller,
                [](std::int32_t team) { return team == 0 || team > kTribeTeamFloor; }, hits);
        } else {
            InterfaceOwnedWord(
                host, list, needle, caller,
                [caller_team](std::int32_t team) { return team == caller_team; }, hits);
        }
    }
    host.free_block(list.data);
    return PickPage(hits);
}

// --- raw -------------------------------------------------------------------------------

std::u16string_view InPlace(const sim::SimFString& text) {
    return text.count > 1 ? std::u16string_view(text.data, static_cast<std::size_t>(text.count - 1))
                          : std::u16string_view();
}

std::int32_t LevelOf(const sim::SimPrimalCharacter& character) {
    return character.status_component != nullptr ? character.status_component->level : 0;
}

[[gnu::noinline]] std::size_t RawSearch(const Command& command, const Searcher& caller) {
    const FoldedNeedle needle(command.word);
    const bool rex = !command.word.empty();
    const WildTrackerConfig& wild = Config().WildTracker;
    const auto& creatures = sim::TheServer().Creatures();
    std::vector<Hit> hits;
    hits.reserve(creatures.size());
    for (std::size_t i = 0; i < creatures.size(); ++i) {
        const sim::Creature& creature = *creatures[i];
        const sim::SimDino& dino = *creature.dino;
        if (!InMode(command, dino.primal.actor.targeting_team, caller.team)) {
            continue;
        }
        std::int32_t level = 0;
        if (command.wild) {
            const sim::SimSceneComponent* root = dino.primal.actor.root_component;
            if (root == nullptr) {
                continue;
            }
            const sim::SimVector3& at = root->relative_location;
            const float distance = DistanceInMetres({at.x, at.y, at.z}, caller.position);
            level = LevelOf(dino.primal);
            if (!WithinWildLimits(wild, distance, level) || !needle.FoundIn(creature.name) ||
                Excluded(creature.name, wild)) {
                continue;
            }
        } else {
            if (rex) {
                const std::u16string_view tribe = InPlace(dino.primal.tribe_name);
                const bool found =
                    needle.FoundIn(tribe.empty() ? InPlace(dino.owning_player_name) : tribe) ||
                    needle.FoundIn(Species(InPlace(dino.primal.descriptive_name))) ||
                    needle.FoundIn(creature.name);
                if (!found) {
                    continue;
                }
            }
            level = LevelOf(dino.primal);
        }
        hits.push_back(Hit{level, static_cast<std::uint32_t>(i), &creature});
    }
    return PickPage(hits);
}

// --- bytes -----------------------------------------------------------------------------

// Only what a search reads, side by side; texts in one pool.
struct Flat {
    std::vector<std::int32_t> team;
    std::vector<std::int32_t> level;
    std::vector<host::Vector3> position;
    std::vector<std::u16string_view> owner, name, species;
    std::u16string pool;
};

Flat Flatten() {
    Flat flat;
    const auto& creatures = sim::TheServer().Creatures();
    std::vector<std::size_t> owner_at, name_at, species_at;
    for (const auto& creature : creatures) {
        const sim::SimDino& dino = *creature->dino;
        flat.team.push_back(dino.primal.actor.targeting_team);
        flat.level.push_back(LevelOf(dino.primal));
        const sim::SimSceneComponent* root = dino.primal.actor.root_component;
        flat.position.push_back(root != nullptr ? host::Vector3{root->relative_location.x,
                                                                root->relative_location.y,
                                                                root->relative_location.z}
                                                : host::Vector3{});
        const std::u16string_view tribe = InPlace(dino.primal.tribe_name);
        auto keep = [&flat](std::u16string_view text, std::vector<std::size_t>& at) {
            at.push_back(flat.pool.size());
            flat.pool += text;
            flat.pool += u'\0';
        };
        keep(tribe.empty() ? InPlace(dino.owning_player_name) : tribe, owner_at);
        keep(creature->name, name_at);
        keep(Species(InPlace(dino.primal.descriptive_name)), species_at);
    }
    auto view = [&flat](std::size_t at) { return std::u16string_view(flat.pool.c_str() + at); };
    for (std::size_t i = 0; i < creatures.size(); ++i) {
        flat.owner.push_back(view(owner_at[i]));
        flat.name.push_back(view(name_at[i]));
        flat.species.push_back(view(species_at[i]));
    }
    return flat;
}

[[gnu::noinline]] std::size_t BytesSearch(const Flat& flat, const Command& command,
                                          const Searcher& caller) {
    std::vector<Hit> hits;
    hits.reserve(flat.team.size());
    const FoldedNeedle needle(command.word);
    const bool rex = !command.word.empty();
    const WildTrackerConfig& wild = Config().WildTracker;
    for (std::size_t i = 0; i < flat.team.size(); ++i) {
        if (!InMode(command, flat.team[i], caller.team)) {
            continue;
        }
        if (command.wild) {
            const float distance = DistanceInMetres(flat.position[i], caller.position);
            if (!WithinWildLimits(wild, distance, flat.level[i]) || !needle.FoundIn(flat.name[i]) ||
                Excluded(flat.name[i], wild)) {
                continue;
            }
        } else if (rex && !needle.FoundIn(flat.owner[i]) && !needle.FoundIn(flat.species[i]) &&
                   !needle.FoundIn(flat.name[i])) {
            continue;
        }
        hits.push_back(Hit{flat.level[i], static_cast<std::uint32_t>(i), nullptr});
    }
    return PickPage(hits);
}

// --- plugin ----------------------------------------------------------------------------

[[gnu::noinline]] void PluginSearch(const Command& command, const Searcher& caller,
                                    const host::FString& message) {
    host::LookupScope scope;
    const SearchMode mode = command.wild    ? SearchMode::Wild
                            : command.admin ? SearchMode::Admin
                                            : SearchMode::Tame;
    if (const auto asker = AnswerableCaller(caller.controller)) {
        SearchCreatures(*asker, ParseRequest(mode, message.View()));
    }
}

// The match count the plugin's page footer states, or the lines of a one-page list.
std::size_t PluginMatches(const std::vector<sim::Effect>& effects) {
    if (effects.size() != 1 || effects[0].type != "notify") {
        std::fprintf(stderr, "the plugin did not send exactly one notification\n");
        std::exit(1);
    }
    const std::string text = effects[0].Text("text");
    const std::size_t total = text.find("Total: ");
    if (total != std::string::npos) {
        return std::strtoull(text.c_str() + total + 7, nullptr, 10);
    }
    return text == "No dinos found" ? 0 : static_cast<std::size_t>(-1);
}

Searcher Setup(std::uint64_t size) {
    sim::Server& server = sim::TheServer();
    sim::ApplyGeneratedWorld(server, size, kSeed, false);
    server.TakeEffects();
    sim::Player& player = *server.FindPlayer(kCaller);
    ResetConfig();
    PluginConfig& config = Config();
    config.GlobalSettings.DinosPerPage = static_cast<std::int32_t>(kPerPage);
    config.GlobalSettings.TextColor = {1.0F, 1.0F, 1.0F, 1.0F};
    config.GlobalSettings.DisplayScale = 0.5F;
    config.GlobalSettings.DisplayTime = 10.0F;
    config.TameTracker.ShowLevel = config.TameTracker.ShowDistance = true;
    config.WildTracker.ShowLevel = config.WildTracker.ShowDistance = true;
    config.WildTracker.MaxLevel = 999;
    config.WildTracker.MinLevel = 1;
    const sim::SimVector3& at = player.root->world_location;
    return Searcher{reinterpret_cast<AShooterPlayerController*>(player.controller.get()),
                    player.character->primal.actor.targeting_team,
                    {at.x, at.y, at.z},
                    player.root.get()};
}

void SetExclusions(int count) {
    host::HostArray<host::FString>& excluded = Config().WildTracker.ExcludeSearch;
    excluded.Clear();
    for (int i = 0; i < count; ++i) {
        excluded.Append(host::FStringFromNarrow(fmt::format("nosuchbeast{}", i)));
    }
}

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SIZE [REPEATS]\n", argv[0]);
        return 2;
    }
    const std::uint64_t size = std::strtoull(argv[1], nullptr, 10);
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    host::CreatePluginLogger();
    const Searcher caller = Setup(size);
    const Flat flat = Flatten();
    sim::Server& server = sim::TheServer();
    CALLGRIND_START_INSTRUMENTATION;

    std::printf("%-10s %-9s %9s %10s %12s\n", "command", "way", "matches", "cpu_ms", "peak_bytes");
    for (const Command& command : kCommands) {
        Config().WildTracker.MaxDistance = command.max_distance;
        SetExclusions(command.exclusions);
        const host::FString message = host::FStringFromWide(command.line);
        for (Way way : {Way::Plugin, Way::Interface, Way::Raw, Way::Bytes}) {
            std::size_t matches = 0;
            auto run = [&] {
                switch (way) {
                    case Way::Plugin:
                        PluginSearch(command, caller, message);
                        break;
                    case Way::Interface:
                        matches = InterfaceSearch(command, caller);
                        break;
                    case Way::Raw:
                        matches = RawSearch(command, caller);
                        break;
                    case Way::Bytes:
                        matches = BytesSearch(flat, command, caller);
                        break;
                }
            };
            run();  // warm: first-use costs (lookup texts, logger) are not the search's
            if (way == Way::Plugin) {
                matches = PluginMatches(server.TakeEffects());
            }
            // Peak extra memory: the plugin's heap plus the host blocks it held at once.
            const std::size_t heap_before = g_heap_live;
            g_heap_peak = heap_before;
            server.Allocator().ResetPeak();
            const std::uint64_t host_before = server.Allocator().LiveBytes();
            double best = std::numeric_limits<double>::infinity();
            for (int i = 0; i < repeats; ++i) {
                CALLGRIND_ZERO_STATS;
                const double start = ThreadCpuMs();
                run();
                const double spent = ThreadCpuMs() - start;
                const std::string label =
                    std::string(command.name) + "/" + kWayNames[static_cast<int>(way)];
                CALLGRIND_DUMP_STATS_AT(label.c_str());
                best = std::min(best, spent);
                server.TakeEffects();
            }
            const std::size_t peak =
                (g_heap_peak - heap_before) +
                static_cast<std::size_t>(server.Allocator().PeakBytes() - host_before);
            std::printf("%-10s %-9s %9zu %10.3f %12zu\n", command.name,
                        kWayNames[static_cast<int>(way)], matches, best, peak);
            std::fflush(stdout);
        }
    }
    server.ClearWorld();
    ResetConfig();
    return 0;
}
