#include "config/format_check.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include <fmt/args.h>
#include <fmt/format.h>
#include <fmt/xchar.h>

#include "config/messages.h"

namespace beastfinder {

namespace {

// Far wider than any chat line; a wider field would only make the game thread fill memory.
constexpr std::int64_t kMaxFieldWidth = 1000;
// Many fields of a bounded width still add up: the longest a text may become when formatted.
constexpr std::int64_t kMaxFormattedUnits = 10000;
// What a value takes where its field asks for less: a number at most 20 units, and the
// texts the messages are given (a token type) are short.
constexpr std::int64_t kValueUnits = 32;

}  // namespace

// Formatted, a text is counted as its units outside the fields plus, for each field, the
// larger of its width or precision and kValueUnits.
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

namespace {

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

}  // namespace

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

}  // namespace beastfinder
