// Calls into the points, tokens and permissions plugins, bound at each use so that the
// plugin runs without them and survives one being unloaded between two commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/sibling_plugins.h"

namespace beastfinder::siblings {

using host::Sibling;

// Whether the framework has the plugin loaded now. Plugins start in folder order, often
// after this one, so this is asked at each use.
bool IsLoaded(Sibling plugin);

// Each answer is empty when the sibling's module or export cannot be found right now
// (a warning is logged); callers treat that as the plugin being absent.
std::optional<std::int32_t> GetPoints(std::uint64_t steam_id);
std::optional<bool> SpendPoints(std::int32_t amount, std::uint64_t steam_id);
std::optional<std::int32_t> GetTokens(std::uint64_t steam_id, const std::string& type);
std::optional<bool> SpendTokens(std::int32_t amount, std::uint64_t steam_id,
                                const std::string& type);
// Whether any group of the player holds the permission (or "*"). The name is handed over
// as host text made from its bytes (non-ASCII becomes "?").
std::optional<bool> HasPermission(std::uint64_t steam_id, const std::string& permission);

// The module file a sibling plugin is loaded from, e.g. "ArkShop.dll".
std::string ModuleFileName(Sibling plugin);

}  // namespace beastfinder::siblings
