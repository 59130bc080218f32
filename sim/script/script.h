// The simulator's script language and the session that runs it against the plugin module.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/framework/module.h"
#include "sim/framework/server.h"
#include "sim/views/html_page.h"
#include "sim/views/output.h"

namespace sim {

// A script line that cannot run; the message says why, without the place.
class ScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Splits a script line into words at spaces and tabs. A double-quoted part may hold spaces
// and the escapes \" \\ \n \t; quoted and plain parts next to each other form one word.
class Words {
  public:
    explicit Words(std::string_view line) : line_(line) {}

    // The next word, or nothing at the end of the line.
    std::optional<std::string> Next();
    // Everything after the single space or tab that follows the last word read, verbatim.
    std::string Rest();

  private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

// Script lines, one at a time, with the name and line number for error lines.
class LineSource {
  public:
    // `transcript`: the stream is a transcript; only its script lines ("$ " lines, comments
    // and blank lines) are read, the expected output between them is skipped.
    LineSource(std::istream& in, std::string name, bool transcript = false,
               std::function<void()> before_read = {});

    // The next line without its line ending; false at the end.
    bool Next(std::string& line);
    const std::string& Name() const { return name_; }
    int LineNumber() const { return line_number_; }

  private:
    std::istream& in_;
    std::string name_;
    bool transcript_;
    std::function<void()> before_read_;
    int line_number_ = 0;
};

bool IsCommentOrBlank(std::string_view line);

struct SessionOptions {
    OutputFormat format = OutputFormat::Text;
    // Text output as the player sees it rather than raw effect lines; colour in it.
    bool rendered = false;
    bool color = false;
    bool echo = false;
    std::string module_path;
    // Folder whose ArkApi/Plugins/Beastfinder/config.json the plugin reads.
    std::string server_dir = ".";
    // Empty: a world without players or creatures.
    std::string world_file;
    // Given on the command line: a script's option lines do not override them.
    bool server_fixed = false;
    bool world_fixed = false;
    // Where relative paths in script lines start: the script's folder; empty at the prompt
    // (the current directory).
    std::string script_dir;
};

class Session {
  public:
    Session(Server& server, std::ostream& out, std::ostream& err, SessionOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    SessionOptions& Options() { return options_; }

    // Reads the world file and starts the plugin, printing what start-up did. False when
    // the run cannot go on (a bad world file, a module that does not open).
    bool Start();
    // Runs one script command. A command that needs lines of its own (a configuration
    // text) reads them from `more`.
    void Execute(std::string_view line, LineSource& more);
    // Prints the effects recorded since the last call.
    void Flush();
    // Unloads the plugin and prints the final account.
    void Finish();
    // The exit code so far; with echo on, also prints it as the last line.
    int Conclude();

    static bool IsCommand(std::string_view word);
    // Started and between commands: what runs now cannot land inside a script command.
    bool Idle() const { return started_ && !executing_; }
    static std::vector<std::string_view> CommandNames();
    // Every command with its usage, the prompt's own words and the plugin's chat commands.
    std::string Help() const;
    // The script commands as the simulator's guide lists them: a Markdown table.
    static std::string CommandsMarkdown();
    // The simulator or plugin command `word` was probably meant to be, or empty.
    std::string ClosestCommand(std::string_view word) const;

    // With echo on, a script line as transcripts show it: commands after "$ ", comments as
    // they are.
    void EchoCommand(std::string_view line) { EchoLine("$ ", line); }
    void EchoVerbatim(std::string_view line) { EchoLine("", line); }
    // An error line on the error stream; it makes the exit code 2.
    void Error(const std::string& message);
    // `line` could not run: the error line, and the line shown failed on the page. At the
    // prompt (`counts` false) a mistyped line does not fail the session.
    void LineFailed(std::string_view line, const std::string& message, bool counts = true);
    // The line that ran is over: what comes next belongs to no line of its own.
    void EndLine() { open_step_ = 0; }

    // The player whose chat lines the interactive prompt sends.
    std::string current_player;
    // `line` is the line as typed, for the page.
    void SwitchPlayer(const std::string& name, std::string_view line = {});
    // False when no plugin command took the line.
    bool ChatAsCurrentPlayer(const std::string& line);

    // Every command run so far with its effects, for the page.
    const std::vector<PageStep>& History() const { return history_; }
    // Writes the page of the session so far; ScriptError when the file cannot be written.
    void WritePage(const std::string& file, std::string_view title);

  private:
    struct Handler;
    static std::span<const Handler> Handlers();
    static const Handler* FindHandler(std::string_view word);

    void Print(const Effect& effect);
    void Report(const std::string& message);
    void EchoLine(std::string_view prefix, std::string_view line);
    Player& RequirePlayer(Words& words, std::string_view command);
    Player& FindPlayer(const std::string& name, std::string_view command);
    void OpenStep(std::string command);
    void NoteArrowTargets(const std::vector<Effect>& effects);
    bool RunChatLine(Player& player, const std::string& line);
    void OpenModule();
    void CloseModule();
    void Account(bool after_unload);
    std::string ScratchServer();

    void Chat(Words& words, LineSource& more);
    void Console(Words& words, LineSource& more);
    void Rcon(Words& words, LineSource& more);
    void Wait(Words& words, LineSource& more);
    void PlayerEdit(Words& words, LineSource& more);
    void CreatureEdit(Words& words, LineSource& more);
    void AddCreature(Words& words, LineSource& more);
    void RemoveCreature(Words& words, LineSource& more);
    void Points(Words& words, LineSource& more);
    void Tokens(Words& words, LineSource& more);
    void Group(Words& words, LineSource& more);
    void Grant(Words& words, LineSource& more);
    void Revoke(Words& words, LineSource& more);
    void Plugin(Words& words, LineSource& more);
    void World(Words& words, LineSource& more);
    void WorldSettings(Words& words, LineSource& more);
    void Config(Words& words, LineSource& more);
    void Unresolve(Words& words, LineSource& more);
    void Resolve(Words& words, LineSource& more);
    void Load(Words& words, LineSource& more);
    void Unload(Words& words, LineSource& more);
    void Reload(Words& words, LineSource& more);
    void AccountCommand(Words& words, LineSource& more);
    void Players(Words& words, LineSource& more);
    void Creatures(Words& words, LineSource& more);
    void Echo(Words& words, LineSource& more);

    Server& server_;
    std::ostream& out_;
    std::ostream& err_;
    SessionOptions options_;
    PluginModule module_;
    std::string scratch_;
    int errors_ = 0;
    int faults_ = 0;
    bool module_failed_ = false;
    bool started_ = false;
    bool executing_ = false;
    // Set by `account`: at the prompt the account shows only when asked for.
    bool account_requested_ = false;
    std::vector<PageStep> history_;
    // 1 + the index of the current line's step; 0 between lines.
    std::size_t open_step_ = 0;
    std::vector<std::string> comments_;
};

// Waits for the next input line while serving whatever else comes in; `traffic` prints
// what happened meanwhile.
using InputWait = std::function<void(const std::function<void()>& traffic)>;

// Runs a script: option lines ("#! --world FILE --server DIR", relative to `script_dir`)
// before the first command, start-up just before the first command, then every line.
// `after_last_line` runs after the last line, before shut-down. With `start_first` the
// plugin starts before the first line is read, so that what waits for a line (RCON clients)
// meets a running plugin; option lines can then no longer apply.
int RunScript(Session& session, LineSource& source, const std::string& script_dir,
              const std::function<void()>& after_last_line = {}, bool start_first = false);

// The prompt: script commands, and any other line is a chat line of the current player.
// Lines that cannot run are reported and change nothing; they do not fail the session.
// `wait` runs after each prompt; `show_prompt`, when given, shows the prompt instead of
// writing it to `out` (a line editor draws its own).
int RunInteractive(Session& session, std::istream& in, std::ostream& out,
                   const InputWait& wait = {},
                   const std::function<void(const std::string&)>& show_prompt = {});

}  // namespace sim
