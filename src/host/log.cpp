#include "host/log.h"

#include <fmt/format.h>

namespace beastfinder::host {

namespace {

// The code point of the UTF-8 sequence at `text[i]` and its length; bytes that do not start
// a valid sequence are taken one at a time.
char32_t Decode(std::string_view text, std::size_t i, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    length = 1;
    if (lead < 0x80) {
        return lead;
    }
    const std::size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (size == 1 || i + size > text.size()) {
        return 0xFFFD;
    }
    char32_t code = lead & (0x3F >> (size - 1));
    for (std::size_t k = 1; k < size; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        code = (code << 6) | (byte(k) & 0x3F);
    }
    length = size;
    return code;
}

bool Reorders(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string LogText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        const char32_t c = Decode(text, i, length);
        if (c == U'"' || c == U'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == U'\n') {
            out += "\\n";
        } else if (c == U'\r') {
            out += "\\r";
        } else if (c == U'\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += fmt::format("\\x{:02x}", static_cast<unsigned>(c));
        } else if ((c >= 0x80 && c <= 0x9F) || Reorders(c)) {
            out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
        } else if (c == 0xFFFD && length == 1) {
            out += fmt::format("\\x{:02x}", static_cast<unsigned char>(text[i]));
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

}  // namespace beastfinder::host
