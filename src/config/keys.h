// Every key config.json may hold, as a tree built from the key table: the loader warns about
// any other.
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

}  // namespace beastfinder::config
