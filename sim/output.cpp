#include "sim/output.h"

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

}  // namespace

std::string JsonQuote(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out.push_back('"');
    for (const char c : utf8) {
        switch (c) {
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
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += fmt::format("\\u{:04x}", static_cast<unsigned char>(c));
                } else {
                    out.push_back(c);
                }
        }
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

std::string StableLogLine(std::string_view line) {
    static constexpr std::string_view kStamp = "MM/DD/YY HH:MM ";
    if (line.size() < kStamp.size()) {
        return std::string(line);
    }
    for (std::size_t i = 0; i < kStamp.size(); ++i) {
        const char shape = kStamp[i];
        const bool digit = shape >= 'A' && shape <= 'Z';
        if (digit ? !IsDigit(line[i]) : line[i] != shape) {
            return std::string(line);
        }
    }
    return std::string(kStamp) + std::string(line.substr(kStamp.size()));
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
