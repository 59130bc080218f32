#include "config/json_reader.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

namespace beastfinder::config {

namespace {

[[noreturn]] void RaiseNotAnObject(const Json& node) {
    // Reading a key of a non-object is what the library refuses; let it word the error.
    (void)node.value("", false);
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
        RaiseNotAnObject(node_);
    }
    const auto it = node_.find(key);
    return it == node_.end() ? nullptr : &*it;
}

bool JsonSection::Bool(std::string_view key, bool fallback) const {
    const Json* value = Find(key);
    return value != nullptr ? value->get<bool>() : fallback;
}

std::string JsonSection::Text(std::string_view key, std::string_view fallback) const {
    const Json* value = Find(key);
    return value != nullptr ? value->get<std::string>() : std::string(fallback);
}

float JsonSection::Float(std::string_view key, float fallback) const {
    const Json* value = Find(key);
    return value != nullptr ? ReadFloat(*value) : fallback;
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
            return value->get<std::int32_t>();  // the library's own type error
    }
    throw std::out_of_range(
        fmt::format("({}) number {} is out of range: an integer setting must lie between {} and {}",
                    PathOf(key), value->dump(), Limits::min(), Limits::max()));
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
    // An object of three members fails here with the library's own error.
    const float red = ReadFloat((*value)[0]);
    const float green = ReadFloat((*value)[1]);
    const float blue = ReadFloat((*value)[2]);
    colour = host::ColorRGBA{red, green, blue, 1.0F};
    return true;
}

}  // namespace beastfinder::config
