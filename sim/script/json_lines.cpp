#include "sim/script/json_lines.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace sim {

std::string PointerChild(const std::string& pointer, std::string_view key) {
    std::string out = pointer + "/";
    for (const char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string PointerChild(const std::string& pointer, std::size_t index) {
    return pointer + "/" + std::to_string(index);
}

JsonLines::JsonLines(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
        pos_ = 3;
    }
    Value("");
}

int LineOfOverflow(std::string_view text, std::string_view problem) {
    constexpr std::string_view kPrefix = "number overflow parsing '";
    const auto start = problem.find(kPrefix);
    if (start == std::string_view::npos) {
        return 0;
    }
    std::string_view number = problem.substr(start + kPrefix.size());
    number = number.substr(0, number.find('\''));
    const auto at = number.empty() ? std::string_view::npos : text.find(number);
    if (at == std::string_view::npos) {
        return 0;
    }
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

JsonLines::Place JsonLines::Find(std::string pointer) const {
    for (;;) {
        auto it = lines_.find(pointer);
        if (it != lines_.end()) {
            return it->second;
        }
        const auto slash = pointer.rfind('/');
        if (slash == std::string::npos) {
            return Place{};
        }
        pointer.resize(slash);
    }
}

void JsonLines::SkipSpace() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == '\n') {
            ++line_;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            return;
        }
        ++pos_;
    }
}

std::string_view JsonLines::RawString() {
    const std::size_t start = ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
        pos_ += text_[pos_] == '\\' ? 2 : 1;
    }
    const std::string_view raw = text_.substr(start, std::min(pos_, text_.size()) - start);
    ++pos_;
    return raw;
}

// Skips one value without looking inside, for nesting deeper than any file of ours needs:
// walking it recursively could exhaust the stack.
void JsonLines::SkipNested() {
    int depth = 0;
    do {
        const char c = text_[pos_];
        if (c == '"') {
            RawString();
            continue;
        }
        if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == '\n') {
            ++line_;
        }
        ++pos_;
    } while (depth > 0 && pos_ < text_.size());
}

void JsonLines::Value(const std::string& pointer, int depth) {
    SkipSpace();
    lines_[pointer] = Place{line_, pos_};
    const char c = Peek();
    if ((c == '{' || c == '[') && depth >= kMaxDepth) {
        SkipNested();
        return;
    }
    if (c == '{') {
        ++pos_;
        SkipSpace();
        while (Peek() == '"') {
            const std::string_view raw = RawString();
            const std::string key =
                raw.find('\\') == std::string_view::npos
                    ? std::string(raw)
                    : nlohmann::json::parse("\"" + std::string(raw) + "\"").get<std::string>();
            SkipSpace();
            ++pos_;  // ':'
            Value(PointerChild(pointer, key), depth + 1);
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                SkipSpace();
            }
        }
        ++pos_;  // '}'
    } else if (c == '[') {
        ++pos_;
        SkipSpace();
        for (std::size_t index = 0; Peek() != ']' && pos_ < text_.size(); ++index) {
            const std::size_t before = pos_;
            Value(PointerChild(pointer, index), depth + 1);
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
            }
            if (pos_ == before) {
                break;  // not JSON after all: stop rather than spin
            }
        }
        ++pos_;  // ']'
    } else if (c == '"') {
        RawString();
    } else {
        while (pos_ < text_.size() &&
               std::string_view(",]} \t\r\n").find(text_[pos_]) == std::string_view::npos) {
            ++pos_;
        }
    }
}

}  // namespace sim
