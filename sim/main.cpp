// beastfinder-sim: runs the plugin module in a simulated dedicated server.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "sim/framework/module.h"
#include "sim/framework/server.h"
#include "sim/rcon/rcon_server.h"
#include "sim/script/line_editor.h"
#include "sim/script/script.h"
#include "sim/tools/check.h"
#include "sim/tools/generate.h"
#include "sim/views/output.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: beastfinder-sim [--json | --raw | --rendered] [--color WHEN] [--html FILE]\n"
    "                       [--echo] [--transcript] [--interactive] [--server DIR]\n"
    "                       [--world FILE] [--rcon [HOST:]PORT --rcon-password PW]\n"
    "                       [--rcon-any-address] [SCRIPT]\n"
    "       beastfinder-sim check FILE\n"
    "       beastfinder-sim generate N [--seed S] [-o FILE]\n"
    "       beastfinder-sim --version\n"
    "  SCRIPT         script file, or - for standard input (the default when it is not a\n"
    "                 terminal); without one at a terminal, an interactive prompt\n"
    "  --server DIR   server folder holding ArkApi/Plugins/Beastfinder/config.json\n"
    "  --world FILE   world file (JSON)\n"
    "  --json         print effects as JSON lines\n"
    "  --raw          print effect lines as they are, also where the player's view is the\n"
    "                 default (the prompt, and --echo at a terminal)\n"
    "  --rendered     print what the player sees even when output is not a terminal\n"
    "  --color WHEN   colour in the player's view: auto (at a terminal; the default),\n"
    "                 always or never\n"
    "  --html FILE    at the end, write a page of each command's screen and a map of the\n"
    "                 world to FILE\n"
    "  --echo         print each script line before its effects, and the exit code at the end\n"
    "  --transcript   SCRIPT is a transcript: run its script lines, skip the output in it\n"
    "  --interactive  the prompt, even when standard input is not a terminal\n"
    "  --rcon [HOST:]PORT  answer RCON clients there (host 127.0.0.1 when left out, port 0\n"
    "                 picks a free one) while waiting for input; after a script file, until\n"
    "                 standard input ends\n"
    "  --rcon-password PW  the password RCON clients log in with\n"
    "  --rcon-any-address  let --rcon listen on an address other than loopback\n"
    "  check FILE     load FILE as the plugin loads config.json and list every error and\n"
    "                 warning; exit code 0 when it loads, 1 when it does not\n"
    "  generate N     write a world file with N creatures to standard output; --seed S picks\n"
    "                 another world (default 1), -o FILE writes it to FILE\n"
    "Without --server and --world the bundled examples are used. See docs/simulator.md.\n";

constexpr const char* kConfigInServer = "ArkApi/Plugins/Beastfinder/config.json";

bool StdinIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

bool StdoutIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

// A terminal that takes 24-bit colour escapes. The Windows console needs them switched on
// first, so colour there is only on request.
bool ColorTerminal() {
#if defined(_WIN32)
    return false;
#else
    const char* no_color = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return StdoutIsTerminal() && (no_color == nullptr || *no_color == '\0') &&
           !(term != nullptr && std::string_view(term) == "dumb");
#endif
}

// The bundled examples: installed beside this program, or in the source tree it was built
// from. Those beside it come first, so an unpacked release never reads the build machine's.
fs::path FindExamples() {
    std::vector<fs::path> candidates;
    const fs::path program = fs::path(sim::PluginModule::DefaultPath()).parent_path();
    candidates.push_back(program / "examples");
    candidates.push_back(program.parent_path() / "examples");
#if defined(BF_SOURCE_DIR)
    candidates.emplace_back(fs::path(BF_SOURCE_DIR) / "examples");
#endif
    for (const auto& candidate : candidates) {
        std::error_code ignored;
        if (fs::is_directory(candidate, ignored)) {
            return candidate;
        }
    }
    return {};
}

int Usage(const std::string& problem) {
    std::cerr << "beastfinder-sim: " << sim::PrintableText(problem) << "\n" << kUsage;
    return 2;
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

int Help() {
    std::cout << kUsage;
    return 0;
}

int Check(int argc, char** argv) {
    std::string file;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsHelp(arg)) {
            return Help();
        }
        if (!file.empty()) {
            return Usage("check takes one file");
        }
        file = arg;
    }
    if (file.empty()) {
        return Usage("check needs a file");
    }
    return sim::CheckConfig(sim::TheServer(), file, sim::PluginModule::DefaultPath(), std::cout,
                            std::cerr);
}

