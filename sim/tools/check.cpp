#include "sim/tools/check.h"

#include <algorithm>
#include <array>
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
#include "config/findings.h"
#include "config/loader.h"
#include "config/messages.h"
#include "sim/framework/module.h"
#include "sim/script/json_lines.h"
#include "sim/script/scratch.h"
#include "sim/script/world.h"
#include "sim/views/output.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

using Problem = CheckProblem;
using beastfinder::CatalogueMessage;
using beastfinder::kCatalogueMessages;
using beastfinder::config::Examination;
using beastfinder::config::ExamineConfig;
using beastfinder::config::Finding;
using beastfinder::config::FindingCode;
using beastfinder::config::FindingLevel;
using beastfinder::config::ValueKind;

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

// Where each finding lies in the file. The lines are walked only when asked for: only a
// text that parsed has findings about its keys.
class FileLines {
  public:
    explicit FileLines(std::string_view text) : text_(text) {}

    // The line of the value at `pointer` or of the nearest section holding it; 0 when the file
    // has neither (the top-level object does not count).
    int LineOfPresentPart(std::string pointer) {
        while (!pointer.empty() && !Lines().Has(pointer)) {
            pointer.erase(pointer.rfind('/'));
        }
        return pointer.empty() ? 0 : Lines().LineOf(pointer);
    }

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

// A finding as the report shows it: placed by its key, or by the parser's place.
Problem ProblemOf(const Finding& finding, FileLines& lines) {
    Problem problem;
    problem.error = finding.level == FindingLevel::Error;
    problem.pointer = finding.pointer;
    problem.other = finding.other;
    problem.text = finding.text;
    switch (finding.code) {
        case FindingCode::NotJson:
        case FindingCode::NumberOverflow:
            // The parser's words; its place, where it has one.
            problem.line = finding.line;
            problem.column = finding.column;
            problem.text = finding.reason;
            return problem;
        case FindingCode::WrongType:
        case FindingCode::OutOfRange:
            // The key, then the library's words without its label.
            problem.text =
                finding.pointer.empty() ? finding.reason : finding.pointer + ": " + finding.reason;
            break;
        case FindingCode::WrongColourCount:
            // An absent colour points at the section that lacks it.
            problem.line = lines.LineOfPresentPart(finding.pointer);
            return problem;
        default:
            break;
    }
    if (!problem.pointer.empty()) {
        problem.line = lines.Lines().LineOf(problem.pointer);
    }
    return problem;
}

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
    const auto within = [&pointer](const std::string& key) {
        return key.starts_with(pointer) &&
               (key.size() == pointer.size() || key[pointer.size()] == '/');
    };
    return within(problem.pointer) || within(problem.other);
}

// A value of the kind a type error asked for, or null.
Json Neutral(ValueKind expected) {
    switch (expected) {
        case ValueKind::Number:
            return 0;
        case ValueKind::Text:
            return "";
        case ValueKind::Boolean:
            return false;
        case ValueKind::Any:
            break;
    }
    return nullptr;
}

// Takes the value a type or range error names out of `document`, so that the next load goes
// past it: a key is removed (it reads as absent), an element of a list replaced by a value of
// the kind expected. The pointer of what was taken out, or empty when nothing could be.
std::string Repair(Json& document, const std::string& pointer, ValueKind expected) {
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
        const Json neutral = Neutral(expected);
        if (parent.is_array() && !neutral.is_null()) {
            document.at(at) = neutral;
            return pointer;
        }
        // Whatever holds an element of no known kind goes as a whole.
        return Repair(document, at.parent_pointer().to_string(), expected);
    } catch (const std::exception&) {
        return {};
    }
}

// --- Catalogue messages that players would receive empty --------------------------------

// For each catalogue message, the commands that can send it.
using Senders = std::array<std::vector<std::string>, kCatalogueMessages.size()>;

void Send(Senders& senders, CatalogueMessage message, const std::string& command) {
    senders[static_cast<std::size_t>(message)].push_back(command);
}

// A blank name, or one with characters the registry turns into '?', never runs.
bool Typeable(const std::string& command) {
    return command.find_first_not_of(" \t\n\v\f\r") != std::string::npos &&
           std::all_of(command.begin(), command.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 128; });
}

void TameSends(const beastfinder::TameTrackerConfig& tame, Senders& senders) {
    const std::string& command = tame.Command;
    if (tame.RequiresAdmin) {
        Send(senders, CatalogueMessage::NotAdmin, command);
    }
    if (tame.Permission.Enabled) {
        Send(senders, CatalogueMessage::NoPermission, command);
    }
    // Short of tokens, a tame search tries points when they are on.
    if (tame.CoinVault.Enabled && !tame.ArkShop.Enabled) {
        Send(senders, CatalogueMessage::NotEnoughTokens, command);
    }
    if (tame.ArkShop.Enabled) {
        Send(senders, CatalogueMessage::NotEnoughPoints, command);
    }
    Send(senders, CatalogueMessage::NoDinosFound, command);
}

