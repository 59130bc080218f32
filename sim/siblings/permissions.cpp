// Substitute permissions plugin: group memberships per steam id.
#include "commands/sibling_api.h"
#include "sim/siblings/books.h"

namespace Permissions {

bool IsPlayerHasPermission(unsigned long long steam_id, FString& group) {
    const std::string name =
        sim::ToUtf8(sim::Server::View(reinterpret_cast<const sim::SimFString&>(group)));
    const auto& groups = sim::TheServer().groups;
    auto it = groups.find(steam_id);
    return it != groups.end() && it->second.count(name) != 0;
}

}  // namespace Permissions
