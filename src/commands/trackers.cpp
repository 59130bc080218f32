// The three tracker commands: who may use them, what they cost, then the search.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "commands/commands.h"
#include "commands/siblings.h"
#include "commands/state.h"
#include "config/config.h"
#include "config/messages.h"
#include "host/log.h"
#include "host/platform.h"
#include "search/search.h"
#include "search/text.h"

namespace beastfinder {

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;

// What is missing, as a 32-bit count even when the balance is far below zero.
std::int32_t Shortfall(std::int32_t cost, std::int32_t balance) {
    const std::int64_t missing = static_cast<std::int64_t>(cost) - balance;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(missing, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

struct Caller {
    AShooterCharacter* character = nullptr;
    void* player_state = nullptr;
    std::uint64_t steam_id = 0;
};

// Who typed the command, when a command can serve them at all.
std::optional<Caller> ServableCaller(AShooterPlayerController* controller,
                                     const host::FString* message) {
    if (controller == nullptr || message == nullptr) {
        return std::nullopt;
    }
    AShooterCharacter* character = host::GetPlayerCharacter(controller);
    if (character == nullptr) {
        return std::nullopt;
    }
    void* player_state = host::PawnPlayerState(character);
    if (player_state == nullptr) {
        return std::nullopt;
    }
    return Caller{character, player_state, host::SteamId(controller)};
}

// A permission rule that no plugin can answer keeps everyone out: an open gate would go
// unnoticed, while a refusal and one warning per load get the administrator's attention.
bool HoldsPermission(const Caller& caller, const PermissionSettings& permission,
                     const char* setting, bool& warned) {
    if (!siblings::IsLoaded(siblings::Sibling::Permissions)) {
        if (!warned) {
            warned = true;
            host::Log().warn(
                "{} is enabled but the Permissions plugin is not loaded: refusing everyone "
                "(logged once until the next reload)",
                setting);
        }
        return false;
    }
    return siblings::HasPermission(caller.steam_id, permission.Name).value_or(false);
}

// The tame and wild trackers' access rules; a caller they keep out gets the refusal.
bool Admitted(AShooterPlayerController* controller, const Caller& caller, bool requires_admin,
              const PermissionSettings& permission, const char* setting, bool& warned) {
    if (requires_admin && !host::IsServerAdmin(caller.character)) {
        SendCatalogueMessage(controller, CatalogueMessage::NotAdmin);
        return false;
    }
    if (permission.Enabled && !HoldsPermission(caller, permission, setting, warned)) {
        SendCatalogueMessage(controller, CatalogueMessage::NoPermission);
        return false;
    }
    return true;
}

// A tame search is gathered before anything is charged and sent after: a search that cannot
// complete, such as one a game update left without a lookup, costs the player nothing.
class PaidSearch {
  public:
    PaidSearch(AShooterPlayerController* controller, const host::FString& message)
        : controller_(controller), message_(message) {}

    // Whether the search and the confirmation after a payment can be sent.
    bool ReadyToCharge() {
        if (!Gathered()) {
            return false;
        }
        host::ResolveFunction(host::Lookup::ClientChatMessage);
        return true;
    }

    void Send() {
        if (Gathered()) {
            SendListing(controller_, *listing_);
        }
    }

  private:
    bool Gathered() {
        if (!gathered_) {
            gathered_ = true;
            listing_ = GatherListing(controller_, message_, false, false);
        }
        return listing_.has_value();
    }

    AShooterPlayerController* controller_;
    const host::FString& message_;
    bool gathered_ = false;
    std::optional<Listing> listing_;
};

void SendConfirmation(AShooterPlayerController* controller, const std::u16string& text) {
    const host::FString sender = host::FStringFromWide(TextOf(PlayerText::PaymentSender));
    SendChatLine(controller, sender, text);
}

// One info line per spend asked of a sibling plugin, when the administrator wants a record of
// who paid what.
class PaymentTrace {
  public:
    PaymentTrace(const Caller& caller, const std::string& command)
        : caller_(caller), command_(command), on_(Config().GlobalSettings.LogPayments) {}

    // Reads what the lines need before anything is charged: a lookup that fails then ends
    // the command with nothing spent.
    void Prepare() {
        if (on_ && !player_) {
            player_ = host::LogText(host::FStringToUtf8(host::PlayerName(caller_.player_state)));
        }
    }

    void Points(std::int32_t amount, std::optional<bool> result) {
        if (on_) {
            Write(fmt::format("{} points", amount), result);
        }
    }

    void Tokens(const std::string& type, std::int32_t amount, std::optional<bool> result) {
        if (on_) {
            Write(fmt::format("{} tokens of type \"{}\"", amount, host::LogText(type)), result);
        }
    }

  private:
    void Write(const std::string& what, std::optional<bool> result) {
        Prepare();
        host::Log().info("Payment for {} by \"{}\" ({}): {}, {}", host::LogText(command_), *player_,
                         caller_.steam_id, what,
                         !result   ? "not answered"
                         : *result ? "spent"
                                   : "refused");
    }

    const Caller& caller_;
    const std::string& command_;
    bool on_;
    std::optional<std::string> player_;  // escaped for the log
};

}  // namespace

void TameTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                        std::int32_t /*chat_mode*/) {
    const auto caller = ServableCaller(controller, message);
    if (!caller || host::CurrentWorld() == nullptr) {
        return;
    }
    const std::uint64_t steam_id = caller->steam_id;
    PluginConfig& config = Config();
    const TameTrackerConfig& tame = config.TameTracker;

    if (!Admitted(controller, *caller, tame.RequiresAdmin, tame.Permission,
                  "TameTracker.Permission", config.LoggedOnce.TamePermissionWithoutPlugin)) {
        return;
    }

    PaidSearch search(controller, *message);
    PaymentTrace trace(*caller, tame.Command);
    // An absent points or tokens plugin makes the command free.
    if (tame.CoinVault.Enabled && siblings::IsLoaded(siblings::Sibling::CoinVault)) {
        const std::string type = tame.CoinVault.Type;
        const std::int32_t cost = tame.CoinVault.Cost;
        if (const auto balance = siblings::GetTokens(steam_id, type)) {
            if (*balance < cost) {
                if (!tame.ArkShop.Enabled) {
                    SendCatalogueMessage(controller, CatalogueMessage::NotEnoughTokens,
                                         Shortfall(cost, *balance), type);
                    return;
                }
                // Short of tokens: points may pay instead.
            } else if (!search.ReadyToCharge()) {
                return;
            } else {
                trace.Prepare();
                const std::optional<bool> spent = siblings::SpendTokens(cost, steam_id, type);
                trace.Tokens(type, cost, spent);
                if (spent.value_or(false)) {
                    search.Send();
                    const std::int32_t left = siblings::GetTokens(steam_id, type).value_or(0);
                    std::u16string text;
                    AppendText(text, PlayerText::TokensUsed, cost, host::DecodeUtf8(type), left);
                    SendConfirmation(controller, text);
                    return;
                }
            }
        }
    }

    if (!tame.ArkShop.Enabled || !siblings::IsLoaded(siblings::Sibling::ArkShop)) {
        search.Send();
        return;
    }
    const std::int32_t cost = tame.ArkShop.Cost;
    const std::optional<std::int32_t> points = siblings::GetPoints(steam_id);
    if (!points) {
        search.Send();
        return;
    }
    if (*points < cost) {
        SendCatalogueMessage(controller, CatalogueMessage::NotEnoughPoints,
                             Shortfall(cost, *points));
        return;
    }
    if (!search.ReadyToCharge()) {
        return;
    }
    trace.Prepare();
    const std::optional<bool> spent = siblings::SpendPoints(cost, steam_id);
    trace.Points(cost, spent);
    if (!spent.value_or(false)) {
        search.Send();
        return;
    }
    search.Send();
    const std::int32_t left = siblings::GetPoints(steam_id).value_or(0);
    std::u16string text;
    AppendText(text, PlayerText::PointsUsed, cost, left);
    SendConfirmation(controller, text);
}

void WildTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                        std::int32_t /*chat_mode*/) {
    const auto caller = ServableCaller(controller, message);
    if (!caller) {
        return;
    }
    const std::uint64_t steam_id = caller->steam_id;
    PluginConfig& config = Config();
    const WildTrackerConfig& wild = config.WildTracker;
    if (!Admitted(controller, *caller, wild.RequiresAdmin, wild.Permission,
                  "WildTracker.Permission", config.LoggedOnce.WildPermissionWithoutPlugin)) {
        return;
    }
    const bool is_admin = host::IsServerAdmin(caller->character);
    const bool charge_points =
        wild.ArkShop.Enabled && siblings::IsLoaded(siblings::Sibling::ArkShop);
    const bool charge_tokens =
        wild.CoinVault.Enabled && siblings::IsLoaded(siblings::Sibling::CoinVault);
    if (charge_points) {
        const auto points = siblings::GetPoints(steam_id);
        if (points && *points < wild.ArkShop.Cost) {
            const std::int32_t again = siblings::GetPoints(steam_id).value_or(*points);
            SendCatalogueMessage(controller, CatalogueMessage::NotEnoughPoints,
                                 Shortfall(wild.ArkShop.Cost, again));
            return;
        }
    }
    if (charge_tokens) {
        const auto tokens = siblings::GetTokens(steam_id, wild.CoinVault.Type);
        if (tokens && *tokens < wild.CoinVault.Cost) {
            const std::int32_t again =
                siblings::GetTokens(steam_id, wild.CoinVault.Type).value_or(*tokens);
            SendCatalogueMessage(controller, CatalogueMessage::NotEnoughTokens,
                                 Shortfall(wild.CoinVault.Cost, again), wild.CoinVault.Type);
            return;
        }
    }

    const host::HostArray<host::FString> words = SplitAtDelimiter(*message, u" ");
    if (words.Count() < 2) {
        SendCatalogueMessage(controller, CatalogueMessage::IncorrectSyntaxWild);
        return;
    }
    const host::FString& word = words[1];

    if (is_admin) {
        SearchCreatures(controller, *message, true, false);
        return;
    }
    for (const host::FString& excluded : wild.ExcludeSearch) {
        if (ContainsIgnoreCase(word.View(), excluded.View())) {
            SendCatalogueMessage(controller, CatalogueMessage::SearchNotAllowed);
            return;
        }
    }

    const std::int64_t now = host::WallClockTicks();
    auto& cooldowns = CommandsState().wild_cooldowns;
    WildCooldownEntry* own = nullptr;
    for (WildCooldownEntry& entry : cooldowns) {
        if (entry.steam_id == steam_id) {
            own = &entry;
            break;
        }
    }
    if (wild.Cooldown > 0 && own != nullptr) {
        // Repeating or paging one's own last search waits a full cooldown less. Only the
        // caller's own word counts: another player's search must not lift this limit.
        const bool repeated = ContainsIgnoreCase(word.View(), own->last_word.View());
        std::int64_t remaining = (own->expires_at - now) / kTicksPerSecond;
        if (repeated) {
            remaining -= wild.Cooldown;
        }
        if (remaining > 0) {
            SendCatalogueMessage(controller, CatalogueMessage::WildTrackerCooldown, remaining);
            return;
        }
    }

    // A search that cannot complete (no world, no lookup) is neither paid for nor starts a
    // cooldown.
    const auto listing = GatherListing(controller, *message, true, false);
    if (!listing) {
        return;
    }
    PaymentTrace trace(*caller, wild.Command);
    if (charge_points || charge_tokens) {
        trace.Prepare();
    }
    SendListing(controller, *listing);

    if (charge_points) {
        trace.Points(wild.ArkShop.Cost, siblings::SpendPoints(wild.ArkShop.Cost, steam_id));
    }
    if (charge_tokens) {
        trace.Tokens(wild.CoinVault.Type, wild.CoinVault.Cost,
                     siblings::SpendTokens(wild.CoinVault.Cost, steam_id, wild.CoinVault.Type));
    }
    if (wild.Cooldown > 0) {
        const std::int64_t expires_at =
            now + static_cast<std::int64_t>(wild.Cooldown) * kTicksPerSecond;
        if (own != nullptr) {
            own->expires_at = expires_at;
            own->last_word = word;
        } else {
            cooldowns.Append(WildCooldownEntry{steam_id, word, expires_at});
        }
    }
}

void AdminTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                         std::int32_t /*chat_mode*/) {
    const auto caller = ServableCaller(controller, message);
    if (!caller) {
        return;
    }
    PluginConfig& config = Config();
    const PermissionSettings& permission = config.AdminTracker.Permission;
    if (permission.Enabled) {
        if (!HoldsPermission(*caller, permission, "AdminTracker.Permission",
                             config.LoggedOnce.AdminPermissionWithoutPlugin)) {
            SendCatalogueMessage(controller, CatalogueMessage::NoPermission);
            return;
        }
    } else if (!host::IsServerAdmin(caller->character)) {
        SendCatalogueMessage(controller, CatalogueMessage::NotAdmin);
        return;
    }
    const std::int32_t words = SplitAtDelimiter(*message, u" ").Count();
    if (words >= 4) {
        SendCatalogueMessage(controller, CatalogueMessage::IncorrectSyntaxAdmin);
    } else if (words >= 1) {
        SearchCreatures(controller, *message, false, true);
    }
}

}  // namespace beastfinder
