// beastfinder-sim: runs the plugin module in a simulated dedicated server.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
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
#include "sim/host/server.h"
#include "sim/module.h"
#include "sim/output.h"
#include "sim/script.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: beastfinder-sim [--json] [--echo] [--transcript] [--server DIR]\n"
    "                       [--world FILE] [SCRIPT]\n"
    "       beastfinder-sim check FILE\n"
    "  SCRIPT         script file, or - for standard input (the default when it is not a\n"
    "                 terminal); without one at a terminal, an interactive prompt\n"
    "  --server DIR   server folder holding ArkApi/Plugins/Beastfinder/config.json\n"
    "  --world FILE   world file (JSON)\n"
    "  --json         print effects as JSON lines\n"
    "  --echo         print each script line before its effects, and the exit code at the end\n"
    "  --transcript   SCRIPT is a transcript: run its script lines, skip the output in it\n"
    "  check FILE     load FILE as the plugin loads config.json and list every error and\n"
    "                 warning; exit code 0 when it loads, 1 when it does not\n"
    "Without --server and --world the bundled examples are used. See docs/simulator.md.\n";

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

int Check(int argc, char** argv) {
    std::string file;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsHelp(arg)) {
            std::cout << kUsage;
            return 0;
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

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Transcripts are compared byte for byte: no CR LF translation.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);

    if (argc >= 2 && std::string_view(argv[1]) == "check") {
        return Check(argc, argv);
    }

    sim::SessionOptions options;
    bool transcript = false;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            options.format = sim::OutputFormat::Json;
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--transcript") {
            transcript = true;
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
            std::cout << kUsage;
            return 0;
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

    const fs::path examples = FindExamples();
    if (!examples.empty()) {
        if (!options.server_fixed) {
            options.server_dir = (examples / "server").string();
        }
        if (!options.world_fixed) {
            options.world_file = (examples / "world.json").string();
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
    if (script == "-" || !StdinIsTerminal()) {
        sim::LineSource source(std::cin, "<stdin>");
        return sim::RunScript(session, source, "");
    }
    return sim::RunInteractive(session, std::cin, std::cout);
}
