#include "sim/tools/check.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/file_size.h"
#include "sim/framework/module.h"
#include "sim/script/json_lines.h"
#include "sim/script/scratch.h"
#include "sim/script/world.h"
#include "sim/views/output.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

using Problem = CheckProblem;

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
            problem.pointer = std::string(pointer);
            problem.line = Lines().LineOf(problem.pointer);
            return problem;
        }
        // Type and range errors: "(/AdminTracker/Command) what".
        if (StartsWith(message, "(/")) {
            if (const auto close = message.find(") "); close != std::string_view::npos) {
                problem.pointer = std::string(message.substr(1, close - 1));
                problem.line = Lines().LineOf(problem.pointer);
                problem.text = problem.pointer + ": " + std::string(message.substr(close + 2));
            }
            return problem;
        }
        // Range warnings: "/GlobalSettings/DinosPerPage is 0, ...".
        if (StartsWith(message, "/")) {
            problem.pointer = std::string(message.substr(0, message.find(' ')));
            problem.line = Lines().LineOf(problem.pointer);
            return problem;
        }
        // A colour warning points at its key, or at the section that lacks it.
        if (const std::string key = ColourKey(message); !key.empty()) {
            problem.pointer = key;
            problem.line = LineOfPresentPart(key);
        }
        return problem;
    }

    // The line of the value at `pointer` or of the nearest section holding it; 0 when the file
    // has neither (the top-level object does not count).
    int LineOfPresentPart(std::string pointer) {
        while (!pointer.empty() && !Lines().Has(pointer)) {
            pointer.erase(pointer.rfind('/'));
        }
        return pointer.empty() ? 0 : Lines().LineOf(pointer);
    }

    // Only problems found after a successful parse ask, so the first value is valid JSON.
    const JsonLines& Lines() {
        if (!lines_) {
            lines_.emplace(text_);
        }
        return *lines_;
    }

  private:
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

// One start of the plugin on `text` as its config.json, and its shut-down.
struct PluginRun {
    bool opened = false;
    bool started = false;
    std::string module_error;
    std::vector<Effect> effects;
    std::vector<std::string> faults;
};