void WildSends(const beastfinder::WildTrackerConfig& wild, Senders& senders) {
    const std::string& command = wild.Command;
    if (wild.RequiresAdmin) {
        Send(senders, CatalogueMessage::NotAdmin, command);
    }
    if (wild.Permission.Enabled) {
        Send(senders, CatalogueMessage::NoPermission, command);
    }
    if (wild.ArkShop.Enabled) {
        Send(senders, CatalogueMessage::NotEnoughPoints, command);
    }
    if (wild.CoinVault.Enabled) {
        Send(senders, CatalogueMessage::NotEnoughTokens, command);
    }
    Send(senders, CatalogueMessage::IncorrectSyntaxWild, command);
    const auto& excluded = wild.ExcludeSearch.Items();
    if (std::any_of(excluded.begin(), excluded.end(),
                    [](const beastfinder::host::FString& name) { return !name.Empty(); })) {
        Send(senders, CatalogueMessage::SearchNotAllowed, command);
    }
    if (wild.Cooldown >= 1) {
        Send(senders, CatalogueMessage::WildTrackerCooldown, command);
    }
    Send(senders, CatalogueMessage::NoDinosFound, command);
}

void AdminSends(const beastfinder::AdminTrackerConfig& admin, Senders& senders) {
    const std::string& command = admin.Command;
    Send(senders,
         admin.Permission.Enabled ? CatalogueMessage::NoPermission : CatalogueMessage::NotAdmin,
         command);
    Send(senders, CatalogueMessage::IncorrectSyntaxAdmin, command);
    Send(senders, CatalogueMessage::NoDinosFound, command);
}

// Which commands can send each catalogue message with these settings, in the order the
// commands are described.
Senders SentMessages(const beastfinder::PluginConfig& settings) {
    Senders senders;
    if (Typeable(settings.TameTracker.Command)) {
        TameSends(settings.TameTracker, senders);
    }
    if (Typeable(settings.WildTracker.Command)) {
        WildSends(settings.WildTracker, senders);
    }
    if (Typeable(settings.AdminTracker.Command)) {
        AdminSends(settings.AdminTracker, senders);
    }
    return senders;
}

const Json* Member(const Json* node, std::string_view key) {
    if (node == nullptr || !node->is_object()) {
        return nullptr;
    }
    const auto found = node->find(key);
    return found == node->end() ? nullptr : &*found;
}

