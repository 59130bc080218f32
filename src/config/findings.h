// What a configuration load has to say about a file, as data. The log line is rendered from a
// finding, and `check` takes the key, place and kind from it without reading its words.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace beastfinder::config {

enum class FindingCode : std::uint8_t {
    FileUnreadable,  // missing, or not a regular file
    FileTooLarge,
    NotJson,         // the parser stopped: `line` and `column`
    NumberOverflow,  // a number beyond a double: `line` of its digits
    WrongType,       // the JSON library refused a value: `expected`
    OutOfRange,      // an integer beyond 32 bits
    UnknownKey,
    BelowMinimum,
    NotAscii,
    WrongColourCount,
    SentAsWritten,  // a text with values that will not format
    DefaultUsed,    // a player text that will not format
    UnregistrableCommand,
    BlankCommand,
    DuplicateCommand,  // `other`: the key it clashes with, empty for the reload command
    LongCooldown,
};

enum class FindingLevel : std::uint8_t { Warning, Error };

// What a wrong value should have been, when one kind would do.
enum class ValueKind : std::uint8_t { Any, Boolean, Number, Text };

struct Finding {
    FindingCode code = FindingCode::WrongType;
    FindingLevel level = FindingLevel::Warning;
    std::string pointer;  // JSON pointer of the key it is about; empty when none
    std::string other;
    int line = 0;  // 0: no place
    int column = 0;
    ValueKind expected = ValueKind::Any;
    // The JSON library's own words (and the range error's), without its label, key or place.
    std::string reason;
    std::string text;  // exactly the log line
};

// Where the loader puts each finding as it is made.
class FindingSink {
  public:
    virtual void Add(Finding finding) = 0;

  protected:
    FindingSink() = default;
    FindingSink(const FindingSink&) = default;
    FindingSink& operator=(const FindingSink&) = default;
    ~FindingSink() = default;
};

// A value the loader cannot read: the load stops. The finding's text is what() as logged.
class ConfigValueError : public std::runtime_error {
  public:
    ConfigValueError(const std::string& what, Finding finding)
        : std::runtime_error(what), finding_(std::move(finding)) {}
    const Finding& finding() const noexcept { return finding_; }

  private:
    Finding finding_;
};

}  // namespace beastfinder::config
