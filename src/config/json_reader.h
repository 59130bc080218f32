// Reading config.json: value(key, default) semantics over references into the parsed
// document, so that the library's type errors keep the full key path.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host/values.h"

namespace beastfinder::config {

using Json = nlohmann::json;

// The first complete JSON value of the stream; whatever follows it is ignored.
Json ParseFirstValue(std::istream& in);

// One object of the document and its JSON pointer. An absent section reads as an empty
// object; a present one that is not an object fails with the library's error at first read.
class JsonSection {
  public:
    JsonSection(const Json& node, std::string path) : node_(node), path_(std::move(path)) {}

    JsonSection Child(std::string_view key) const;
    std::string PathOf(std::string_view key) const;

    // Null when absent.
    const Json* Find(std::string_view key) const;

    bool Bool(std::string_view key, bool fallback) const;
    std::string Text(std::string_view key, std::string_view fallback) const;
    // Any number or true/false (1/0); beyond the float range a number becomes an infinity
    // instead of overflowing.
    float Float(std::string_view key, float fallback) const;
    // Any number (fraction truncated toward zero) or true/false; a number whose integral
    // part does not fit in 32 bits fails with std::out_of_range naming the key path.
    std::int32_t Int(std::string_view key, std::int32_t fallback) const;
    // The colour rule: three numbers (true/false as 1/0) become (r, g, b, 1.0) and true is
    // returned; anything else of the wrong size (absent included) returns false and leaves `colour`
    // alone.
    bool Colour(std::string_view key, host::ColorRGBA& colour) const;

    const Json& Node() const { return node_; }
    const std::string& Path() const { return path_; }

  private:
    const Json& node_;
    std::string path_;
};

}  // namespace beastfinder::config