std::string Join(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += i == 0 ? "" : i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

// Entries that bring a text of their own when the file has none are not listed: the file
// says whether an entry is missing or its text empty.
std::vector<Problem> EmptyMessages(const Json& document, const Senders& senders, FileLines& lines) {
    std::vector<Problem> problems;
    const Json* messages = Member(&document, "Messages");
    for (std::size_t i = 0; i < senders.size(); ++i) {
        const std::vector<std::string>& commands = senders[i];
        if (commands.empty()) {
            continue;
        }
        const std::string_view name = kCatalogueMessages[i].name;
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
                if (!text->get_ref<const std::string&>().empty()) {
                    continue;
                }
                what = "is empty";
            }
        }
        Problem problem;
        problem.pointer = pointer;
        problem.line = lines.LineOfPresentPart(pointer);
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

// What one check found.
// clang-tidy reads the JSON library's noexcept move as throwing:
// NOLINTNEXTLINE(bugprone-exception-escape)
struct CheckRun {
    bool loads = false;  // the file as given starts the plugin
    bool parsed = false;
    Json document;                   // the file, less what was taken out
    std::optional<Senders> senders;  // once the file, less what was taken out, loads
    std::vector<Problem> problems;
    std::vector<std::string> faults;
    std::vector<std::string> repaired;  // pointers of what was taken out
    bool stopped_early = false;
    std::vector<std::string> logged;  // the loader's lines for the file as given
};

bool AboutRepaired(const Problem& problem, const std::vector<std::string>& repaired) {
    return std::any_of(repaired.begin(), repaired.end(),
                       [&](const std::string& pointer) { return About(problem, pointer); });
}

bool Known(const CheckRun& run, const Problem& problem) {
    return std::any_of(run.problems.begin(), run.problems.end(), [&](const Problem& other) {
        return other.text == problem.text && other.line == problem.line;
    });
}

// Takes in one examination's findings; the first error, if any.
const Finding* TakeFindings(const std::vector<Finding>& findings, FileLines& lines, CheckRun& run) {
    const Finding* error = nullptr;
    for (const Finding& finding : findings) {
        Problem problem = ProblemOf(finding, lines);
        if (problem.error && error == nullptr) {
            error = &finding;
        }
        // Warnings that only the stand-in values cause, and what an earlier load said.
        if (!AboutRepaired(problem, run.repaired) && !Known(run, problem)) {
            run.problems.push_back(std::move(problem));
        }
    }
    return error;
}

// What the module shows that the loader cannot: whether it starts, its faults, and any line
// it logs beyond the loader's findings.
void TakeModuleRun(const PluginRun& load, CheckRun& run) {
    run.faults = load.faults;
    for (const Effect& effect : load.effects) {
        const std::string level = effect.Text("level");
        if (effect.type != "log" ||
            (level != "warning" && level != "error" && level != "critical")) {
            continue;
        }
        const std::string message = effect.Text("message");
        const bool finding =
            std::find(run.logged.begin(), run.logged.end(), message) != run.logged.end();
        Problem problem;
        problem.error = level != "warning";
        problem.text = message;
        if (!finding && !Known(run, problem)) {
            run.problems.push_back(std::move(problem));
        }
    }
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

// The module once, on the file as given. An exit code when the check cannot go on.
std::optional<int> RunModule(Server& server, const std::string& text,
                             const std::string& module_path, PluginRun& load, std::ostream& err) {
    ServerFolder scratch;
    try {
        scratch.Make();
        load = LoadOnce(server, scratch.path, text, module_path);
    } catch (const std::exception& error) {
        err << "beastfinder-sim: " << PrintableText(error.what()) << '\n';
        return 2;
    }
    if (!load.opened) {
        err << "beastfinder-sim: " << PrintableText(load.module_error) << '\n';
        return 3;
    }
    return std::nullopt;
}

// The loader stops at the first wrong value; each such value is taken out in turn and the
// file examined again, so one run names them all with the loader's own words.
void ExamineUntilItLoads(const std::string& text, FileLines& lines, CheckRun& run) {
    std::string current = text;
    int errors_found = 0;
    for (bool first = true;; first = false) {
        Examination examination = ExamineConfig(current);
        if (first) {
            for (const Finding& finding : examination.findings) {
                run.logged.push_back(finding.text);
            }
        }
        const Finding* error = TakeFindings(examination.findings, lines, run);
        if (error == nullptr) {
            if (examination.read) {
                run.senders = SentMessages(examination.settings);
            }
            break;
        }
        ++errors_found;
        // Only a file that parsed goes round again.
        if (first && !(run.parsed = Parse(text, run.document))) {
            break;
        }
        const std::string taken = error->pointer.empty()
                                      ? std::string()
                                      : Repair(run.document, error->pointer, error->expected);
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
}

// In the file's order, what is about one key together; what has no line comes last.
void PutInFileOrder(CheckRun& run, FileLines& lines) {
    const auto order = [&](const Problem& problem) {
        const std::size_t offset = problem.line == 0 || problem.pointer.empty() || !run.parsed
                                       ? 0
                                       : lines.Lines().OffsetOf(problem.pointer);
        return std::tuple(problem.line == 0 ? INT_MAX : problem.line, offset,
                          std::string_view(problem.pointer));
    };
    std::stable_sort(run.problems.begin(), run.problems.end(),
                     [&](const Problem& a, const Problem& b) { return order(a) < order(b); });
}

// The messages players would read empty, in the file's order with the rest; then how the
// module misbehaved, and that it did not start when no error says why.
void AddWhatTheLoaderDoesNotSay(CheckRun& run, FileLines& lines) {
    if (run.senders && run.parsed && run.document.is_object()) {
        for (Problem& problem : EmptyMessages(run.document, *run.senders, lines)) {
            if (!AboutRepaired(problem, run.repaired)) {
                run.problems.push_back(std::move(problem));
            }
        }
    }
    PutInFileOrder(run, lines);
    for (const std::string& fault : run.faults) {
        run.problems.push_back(Problem{true, 0, 0, "the plugin misbehaved: " + fault, {}, {}});
    }
    if (!run.loads && std::none_of(run.problems.begin(), run.problems.end(),
                                   [](const Problem& p) { return p.error; })) {
        run.problems.push_back(Problem{true, 0, 0, "the plugin did not start", {}, {}});
    }
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

CheckProblem ProblemOfFinding(std::string_view file_text, const Finding& finding) {
    FileLines lines(file_text);
    return ProblemOf(finding, lines);
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

    PluginRun load;
    if (const std::optional<int> failed = RunModule(server, *text, module_path, load, err)) {
        return *failed;
    }
    FileLines lines(*text);
    CheckRun run;
    run.loads = load.started;
    try {
        ExamineUntilItLoads(*text, lines, run);
    } catch (const std::exception& error) {
        err << "beastfinder-sim: " << PrintableText(error.what()) << '\n';
        return 2;
    }
    TakeModuleRun(load, run);
    AddWhatTheLoaderDoesNotSay(run, lines);
    return PrintReport(name, run, out);
}

}  // namespace sim
