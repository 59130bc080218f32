// Where values lie in a JSON text, for messages that point administrators at a line.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace sim {

// A JSON pointer one level down: `key` escaped as pointers require ("~" and "/").
std::string PointerChild(const std::string& pointer, std::string_view key);
std::string PointerChild(const std::string& pointer, std::size_t index);

// The parser reports a number too large for a double ("number overflow parsing '1e999'") by
// its text alone, not where it lies: the line of its first appearance in `text`, or 0.
int LineOfOverflow(std::string_view text, std::string_view problem);

// The line on which every value of a JSON text starts, by JSON pointer. The JSON library
// keeps no positions for values, so the text, already known to hold a valid first value,
// is walked once more; anything after that value is not looked at.
class JsonLines {
  public:
    explicit JsonLines(std::string_view text);

    // The line of the value at `pointer`, or of its nearest enclosing value.
    int LineOf(std::string pointer) const { return Find(std::move(pointer)).line; }
    // Where in the text that value starts, to order what is on one line.
    std::size_t OffsetOf(std::string pointer) const { return Find(std::move(pointer)).offset; }
    // Whether the text holds a value at `pointer` (within the depth that is walked).
    bool Has(const std::string& pointer) const { return lines_.count(pointer) != 0; }

  private:
    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void SkipSpace();
    std::string_view RawString();
    void SkipNested();
    void Value(const std::string& pointer, int depth = 0);

    static constexpr int kMaxDepth = 32;
    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
    struct Place {
        int line = 1;
        std::size_t offset = 0;
    };
    Place Find(std::string pointer) const;
    std::map<std::string, Place> lines_;
};

}  // namespace sim
