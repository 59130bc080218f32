#include "config/json_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

#include "host/log.h"

namespace beastfinder::config {

namespace {

// "[json.exception.type_error.302] " names the library's exception, not the problem.
std::string_view WithoutLabel(std::string_view text) {
    if (text.starts_with("[json.exception.")) {
        if (const auto close = text.find("] "); close != std::string_view::npos) {
            text.remove_prefix(close + 2);
        }
    }
    return text;
}

bool ReadPositive(std::string_view& text, int& number) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || number < 1) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

// Both texts as the log holds them.
Finding ErrorFinding(FindingCode code, std::string pointer, std::string_view reason,
                     std::string_view what) {
    Finding finding;
    finding.code = code;
    finding.level = FindingLevel::Error;
    finding.pointer = std::move(pointer);
    finding.reason = host::LogMessage(reason);
    finding.text = host::LogMessage(what);
    return finding;
}

// Runs `read`; the library's type error about it names the key at `pointer()`.
template <typename Read, typename Pointer>
auto Reading(ValueKind expected, Pointer pointer, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const Json::type_error& error) {
        RaiseWrongValue(error, pointer(), expected);
    }
}

[[noreturn]] void RaiseNotAnObject(const Json& node, const std::string& path) {
    // Reading a key of a non-object is what the library refuses; let it word the error.
    Reading(
        ValueKind::Any, [&] { return path; }, [&] { return node.value("", false); });
    throw std::logic_error("a key was read from a value that is not an object");
}

// Converting a double beyond the float range is undefined; saturate to the infinity the
// hardware would give.
float NarrowToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -kMax) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

// true and false are 1 and 0, as for integer keys; anything else not a number fails with
// the library's own error.
float ReadFloat(const Json& value) {
    if (value.is_boolean()) {
        return value.get<bool>() ? 1.0F : 0.0F;
    }
    return NarrowToFloat(value.get<double>());
}

}  // namespace

Finding NotJsonFinding(const Json::parse_error& error) {
    // "parse error at line 4, column 3: what"
    const std::string_view reason = WithoutLabel(error.what());
    Finding finding = ErrorFinding(FindingCode::NotJson, {}, reason, error.what());
    constexpr std::string_view kAt = "parse error at line ";
    std::string_view rest = reason;
    int line = 0;
    int column = 0;
    if (!rest.starts_with(kAt)) {
        return finding;
    }
    rest.remove_prefix(kAt.size());
    constexpr std::string_view kColumn = ", column ";
    if (!ReadPositive(rest, line) || !rest.starts_with(kColumn)) {
        return finding;
    }
    rest.remove_prefix(kColumn.size());
    if (!ReadPositive(rest, column) || !rest.starts_with(": ")) {
        return finding;
    }
    finding.line = line;
    finding.column = column;
    finding.reason = host::LogMessage(rest.substr(2));
    return finding;
}

Finding OverflowFinding(const Json::out_of_range& error, std::string_view text) {
    // "number overflow parsing '1e999'"
    const std::string_view reason = WithoutLabel(error.what());
    Finding finding = ErrorFinding(FindingCode::NumberOverflow, {}, reason, error.what());
    constexpr std::string_view kPrefix = "number overflow parsing '";
    const auto start = reason.find(kPrefix);
    if (start == std::string_view::npos) {
        return finding;
    }
    std::string_view number = reason.substr(start + kPrefix.size());
    number = number.substr(0, number.find('\''));
    const auto at = number.empty() ? std::string_view::npos : text.find(number);
    if (at != std::string_view::npos) {
        finding.line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
    }
    return finding;
}

void RaiseWrongValue(const Json::exception& error, const std::string& pointer, ValueKind expected) {
    // With diagnostics on, the library names the value's key first: "(/A/B) what".
    std::string_view reason = WithoutLabel(error.what());
    if (reason.starts_with("(/")) {
        if (const auto close = reason.find(") "); close != std::string_view::npos) {
            reason.remove_prefix(close + 2);
        }
    }
    Finding finding = ErrorFinding(FindingCode::WrongType, pointer, reason, error.what());
    finding.expected = expected;
    throw ConfigValueError(error.what(), std::move(finding));
}

std::string PointerKey(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (const char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else {
            out += c;
        }
    }
    return out;
}

