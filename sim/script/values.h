// Reading the values of a script line: numbers, flags, colours, key=value words, and the
// edits they make to a player or a creature. Each failure is a ScriptError naming the command.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/script/script.h"
#include "sim/script/world.h"

namespace sim {

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::int32_t Int32(std::string_view text, std::string_view what);
// A creature id: 1 and up.
std::uint64_t Id(std::string_view text, std::string_view what);
// Finite and within a float's range.
float Float(std::string_view text, std::string_view what);
// `yes` or `no`, nothing else.
bool Flag(std::string_view text, std::string_view yes, std::string_view no, std::string_view what);
// r,g,b,a
SimColor Color(std::string_view text, std::string_view what);

// The next word, which the command cannot do without.
std::string Need(Words& words, std::string_view command, std::string_view what);
// The command takes no more words.
void NoMore(Words& words, std::string_view command);
std::pair<std::string, std::string> KeyValue(const std::string& word, std::string_view command);

void EditPlayer(PlayerSpec& spec, const std::string& key, const std::string& value);
void EditCreature(CreatureSpec& spec, const std::string& key, const std::string& value);

// `path` from `base` (the current directory when empty), with forward slashes.
std::string ResolvePath(const std::string& base, const std::string& path);

// The candidate `word` is most likely a slip of: one edit in a short word, two in a longer
// one. Empty when none is that close, or `word` is a candidate itself.
std::string Closest(std::string_view word, const std::vector<std::string>& candidates);

}  // namespace sim
