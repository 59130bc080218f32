#include "sim/views/output.h"

#include <chrono>
#include <cmath>
#include <limits>

#include <fmt/format.h>

namespace sim {

namespace {

std::string FormatValue(const Effect::Value& value, OutputFormat format) {
    struct Visitor {
        OutputFormat format;
        std::string operator()(std::nullptr_t) const { return "null"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(std::int64_t i) const { return fmt::format("{}", i); }
        std::string operator()(std::uint64_t i) const { return fmt::format("{}", i); }
        std::string operator()(double d) const {
            // JSON has no spelling for infinities or NaN.
            if (!std::isfinite(d) && format == OutputFormat::Json) {
                return JsonQuote(FormatNumber(d));
            }
            return FormatNumber(d);
        }
        std::string operator()(const std::string& s) const { return JsonQuote(s); }
    };
    return std::visit(Visitor{format}, value);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of the well-formed UTF-8 sequence at the start of `bytes` and its code point,
// or 0 when it is not one (overlong forms and surrogates included).
std::size_t Utf8Sequence(std::string_view bytes, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool Unprintable(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x061C || cp == 0x200E ||
           cp == 0x200F || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

std::string PrintableText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t cp = 0;
        const std::size_t length = Utf8Sequence(bytes, cp);
        if (length == 0) {
            out += fmt::format("\\x{:02X}", static_cast<unsigned char>(bytes[0]));
            bytes.remove_prefix(1);
            continue;
        }
        if (!Unprintable(cp)) {
            out.append(bytes.substr(0, length));
        } else if (cp < 0x80) {
            out += fmt::format("\\x{:02X}", static_cast<std::uint32_t>(cp));
        } else {
            out += fmt::format("\\u{:04X}", static_cast<std::uint32_t>(cp));
        }
        bytes.remove_prefix(length);
    }
    return out;
}

std::string JsonQuote(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out.push_back('"');
    while (!utf8.empty()) {
        char32_t cp = 0;
        const std::size_t length = Utf8Sequence(utf8, cp);
        if (length == 0) {
            // Not UTF-8: the byte's value as text, which keeps the literal valid JSON.
            out += fmt::format("\\\\x{:02X}", static_cast<unsigned char>(utf8[0]));
            utf8.remove_prefix(1);
            continue;
        }
        switch (cp) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (Unprintable(cp)) {
                    out += fmt::format("\\u{:04x}", static_cast<std::uint32_t>(cp));
                } else {
                    out.append(utf8.substr(0, length));
                }
        }
        utf8.remove_prefix(length);
    }
    out.push_back('"');
    return out;
}

std::string FormatNumber(double value) {
    if (std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max()) {
        const auto narrow = static_cast<float>(value);
        if (static_cast<double>(narrow) == value) {
            return fmt::format("{}", narrow);
        }
    }
    return fmt::format("{}", value);
}

namespace {

constexpr std::string_view kStamp = "MM/DD/YY HH:MM ";

bool StartsWithStamp(std::string_view line) {
    if (line.size() < kStamp.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kStamp.size(); ++i) {
        const char shape = kStamp[i];
        const bool digit = shape >= 'A' && shape <= 'Z';
        if (digit ? !IsDigit(line[i]) : line[i] != shape) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string StableLogLine(std::string_view line) {
    if (!StartsWithStamp(line)) {
        return std::string(line);
    }
    return std::string(kStamp) + std::string(line.substr(kStamp.size()));
}

std::string LogLineAt(std::string_view line, std::int64_t clock_ticks) {
    if (!StartsWithStamp(line)) {
        return std::string(line);
    }
    using namespace std::chrono;
    constexpr std::int64_t kTicksPerMinute = 600000000;
    std::int64_t minutes = clock_ticks / kTicksPerMinute;
    if (clock_ticks % kTicksPerMinute < 0) {
        --minutes;
    }
    std::int64_t day_count = minutes / 1440;
    std::int64_t minute_of_day = minutes % 1440;
    if (minute_of_day < 0) {
        minute_of_day += 1440;
        --day_count;
    }
    const year_month_day date{sys_days{days{day_count}}};
    const int year = ((static_cast<int>(date.year()) % 100) + 100) % 100;
    return fmt::format("{:02}/{:02}/{:02} {:02}:{:02} {}", static_cast<unsigned>(date.month()),
                       static_cast<unsigned>(date.day()), year, minute_of_day / 60,
                       minute_of_day % 60, line.substr(kStamp.size()));
}

std::string FormatEffect(const Effect& effect, OutputFormat format) {
    if (format == OutputFormat::Json) {
        std::string out = "{\"effect\":" + JsonQuote(effect.type);
        for (const auto& [key, value] : effect.fields) {
            out += ',';
            out += JsonQuote(key);
            out += ':';
            out += key == "line" && effect.type == "log"
                       ? JsonQuote(StableLogLine(effect.Text("line")))
                       : FormatValue(value, format);
        }
        out += '}';
        return out;
    }
    if (effect.type == "log") {
        return "log " + JsonQuote(StableLogLine(effect.Text("line")));
    }
    std::string out = effect.type;
    for (const auto& [key, value] : effect.fields) {
        out += ' ';
        out += key;
        out += '=';
        out += FormatValue(value, format);
    }
    return out;
}

}  // namespace sim
