// The prompt's line reader at a terminal: line editing, history and completion.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class Session;

// The words that may stand where the cursor is: commands as the first word, player names
// after it. `before_cursor` is the line up to the cursor.
std::vector<std::string> PromptCompletions(std::string_view before_cursor);

class LineEditor {
  public:
    using Completer = std::function<std::vector<std::string>(std::string_view before_cursor)>;

    // Null when this build has no line editing (the plain reader is used instead).
    static std::unique_ptr<LineEditor> Open(Completer completer);
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    // Lines as typed, each ending in a line break; history keeps every non-blank one.
    std::istream& Stream();
    // Shown before the next line is read.
    void SetPrompt(std::string prompt);

    struct Impl;

  private:
    explicit LineEditor(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The part `matches` share beyond `typed`, and whether that completes one word. Shared by
// the editor's completion key and its tests.
struct Completion {
    std::string insert;
    bool unique = false;
};
Completion Complete(std::string_view typed, const std::vector<std::string>& candidates,
                    std::vector<std::string>* matches = nullptr);

}  // namespace sim
