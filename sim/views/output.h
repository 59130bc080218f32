// How the simulator prints what happened: one line per effect, as text for people or as
// JSON objects for tools.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/framework/server.h"

namespace sim {

enum class OutputFormat { Text, Json };

// A JSON string literal that is also safe at a terminal: UTF-8 is kept; quotes,
// backslashes, control characters and the characters that reorder a line are escaped, and a
// byte that is not UTF-8 becomes the text \xNN.
std::string JsonQuote(std::string_view utf8);

// Text that is safe to show at a terminal, on one line: valid UTF-8 stays as it is;
// control characters (line breaks and escape sequences included), the characters that
// reorder a line and bytes that are not UTF-8 become \xNN or \uNNNN escapes.
std::string PrintableText(std::string_view bytes);

// Shortest round-trip form. A value that is exactly a 32-bit float is shown as that float,
// so a host's 1.3F reads "1.3" rather than its double expansion.
std::string FormatNumber(double value);

// A log line with its leading "MM/DD/YY HH:MM " time stamp replaced by that literal text,
// so output is stable; a line that does not start with such a stamp is left as it is.
std::string StableLogLine(std::string_view line);

// The same line stamped with `clock_ticks` (100 ns ticks since 1970, read as UTC) in the
// logger's "MM/DD/YY HH:MM " form: the simulated server's time rather than the machine's.
std::string LogLineAt(std::string_view line, std::int64_t clock_ticks);

std::string FormatEffect(const Effect& effect, OutputFormat format);

}  // namespace sim
