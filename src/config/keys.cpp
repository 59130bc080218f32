#include "config/keys.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/edit_distance.h"
#include "config/key_table.h"
#include "config/messages.h"

namespace beastfinder::config {

namespace {

using Ordered = nlohmann::ordered_json;

// Builds the tree of known keys from the key table.
class TreeBuilder {
  public:
    explicit TreeBuilder(ConfigKey& root) : section_(&root) {}

    template <typename Body>
    void Section(std::string_view name, std::string_view help, Body&& body) {
        ConfigKey* outer = std::exchange(section_, &Add(name, KeyType::Object, help, {}, {}));
        body();
        section_ = outer;
    }
    void Bool(std::string_view name, bool&, bool fallback, std::string_view help) {
        Leaf(name, KeyType::Bool, help, Ordered(fallback));
    }
    void Integer(std::string_view name, std::int32_t&, std::int32_t fallback, Floor,
                 std::string_view help) {
        Leaf(name, KeyType::Integer, help, Ordered(fallback));
    }
    void Number(std::string_view name, float&, double fallback, std::string_view help) {
        Leaf(name, KeyType::Number, help, Ordered(fallback));
    }
    void Text(std::string_view name, std::string&, std::string_view fallback, AsciiRule,
              std::string_view help) {
        Leaf(name, KeyType::Text, help, Ordered(fallback));
    }
    // An absent colour warns: it has no default to show.
    void Colour(std::string_view name, host::ColorRGBA&, const ColourRule& rule,
                std::string_view help) {
        Add(name, KeyType::Colour, help, {}, Ordered(rule.shipped).dump());
    }
    void NameList(std::string_view name, host::HostArray<host::FString>&, std::string_view help) {
        Leaf(name, KeyType::NameList, help, Ordered::array());
    }
    void Format(std::string_view name, std::u16string&, std::string_view fallback,
                std::string_view shipped, const FormatRule&, std::string_view help) {
        Add(name, KeyType::Text, help, Ordered(fallback).dump(), Ordered(shipped).dump());
    }
    void EditorOnly(std::string_view name, std::string_view shipped, std::string_view help) {
        Add(name, KeyType::Text, help, {}, Ordered(shipped).dump());
    }

  private:
    ConfigKey& Add(std::string_view name, KeyType type, std::string_view help, std::string fallback,
                   std::string shipped) {
        return section_->children.emplace_back(ConfigKey{std::string(name),
                                                         type,
                                                         std::string(help),
                                                         std::move(fallback),
                                                         std::move(shipped),
                                                         {}});
    }
    void Leaf(std::string_view name, KeyType type, std::string_view help, const Ordered& value) {
        Add(name, type, help, value.dump(), value.dump());
    }

    ConfigKey* section_;
};

ConfigKey BuildTree() {
    ConfigKey root;
    TreeBuilder builder(root);
    // Only the names, kinds and values of the description are taken; these are never read.
    PluginConfig config;
    CatalogueEntries entries;
    PlayerTexts texts;
    DescribeDocument(builder, config, entries, texts);
    return root;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edits from `a` to `b`, case ignored; more than `limit` apart is limit + 1.
std::size_t Distance(std::string_view a, std::string_view b, std::size_t limit) {
    return EditDistance(a, b, limit, Lower);
}

// A key as it stands in a pointer, and in a log line: control characters would let a file
// forge lines of the log.
std::string PointerPart(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (const char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            out += '?';
        } else {
            out += c;
        }
    }
    return out;
}

const ConfigKey* FindChild(const ConfigKey& section, std::string_view name) {
    const auto found = std::find_if(section.children.begin(), section.children.end(),
                                    [name](const ConfigKey& key) { return key.name == name; });
    return found == section.children.end() ? nullptr : &*found;
}

void WarnUnknown(const nlohmann::json& node, const ConfigKey& section, const std::string& path,
                 FindingSink& sink) {
    if (!node.is_object()) {
        return;  // the loader reports a section of the wrong type
    }
    for (const auto& [name, value] : node.items()) {
        const std::string pointer = path + "/" + PointerPart(name);
        const ConfigKey* key = FindChild(section, name);
        if (key == nullptr) {
            const std::string_view meant = ClosestKey(section, name);
            Finding finding;
            finding.code = FindingCode::UnknownKey;
            finding.pointer = pointer;
            finding.text = meant.empty()
                               ? fmt::format("unknown key {}", pointer)
                               : fmt::format("unknown key {}, did you mean {}?", pointer, meant);
            sink.Add(std::move(finding));
        } else if (key->type == KeyType::Object) {
            WarnUnknown(value, *key, pointer, sink);
        }
    }
}

}  // namespace

const ConfigKey& RootKey() {
    static const ConfigKey root = BuildTree();
    return root;
}

std::string_view ClosestKey(const ConfigKey& section, std::string_view unknown) {
    // One slip in a short key, two in a longer one; more is a different word.
    const std::size_t limit = unknown.size() <= 4 ? 1 : 2;
    std::string_view best;
    std::size_t best_distance = limit + 1;
    for (const ConfigKey& key : section.children) {
        const std::size_t distance = Distance(unknown, key.name, limit);
        if (distance < best_distance) {
            best = key.name;
            best_distance = distance;
        }
    }
    return best;
}

void WarnUnknownKeys(const nlohmann::json& document, FindingSink& sink) {
    WarnUnknown(document, RootKey(), "", sink);
}

}  // namespace beastfinder::config

