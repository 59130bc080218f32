// The files written from the key table for administrators and their editors. Only the tools
// and the tests write them; a unit of its own keeps them, and the JSON writer they need, out
// of the module.
#pragma once

#include <string>

namespace beastfinder::config {

// config.schema.json (JSON Schema draft 2020-12, with each key's help and default) and the
// default config.json, as shipped.
std::string SchemaText();
std::string DefaultConfigText();

}  // namespace beastfinder::config
