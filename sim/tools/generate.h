// Generated worlds of any size: players, the tames of their tribes and wild creatures, for
// benchmarks and for administrators who want to try a configuration on a busy server.
#pragma once

#include <cstdint>
#include <ostream>

#include "sim/framework/server.h"
#include "sim/script/world.h"

namespace sim {

// The same count and seed give the same world on every platform: the generator has its
// own random numbers and uses integer arithmetic only. A world is the start of every
// larger world of the same seed.
class WorldGenerator {
  public:
    WorldGenerator(std::uint64_t creatures, std::uint64_t seed);

    // Everything but the creatures: map settings, players and the sibling plugins' books.
    const WorldSpec& Base() const { return base_; }
    // The next creature; false after the last.
    bool Next(CreatureSpec& creature);

  private:
    std::uint64_t Random();
    std::uint64_t Below(std::uint64_t bound) { return Random() % bound; }
    std::int32_t Between(std::int32_t low, std::int32_t high);

    WorldSpec base_;
    std::uint64_t count_;
    std::uint64_t made_ = 0;
    std::uint64_t state_;
};

// The world as a world file, streamed: memory does not grow with the count.
void WriteGeneratedWorld(std::ostream& out, std::uint64_t creatures, std::uint64_t seed);

// The same world put straight into the server, without the text. The sibling plugins'
// modules are loaded only with `siblings`.
void ApplyGeneratedWorld(Server& server, std::uint64_t creatures, std::uint64_t seed,
                         bool siblings = true);

}  // namespace sim
