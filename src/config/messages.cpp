#include "config/messages.h"

#include <algorithm>

#include <fmt/args.h>
#include <fmt/format.h>
#include <fmt/xchar.h>

#include "config/state.h"
#include "host/framework.h"
#include "host/log.h"

namespace beastfinder {

namespace {

constexpr std::int32_t kCatalogueKind = 701;
constexpr std::int32_t kListingKind = 700;

// Far wider than any chat line; a wider field would only make the game thread fill memory.
constexpr std::int64_t kMaxFieldWidth = 1000;
// Many fields of a bounded width still add up: the longest a text may become when formatted.
constexpr std::int64_t kMaxFormattedUnits = 10000;
// What a value takes where its field asks for less: a number at most 20 units, and the
// texts the messages are given (a token type) are short.
constexpr std::int64_t kValueUnits = 32;

// Why a format text could grow without bound, or empty when it cannot. Formatted, a text is
// counted as its units outside the fields plus, for each field, the larger of its width or
// precision and kValueUnits.
std::string_view UnboundedField(std::u16string_view text) {
    constexpr std::string_view kTooLong = "a formatted size above 10000 characters";
    std::int64_t formatted = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool doubled = i + 1 < text.size() && text[i + 1] == text[i];
        if (text[i] != u'{' || doubled) {
            // "{{" and "}}" print one brace.
            if (doubled && (text[i] == u'{' || text[i] == u'}')) {
                ++i;
            }
            formatted += 1;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() && text[j] != u':' && text[j] != u'}') {
            ++j;
        }
        // Within the format spec only the width and precision are digits (a digit fill is
        // one unit, followed by the alignment).
        std::int64_t widest = 0;
        if (j < text.size() && text[j] == u':') {
            std::int64_t number = 0;
            for (++j; j < text.size() && text[j] != u'}'; ++j) {
                if (text[j] == u'{') {
                    return "a width or precision taken from a value";
                }
                if (text[j] < u'0' || text[j] > u'9') {
                    number = 0;
                    continue;
                }
                number = number * 10 + (text[j] - u'0');
                if (number > kMaxFieldWidth) {
                    return "a width or precision above 1000";
                }
                widest = std::max(widest, number);
            }
        }
        formatted += std::max(widest, kValueUnits);
        if (formatted > kMaxFormattedUnits) {
            return kTooLong;
        }
        i = j;
    }
    return formatted > kMaxFormattedUnits ? kTooLong : std::string_view();
}

// Swallows what a trial format writes.
struct Discard {
    using iterator_category = std::output_iterator_tag;
    using value_type = void;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = void;
    Discard& operator*() { return *this; }
    Discard& operator=(char16_t) { return *this; }
    Discard& operator++() { return *this; }
    Discard operator++(int) { return *this; }
};

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

std::string FormatProblem(std::u16string_view text, std::string_view values) {
    if (const std::string_view why = UnboundedField(text); !why.empty()) {
        return fmt::format("has {}", why);
    }
    // A trial with values of the right kinds finds what the library would refuse at send
    // time: unmatched braces, a value that is not there, a format its kind cannot take.
    fmt::dynamic_format_arg_store<fmt::buffer_context<char16_t>> samples;
    for (const char kind : values) {
        if (kind == 'n') {
            samples.push_back(std::int64_t{0});
        } else {
            samples.push_back(std::u16string_view());
        }
    }
    try {
        fmt::vformat_to(Discard{}, fmt::basic_string_view<char16_t>(text), samples);
    } catch (const fmt::format_error& error) {
        return fmt::format("does not format ({})", error.what());
    }
    return {};
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
