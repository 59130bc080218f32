#include "sim/check.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "sim/json_lines.h"
#include "sim/module.h"
#include "sim/output.h"
#include "sim/scratch.h"
#include "sim/world.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

struct Problem {
    bool error = false;
    int line = 0;  // 0: no line to point at
    int column = 0;
    std::string text;
    bool unknown_key = false;
};

// The whole file, or nothing with `why` set. Only regular files: a device or a pipe could
// hold the check forever.
std::optional<std::string> ReadFile(const std::string& path, std::string& why) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        why = "no such file";
        return std::nullopt;
    }
    if (error) {
        why = "cannot be read: " + error.message();
        return std::nullopt;
    }
    if (fs::is_directory(status)) {
        why = "is a folder, not a file";
        return std::nullopt;
    }
    if (!fs::is_regular_file(status)) {
        why = "is not a regular file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot be opened";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        why = "cannot be read";
        return std::nullopt;
    }
    return text.str();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "[json.exception.type_error.302] " names the library's exception, not the problem.
std::string_view WithoutLibraryLabel(std::string_view text) {
    if (StartsWith(text, "[json.exception.")) {
        if (const auto close = text.find("] "); close != std::string_view::npos) {
            text.remove_prefix(close + 2);
        }
    }
    return text;
}

bool ReadNumber(std::string_view& text, int& number) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || number < 1) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

// "parse error at line 4, column 3: what" gives the place and "what".
bool ParsePlace(std::string_view text, Problem& problem) {
    constexpr std::string_view kAt = "parse error at line ";
    if (!StartsWith(text, kAt)) {
        return false;
    }
    text.remove_prefix(kAt.size());
    int line = 0;
    int column = 0;
    if (!ReadNumber(text, line) || !StartsWith(text, ", column ")) {
        return false;
    }
    text.remove_prefix(9);
    if (!ReadNumber(text, column) || !StartsWith(text, ": ")) {
        return false;
    }
    problem.line = line;
    problem.column = column;
    problem.text = std::string(text.substr(2));
    return true;
}

// The key a colour warning is about; the warning names it in words.
std::string ColourKey(std::string_view warning) {
    constexpr std::string_view kSuffix = " Should Have 3 Colors";
    if (warning.size() <= kSuffix.size() ||
        warning.substr(warning.size() - kSuffix.size()) != kSuffix) {
        return {};
    }
    const std::string_view subject = warning.substr(0, warning.size() - kSuffix.size());
    if (subject == "Text Color") {
        return "/GlobalSettings/TextColor";
    }
    if (subject == "Arrow Color") {
        return "/PremiumSettings/TrackingArrow/Color";
    }
    return PointerChild(PointerChild("/Messages", subject), "Colors");
}

class Classifier {
  public:
    explicit Classifier(std::string_view text) : text_(text) {}

    Problem Classify(bool error, std::string_view message) {
        Problem problem;
        problem.error = error;
        message = WithoutLibraryLabel(message);
        if (ParsePlace(message, problem)) {
            return problem;
        }
        problem.text = std::string(message);
        if (const int line = LineOfOverflow(text_, message); line != 0) {
            problem.line = line;
            return problem;
        }
        // "unknown key /GlobalSettings/DinosPerpage, did you mean DinosPerPage?"
        constexpr std::string_view kUnknown = "unknown key ";
        if (StartsWith(message, kUnknown)) {
            std::string_view pointer = message.substr(kUnknown.size());
            pointer = pointer.substr(0, pointer.rfind(", did you mean "));
            problem.line = Lines().LineOf(std::string(pointer));
            problem.unknown_key = true;
            return problem;
        }
        // Type and range errors: "(/AdminTracker/Command) what".
        if (StartsWith(message, "(/")) {
            if (const auto close = message.find(") "); close != std::string_view::npos) {
                const std::string pointer(message.substr(1, close - 1));
                problem.line = Lines().LineOf(pointer);
                problem.text = pointer + ": " + std::string(message.substr(close + 2));
            }
            return problem;
        }
        // Range warnings: "/GlobalSettings/DinosPerPage is 0, ...".
        if (StartsWith(message, "/")) {
            problem.line = Lines().LineOf(std::string(message.substr(0, message.find(' '))));
            return problem;
        }
        // A colour warning points at its key when the file has one.
        if (const std::string key = ColourKey(message); !key.empty() && Lines().Has(key)) {
            problem.line = Lines().LineOf(key);
        }
        return problem;
    }

  private:
    // Only problems found after a successful parse ask, so the first value is valid JSON.
    const JsonLines& Lines() {
        if (!lines_) {
            lines_.emplace(text_);
        }
        return *lines_;
    }

