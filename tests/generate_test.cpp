// Generated worlds: the same bytes everywhere for a seed, and a world that loads.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "present/dye_colors.h"
#include "sim/script/world.h"
#include "sim/tools/generate.h"

namespace sim {
namespace {

std::string Generated(std::uint64_t creatures, std::uint64_t seed) {
    std::ostringstream out;
    WriteGeneratedWorld(out, creatures, seed);
    return out.str();
}

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

// Every field of a creature, comparable and printable as one value.
auto Fields(const CreatureSpec& c) {
    std::vector<float> numbers = {c.position.x, c.position.y, c.position.z};
    for (const SimColor& colour : c.colors) {
        numbers.insert(numbers.end(), {colour.r, colour.g, colour.b, colour.a});
    }
    return std::tuple(c.id, c.name, c.species, c.tribe, c.owner, c.team, c.level, c.status,
                      numbers);
}

TEST(GeneratedWorld, SameSeedSameBytesOnEveryPlatform) {
    const std::string world = Generated(1000, 1);
    EXPECT_EQ(Generated(1000, 1), world);
    EXPECT_NE(Generated(1000, 2), world);
    // A smaller world is the start of a larger one.
    const std::string small = Generated(10, 1);
    const std::string end = "\n  ]\n}\n";
    ASSERT_EQ(small.substr(small.size() - end.size()), end);
    EXPECT_EQ(world.compare(0, small.size() - end.size(), small, 0, small.size() - end.size()), 0);
    // Pinned, so that a standard library or platform that computes differently shows here.
    EXPECT_EQ(Fnv1a(world), 0xb7e8171e1ad69864ULL) << std::hex << Fnv1a(world);
}

TEST(GeneratedWorld, LoadsAsWrittenAndAppliesAsLoaded) {
    constexpr std::uint64_t kCount = 2000;
    const WorldSpec spec = ReadWorld(Generated(kCount, 42), "generated.json");
    WorldGenerator generator(kCount, 42);
    ASSERT_EQ(spec.players.size(), generator.Base().players.size());
    EXPECT_EQ(spec.points, generator.Base().points);
    EXPECT_EQ(spec.tokens, generator.Base().tokens);
    EXPECT_EQ(spec.groups, generator.Base().groups);
    EXPECT_EQ(spec.grants, generator.Base().grants);
    ASSERT_EQ(spec.creatures.size(), kCount);

    std::map<std::string, int> owners;
    int wild = 0;
    CreatureSpec creature;
    for (const CreatureSpec& loaded : spec.creatures) {
        ASSERT_TRUE(generator.Next(creature));
        EXPECT_EQ(Fields(loaded), Fields(creature));
        if (loaded.team < 50000) {
            ++wild;
            for (const SimColor& c : loaded.colors) {
                EXPECT_NE(beastfinder::DyeColorName({c.r, c.g, c.b, c.a}), "Unknown") << loaded.id;
            }
        } else {
            ++owners[loaded.owner];
        }
    }
    EXPECT_FALSE(generator.Next(creature));
    EXPECT_GT(wild, 900);
    EXPECT_EQ(owners.size(), 5U);  // every player but the administrator keeps tames

    // Straight into the server, as the benchmark does, it is the same world.
    Server& server = TheServer();
    ApplyGeneratedWorld(server, kCount, 42, false);
    ASSERT_EQ(server.Creatures().size(), kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        EXPECT_EQ(Fields(SpecOf(*server.Creatures()[i])), Fields(spec.creatures[i]));
    }
    EXPECT_EQ(SpecOf(*server.FindPlayer("Chloé")).tribe, "Alpha Tribe");
    server.ClearWorld();
}

}  // namespace
}  // namespace sim
