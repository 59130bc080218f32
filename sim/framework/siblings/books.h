// What the substitute sibling plugins share: the server's books and the spend effect.
#pragma once

#include <cstdint>
#include <string>

#include "sim/framework/server.h"

namespace sim::siblings {

inline std::string PlayerName(unsigned long long steam_id) {
    for (const auto& player : TheServer().Players()) {
        if (player->steam_id == steam_id) {
            return player->name;
        }
    }
    return std::to_string(steam_id);
}

// Takes `amount` from `balance` unless the plugin is told to refuse or the balance is short.
inline bool Spend(const char* plugin, const char* effect, std::int32_t& balance, int amount,
                  unsigned long long steam_id, const std::string* type) {
    const bool refused = TheServer().siblings[plugin].refuse_spends;
    const bool taken = !refused && amount >= 0 && balance >= amount;
    if (taken) {
        balance -= amount;
    }
    Effect spend{effect, {{"player", PlayerName(steam_id)}}};
    if (type != nullptr) {
        spend.fields.emplace_back("type", *type);
    }
    spend.fields.emplace_back("amount", static_cast<std::int64_t>(amount));
    spend.fields.emplace_back("result", taken);
    spend.fields.emplace_back("balance", static_cast<std::int64_t>(balance));
    TheServer().Emit(std::move(spend));
    return taken;
}

}  // namespace sim::siblings