    std::string_view text_;
    std::optional<JsonLines> lines_;
};

// What the plugin did to the host that a server would not survive, after it shut down.
std::vector<std::string> Faults(Server& server, const std::vector<Effect>& effects,
                                std::size_t blocks_before) {
    std::vector<std::string> faults;
    if (const std::size_t live = server.Allocator().LiveBlocks(); live > blocks_before) {
        const std::size_t leaked = live - blocks_before;
        faults.push_back(
            fmt::format("{} host block{} still live after Unload", leaked, leaked == 1 ? "" : "s"));
    }
    if (!server.commands.empty()) {
        faults.push_back(fmt::format("{} command{} still registered after Unload",
                                     server.commands.size(),
                                     server.commands.size() == 1 ? "" : "s"));
        server.AbandonCommands();
    }
    for (const Effect& effect : effects) {
        if (effect.type == "fault") {
            faults.push_back(effect.Text("what"));
        }
    }
    return faults;
}

std::string Place(const std::string& name, const Problem& problem) {
    if (problem.line == 0) {
        return name;
    }
    if (problem.column == 0) {
        return fmt::format("{}:{}", name, problem.line);
    }
    return fmt::format("{}:{}:{}", name, problem.line, problem.column);
}

std::string Count(int count, std::string_view what) {
    return fmt::format("{} {}{}", count, what, count == 1 ? "" : "s");
}

}  // namespace

int CheckConfig(Server& server, const std::string& file, const std::string& module_path,
                std::ostream& out, std::ostream& err) {
    const std::string name = PrintableText(file);
    std::string why;
    const std::optional<std::string> text = ReadFile(file, why);
    if (!text) {
        err << name << ": " << why << '\n';
        return 2;
    }

    // The plugin reads config.json from the server's folder: a scratch one holding the file.
    fs::path scratch;
    try {
        scratch = MakeScratchFolder("beastfinder-check-");
        const fs::path folder = scratch / "ArkApi" / "Plugins" / "Beastfinder";
        fs::create_directories(folder);
        std::ofstream copy(folder / "config.json", std::ios::binary);
        if (!copy.write(text->data(), static_cast<std::streamsize>(text->size())).flush()) {
            throw std::runtime_error("cannot write " + (folder / "config.json").string());
        }
    } catch (const std::exception& error) {
        if (!scratch.empty()) {
            std::error_code ignored;
            fs::remove_all(scratch, ignored);
        }
        err << "beastfinder-sim: " << PrintableText(error.what()) << '\n';
        return 2;
    }

    ApplyWorld(server, WorldSpec{});
    server.current_dir = scratch.string();
    server.TakeEffects();
    const std::size_t blocks_before = server.Allocator().LiveBlocks();
    PluginModule module;
    const bool opened = module.Open(module_path);
    std::vector<Effect> effects = server.TakeEffects();
    const bool started = opened && module.Started();
    module.Close();
    for (Effect& effect : server.TakeEffects()) {
        effects.push_back(std::move(effect));
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    if (!opened) {
        err << "beastfinder-sim: " << PrintableText(module.Error()) << '\n';
        return 3;
    }

    Classifier classifier(*text);
    std::vector<Problem> problems;
    for (const Effect& effect : effects) {
        if (effect.type != "log") {
            continue;
        }
        const std::string level = effect.Text("level");
        if (level == "warning" || level == "error" || level == "critical") {
            problems.push_back(classifier.Classify(level != "warning", effect.Text("message")));
        }
    }
    // The loader names unknown keys together, in key order; the file's order reads better.
    const auto unknown_end = std::find_if(problems.begin(), problems.end(),
                                          [](const Problem& p) { return !p.unknown_key; });
    std::stable_sort(problems.begin(), unknown_end,
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    for (const std::string& fault : Faults(server, effects, blocks_before)) {
        problems.push_back(Problem{true, 0, 0, "the plugin misbehaved: " + fault});
    }
    if (!started &&
        std::none_of(problems.begin(), problems.end(), [](const Problem& p) { return p.error; })) {
        problems.push_back(Problem{true, 0, 0, "the plugin did not start"});
    }

    int errors = 0;
    int warnings = 0;
    for (const Problem& problem : problems) {
        (problem.error ? errors : warnings) += 1;
        out << Place(name, problem) << (problem.error ? ": error: " : ": warning: ")
            << PrintableText(problem.text) << '\n';
    }
    const bool loads = started && errors == 0;
    std::string summary = loads ? "OK" : Count(errors, "error");
    if (warnings > 0) {
        summary += ", " + Count(warnings, "warning");
    }
    out << name << ": " << summary << '\n';
    out.flush();
    return loads ? 0 : 1;
}

}  // namespace sim
