// The simulated server's clock, an export a real server does not have: scripts let time pass
// with it. The plugin finds it by this name at run time and reads the system clock when the
// host has none. The simulated host defines it against this declaration, so the name and the
// type both sides use are one.
#pragma once

#include <cstdint>

#include "host/framework.h"

extern "C" BF_FRAMEWORK_API std::int64_t BeastfinderHostClockTicks();

namespace beastfinder::host {

inline constexpr const char* kHostClockExport = "BeastfinderHostClockTicks";
using HostClockFunction = decltype(&::BeastfinderHostClockTicks);

}  // namespace beastfinder::host
