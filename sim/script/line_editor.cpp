#include "sim/script/line_editor.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <streambuf>
#include <utility>

#include "sim/framework/server.h"
#include "sim/script/script.h"

#if defined(BF_HAVE_LIBEDIT)
#include <histedit.h>
#include <langinfo.h>

#include <clocale>
#endif

namespace sim {

std::vector<std::string> PromptCompletions(std::string_view before_cursor) {
    std::vector<std::string> words;
    const bool first_word =
        before_cursor.find_first_not_of(' ') == std::string_view::npos ||
        before_cursor.find(' ', before_cursor.find_first_not_of(' ')) == std::string_view::npos;
    if (first_word) {
        for (const std::string_view name : Session::CommandNames()) {
            words.emplace_back(name);
        }
        for (const char* word : {"as", "help", "quit"}) {
            words.emplace_back(word);
        }
        // A line that is no command is the current player's chat: the plugin's commands.
        for (const RegisteredCommand& command : TheServer().commands) {
            if (command.kind == CommandKind::Chat) {
                words.push_back(ToUtf8(command.name));
            }
        }
    } else {
        for (const auto& player : TheServer().Players()) {
            words.push_back(player->name);
        }
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

Completion Complete(std::string_view typed, const std::vector<std::string>& candidates,
                    std::vector<std::string>* matches) {
    std::vector<std::string> found;
    for (const std::string& candidate : candidates) {
        if (candidate.size() >= typed.size() && candidate.compare(0, typed.size(), typed) == 0) {
            found.push_back(candidate);
        }
    }
    Completion completion;
    if (!found.empty()) {
        std::size_t common = found.front().size();
        for (const std::string& word : found) {
            const auto [a, b] = std::mismatch(
                found.front().begin(), found.front().begin() + static_cast<std::ptrdiff_t>(common),
                word.begin(), word.end());
            common = static_cast<std::size_t>(a - found.front().begin());
        }
        // Never half a character: the editor would take the bytes for a broken one.
        while (common > typed.size() && common < found.front().size() &&
               (static_cast<unsigned char>(found.front()[common]) & 0xC0) == 0x80) {
            --common;
        }
        completion.insert = found.front().substr(typed.size(), common - typed.size());
        completion.unique = found.size() == 1;
    }
    if (matches != nullptr) {
        *matches = std::move(found);
    }
    return completion;
}

#if defined(BF_HAVE_LIBEDIT)

struct LineEditor::Impl : std::streambuf {
    Completer completer;
    std::string prompt;
    std::string line;
    EditLine* editor = nullptr;
    History* hist = nullptr;
    std::istream stream{this};

    ~Impl() override {
        if (editor != nullptr) {
            el_end(editor);
        }
        if (hist != nullptr) {
            history_end(hist);
        }
    }

    static char* Prompt(EditLine* editor) {
        void* data = nullptr;
        el_get(editor, EL_CLIENTDATA, &data);
        return static_cast<Impl*>(data)->prompt.data();
    }

    // Tab: completes the word before the cursor as far as its candidates agree, and lists
    // them when they do not.
    static unsigned char CompleteKey(EditLine* editor, int /*key*/) {
        void* data = nullptr;
        el_get(editor, EL_CLIENTDATA, &data);
        auto* self = static_cast<Impl*>(data);
        const LineInfo* info = el_line(editor);
        const std::string_view before(info->buffer,
                                      static_cast<std::size_t>(info->cursor - info->buffer));
        const std::size_t start =
            before.rfind(' ') == std::string_view::npos ? 0 : before.rfind(' ') + 1;
        std::vector<std::string> matches;
        const Completion completion =
            Complete(before.substr(start), self->completer(before), &matches);
        if (matches.empty()) {
            return CC_ERROR;
        }
        if (!completion.insert.empty() || completion.unique) {
            const std::string insert = completion.insert + (completion.unique ? " " : "");
            return el_insertstr(editor, insert.c_str()) == 0 ? CC_REFRESH : CC_ERROR;
        }
        std::string list = "\n";
        for (const std::string& match : matches) {
            list += match + "  ";
        }
        list += '\n';
        std::fputs(list.c_str(), stdout);
        std::fflush(stdout);
        return CC_REDISPLAY;
    }

    int underflow() override {
        if (gptr() < egptr()) {
            return traits_type::to_int_type(*gptr());
        }
        int count = 0;
        const char* read = el_gets(editor, &count);
        if (read == nullptr || count <= 0) {
            return traits_type::eof();
        }
        line.assign(read, static_cast<std::size_t>(count));
        if (line.back() != '\n') {
            line += '\n';
        }
        if (line.find_first_not_of(" \t\r\n") != std::string::npos) {
            HistEvent event;
            history(hist, &event, H_ENTER, line.c_str());
        }
        setg(line.data(), line.data(), line.data() + line.size());
        return traits_type::to_int_type(*gptr());
    }
};

// The editor reads and writes characters in the encoding of LC_CTYPE; in the "C" locale every
// byte above 127 is refused, so typed or completed names such as Ольга would vanish. Names
// are UTF-8 here whatever the environment says.
void UseUtf8Characters() {
    const char* chosen = std::setlocale(LC_CTYPE, "");
    const char* codeset = chosen != nullptr ? nl_langinfo(CODESET) : nullptr;
    if (codeset == nullptr || std::string_view(codeset) != "UTF-8") {
        if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
            std::setlocale(LC_CTYPE, "C.utf8");
        }
    }
}

std::unique_ptr<LineEditor> LineEditor::Open(Completer completer) {
    UseUtf8Characters();
    auto impl = std::make_unique<Impl>();
    impl->completer = std::move(completer);
    impl->hist = history_init();
    impl->editor = el_init("beastfinder-sim", stdin, stdout, stderr);
    if (impl->hist == nullptr || impl->editor == nullptr) {
        return nullptr;
    }
    HistEvent event;
    history(impl->hist, &event, H_SETSIZE, 1000);
    history(impl->hist, &event, H_SETUNIQUE, 1);
    el_set(impl->editor, EL_CLIENTDATA, impl.get());
    el_set(impl->editor, EL_EDITOR, "emacs");
    el_set(impl->editor, EL_SIGNAL, 1);
    el_set(impl->editor, EL_PROMPT, &Impl::Prompt);
    el_set(impl->editor, EL_HIST, history, impl->hist);
    el_set(impl->editor, EL_ADDFN, "bf-complete", "Complete a command or player name",
           &Impl::CompleteKey);
    el_set(impl->editor, EL_BIND, "^I", "bf-complete", nullptr);
    el_source(impl->editor, nullptr);  // the user's ~/.editrc, if any
    return std::unique_ptr<LineEditor>(new LineEditor(std::move(impl)));
}

std::istream& LineEditor::Stream() {
    return impl_->stream;
}

void LineEditor::SetPrompt(std::string prompt) {
    impl_->prompt = std::move(prompt);
}

#else

struct LineEditor::Impl {};

std::unique_ptr<LineEditor> LineEditor::Open(Completer /*completer*/) {
    return nullptr;
}

std::istream& LineEditor::Stream() {
    std::abort();  // never opened
}

void LineEditor::SetPrompt(std::string /*prompt*/) {}

#endif

LineEditor::LineEditor(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
LineEditor::~LineEditor() = default;

}  // namespace sim
