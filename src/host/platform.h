// What differs between Windows and other platforms: text conversion, the clock, case
// folding and finding a sibling plugin's exports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace beastfinder::host {

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD, as the Windows conversion does.
std::string Utf16ToUtf8(std::u16string_view text);

// Wall clock in 100-nanosecond ticks since 1970-01-01 UTC. A host may supply its own
// clock (the simulated server does, so scripts can let time pass).
std::int64_t WallClockTicks();
// The operating system's clock, whatever the host supplies.
std::int64_t SystemClockTicks();

// Unicode simple upper case of one UTF-16 code unit; units without one stay as they are.
char16_t UpperCaseUnit(char16_t unit) noexcept;

// Address of an exported symbol in an already loaded module, or null. Never loads it.
void* FindModuleExport(const char* module, const char* symbol);

}  // namespace beastfinder::host