namespace beastfinder::config {

namespace {

Ordered SchemaOf(const ConfigKey& key) {
    Ordered schema = Ordered::object();
    if (!key.help.empty()) {
        schema["description"] = key.help;
    }
    switch (key.type) {
        case KeyType::Object: {
            Ordered properties = Ordered::object();
            for (const ConfigKey& child : key.children) {
                properties[child.name] = SchemaOf(child);
            }
            schema["type"] = "object";
            schema["properties"] = std::move(properties);
            schema["additionalProperties"] = false;
            break;
        }
        case KeyType::Bool:
            schema["type"] = "boolean";
            break;
        case KeyType::Integer:
            schema["type"] = "integer";
            schema["minimum"] = std::numeric_limits<std::int32_t>::min();
            schema["maximum"] = std::numeric_limits<std::int32_t>::max();
            break;
        case KeyType::Number:
            schema["type"] = "number";
            break;
        case KeyType::Text:
            schema["type"] = "string";
            break;
        case KeyType::Colour:
            schema["type"] = "array";
            schema["items"] = {{"type", "number"}};
            schema["minItems"] = 3;
            schema["maxItems"] = 3;
            break;
        case KeyType::NameList:
            schema["anyOf"] = {{{"type", "string"}},
                               {{"type", "array"}, {"items", {{"type", "string"}}}}};
            break;
    }
    if (!key.fallback.empty()) {
        schema["default"] = Ordered::parse(key.fallback);
    }
    return schema;
}

Ordered ShippedOf(const ConfigKey& key) {
    if (key.type != KeyType::Object) {
        return Ordered::parse(key.shipped);
    }
    Ordered section = Ordered::object();
    for (const ConfigKey& child : key.children) {
        section[child.name] = ShippedOf(child);
    }
    return section;
}

// As wide as the code: a section of plain values that fits stays on one line.
constexpr std::size_t kWidth = 100;

std::string OneLine(const Ordered& value) {
    if (value.is_object()) {
        if (value.empty()) {
            return "{}";
        }
        std::string line = "{ ";
        for (auto it = value.begin(); it != value.end(); ++it) {
            line += (it == value.begin() ? "" : ", ") + Ordered(it.key()).dump() + ": " +
                    OneLine(it.value());
        }
        return line + " }";
    }
    if (value.is_array()) {
        std::string line = "[";
        for (std::size_t i = 0; i < value.size(); ++i) {
            line += (i == 0 ? "" : ", ") + OneLine(value[i]);
        }
        return line + "]";
    }
    return value.dump();
}

bool Plain(const Ordered& value) {
    return value.is_primitive() ||
           (value.is_array() && std::all_of(value.begin(), value.end(),
                                            [](const Ordered& e) { return e.is_primitive(); }));
}

void Lay(const Ordered& value, std::size_t indent, std::size_t column, std::string& out) {
    const std::string line = OneLine(value);
    const bool flat = !value.is_object() || (std::all_of(value.begin(), value.end(), Plain) &&
                                             column + line.size() + 1 <= kWidth);
    if (flat) {
        out += line;
        return;
    }
    out += "{\n";
    for (auto it = value.begin(); it != value.end(); ++it) {
        const std::string key = std::string(indent + 2, ' ') + Ordered(it.key()).dump() + ": ";
        out += key;
        Lay(it.value(), indent + 2, key.size(), out);
        out += std::next(it) == value.end() ? "\n" : ",\n";
    }
    out += std::string(indent, ' ') + "}";
}

}  // namespace

std::string SchemaText() {
    Ordered schema = {{"$schema", "https://json-schema.org/draft/2020-12/schema"},
                      {"title", "Beastfinder config.json"}};
    schema.update(SchemaOf(RootKey()));
    return schema.dump(2) + "\n";
}

std::string DefaultConfigText() {
    std::string out;
    Lay(ShippedOf(RootKey()), 0, 0, out);
    return out + "\n";
}

}  // namespace beastfinder::config
