// The three tracker commands: who may use them, what they cost, then the search.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "commands/commands.h"
#include "commands/cooldown_book.h"
#include "commands/payment_trace.h"
#include "commands/siblings.h"
#include "commands/state.h"
#include "config/config.h"
#include "config/messages.h"
#include "host/log.h"
#include "host/platform.h"
#include "search/request.h"
#include "search/search.h"
#include "search/text.h"

namespace beastfinder {

namespace {

// What is missing, as a 32-bit count even when the balance is far below zero.
std::int32_t Shortfall(std::int32_t cost, std::int32_t balance) {
    const std::int64_t missing = static_cast<std::int64_t>(cost) - balance;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(missing, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

// A caller with the Steam id that permissions and payments are asked about.
struct Player {
    Caller caller;
    std::uint64_t steam_id = 0;
};

// Who typed the command, when a command can serve them at all.
std::optional<Player> ServablePlayer(AShooterPlayerController* controller,
                                     const host::FString* message) {
    if (message == nullptr) {
        return std::nullopt;
    }
    const auto caller = AnswerableCaller(controller);
    if (!caller) {
        return std::nullopt;
    }
    return Player{*caller, host::SteamId(controller)};
}

// The setting that turns a tracker's permission gate on, as the log names it.
const char* PermissionSetting(SearchMode tracker) {
    switch (tracker) {
        case SearchMode::Tame:
            return "TameTracker.Permission";
        case SearchMode::Wild:
            return "WildTracker.Permission";
        case SearchMode::Admin:
            return "AdminTracker.Permission";
    }
    return "Permission";
}

// A permission rule that no plugin can answer keeps everyone out: an open gate would go
// unnoticed, while a refusal and one warning per load get the administrator's attention.
bool HoldsPermission(const Player& player, SearchMode tracker,
                     const PermissionSettings& permission) {
    if (!siblings::IsLoaded(siblings::Sibling::Permissions)) {
        bool& warned = CommandsState().permission_warnings[tracker];
        if (!warned) {
            warned = true;
            host::Log().warn(
                "{} is enabled but the Permissions plugin is not loaded: refusing everyone "
                "(logged once until the next reload)",
                PermissionSetting(tracker));
        }
        return false;
    }
    return siblings::HasPermission(player.steam_id, permission.Name).value_or(false);
}

// The tame and wild trackers' access rules; a caller they keep out gets the refusal.
bool Admitted(const Player& player, SearchMode tracker, bool requires_admin,
              const PermissionSettings& permission) {
    AShooterPlayerController* controller = player.caller.controller;
    if (requires_admin && !host::IsServerAdmin(player.caller.character)) {
        SendCatalogueMessage(controller, CatalogueMessage::NotAdmin);
        return false;
    }
    if (permission.Enabled && !HoldsPermission(player, tracker, permission)) {
        SendCatalogueMessage(controller, CatalogueMessage::NoPermission);
        return false;
    }
    return true;
}

// A tame search is gathered before anything is charged and sent after: a search that cannot
// complete, such as one a game update left without a lookup, costs the player nothing.
class PaidSearch {
  public:
    PaidSearch(const Caller& caller, SearchRequest request)
        : caller_(caller), request_(std::move(request)) {}

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
            SendListing(caller_.controller, *listing_);
        }
    }

  private:
    bool Gathered() {
        if (!gathered_) {
            gathered_ = true;
            listing_ = GatherListing(caller_, request_);
        }
        return listing_.has_value();
    }

    const Caller& caller_;
    const SearchRequest request_;
    bool gathered_ = false;
    std::optional<Listing> listing_;
};

// How the tame tracker's payment ended.
struct Payment {
    enum class Answer {
        Refused,  // the refusal is sent, or the search could not be gathered: nothing more
        Free,     // no plugin took payment: the search is sent
        Paid,     // the search is sent, then the confirmation
    };
    Answer answer = Answer::Free;
    bool tokens = false;
    std::int32_t cost = 0;
    std::string type;  // of the tokens spent
};

Payment Refused() {
    return Payment{Payment::Answer::Refused, false, 0, {}};
}
Payment Free() {
    return Payment{Payment::Answer::Free, false, 0, {}};
}

// Tokens pay when the player has enough. Empty when they settle nothing and points are asked:
// no tokens plugin, no balance, a spend that failed, or too few tokens while points may pay.
std::optional<Payment> PayTameWithTokens(const Player& player, const TameTrackerConfig& tame,
                                         PaidSearch& search, PaymentTrace& trace) {
    AShooterPlayerController* controller = player.caller.controller;
    // An absent points or tokens plugin makes the command free.
    if (!tame.CoinVault.Enabled || !siblings::IsLoaded(siblings::Sibling::CoinVault)) {
        return std::nullopt;
    }
    const std::string type = tame.CoinVault.Type;
    const std::int32_t cost = tame.CoinVault.Cost;
    const auto balance = siblings::GetTokens(player.steam_id, type);
    if (!balance) {
        return std::nullopt;
    }
    if (*balance < cost) {
        if (!tame.ArkShop.Enabled) {
            SendCatalogueMessage(controller, CatalogueMessage::NotEnoughTokens,
                                 Shortfall(cost, *balance), type);
            return Refused();
        }
        return std::nullopt;
    }
    if (!search.ReadyToCharge()) {
        return Refused();
    }
    trace.Prepare();
    const std::optional<bool> spent = siblings::SpendTokens(cost, player.steam_id, type);
    trace.Tokens(type, cost, spent);
    if (!spent.value_or(false)) {
        return std::nullopt;
    }
    return Payment{Payment::Answer::Paid, true, cost, type};
}

// Points pay when the player has enough; without a points plugin, a balance or a spend that
// goes through, the search is free.
Payment PayTameWithPoints(const Player& player, const TameTrackerConfig& tame, PaidSearch& search,
                          PaymentTrace& trace) {
    AShooterPlayerController* controller = player.caller.controller;
    if (!tame.ArkShop.Enabled || !siblings::IsLoaded(siblings::Sibling::ArkShop)) {
        return Free();
    }
    const std::int32_t cost = tame.ArkShop.Cost;
    const std::optional<std::int32_t> points = siblings::GetPoints(player.steam_id);
    if (!points) {
        return Free();
    }
    if (*points < cost) {
        SendCatalogueMessage(controller, CatalogueMessage::NotEnoughPoints,
                             Shortfall(cost, *points));
        return Refused();
    }
    if (!search.ReadyToCharge()) {
        return Refused();
    }
    trace.Prepare();
    const std::optional<bool> spent = siblings::SpendPoints(cost, player.steam_id);
    trace.Points(cost, spent);
    if (!spent.value_or(false)) {
        return Free();
    }
    return Payment{Payment::Answer::Paid, false, cost, {}};
}

// What was spent and what is left, asked after the search is sent.
void ConfirmPayment(const Player& player, const Payment& payment) {
    std::u16string text;
    if (payment.tokens) {
        const std::int32_t left = siblings::GetTokens(player.steam_id, payment.type).value_or(0);
        AppendText(text, PlayerText::TokensUsed, payment.cost, host::DecodeUtf8(payment.type),
                   left);
    } else {
        const std::int32_t left = siblings::GetPoints(player.steam_id).value_or(0);
        AppendText(text, PlayerText::PointsUsed, payment.cost, left);
    }
    const host::FString sender = host::FStringFromWide(TextOf(PlayerText::PaymentSender));
    SendChatLine(player.caller.controller, sender, text);
}

// The plugins the wild tracker charges: both, when both are on and loaded.
struct WildCharges {
    bool points = false;
    bool tokens = false;
};

// Short of either kind refuses before the search; the balance is asked again for the message.
bool AffordsWild(const Player& player, const WildTrackerConfig& wild, const WildCharges& charges) {
    AShooterPlayerController* controller = player.caller.controller;
    const std::uint64_t steam_id = player.steam_id;
    if (charges.points) {
        const auto points = siblings::GetPoints(steam_id);
        if (points && *points < wild.ArkShop.Cost) {
            const std::int32_t again = siblings::GetPoints(steam_id).value_or(*points);
            SendCatalogueMessage(controller, CatalogueMessage::NotEnoughPoints,
                                 Shortfall(wild.ArkShop.Cost, again));
            return false;
        }
    }
    if (charges.tokens) {
        const auto tokens = siblings::GetTokens(steam_id, wild.CoinVault.Type);
        if (tokens && *tokens < wild.CoinVault.Cost) {
            const std::int32_t again =
                siblings::GetTokens(steam_id, wild.CoinVault.Type).value_or(*tokens);
            SendCatalogueMessage(controller, CatalogueMessage::NotEnoughTokens,
                                 Shortfall(wild.CoinVault.Cost, again), wild.CoinVault.Type);
            return false;
        }
    }
    return true;
}

// Charged after the listing is sent, without a confirmation.
void ChargeWild(const Player& player, const WildTrackerConfig& wild, const WildCharges& charges,
                PaymentTrace& trace) {
    const std::uint64_t steam_id = player.steam_id;
    if (charges.points) {
        trace.Points(wild.ArkShop.Cost, siblings::SpendPoints(wild.ArkShop.Cost, steam_id));
    }
    if (charges.tokens) {
        trace.Tokens(wild.CoinVault.Type, wild.CoinVault.Cost,
                     siblings::SpendTokens(wild.CoinVault.Cost, steam_id, wild.CoinVault.Type));
    }
}

bool ExcludedWord(const WildTrackerConfig& wild, std::u16string_view word) {
    for (const host::FString& excluded : wild.ExcludeSearch) {
        if (ContainsIgnoreCase(word, excluded.View())) {
            return true;
        }
    }
    return false;
}

// The limits on players' wild searches: words no one may search for, then the cooldown.
bool WildSearchAllowed(const Player& player, const WildTrackerConfig& wild,
                       const SearchRequest& request, std::int64_t now) {
    AShooterPlayerController* controller = player.caller.controller;
    if (ExcludedWord(wild, request.first_word)) {
        SendCatalogueMessage(controller, CatalogueMessage::SearchNotAllowed);
        return false;
    }
    if (const auto wait = CommandsState().wild_cooldowns.Wait(player.steam_id, request.first_word,
                                                              now, wild.Cooldown)) {
        SendCatalogueMessage(controller, CatalogueMessage::WildTrackerCooldown, *wait);
        return false;
    }
    return true;
}

}  // namespace

void TameTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                        std::int32_t /*chat_mode*/) {
    const auto player = ServablePlayer(controller, message);
    if (!player || host::CurrentWorld() == nullptr) {
        return;
    }
    const TameTrackerConfig& tame = Config().TameTracker;
    if (!Admitted(*player, SearchMode::Tame, tame.RequiresAdmin, tame.Permission)) {
        return;
    }

    PaidSearch search(player->caller, ParseRequest(SearchMode::Tame, message->View()));
    PaymentTrace trace(player->caller.player_state, player->steam_id, tame.Command);
    std::optional<Payment> payment = PayTameWithTokens(*player, tame, search, trace);
    if (!payment) {
        payment = PayTameWithPoints(*player, tame, search, trace);
    }
    if (payment->answer == Payment::Answer::Refused) {
        return;
    }
    search.Send();
    if (payment->answer == Payment::Answer::Paid) {
        ConfirmPayment(*player, *payment);
    }
}

void WildTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                        std::int32_t /*chat_mode*/) {
    const auto player = ServablePlayer(controller, message);
    if (!player) {
        return;
    }
    const WildTrackerConfig& wild = Config().WildTracker;
    if (!Admitted(*player, SearchMode::Wild, wild.RequiresAdmin, wild.Permission)) {
        return;
    }
    const bool is_admin = host::IsServerAdmin(player->caller.character);
    const WildCharges charges{
        wild.ArkShop.Enabled && siblings::IsLoaded(siblings::Sibling::ArkShop),
        wild.CoinVault.Enabled && siblings::IsLoaded(siblings::Sibling::CoinVault)};
    if (!AffordsWild(*player, wild, charges)) {
        return;
    }
    const SearchRequest request = ParseRequest(SearchMode::Wild, message->View());
    if (request.form != RequestForm::Valid) {
        SendCatalogueMessage(controller, CatalogueMessage::IncorrectSyntaxWild);
        return;
    }
    if (is_admin) {
        SearchCreatures(player->caller, request);
        return;
    }
    const std::int64_t now = host::WallClockTicks();
    if (!WildSearchAllowed(*player, wild, request, now)) {
        return;
    }
    // A search that cannot complete (no world, no lookup) is neither paid for nor starts a
    // cooldown.
    const auto listing = GatherListing(player->caller, request);
    if (!listing) {
        return;
    }
    PaymentTrace trace(player->caller.player_state, player->steam_id, wild.Command);
    if (charges.points || charges.tokens) {
        trace.Prepare();
    }
    SendListing(controller, *listing);
    ChargeWild(*player, wild, charges, trace);
    CommandsState().wild_cooldowns.Start(player->steam_id, request.first_word, now, wild.Cooldown);
}

void AdminTrackerCommand(AShooterPlayerController* controller, host::FString* message,
                         std::int32_t /*chat_mode*/) {
    const auto player = ServablePlayer(controller, message);
    if (!player) {
        return;
    }
    const PermissionSettings& permission = Config().AdminTracker.Permission;
    if (permission.Enabled) {
        if (!HoldsPermission(*player, SearchMode::Admin, permission)) {
            SendCatalogueMessage(controller, CatalogueMessage::NoPermission);
            return;
        }
    } else if (!host::IsServerAdmin(player->caller.character)) {
        SendCatalogueMessage(controller, CatalogueMessage::NotAdmin);
        return;
    }
    const SearchRequest request = ParseRequest(SearchMode::Admin, message->View());
    if (request.form == RequestForm::Malformed) {
        SendCatalogueMessage(controller, CatalogueMessage::IncorrectSyntaxAdmin);
    } else if (request.form == RequestForm::Valid) {
        SearchCreatures(player->caller, request);
    }
}

}  // namespace beastfinder