bool ParseCount(const std::string& text, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

int Generate(int argc, char** argv) {
    std::optional<std::uint64_t> count;
    std::uint64_t seed = 1;
    std::string output;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsHelp(arg)) {
            return Help();
        }
        if (arg == "--seed" || arg == "-o") {
            if (i + 1 >= argc) {
                return Usage(arg + " needs a value");
            }
            const std::string value = argv[++i];
            if (arg == "-o") {
                output = value;
            } else if (!ParseCount(value, seed)) {
                return Usage("--seed: \"" + value + "\" is not a number from 0 to 2^64 - 1");
            }
        } else if (count) {
            return Usage("generate takes one count");
        } else {
            std::uint64_t n = 0;
            // Creature ids are signed 64-bit in the world file.
            if (!ParseCount(arg, n) || n > static_cast<std::uint64_t>(INT64_MAX)) {
                return Usage("generate: \"" + arg + "\" is not a number of creatures");
            }
            count = n;
        }
    }
    if (!count) {
        return Usage("generate needs the number of creatures");
    }
    std::ofstream file;
    if (!output.empty()) {
        file.open(output, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << sim::PrintableText(output) << ": cannot be written\n";
            return 2;
        }
    }
    std::ostream& out = output.empty() ? std::cout : file;
    sim::WriteGeneratedWorld(out, *count, seed);
    if (!out.flush()) {
        std::cerr << (output.empty() ? "standard output" : sim::PrintableText(output))
                  << ": cannot be written\n";
        return 2;
    }
    return 0;
}

// What the command line asks of a run of a script or the prompt.
struct RunArgs {
    sim::SessionOptions options;
    bool transcript = false;
    bool interactive = false;
    std::string script;
    std::optional<std::string> rcon;
    std::optional<std::string> rcon_password;
    bool rcon_any_address = false;
    std::string view;  // "", "raw" or "rendered"
    std::string color = "auto";
    std::string html;

    bool ScriptFile() const { return !script.empty() && script != "-"; }
};

// Reads the options into `args`; an exit code when the run stops here (help, a bad option).
std::optional<int> ParseRunArgs(int argc, char** argv, RunArgs& args) {
    sim::SessionOptions& options = args.options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takes_value = arg == "--color" || arg == "--html" || arg == "--rcon" ||
                                 arg == "--rcon-password" || arg == "--server" || arg == "--world";
        if (takes_value && i + 1 >= argc) {
            return Usage(arg + " needs a value");
        }
        if (arg == "--json") {
            options.format = sim::OutputFormat::Json;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--raw" || arg == "--rendered") {
            args.view = arg.substr(2);
        } else if (arg == "--color" || arg == "--html") {
            (arg == "--color" ? args.color : args.html) = argv[++i];
            if (arg == "--color" && args.color != "auto" && args.color != "always" &&
                args.color != "never") {
                return Usage("--color takes auto, always or never");
            }
        } else if (arg == "--transcript") {
            args.transcript = true;
        } else if (arg == "--interactive") {
            args.interactive = true;
        } else if (arg == "--rcon-any-address") {
            args.rcon_any_address = true;
        } else if (arg == "--rcon" || arg == "--rcon-password") {
            (arg == "--rcon" ? args.rcon : args.rcon_password) = argv[++i];
        } else if (arg == "--server") {
            options.server_dir = argv[++i];
            options.server_fixed = true;
        } else if (arg == "--world") {
            options.world_file = argv[++i];
            options.world_fixed = true;
        } else if (IsHelp(arg)) {
            return Help();
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else if (!args.script.empty()) {
            return Usage("only one script");
        } else {
            args.script = arg;
        }
    }
    return std::nullopt;
}

// Options that do not go together; an exit code when they do not.
std::optional<int> CheckRunArgs(const RunArgs& args) {
    if (args.transcript && !args.ScriptFile()) {
        return Usage("--transcript needs a script file");
    }
    if (args.interactive && !args.script.empty()) {
        return Usage("--interactive reads standard input, not a script");
    }
    if (args.rcon.has_value() != args.rcon_password.has_value() ||
        (args.rcon_any_address && !args.rcon.has_value())) {
        return Usage("--rcon and --rcon-password go together (--rcon-any-address with them)");
    }
    if (args.rcon_password && args.rcon_password->empty()) {
        return Usage("--rcon-password: an empty password would let anyone in");
    }
    return std::nullopt;
}

// The bundled examples where no server or world was given; an exit code when the server
// folder given is not there.
std::optional<int> ChooseServerAndWorld(sim::SessionOptions& options) {
    const fs::path examples = FindExamples();
    if (!examples.empty()) {
        if (!options.server_fixed) {
            options.server_dir = (examples / "server").string();
        }
        if (!options.world_fixed) {
            options.world_file = (examples / "world.json").string();
        }
    }
    if (options.server_fixed) {
        // A mistyped folder would only show as the plugin failing to start.
        std::error_code error;
        if (!fs::is_directory(options.server_dir, error)) {
            std::cerr << "beastfinder-sim: --server " << sim::PrintableText(options.server_dir)
                      << ": no such folder (config.json is looked for at "
                      << sim::PrintableText(
                             (fs::path(options.server_dir) / kConfigInServer).generic_string())
                      << ")\n";
            return 2;
        }
    }
    return std::nullopt;
}

