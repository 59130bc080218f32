#include "commands/payment_trace.h"

#include <fmt/format.h>

#include "config/config.h"
#include "host/game.h"
#include "host/log.h"

namespace beastfinder {

PaymentTrace::PaymentTrace(void* player_state, std::uint64_t steam_id, const std::string& command)
    : player_state_(player_state),
      steam_id_(steam_id),
      command_(command),
      on_(Config().GlobalSettings.LogPayments) {}

void PaymentTrace::Prepare() {
    if (on_ && !name_) {
        name_ = host::LogText(host::FStringToUtf8(host::PlayerName(player_state_)));
    }
}

void PaymentTrace::Points(std::int32_t amount, std::optional<bool> result) {
    if (on_) {
        Write(fmt::format("{} points", amount), result);
    }
}

void PaymentTrace::Tokens(const std::string& type, std::int32_t amount,
                          std::optional<bool> result) {
    if (on_) {
        Write(fmt::format("{} tokens of type \"{}\"", amount, host::LogText(type)), result);
    }
}

void PaymentTrace::Write(const std::string& what, std::optional<bool> result) {
    Prepare();
    host::Log().info("Payment for {} by \"{}\" ({}): {}, {}", host::LogText(command_), *name_,
                     steam_id_, what,
                     !result   ? "not answered"
                     : *result ? "spent"
                               : "refused");
}

}  // namespace beastfinder
