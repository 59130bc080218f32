#include "config/keys.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/edit_distance.h"
#include "config/json_reader.h"
#include "config/key_table.h"
#include "config/messages.h"

namespace beastfinder::config {

namespace {

// Builds the tree of known keys from the key table: names and kinds only, which is all the
// loader's warnings need.
class TreeBuilder {
  public:
    explicit TreeBuilder(ConfigKey& root) : section_(&root) {}

    template <typename Body>
    void Section(std::string_view name, std::string_view /*help*/, Body&& body) {
        ConfigKey* outer = std::exchange(section_, &Add(name, KeyType::Object));
        body();
        section_ = outer;
    }
    void Bool(std::string_view name, bool&, bool, std::string_view) { Add(name, KeyType::Bool); }
    void Integer(std::string_view name, std::int32_t&, std::int32_t, Floor, std::string_view) {
        Add(name, KeyType::Integer);
    }
    void Number(std::string_view name, float&, double, std::string_view) {
        Add(name, KeyType::Number);
    }
    void Text(std::string_view name, std::string&, std::string_view, AsciiRule, std::string_view) {
        Add(name, KeyType::Text);
    }
    void Colour(std::string_view name, host::ColorRGBA&, const ColourRule&, std::string_view) {
        Add(name, KeyType::Colour);
    }
    void NameList(std::string_view name, host::HostArray<host::FString>&, std::string_view) {
        Add(name, KeyType::NameList);
    }
    void Format(std::string_view name, std::u16string&, std::string_view, std::string_view,
                const FormatRule&, std::string_view) {
        Add(name, KeyType::Text);
    }
    void EditorOnly(std::string_view name, std::string_view, std::string_view) {
        Add(name, KeyType::Text);
    }

  private:
    ConfigKey& Add(std::string_view name, KeyType type) {
        return section_->children.emplace_back(ConfigKey{std::string(name), type, {}});
    }

    ConfigKey* section_;
};

ConfigKey BuildTree() {
    ConfigKey root;
    TreeBuilder builder(root);
    DescribeKeys(builder);
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
    std::string out = PointerKey(key);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
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