// The RCON listener the options ask for, listening; an exit code when it cannot be.
std::optional<int> StartRcon(const RunArgs& args, sim::Session& session,
                             std::unique_ptr<sim::RconServer>& rcon_server) {
    try {
        rcon_server = std::make_unique<sim::RconServer>(sim::TheServer(), *args.rcon_password);
        rcon_server->Listen(sim::ParseRconEndpoint(*args.rcon), args.rcon_any_address);
    } catch (const std::invalid_argument& error) {
        return Usage("--rcon: " + std::string(error.what()));
    } catch (const std::exception& error) {
        std::cerr << "beastfinder-sim: " << sim::PrintableText(error.what()) << '\n';
        return 2;
    }
    sim::TheServer().Emit(sim::Effect{"rcon-listen", {{"address", rcon_server->Address()}}});
    session.Flush();
    return std::nullopt;
}

// Runs the script file (open in `file`), standard input or the prompt; RCON clients are
// served while input is awaited.
int RunInput(const RunArgs& args, std::istream& file, bool prompt, sim::Session& session,
             sim::RconServer* rcon_server) {
    // RCON is served only between the commands of a started session.
    const sim::InputWait wait = [&](const std::function<void()>& traffic) {
        if (rcon_server != nullptr && session.Idle()) {
            rcon_server->ServeUntilInput(traffic);
        }
    };
    const auto print = [&] { session.Flush(); };
    if (args.ScriptFile()) {
        sim::LineSource source(file, args.script, args.transcript);
        // A script file never waits: the clients are served after it, until standard input
        // ends; lines typed meanwhile are ignored.
        std::function<void()> linger;
        if (rcon_server != nullptr) {
            linger = [&] {
                std::string ignored;
                do {
                    wait(print);
                } while (std::getline(std::cin, ignored));
            };
        }
        return sim::RunScript(session, source, fs::path(args.script).parent_path().string(),
                              linger);
    }
    if (!prompt) {
        sim::LineSource source(std::cin, "<stdin>", false, [&] { wait(print); });
        // A client that connects before the first line is answered at once.
        return sim::RunScript(session, source, "", {}, rcon_server != nullptr);
    }
    const sim::InputWait serve = rcon_server != nullptr ? wait : sim::InputWait();
    std::unique_ptr<sim::LineEditor> editor;
    if (StdinIsTerminal()) {
        editor = sim::LineEditor::Open(sim::PromptCompletions);
    }
    if (editor) {
        return sim::RunInteractive(session, editor->Stream(), std::cout, serve,
                                   [&editor](const std::string& text) { editor->SetPrompt(text); });
    }
    return sim::RunInteractive(session, std::cin, std::cout, serve);
}

// A script or the prompt, as the command line says.
int Run(int argc, char** argv) {
    RunArgs args;
    if (auto stop = ParseRunArgs(argc, argv, args)) {
        return *stop;
    }
    if (auto stop = CheckRunArgs(args)) {
        return *stop;
    }
    sim::SessionOptions& options = args.options;
    if (auto stop = ChooseServerAndWorld(options)) {
        return *stop;
    }
    options.module_path = sim::PluginModule::DefaultPath();

    const bool prompt = args.script.empty() && (args.interactive || StdinIsTerminal());
    options.rendered = args.view == "rendered" ||
                       (args.view.empty() && (prompt || (options.echo && StdoutIsTerminal())));
    options.color = args.color == "always" || (args.color == "auto" && ColorTerminal());

    sim::Session session(sim::TheServer(), std::cout, std::cerr, options);
    std::unique_ptr<sim::RconServer> rcon_server;
    if (args.rcon) {
        if (auto stop = StartRcon(args, session, rcon_server)) {
            return *stop;
        }
    }
    std::ifstream file;
    if (args.ScriptFile()) {
        file.open(args.script, std::ios::binary);
        if (!file) {
            std::cerr << sim::PrintableText(args.script) << ": cannot open the script\n";
            return 2;
        }
    }
    const int code = RunInput(args, file, prompt, session, rcon_server.get());
    if (args.html.empty()) {
        return code;
    }
    try {
        session.WritePage(
            args.html,
            "beastfinder-sim: " + (args.ScriptFile()
                                       ? fs::path(args.script).filename().string()
                                       : std::string(prompt ? "prompt session" : "<stdin>")));
    } catch (const std::exception& error) {
        std::cerr << sim::PrintableText(error.what()) << '\n';
        return 2;
    }
    return code;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Transcripts are compared byte for byte: no CR LF translation.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);

    const std::string_view command = argc >= 2 ? argv[1] : "";
    if (command == "--version") {
        std::cout << "beastfinder-sim " << BF_VERSION << '\n';
        return 0;
    }
    if (command == "check" || command == "generate") {
        // An administrator's tool ends with a message, whatever went wrong.
        try {
            return command == "check" ? Check(argc, argv) : Generate(argc, argv);
        } catch (const std::exception& error) {
            std::cerr << "beastfinder-sim: " << sim::PrintableText(error.what()) << '\n';
            return 2;
        }
    }

    return Run(argc, argv);
}
