#include "host/log.h"

#include <cstdint>

namespace beastfinder::host {

namespace {

// The code point of an escaped character at the start of `bytes` and its length in bytes,
// or 0. Config values are UTF-8 (the parser checks), so the few sequences are matched as
// bytes: C0 and DEL, C1 (C2 80-9F), U+061C (D8 9C), U+200E/F (E2 80 8E-8F), U+2028-202E
// (E2 80 A8-AE), U+2066-2069 (E2 81 A6-A9).
std::size_t EscapedAt(std::string_view bytes, std::uint32_t& cp) {
    const auto at = [&](std::size_t i) {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0U;
    };
    const unsigned lead = at(0);
    if (lead < 0x20 || lead == 0x7F) {
        cp = lead;
        return 1;
    }
    if ((lead == 0xC2 && at(1) >= 0x80 && at(1) <= 0x9F) || (lead == 0xD8 && at(1) == 0x9C)) {
        cp = ((lead & 0x1FU) << 6) | (at(1) & 0x3FU);
        return 2;
    }
    const unsigned second = at(1);
    const unsigned third = at(2);
    if (lead == 0xE2 && ((second == 0x80 &&
                          ((third >= 0x8E && third <= 0x8F) || (third >= 0xA8 && third <= 0xAE))) ||
                         (second == 0x81 && third >= 0xA6 && third <= 0xA9))) {
        cp = 0x2000U | ((second & 0x3FU) << 6) | (third & 0x3FU);
        return 3;
    }
    return 0;
}

std::string Escape(std::string_view utf8, bool quoted) {
    std::string out;
    out.reserve(utf8.size() + (quoted ? 2 : 0));
    if (quoted) {
        out += '"';
    }
    while (!utf8.empty()) {
        std::uint32_t cp = 0;
        const std::size_t length = EscapedAt(utf8, cp);
        if (length == 0) {
            const char c = utf8.front();
            if (quoted && (c == '"' || c == '\\')) {
                out += '\\';
            }
            out += c;
            utf8.remove_prefix(1);
            continue;
        }
        switch (cp) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += fmt::format("\\u{:04X}", cp);
        }
        utf8.remove_prefix(length);
    }
    if (quoted) {
        out += '"';
    }
    return out;
}

}  // namespace

std::string ForLog(std::string_view utf8) {
    return Escape(utf8, false);
}

std::string QuotedForLog(std::string_view utf8) {
    return Escape(utf8, true);
}

}  // namespace beastfinder::host
