#include "config/schema.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/key_table.h"
#include "config/messages.h"

namespace beastfinder::config {

namespace {

using Ordered = nlohmann::ordered_json;

// One section's schema properties and shipped values, filled as the key table is walked.
struct Level {
    Ordered properties = Ordered::object();
    Ordered shipped = Ordered::object();
};

// Writes each key's schema and its shipped value, in the key table's order.
class SchemaWriter {
  public:
    explicit SchemaWriter(Level& root) : level_(&root) {}

    template <typename Body>
    void Section(std::string_view name, std::string_view help, Body&& body) {
        Level inner;
        Level* outer = std::exchange(level_, &inner);
        body();
        level_ = outer;
        Ordered schema = Typed(help, "object");
        schema["properties"] = std::move(inner.properties);
        schema["additionalProperties"] = false;
        Add(name, std::move(schema), std::move(inner.shipped));
    }
    void Bool(std::string_view name, bool&, bool fallback, std::string_view help) {
        Leaf(name, Typed(help, "boolean"), Ordered(fallback));
    }
    void Integer(std::string_view name, std::int32_t&, std::int32_t fallback, Floor,
                 std::string_view help) {
        Ordered schema = Typed(help, "integer");
        schema["minimum"] = std::numeric_limits<std::int32_t>::min();
        schema["maximum"] = std::numeric_limits<std::int32_t>::max();
        Leaf(name, std::move(schema), Ordered(fallback));
    }
    void Number(std::string_view name, float&, double fallback, std::string_view help) {
        Leaf(name, Typed(help, "number"), Ordered(fallback));
    }
    void Text(std::string_view name, std::string&, std::string_view fallback, AsciiRule,
              std::string_view help) {
        Leaf(name, Typed(help, "string"), Ordered(fallback));
    }
    // An absent colour warns: it has no default to show.
    void Colour(std::string_view name, host::ColorRGBA&, const ColourRule& rule,
                std::string_view help) {
        Ordered schema = Typed(help, "array");
        schema["items"] = {{"type", "number"}};
        schema["minItems"] = 3;
        schema["maxItems"] = 3;
        Add(name, std::move(schema), Ordered(rule.shipped));
    }
    void NameList(std::string_view name, host::HostArray<host::FString>&, std::string_view help) {
        Ordered schema = Described(help);
        schema["anyOf"] = {{{"type", "string"}},
                           {{"type", "array"}, {"items", {{"type", "string"}}}}};
        Leaf(name, std::move(schema), Ordered::array());
    }
    void Format(std::string_view name, std::u16string&, std::string_view fallback,
                std::string_view shipped, const FormatRule&, std::string_view help) {
        Ordered schema = Typed(help, "string");
        schema["default"] = fallback;
        Add(name, std::move(schema), Ordered(shipped));
    }
    void EditorOnly(std::string_view name, std::string_view shipped, std::string_view help) {
        Add(name, Typed(help, "string"), Ordered(shipped));
    }

  private:
    static Ordered Described(std::string_view help) {
        Ordered schema = Ordered::object();
        if (!help.empty()) {
            schema["description"] = help;
        }
        return schema;
    }
    static Ordered Typed(std::string_view help, const char* type) {
        Ordered schema = Described(help);
        schema["type"] = type;
        return schema;
    }
    // A key whose absence loads as its shipped value.
    void Leaf(std::string_view name, Ordered schema, const Ordered& value) {
        schema["default"] = value;
        Add(name, std::move(schema), value);
    }
    void Add(std::string_view name, Ordered schema, Ordered shipped) {
        const std::string key(name);
        level_->properties[key] = std::move(schema);
        level_->shipped[key] = std::move(shipped);
    }

    Level* level_;
};

Level WriteTree() {
    Level root;
    SchemaWriter writer(root);
    DescribeKeys(writer);
    return root;
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
    Level root = WriteTree();
    Ordered schema = {{"$schema", "https://json-schema.org/draft/2020-12/schema"},
                      {"title", "Beastfinder config.json"},
                      {"type", "object"}};
    schema["properties"] = std::move(root.properties);
    schema["additionalProperties"] = false;
    return schema.dump(2) + "\n";
}

std::string DefaultConfigText() {
    std::string out;
    Lay(WriteTree().shipped, 0, 0, out);
    return out + "\n";
}

}  // namespace beastfinder::config
