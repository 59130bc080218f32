// Reading config.json: value(key, default) semantics over references into the parsed
// document, so that the library's type errors keep the full key path.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "config/findings.h"
#include "host/values.h"

namespace beastfinder::config {

using Json = nlohmann::json;

// The first complete JSON value of the stream; whatever follows it is ignored.
Json ParseFirstValue(std::istream& in);

// The JSON library's errors as findings. These and RaiseWrongValue are the one place that
// knows how the library words them (label, key in brackets, place).
// A parse error: where the parser stopped and its words.
Finding NotJsonFinding(const Json::parse_error& error);
// A number beyond a double: the parser does not say where, so its digits are looked for in
// `text`.
Finding OverflowFinding(const Json::out_of_range& error, std::string_view text);
// The library's error about the value at `pointer` ends the load: a ConfigValueError whose
// text is the library's own.
[[noreturn]] void RaiseWrongValue(const Json::exception& error, const std::string& pointer,
                                  ValueKind expected);

// A key as a JSON pointer holds it ("~" and "/" escaped).
std::string PointerKey(std::string_view key);

// One object of the document and its JSON pointer. An absent section reads as an empty
// object; a present one that is not an object fails with the library's error at first read.
class JsonSection {
  public:
    JsonSection(const Json& node, std::string path) : node_(node), path_(std::move(path)) {}

    JsonSection Child(std::string_view key) const;
    std::string PathOf(std::string_view key) const;

    // Null when absent.
    const Json* Find(std::string_view key) const;
    // One element of the list at `key` as text (`element_key`: its index or member name).
    std::string ElementText(std::string_view key, const Json& list, const Json& element,
                            std::string_view element_key) const;

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
