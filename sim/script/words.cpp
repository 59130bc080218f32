// Script lines: read from a script or a transcript, split into words.
#include "sim/script/script.h"

#include <algorithm>

#include <fmt/format.h>

namespace sim {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<std::string> Words::Next() {
    while (pos_ < line_.size() && IsSpace(line_[pos_])) {
        ++pos_;
    }
    if (pos_ >= line_.size()) {
        return std::nullopt;
    }
    std::string word;
    while (pos_ < line_.size() && !IsSpace(line_[pos_])) {
        if (line_[pos_] != '"') {
            word.push_back(line_[pos_++]);
            continue;
        }
        const std::size_t opening = pos_++;
        for (;;) {
            if (pos_ >= line_.size()) {
                throw ScriptError(fmt::format("the quote at column {} is not closed", opening + 1));
            }
            const char c = line_[pos_++];
            if (c == '"') {
                break;
            }
            if (c != '\\') {
                word.push_back(c);
                continue;
            }
            const char escaped = pos_ < line_.size() ? line_[pos_++] : '\0';
            switch (escaped) {
                case '"':
                    word.push_back('"');
                    break;
                case '\\':
                    word.push_back('\\');
                    break;
                case 'n':
                    word.push_back('\n');
                    break;
                case 't':
                    word.push_back('\t');
                    break;
                default:
                    throw ScriptError(fmt::format(
                        "unknown escape at column {} (use \\\" \\\\ \\n \\t)", pos_ - 1));
            }
        }
    }
    return word;
}

std::string Words::Rest() {
    if (pos_ < line_.size() && IsSpace(line_[pos_])) {
        ++pos_;
    }
    std::string rest(line_.substr(std::min(pos_, line_.size())));
    pos_ = line_.size();
    return rest;
}

LineSource::LineSource(std::istream& in, std::string name, bool transcript,
                       std::function<void()> before_read)
    : in_(in),
      name_(std::move(name)),
      transcript_(transcript),
      before_read_(std::move(before_read)) {}

bool IsCommentOrBlank(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

bool LineSource::Next(std::string& line) {
    for (;;) {
        if (before_read_) {
            before_read_();
        }
        if (!std::getline(in_, line)) {
            return false;
        }
        ++line_number_;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!transcript_ || IsCommentOrBlank(line)) {
            return true;
        }
        if (line == "$") {
            line.clear();
            return true;
        }
        if (line.compare(0, 2, "$ ") == 0) {
            line.erase(0, 2);
            return true;
        }
        // Expected output between the script lines.
    }
}

}  // namespace sim