JsonSection JsonSection::Child(std::string_view key) const {
    static const Json kEmptyObject = Json::object();
    const Json* child = Find(key);
    return JsonSection(child != nullptr ? *child : kEmptyObject, PathOf(key));
}

std::string JsonSection::PathOf(std::string_view key) const {
    return fmt::format("{}/{}", path_, key);
}

const Json* JsonSection::Find(std::string_view key) const {
    if (!node_.is_object()) {
        RaiseNotAnObject(node_, path_);
    }
    const auto it = node_.find(key);
    return it == node_.end() ? nullptr : &*it;
}

bool JsonSection::Bool(std::string_view key, bool fallback) const {
    const Json* value = Find(key);
    if (value == nullptr) {
        return fallback;
    }
    return Reading(
        ValueKind::Boolean, [&] { return PathOf(key); }, [&] { return value->get<bool>(); });
}

std::string JsonSection::Text(std::string_view key, std::string_view fallback) const {
    const Json* value = Find(key);
    if (value == nullptr) {
        return std::string(fallback);
    }
    return Reading(
        ValueKind::Text, [&] { return PathOf(key); }, [&] { return value->get<std::string>(); });
}

float JsonSection::Float(std::string_view key, float fallback) const {
    const Json* value = Find(key);
    if (value == nullptr) {
        return fallback;
    }
    return Reading(
        ValueKind::Number, [&] { return PathOf(key); }, [&] { return ReadFloat(*value); });
}

std::string JsonSection::ElementText(std::string_view key, const Json& list, const Json& element,
                                     std::string_view element_key) const {
    return Reading(
        ValueKind::Text,
        [&] {
            // A lone text stands for the list itself.
            return list.is_structured() ? PathOf(key) + "/" + PointerKey(element_key) : PathOf(key);
        },
        [&] { return element.get<std::string>(); });
}

std::int32_t JsonSection::Int(std::string_view key, std::int32_t fallback) const {
    using Limits = std::numeric_limits<std::int32_t>;
    const Json* value = Find(key);
    if (value == nullptr) {
        return fallback;
    }
    switch (value->type()) {
        case Json::value_t::boolean:
            return value->get<bool>() ? 1 : 0;
        case Json::value_t::number_integer: {
            const auto number = value->get<std::int64_t>();
            if (number >= Limits::min() && number <= Limits::max()) {
                return static_cast<std::int32_t>(number);
            }
            break;
        }
        case Json::value_t::number_unsigned: {
            const auto number = value->get<std::uint64_t>();
            if (number <= static_cast<std::uint64_t>(Limits::max())) {
                return static_cast<std::int32_t>(number);
            }
            break;
        }
        case Json::value_t::number_float: {
            // Exactly the doubles whose integral part fits.
            const auto number = value->get<double>();
            if (number > -2147483649.0 && number < 2147483648.0) {
                return static_cast<std::int32_t>(number);
            }
            break;
        }
        default:
            // The library's own type error.
            return Reading(
                ValueKind::Number, [&] { return PathOf(key); },
                [&] { return value->get<std::int32_t>(); });
    }
    const std::string reason =
        fmt::format("number {} is out of range: an integer setting must lie between {} and {}",
                    value->dump(), Limits::min(), Limits::max());
    const std::string what = fmt::format("({}) {}", PathOf(key), reason);
    throw ConfigValueError(what, ErrorFinding(FindingCode::OutOfRange, PathOf(key), reason, what));
}

bool JsonSection::Colour(std::string_view key, host::ColorRGBA& colour) const {
    const Json* value = Find(key);
    if (value == nullptr) {
        return false;
    }
    const std::size_t size = value->is_array() || value->is_object() ? value->size() : 0;
    if (size != 3) {
        return false;
    }
    std::array<float, 3> channels{};
    for (std::size_t i = 0; i < channels.size(); ++i) {
        // An object of three members fails as a whole, with the library's own error.
        const bool list = value->is_array();
        channels[i] = Reading(
            list ? ValueKind::Number : ValueKind::Any,
            [&] { return list ? PathOf(key) + "/" + std::to_string(i) : PathOf(key); },
            [&] { return ReadFloat((*value)[i]); });
    }
    colour = host::ColorRGBA{channels[0], channels[1], channels[2], 1.0F};
    return true;
}

}  // namespace beastfinder::config
