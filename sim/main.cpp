// beastfinder-sim: runs the plugin module in a simulated dedicated server.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
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

#include "sim/check.h"
#include "sim/generate.h"
#include "sim/host/server.h"
#include "sim/line_editor.h"
#include "sim/module.h"
#include "sim/output.h"
#include "sim/script.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: beastfinder-sim [--json] [--echo] [--transcript] [--interactive] [--server DIR]\n"
    "                       [--world FILE] [SCRIPT]\n"
    "       beastfinder-sim check FILE\n"
    "       beastfinder-sim generate N [--seed S] [-o FILE]\n"
    "       beastfinder-sim --version\n"
    "  SCRIPT         script file, or - for standard input (the default when it is not a\n"
    "                 terminal); without one at a terminal, an interactive prompt\n"
    "  --server DIR   server folder holding ArkApi/Plugins/Beastfinder/config.json\n"
    "  --world FILE   world file (JSON)\n"
    "  --json         print effects as JSON lines\n"
    "  --echo         print each script line before its effects, and the exit code at the end\n"
    "  --transcript   SCRIPT is a transcript: run its script lines, skip the output in it\n"
    "  --interactive  the prompt, even when standard input is not a terminal\n"
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

// The bundled examples: in the source tree this program was built from, or installed
// beside it.
fs::path FindExamples() {
    std::vector<fs::path> candidates;
#if defined(BF_SOURCE_DIR)
    candidates.emplace_back(fs::path(BF_SOURCE_DIR) / "examples");
#endif
    const fs::path program = fs::path(sim::PluginModule::DefaultPath()).parent_path();
    candidates.push_back(program / "examples");
    candidates.push_back(program.parent_path() / "examples");
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

    sim::SessionOptions options;
    bool transcript = false;
    bool interactive = false;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            options.format = sim::OutputFormat::Json;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--transcript") {
            transcript = true;
        } else if (arg == "--interactive") {
            interactive = true;
        } else if (arg == "--server" || arg == "--world") {
            if (i + 1 >= argc) {
                return Usage(arg + " needs a value");
            }
            if (arg == "--server") {
                options.server_dir = argv[++i];
                options.server_fixed = true;
            } else {
                options.world_file = argv[++i];
                options.world_fixed = true;
            }
        } else if (IsHelp(arg)) {
            return Help();
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else if (!script.empty()) {
            return Usage("only one script");
        } else {
            script = arg;
        }
    }
    if (transcript && (script.empty() || script == "-")) {
        return Usage("--transcript needs a script file");
    }
    if (interactive && !script.empty()) {
        return Usage("--interactive reads standard input, not a script");
    }

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
    options.module_path = sim::PluginModule::DefaultPath();

    sim::Session session(sim::TheServer(), std::cout, std::cerr, options);
    if (!script.empty() && script != "-") {
        std::ifstream file(script, std::ios::binary);
        if (!file) {
            std::cerr << script << ": cannot open the script\n";
            return 2;
        }
        sim::LineSource source(file, script, transcript);
        return sim::RunScript(session, source, fs::path(script).parent_path().string());
    }
    if (script == "-" || (!interactive && !StdinIsTerminal())) {
        sim::LineSource source(std::cin, "<stdin>");
        return sim::RunScript(session, source, "");
    }
    if (StdinIsTerminal()) {
        if (auto editor = sim::LineEditor::Open(sim::PromptCompletions)) {
            return sim::RunInteractive(
                session, editor->Stream(), std::cout,
                [&editor](const std::string& prompt) { editor->SetPrompt(prompt); });
        }
    }
    return sim::RunInteractive(session, std::cin, std::cout);
}
