// Every key config.json may hold, as a tree built from the key table: the loader warns about
// any other, and the schema and the default config.json are written from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "config/findings.h"

namespace beastfinder::config {

enum class KeyType {
    Object,  // a section: its keys are the children
    Bool,
    Integer,  // 32-bit signed
    Number,
    Text,
    Colour,    // three numbers
    NameList,  // a list of texts, or one text
};

struct ConfigKey {
    std::string name;
    KeyType type = KeyType::Object;
    std::string help;
    std::string fallback;  // JSON of what an absent key loads as; empty when there is none
    std::string shipped;   // JSON of its value in the default config.json (not for sections)
    std::vector<ConfigKey> children;
};

// The document's root: an object whose children are the top-level keys.
const ConfigKey& RootKey();

// The known key of `section` closest to `unknown` when one is close enough to be a likely
// typo (case ignored; a few letters added, dropped, changed or swapped), else empty.
std::string_view ClosestKey(const ConfigKey& section, std::string_view unknown);

// One warning per key of `document` that the table does not know, naming its JSON pointer
// and, when there is one, the key probably meant. The values of unknown keys and sections
// that are not objects are not looked into.
void WarnUnknownKeys(const nlohmann::json& document, FindingSink& sink);

// config.schema.json (JSON Schema draft 2020-12, with each key's help and default) and the
// default config.json, as shipped.
std::string SchemaText();
std::string DefaultConfigText();

}  // namespace beastfinder::config
