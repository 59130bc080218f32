// Generated worlds: the same bytes everywhere for a seed, and a world that loads.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>

#include "present/dye_colors.h"
#include "sim/generate.h"
#include "sim/world.h"

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

void ExpectSame(const CreatureSpec& a, const CreatureSpec& b) {
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.species, b.species);
    EXPECT_EQ(a.tribe, b.tribe);
    EXPECT_EQ(a.owner, b.owner);
    EXPECT_EQ(a.team, b.team);
    EXPECT_EQ(a.level, b.level);
    EXPECT_EQ(a.status, b.status);
    EXPECT_TRUE(a.position.x == b.position.x && a.position.y == b.position.y &&
                a.position.z == b.position.z);
    for (std::size_t i = 0; i < a.colors.size(); ++i) {
        const SimColor& x = a.colors[i];
        const SimColor& y = b.colors[i];
        EXPECT_TRUE(x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a) << a.id;
    }
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
    EXPECT_EQ(Fnv1a(world), 0x0f3c928c6c68f9ccULL) << std::hex << Fnv1a(world);
}

TEST(GeneratedWorld, LoadsAsWrittenAndAppliesAsLoaded) {
    constexpr std::uint64_t kCount = 2000;
    const WorldSpec spec = ReadWorld(Generated(kCount, 42), "generated.json");
    WorldGenerator generator(kCount, 42);
    ASSERT_EQ(spec.players.size(), generator.Base().players.size());
    EXPECT_EQ(spec.points, generator.Base().points);
    EXPECT_EQ(spec.tokens, generator.Base().tokens);
    EXPECT_EQ(spec.groups, generator.Base().groups);
    ASSERT_EQ(spec.creatures.size(), kCount);

    std::map<std::string, int> owners;
    int wild = 0;
    CreatureSpec creature;
    for (const CreatureSpec& loaded : spec.creatures) {
        ASSERT_TRUE(generator.Next(creature));
        ExpectSame(loaded, creature);
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
        ExpectSame(SpecOf(*server.Creatures()[i]), spec.creatures[i]);
    }
    EXPECT_EQ(SpecOf(*server.FindPlayer("Chloé")).tribe, "Alpha Tribe");
    server.ClearWorld();
}

}  // namespace
}  // namespace sim
