// Running a whole script, and the prompt.
#include "sim/script/script.h"

#include <optional>
#include <string>

#include <fmt/format.h>

#include "sim/script/values.h"

namespace sim {

namespace {

void ApplyOptionLine(Session& session, std::string_view line, const std::string& script_dir) {
    Words words(line.substr(line.find("#!") + 2));
    while (auto option = words.Next()) {
        if (*option != "--world" && *option != "--server") {
            throw ScriptError(
                fmt::format("unknown option \"{}\" (only --world and --server)", *option));
        }
        auto value = words.Next();
        if (!value) {
            throw ScriptError(fmt::format("{} needs a value", *option));
        }
        SessionOptions& options = session.Options();
        if (*option == "--world" && !options.world_fixed) {
            options.world_file = ResolvePath(script_dir, *value);
        } else if (*option == "--server" && !options.server_fixed) {
            options.server_dir = ResolvePath(script_dir, *value);
        }
    }
}

// A comment line that starts "#!" gives options, but only where they can still apply.
void OptionLine(Session& session, std::string_view line, const std::string& script_dir,
                bool start_first, bool started) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line.compare(first, 2, "#!") != 0) {
        return;
    }
    if (start_first) {
        throw ScriptError(
            "option lines cannot apply here: the plugin started before the first "
            "line (give --world and --server on the command line)");
    }
    if (started) {
        throw ScriptError("option lines must come before the first command");
    }
    ApplyOptionLine(session, line, script_dir);
}

// One line typed at the prompt: its own words, a script command, or chat. Returns the note
// for a chat line whose first word looks like a slip of a command, nothing for a line that
// is no line at all (blank, a comment); false in `go_on` to stop.
std::optional<std::string> PromptLine(Session& session, std::ostream& out, const std::string& line,
                                      LineSource& source, bool& go_on) {
    Words words(line);
    const auto first = words.Next();
    if (!first || (*first)[0] == '#') {
        return std::nullopt;
    }
    if (*first == "quit" || *first == "exit") {
        go_on = false;
    } else if (*first == "help") {
        out << session.Help();
    } else if (*first == "as") {
        const std::string name = Need(words, "as", "the player's name");
        NoMore(words, "as");
        session.SwitchPlayer(name, line);
    } else if (*first == "view") {
        const std::string file = Need(words, "view", "the file");
        NoMore(words, "view");
        session.WritePage(file, "beastfinder-sim session");
        out << "wrote " << PrintableText(file) << '\n';
    } else if (Session::IsCommand(*first)) {
        session.Execute(line, source);
    } else if (!session.ChatAsCurrentPlayer(line)) {
        if (const std::string meant = session.ClosestCommand(*first); !meant.empty()) {
            return fmt::format(
                "(\"{}\" is no command, so it went out as {}'s chat: did you mean {}?)\n",
                PrintableText(*first), PrintableText(session.current_player), PrintableText(meant));
        }
    }
    return std::string();
}

}  // namespace

int RunScript(Session& session, LineSource& source, const std::string& script_dir,
              const std::function<void()>& after_last_line, bool start_first) {
    session.Options().script_dir = script_dir;
    bool started = start_first;
    bool running = !start_first || session.Start();
    std::string line;
    auto where = [&source](int line_number) {
        return fmt::format("{}:{}: ", source.Name(), line_number);
    };
    while (running && source.Next(line)) {
        const int number = source.LineNumber();
        if (IsCommentOrBlank(line)) {
            session.EchoVerbatim(line);
            try {
                OptionLine(session, line, script_dir, start_first, started);
            } catch (const ScriptError& error) {
                session.Error(where(number) + error.what());
            }
            continue;
        }
        if (!started) {
            started = true;
            running = session.Start();
            if (!running) {
                break;
            }
        }
        session.EchoCommand(line);
        try {
            session.Execute(line, source);
        } catch (const std::exception& error) {
            session.LineFailed(line, where(number) + error.what());
        }
        session.Flush();
        session.EndLine();
    }
    if (!started) {
        running = session.Start();
    }
    if (running && after_last_line) {
        after_last_line();
    }
    if (running) {
        session.Finish();
    }
    return session.Conclude();
}

int RunInteractive(Session& session, std::istream& in, std::ostream& out, const InputWait& wait,
                   const std::function<void(const std::string&)>& show_prompt) {
    if (!session.Start()) {
        return session.Conclude();
    }
    out << "Type help for the commands; any other line is a chat line of the current player.\n";
    auto prompt = [&] {
        const std::string text =
            (session.current_player.empty() ? std::string("(no player)")
                                            : PrintableText(session.current_player)) +
            "> ";
        out.flush();
        if (show_prompt) {
            show_prompt(text);
        } else {
            out << text;
            out.flush();
        }
    };
    LineSource source(in, "<input>", false, [&] {
        prompt();
        if (wait) {
            // What arrives meanwhile is printed below the prompt, which then shows again.
            wait([&] {
                out << '\n';
                session.Flush();
                prompt();
            });
        }
    });
    std::string line;
    bool go_on = true;
    while (go_on && source.Next(line)) {
        std::optional<std::string> hint = std::string();
        try {
            hint = PromptLine(session, out, line, source, go_on);
        } catch (const std::exception& error) {
            session.LineFailed(line, error.what(), false);
        }
        if (!go_on) {
            break;
        }
        if (!hint) {
            continue;
        }
        session.Flush();
        session.EndLine();
        out << *hint;
    }
    out << '\n';
    session.Finish();
    return session.Conclude();
}

}  // namespace sim
