#include "config/messages.h"

#include <algorithm>

#include <fmt/format.h>
#include <fmt/xchar.h>

#include "config/format_check.h"
#include "config/state.h"
#include "host/framework.h"
#include "host/log.h"

namespace beastfinder {

namespace {

constexpr std::int32_t kCatalogueKind = 701;
constexpr std::int32_t kListingKind = 700;

std::u16string Widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

PlayerTexts& TextsInUse() {
    return LoadedConfigState().texts;
}

// A load builds the catalogue in the enum's order; before the first there is none.
const MessageEntry* FindEntry(CatalogueMessage message) {
    const auto items = MessageCatalogue().Items();
    const auto index = static_cast<std::size_t>(message);
    return index < items.size() ? &items[index] : nullptr;
}

void Deliver(AShooterPlayerController* controller, const MessageEntry& entry, std::u16string text) {
    const host::FString message = host::FStringFromOwnedWide(std::move(text));
    host::ClientServerNotificationSingle(controller, message, entry.color, entry.display_scale,
                                         static_cast<float>(entry.display_time), kCatalogueKind);
}

const MessageEntry* Lookup(AShooterPlayerController* controller, CatalogueMessage message) {
    if (controller == nullptr) {
        return nullptr;
    }
    const MessageEntry* entry = FindEntry(message);
    if (entry == nullptr) {
        host::Log().warn("Message Name: {} not Found!", InfoOf(message).name);
    }
    return entry;
}

template <typename... Args>
void SendFormatted(AShooterPlayerController* controller, CatalogueMessage message,
                   const Args&... args) {
    const MessageEntry* entry = Lookup(controller, message);
    if (entry == nullptr) {
        return;
    }
    std::u16string text;
    if (const std::string_view why = UnboundedField(entry->text); !why.empty()) {
        host::Log().error("Message {} does not format ({}); it was sent as written", entry->name,
                          why);
        Deliver(controller, *entry, entry->text);
        return;
    }
    try {
        text = fmt::vformat(fmt::basic_string_view<char16_t>(entry->text),
                            fmt::make_format_args<fmt::buffer_context<char16_t>>(args...));
    } catch (const fmt::format_error& error) {
        // An administrator's typo must not cost the player the message.
        host::Log().error("Message {} does not format ({}); it was sent as written", entry->name,
                          error.what());
        text = entry->text;
    }
    Deliver(controller, *entry, std::move(text));
}

}  // namespace

PlayerTexts DefaultPlayerTexts() {
    PlayerTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = Widen(kPlayerTexts[i].default_text);
    }
    return texts;
}

host::HostArray<MessageEntry>& MessageCatalogue() {
    return LoadedConfigState().catalogue;
}

const std::u16string& TextOf(PlayerText text) {
    return TextsInUse()[static_cast<std::size_t>(text)];
}

void UsePlayerTexts(PlayerTexts&& texts) noexcept {
    TextsInUse().swap(texts);
}

void ResetPlayerTexts() {
    TextsInUse() = DefaultPlayerTexts();
}

void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message) {
    // Without arguments braces are not special.
    if (const MessageEntry* entry = Lookup(controller, message)) {
        Deliver(controller, *entry, entry->text);
    }
}

void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message,
                          std::int32_t number, std::string_view utf8_text) {
    if (controller == nullptr) {
        return;
    }
    const std::u16string text = DecodeUtf8(utf8_text);
    SendFormatted(controller, message, number, text);
}

void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message,
                          std::int32_t number) {
    SendFormatted(controller, message, number);
}

void SendCatalogueMessage(AShooterPlayerController* controller, CatalogueMessage message,
                          std::int64_t number) {
    SendFormatted(controller, message, number);
}

void NotifyPlayer(AShooterPlayerController* controller, host::ColorRGBA color, float scale,
                  float time, std::u16string_view text) {
    if (controller == nullptr) {
        return;
    }
    const host::FString message = host::FStringFromWide(text);
    host::ClientServerNotificationSingle(controller, message, color, scale, time, kListingKind);
}

void SendChatLine(AShooterPlayerController* controller, const host::FString& sender,
                  std::string_view utf8_text) {
    if (controller != nullptr) {
        SendChatLine(controller, sender, std::u16string_view(DecodeUtf8(utf8_text)));
    }
}

void SendChatLine(AShooterPlayerController* controller, const host::FString& sender,
                  std::u16string_view text) {
    if (controller == nullptr) {
        return;
    }
    host::ChatMessageRecord record;
    record.sender_name = sender;
    record.message = host::FStringFromWide(text);
    // The host takes the record by value: it gets a copy of this copy and releases it.
    const host::ChatMessageRecord copy = record;
    host::ClientChatMessage(controller, copy);
}

void SendServerChat(AShooterPlayerController* controller, host::ColorRGBA color,
                    std::u16string_view text) {
    if (controller == nullptr) {
        return;
    }
    host::ClientServerChatDirectMessage(controller, host::FStringFromWide(text), color);
}

void SendServerChat(AShooterPlayerController* controller, host::ColorRGBA color,
                    std::string_view text) {
    if (controller == nullptr) {
        return;
    }
    host::ClientServerChatDirectMessage(controller, host::FStringFromNarrow(text), color);
}

}  // namespace beastfinder