PluginRun LoadOnce(Server& server, const fs::path& scratch, std::string_view text,
                   const std::string& module_path) {
    const fs::path file = scratch / "ArkApi" / "Plugins" / "Beastfinder" / "config.json";
    std::ofstream copy(file, std::ios::binary | std::ios::trunc);
    if (!copy.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
    copy.close();

    ApplyWorld(server, WorldSpec{});
    server.current_dir = scratch.string();
    server.TakeEffects();
    const std::size_t blocks_before = server.Allocator().LiveBlocks();
    PluginRun load;
    PluginModule module;
    load.opened = module.Open(module_path);
    load.effects = server.TakeEffects();
    load.started = load.opened && module.Started();
    module.Close();
    for (Effect& effect : server.TakeEffects()) {
        load.effects.push_back(std::move(effect));
    }
    load.module_error = module.Error();
    load.faults = Faults(server, load.effects, blocks_before);
    return load;
}

using Json = nlohmann::json;

// Whether `problem` is about the key at `pointer` or something inside it.
bool About(const Problem& problem, const std::string& pointer) {
    const auto within = [&pointer](std::string_view text, std::size_t at) {
        const std::size_t end = at + pointer.size();
        return end == text.size() || text[end] == '/' || text[end] == ' ' || text[end] == ':' ||
               text[end] == ',' || text[end] == '"' || text[end] == ')';
    };
    if (StartsWith(problem.pointer, pointer) && within(problem.pointer, 0)) {
        return true;
    }
    for (std::size_t at = problem.text.find(pointer); at != std::string::npos;
         at = problem.text.find(pointer, at + 1)) {
        if (within(problem.text, at)) {
            return true;
        }
    }
    return false;
}

// A value of the right kind for what a type error says was expected, or null.
Json Neutral(std::string_view message) {
    if (message.find("type must be number") != std::string_view::npos) {
        return 0;
    }
    if (message.find("type must be string") != std::string_view::npos) {
        return "";
    }
    if (message.find("type must be boolean") != std::string_view::npos) {
        return false;
    }
    return nullptr;
}

// Takes the value a type or range error names out of `document`, so that the next load goes
// past it: a key is removed (it reads as absent), an element of a list replaced by a value of
// the kind expected. The pointer of what was taken out, or empty when nothing could be.
std::string Repair(Json& document, const std::string& pointer, std::string_view message) {
    try {
        Json::json_pointer at(pointer);
        if (at.empty() || !document.contains(at)) {
            return {};
        }
        const std::string& last = at.back();
        Json& parent = document.at(at.parent_pointer());
        if (parent.is_object()) {
            parent.erase(last);
            return pointer;
        }
        const Json neutral = Neutral(message);
        if (parent.is_array() && !neutral.is_null()) {
            document.at(at) = neutral;
            return pointer;
        }
        // Whatever holds an element of no known kind goes as a whole.
        return Repair(document, at.parent_pointer().to_string(), message);
    } catch (const std::exception&) {
        return {};
    }
}

// --- Catalogue messages that players would receive empty --------------------------------

const Json* Member(const Json* node, std::string_view key) {
    if (node == nullptr || !node->is_object()) {
        return nullptr;
    }
    const auto found = node->find(key);
    return found == node->end() ? nullptr : &*found;
}

// A setting as the loader reads it: booleans and numbers, true/false counting as 1/0.
bool Enabled(const Json* section, std::string_view key) {
    const Json* value = Member(section, key);
    if (value == nullptr) {
        return false;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    return value->is_number() && value->get<double>() != 0;
}

double Number(const Json* section, std::string_view key, double fallback) {
    const Json* value = Member(section, key);
    if (value == nullptr || !(value->is_number() || value->is_boolean())) {
        return fallback;
    }
    return value->is_boolean() ? (value->get<bool>() ? 1 : 0) : value->get<double>();
}

std::string Join(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += i == 0 ? "" : i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

// Every catalogue message one of the trackers can send with these settings, and which ones
// send it. Entries that bring a text of their own when the file has none are not listed.
std::vector<std::pair<std::string, std::vector<std::string>>> SentMessages(const Json& document) {
    // In the catalogue's order. IncorrectSyntax is never sent.
    std::vector<std::pair<std::string, std::vector<std::string>>> sent = {
        {"NoPermission", {}}, {"NotEnoughTokens", {}},     {"NotEnoughPoints", {}},
        {"NotAdmin", {}},     {"IncorrectSyntaxWild", {}}, {"IncorrectSyntaxAdmin", {}},
        {"NoDinosFound", {}}, {"SearchNotAllowed", {}},    {"WildTrackerCooldown", {}},
    };
    const auto send = [&sent](std::string_view message, const std::string& command) {
        const auto found = std::find_if(sent.begin(), sent.end(),
                                        [&](const auto& entry) { return entry.first == message; });
        found->second.push_back(command);
    };
    const auto command_of = [](const Json* section, std::string_view fallback) {
        const Json* command = Member(section, "Command");
        return command != nullptr && command->is_string() ? command->get<std::string>()
                                                          : std::string(fallback);
    };
    // A blank name, or one with characters the registry turns into '?', never runs.
    const auto typeable = [](const std::string& command) {
        return command.find_first_not_of(" \t\n\v\f\r") != std::string::npos &&
               std::all_of(command.begin(), command.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 128; });
    };
    const auto child = [](const Json* section, std::string_view key) {
        return Member(section, key);
    };
    const Json* tame = Member(&document, "TameTracker");
    const Json* wild = Member(&document, "WildTracker");
    const Json* admin = Member(&document, "AdminTracker");

    if (const std::string command = command_of(tame, "/track"); typeable(command)) {
        if (Enabled(tame, "RequiresAdmin")) {
            send("NotAdmin", command);
        }
        if (Enabled(child(tame, "Permission"), "Enabled")) {
            send("NoPermission", command);
        }
        // Short of tokens, a tame search tries points when they are on.
        if (Enabled(child(tame, "CoinVault"), "Enabled") &&
            !Enabled(child(tame, "ArkShop"), "Enabled")) {
            send("NotEnoughTokens", command);
        }
        if (Enabled(child(tame, "ArkShop"), "Enabled")) {
            send("NotEnoughPoints", command);
        }
        send("NoDinosFound", command);
    }
    if (const std::string command = command_of(wild, "/trackwild"); typeable(command)) {
        if (Enabled(wild, "RequiresAdmin")) {
            send("NotAdmin", command);
        }
        if (Enabled(child(wild, "Permission"), "Enabled")) {
            send("NoPermission", command);
        }
        if (Enabled(child(wild, "ArkShop"), "Enabled")) {
            send("NotEnoughPoints", command);
        }
        if (Enabled(child(wild, "CoinVault"), "Enabled")) {
            send("NotEnoughTokens", command);
        }
        send("IncorrectSyntaxWild", command);
        bool excludes = false;
        if (const Json* names = child(wild, "ExcludeSearch")) {
            const auto named = [](const Json& name) {
                return name.is_string() && !name.get<std::string>().empty();
            };
            excludes = names->is_string() ? named(*names)
                                          : std::any_of(names->begin(), names->end(), named);
        }
        if (excludes) {
            send("SearchNotAllowed", command);
        }
        if (Number(wild, "Cooldown", 30) >= 1) {
            send("WildTrackerCooldown", command);
        }
        send("NoDinosFound", command);
    }
    if (const std::string command = command_of(admin, "/trackadmin"); typeable(command)) {
        send(Enabled(child(admin, "Permission"), "Enabled") ? "NoPermission" : "NotAdmin", command);
        send("IncorrectSyntaxAdmin", command);
        send("NoDinosFound", command);
    }
    std::erase_if(sent, [](const auto& entry) { return entry.second.empty(); });
    return sent;
}

std::vector<Problem> EmptyMessages(const Json& document, Classifier& classifier) {
    std::vector<Problem> problems;
    const Json* messages = Member(&document, "Messages");
    for (const auto& [name, commands] : SentMessages(document)) {
        const std::string entry_pointer = PointerChild("/Messages", name);
        const Json* entry = Member(messages, name);
        const Json* text = Member(entry, "Message");
        std::string pointer = entry_pointer;
        std::string what = "is missing";
        if (entry != nullptr) {
            pointer = PointerChild(entry_pointer, "Message");
            if (text != nullptr) {
                if (!text->is_string()) {
                    continue;  // a type error, reported as one
                }
                const std::string value = text->get<std::string>();
                if (!value.empty()) {
                    continue;
                }
                what = "is empty";
            }
        }
        Problem problem;
        problem.pointer = pointer;
        problem.line = classifier.LineOfPresentPart(pointer);
        problem.text = fmt::format("{} {}: {} would send players an empty notification", pointer,
                                   what, Join(commands));
        problems.push_back(std::move(problem));
    }
    return problems;
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

// A file with more errors than this has a bigger problem than any one of them.
constexpr int kMostErrors = 50;

// What the loads of one check found.
// clang-tidy reads the JSON library's noexcept move as throwing:
// NOLINTNEXTLINE(bugprone-exception-escape)
struct CheckRun {
    bool loads = false;  // the file as given starts the plugin
    bool parsed = false;
    Json document;  // the file, less what was taken out
    std::vector<Problem> problems;
    std::vector<std::string> faults;
    std::vector<std::string> repaired;  // pointers of what was taken out
    bool stopped_early = false;
};

bool AboutRepaired(const Problem& problem, const std::vector<std::string>& repaired) {
    return std::any_of(repaired.begin(), repaired.end(),
                       [&](const std::string& pointer) { return About(problem, pointer); });
}

// Takes in the faults and the log lines of one load; the first error, if any.
std::optional<Problem> TakeLoad(const PluginRun& load, Classifier& classifier, CheckRun& run) {
    for (const std::string& fault : load.faults) {
        if (std::find(run.faults.begin(), run.faults.end(), fault) == run.faults.end()) {
            run.faults.push_back(fault);
        }
    }
    std::optional<Problem> error;
    for (const Effect& effect : load.effects) {
        const std::string level = effect.Text("level");
        if (effect.type != "log" ||
            (level != "warning" && level != "error" && level != "critical")) {
            continue;
        }
        Problem problem = classifier.Classify(level != "warning", effect.Text("message"));
        // Warnings that only the stand-in values cause, and what an earlier load said.
        const bool stale = AboutRepaired(problem, run.repaired);
        const bool known =
            std::any_of(run.problems.begin(), run.problems.end(), [&](const Problem& other) {
                return other.text == problem.text && other.line == problem.line;
            });
        if (problem.error && !error) {
            error = problem;
        }
        if (!stale && !known) {
            run.problems.push_back(std::move(problem));
        }
    }
    return error;
}

bool Parse(const std::string& text, Json& document) {
    std::istringstream in(text);
    try {
        in >> document;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The plugin reads config.json from the server's folder: a scratch one holding the file,
// removed with this.
struct ServerFolder {
    fs::path path;

    void Make() {
        path = MakeScratchFolder("beastfinder-check-");
        fs::create_directories(path / "ArkApi" / "Plugins" / "Beastfinder");
    }
    ServerFolder() = default;
    ServerFolder(const ServerFolder&) = delete;
    ServerFolder& operator=(const ServerFolder&) = delete;
    ~ServerFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    }
};

// The loader stops at the first wrong value; each such value is taken out in turn and the
// file loaded again, so one run names them all with the plugin's own words. An exit code
// when the check cannot go on.
std::optional<int> LoadUntilItLoads(Server& server, const std::string& text,
                                    const std::string& module_path, Classifier& classifier,
                                    CheckRun& run, std::ostream& err) {
    ServerFolder scratch;
    try {
        scratch.Make();
        std::string current = text;
        int errors_found = 0;
        for (bool first = true;; first = false) {
            const PluginRun load = LoadOnce(server, scratch.path, current, module_path);
            if (!load.opened) {
                if (first) {
                    err << "beastfinder-sim: " << PrintableText(load.module_error) << '\n';
                    return 3;
                }
                break;
            }
            if (first) {
                run.loads = load.started;
            }
            const std::optional<Problem> error = TakeLoad(load, classifier, run);
            if (!error) {
                break;
            }
            ++errors_found;
            // Only a file that parsed goes round again; the loader read the same bytes.
            if (first && !(run.parsed = Parse(text, run.document))) {
                break;
            }
            const std::string taken = error->pointer.empty()
                                          ? std::string()
                                          : Repair(run.document, error->pointer, error->text);
            if (taken.empty()) {
                break;
            }
            if (errors_found >= kMostErrors) {
                run.stopped_early = true;
                break;
            }
            run.repaired.push_back(taken);
            current = run.document.dump();
        }
        if (!run.parsed && run.loads) {
            run.parsed = Parse(text, run.document);
        }
    } catch (const std::exception& error) {
        err << "beastfinder-sim: " << PrintableText(error.what()) << '\n';
        return 2;
    }
    return std::nullopt;
}

// In the file's order, what is about one key together; what has no line comes last.
void PutInFileOrder(CheckRun& run, Classifier& classifier) {
    const auto order = [&](const Problem& problem) {
        const std::size_t offset = problem.line == 0 || problem.pointer.empty() || !run.parsed
                                       ? 0
                                       : classifier.Lines().OffsetOf(problem.pointer);
        return std::tuple(problem.line == 0 ? INT_MAX : problem.line, offset,
                          std::string_view(problem.pointer));
    };
    std::stable_sort(run.problems.begin(), run.problems.end(),
                     [&](const Problem& a, const Problem& b) { return order(a) < order(b); });
}

// One line per problem, then the summary; the exit code.
int PrintReport(const std::string& name, const CheckRun& run, std::ostream& out) {
    int errors = 0;
    int warnings = 0;
    for (const Problem& problem : run.problems) {
        (problem.error ? errors : warnings) += 1;
        out << Place(name, problem) << (problem.error ? ": error: " : ": warning: ")
            << PrintableText(problem.text) << '\n';
    }
    if (run.stopped_early) {
        out << name << ": note: the check stops after " << kMostErrors
            << " errors; fix these and run it again\n";
    }
    const bool ok = run.loads && errors == 0;
    std::string summary = ok ? "OK" : Count(errors, "error");
    // Errors the plugin starts with anyway: a message text that gives way to its default.
    if (run.loads && errors > 0) {
        summary = "loads, " + summary;
    }
    if (warnings > 0) {
        summary += ", " + Count(warnings, "warning");
    }
    out << name << ": " << summary << '\n';
    out.flush();
    return ok ? 0 : 1;
}

}  // namespace

CheckProblem ClassifyLoaderLine(std::string_view file_text, bool error, std::string_view message) {
    return Classifier(file_text).Classify(error, message);
}

int CheckConfig(Server& server, const std::string& file, const std::string& module_path,
                std::ostream& out, std::ostream& err) {
    const std::string name = PrintableText(file);
    // Not read at all: the plugin would refuse it before reading it.
    std::error_code size_error;
    if (const std::uintmax_t size = fs::file_size(file, size_error);
        !size_error && size > beastfinder::kMaxConfigFileBytes) {
        out << name << ": error: the file is larger than " << beastfinder::kMaxConfigFileBytes
            << " bytes; the plugin does not load it\n"
            << name << ": 1 error\n";
        out.flush();
        return 1;
    }
    std::string why;
    const std::optional<std::string> text = ReadFile(file, why);
    if (!text) {
        err << name << ": " << why << '\n';
        return 2;
    }

    Classifier classifier(*text);
    CheckRun run;
    if (const std::optional<int> failed =
            LoadUntilItLoads(server, *text, module_path, classifier, run, err)) {
        return *failed;
    }
    if (run.parsed && run.document.is_object()) {
        for (Problem& problem : EmptyMessages(run.document, classifier)) {
            if (!AboutRepaired(problem, run.repaired)) {
                run.problems.push_back(std::move(problem));
            }
        }
    }
    PutInFileOrder(run, classifier);
    for (const std::string& fault : run.faults) {
        run.problems.push_back(Problem{true, 0, 0, "the plugin misbehaved: " + fault, {}});
    }
    if (!run.loads && std::none_of(run.problems.begin(), run.problems.end(),
                                   [](const Problem& p) { return p.error; })) {
        run.problems.push_back(Problem{true, 0, 0, "the plugin did not start", {}});
    }
    return PrintReport(name, run, out);
}

}  // namespace sim
