// Substitute permissions plugin: players belong to groups, groups hold permissions, and a
// group holding "*" holds them all.
#include "host/sibling_plugins.h"
#include "sim/framework/siblings/books.h"

namespace Permissions {

bool IsPlayerHasPermission(unsigned long long steam_id, const FString& permission) {
    const std::string name =
        sim::ToUtf8(sim::Server::View(reinterpret_cast<const sim::SimFString&>(permission)));
    const sim::Server& server = sim::TheServer();
    const auto member = server.groups.find(steam_id);
    if (member == server.groups.end()) {
        return false;
    }
    for (const std::string& group : member->second) {
        const auto held = server.grants.find(group);
        if (held != server.grants.end() &&
            (held->second.count(name) != 0 || held->second.count("*") != 0)) {
            return true;
        }
    }
    return false;
}

}  // namespace Permissions
