#include "sim/script/script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <span>
#include <sstream>
#include <variant>

#include <fmt/format.h>

#include "config/edit_distance.h"
#include "sim/framework/siblings.h"
#include "sim/script/scratch.h"
#include "sim/script/world.h"
#include "sim/views/render.h"

namespace sim {

namespace fs = std::filesystem;

// --- Words and lines -------------------------------------------------------------------

namespace {

std::string ResolvePath(const std::string& base, const std::string& path) {
    const fs::path p(path);
    // Forward slashes on every platform: the path shows in messages that transcripts hold.
    return (p.is_absolute() || base.empty() ? p : fs::path(base) / p)
        .lexically_normal()
        .generic_string();
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<std::string> Words::Next() {
    while (pos_ < line_.size() && IsSpace(line_[pos_])) {
        ++pos_;
    }
    if (pos_ >= line_.size()) {
        return std::nullopt;
    }
    std::string word;
    while (pos_ < line_.size() && !IsSpace(line_[pos_])) {
        if (line_[pos_] != '"') {
            word.push_back(line_[pos_++]);
            continue;
        }
        const std::size_t opening = pos_++;
        for (;;) {
            if (pos_ >= line_.size()) {
                throw ScriptError(fmt::format("the quote at column {} is not closed", opening + 1));
            }
            const char c = line_[pos_++];
            if (c == '"') {
                break;
            }
            if (c != '\\') {
                word.push_back(c);
                continue;
            }
            const char escaped = pos_ < line_.size() ? line_[pos_++] : '\0';
            switch (escaped) {
                case '"':
                    word.push_back('"');
                    break;
                case '\\':
                    word.push_back('\\');
                    break;
                case 'n':
                    word.push_back('\n');
                    break;
                case 't':
                    word.push_back('\t');
                    break;
                default:
                    throw ScriptError(fmt::format(
                        "unknown escape at column {} (use \\\" \\\\ \\n \\t)", pos_ - 1));
            }
        }
    }
    return word;
}

std::string Words::Rest() {
    if (pos_ < line_.size() && IsSpace(line_[pos_])) {
        ++pos_;
    }
    std::string rest(line_.substr(std::min(pos_, line_.size())));
    pos_ = line_.size();
    return rest;
}

LineSource::LineSource(std::istream& in, std::string name, bool transcript,
                       std::function<void()> before_read)
    : in_(in),
      name_(std::move(name)),
      transcript_(transcript),
      before_read_(std::move(before_read)) {}

bool IsCommentOrBlank(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

bool LineSource::Next(std::string& line) {
    for (;;) {
        if (before_read_) {
            before_read_();
        }
        if (!std::getline(in_, line)) {
            return false;
        }
        ++line_number_;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!transcript_ || IsCommentOrBlank(line)) {
            return true;
        }
        if (line == "$") {
            line.clear();
            return true;
        }
        if (line.compare(0, 2, "$ ") == 0) {
            line.erase(0, 2);
            return true;
        }
        // Expected output between the script lines.
    }
}

// --- Values ----------------------------------------------------------------------------

namespace {

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::int32_t Int32(std::string_view text, std::string_view what) {
    std::int32_t value = 0;
    if (!ParseNumber(text, value)) {
        throw ScriptError(fmt::format("{}: \"{}\" is not a 32-bit integer", what, text));
    }
    return value;
}

std::uint64_t Id(std::string_view text, std::string_view what) {
    std::uint64_t value = 0;
    if (!ParseNumber(text, value) || value == 0) {
        throw ScriptError(fmt::format("{}: \"{}\" is not a creature id", what, text));
    }
    return value;
}

float Float(std::string_view text, std::string_view what) {
    double value = 0;
    if (!ParseNumber(text, value) || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max()) {
        throw ScriptError(fmt::format("{}: \"{}\" is not a number", what, text));
    }
    return static_cast<float>(value);
}

bool Flag(std::string_view text, std::string_view yes, std::string_view no, std::string_view what) {
    if (text == yes) {
        return true;
    }
    if (text == no) {
        return false;
    }
    throw ScriptError(fmt::format("{}: expected {} or {}, got \"{}\"", what, yes, no, text));
}

SimColor Color(std::string_view text, std::string_view what) {
    float parts[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string_view::npos) != (i == 3)) {
            throw ScriptError(fmt::format("{}: expected r,g,b,a, got \"{}\"", what, text));
        }
        parts[i] = Float(
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start), what);
        start = comma + 1;
    }
    return SimColor{parts[0], parts[1], parts[2], parts[3]};
}

std::string Need(Words& words, std::string_view command, std::string_view what) {
    auto word = words.Next();
    if (!word) {
        throw ScriptError(fmt::format("{}: {} is missing", command, what));
    }
    return *word;
}

void NoMore(Words& words, std::string_view command) {
    if (auto extra = words.Next()) {
        throw ScriptError(fmt::format("{}: unexpected \"{}\"", command, *extra));
    }
}

std::pair<std::string, std::string> KeyValue(const std::string& word, std::string_view command) {
    const auto equals = word.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw ScriptError(fmt::format("{}: expected key=value, got \"{}\"", command, word));
    }
    return {word.substr(0, equals), word.substr(equals + 1)};
}

// The keys players and creatures share; false when `key` is none of them.
template <typename Spec>
bool EditShared(Spec& spec, const std::string& key, const std::string& value,
                const std::string& what) {
    if (key == "team") {
        spec.team = Int32(value, what);
    } else if (key == "tribe") {
        spec.tribe = value;
    } else if (key == "x") {
        spec.position.x = Float(value, what);
    } else if (key == "y") {
        spec.position.y = Float(value, what);
    } else if (key == "z") {
        spec.position.z = Float(value, what);
    } else {
        return false;
    }
    return true;
}

void EditPlayer(PlayerSpec& spec, const std::string& key, const std::string& value) {
    const std::string what = "player " + key;
    if (EditShared(spec, key, value, what)) {
        return;
    }
    if (key == "admin") {
        spec.admin = Flag(value, "true", "false", what);
    } else if (key == "character") {
        spec.character = Flag(value, "present", "none", what);
    } else if (key == "state") {
        spec.pawn_state = Flag(value, "present", "none", what);
    } else if (key == "controller-state") {
        spec.controller_state = Flag(value, "present", "none", what);
    } else {
        throw ScriptError(fmt::format("player: unknown key \"{}\"", key));
    }
}

void EditCreature(CreatureSpec& spec, const std::string& key, const std::string& value) {
    const std::string what = "creature " + key;
    if (EditShared(spec, key, value, what)) {
        return;
    }
    if (key == "name") {
        spec.name = value;
    } else if (key == "species") {
        spec.species = value;
    } else if (key == "owner") {
        spec.owner = value;
    } else if (key == "level") {
        spec.level = Int32(value, what);
    } else if (key == "status") {
        spec.status = Flag(value, "present", "none", what);
    } else if (key.size() == 6 && key.compare(0, 5, "color") == 0 && key[5] >= '0' &&
               key[5] <= '5') {
        spec.colors[static_cast<std::size_t>(key[5] - '0')] = Color(value, what);
    } else {
        throw ScriptError(fmt::format("creature: unknown key \"{}\"", key));
    }
}

std::string Where(const SimVector3& v) {
    return fmt::format("({}, {}, {})", v.x, v.y, v.z);
}

constexpr std::string_view kSiblings[] = {"ArkShop", "CoinVault", "Permissions"};

// The prompt's own words, which are no script commands.
constexpr std::string_view kPromptWords[][3] = {
    {"as", "PLAYER", "make PLAYER the current player"},
    {"view", "FILE", "write the page of the session so far to FILE"},
    {"help", "", "this list"},
    {"quit", "", "end the session (so does the end of input)"},
};

char16_t FoldCase(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The candidate `word` is most likely a slip of: one edit in a short word, two in a longer
// one. Empty when none is that close, or `word` is a candidate itself.
std::string Closest(std::string_view word, const std::vector<std::string>& candidates) {
    const std::u16string typed = FromUtf8(word);
    if (typed.empty() || typed.size() > 64 ||
        std::find(candidates.begin(), candidates.end(), word) != candidates.end()) {
        return {};
    }
    const std::size_t limit = typed.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t best_distance = limit + 1;
    for (const std::string& candidate : candidates) {
        const std::u16string wide = FromUtf8(candidate);
        const std::size_t distance = beastfinder::config::EditDistance(
            std::u16string_view(typed), std::u16string_view(wide), limit, FoldCase);
        if (distance < best_distance) {
            best = candidate;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace

// --- Session ---------------------------------------------------------------------------

struct Session::Handler {
    std::string_view name;
    void (Session::*run)(Words&, LineSource&);
    std::string_view usage;  // the words after the name
    std::string_view what;
};

std::span<const Session::Handler> Session::Handlers() {
    static const Handler kHandlers[] = {
        {"chat", &Session::Chat, "PLAYER LINE", "PLAYER types LINE in chat"},
        {"console", &Session::Console, "PLAYER LINE", "PLAYER enters LINE in the console"},
        {"rcon", &Session::Rcon, "LINE", "an RCON client sends LINE"},
        {"wait", &Session::Wait, "SECONDS", "the clock moves on"},
        {"player", &Session::PlayerEdit, "PLAYER KEY=VALUE...",
         "change a player; keys: team admin x y z tribe\ncharacter state controller-state"},
        {"creature", &Session::CreatureEdit, "ID KEY=VALUE...",
         "change a creature; keys: name species tribe owner\nteam level status x y z "
         "color0 ... color5"},
        {"add-creature", &Session::AddCreature, "KEY=VALUE...",
         "add a creature (the keys above, and id)"},
        {"remove-creature", &Session::RemoveCreature, "ID", "remove a creature"},
        {"points", &Session::Points, "PLAYER N", "set the player's ArkShop points"},
        {"tokens", &Session::Tokens, "PLAYER TYPE N", "set the player's CoinVault tokens"},
        {"group", &Session::Group, "PLAYER add|remove GROUP",
         "put the player in a permissions group, or take them out"},
        {"grant", &Session::Grant, "GROUP PERMISSION", "give a group a permission (* is all)"},
        {"revoke", &Session::Revoke, "GROUP PERMISSION", "take it back"},
        {"plugin", &Session::Plugin, "ArkShop|CoinVault|Permissions present|absent|refuse",
         "load or unload a sibling plugin"},
        {"world", &Session::World, "present|none", "whether the server has a current world"},
        {"world-settings", &Session::WorldSettings,
         "none|default|override LON LAT LON-SCALE LAT-SCALE", "the map's calibration"},
        {"config", &Session::Config, "<<END|FILE|delete",
         "replace config.json with the lines up to END or with a copy of FILE (a translation: "
         "examples/translations/es.json, then rcon bf.reload), or delete it"},
        {"unresolve", &Session::Unresolve, "LOOKUP", "the framework stops resolving LOOKUP"},
        {"resolve", &Session::Resolve, "LOOKUP", "it resolves LOOKUP again"},
        {"load", &Session::Load, "", "open the plugin module and start it"},
        {"unload", &Session::Unload, "", "shut the plugin down and close its module"},
        {"reload", &Session::Reload, "", "unload, then load (picks up a rebuilt module)"},
        {"account", &Session::AccountCommand, "", "the host memory the plugin holds"},
        {"players", &Session::Players, "", "list the players"},
        {"creatures", &Session::Creatures, "", "list the creatures"},
        {"echo", &Session::Echo, "TEXT", "print TEXT"},
    };
    return kHandlers;
}

const Session::Handler* Session::FindHandler(std::string_view word) {
    for (const Handler& handler : Handlers()) {
        if (handler.name == word) {
            return &handler;
        }
    }
    return nullptr;
}

bool Session::IsCommand(std::string_view word) {
    return FindHandler(word) != nullptr;
}

std::vector<std::string_view> Session::CommandNames() {
    std::vector<std::string_view> names;
    for (const Handler& handler : Handlers()) {
        names.push_back(handler.name);
    }
    return names;
}

std::string Session::Help() const {
    std::string out =
        "Any line that is no command below is a chat line of the current player.\n"
        "At the prompt:\n";
    const auto row = [&out](std::string_view name, std::string_view usage, std::string_view what) {
        constexpr std::size_t kColumn = 26;
        const std::string left =
            usage.empty() ? std::string(name) : fmt::format("{} {}", name, usage);
        if (left.size() >= kColumn) {
            out += fmt::format("  {}\n", left);
        }
        for (bool first = true;; first = false) {
            const std::size_t end = what.find('\n');
            std::string_view shown;
            if (first && left.size() < kColumn) {
                shown = left;
            }
            out += fmt::format("  {:<{}}{}\n", shown, kColumn, what.substr(0, end));
            if (end == std::string_view::npos) {
                break;
            }
            what.remove_prefix(end + 1);
        }
    };
    for (const auto& word : kPromptWords) {
        row(word[0], word[1], word[2]);
    }
    out += "Script commands (here too):\n";
    for (const Handler& handler : Handlers()) {
        row(handler.name, handler.usage, handler.what);
    }
    std::string chat;
    for (const RegisteredCommand& command : server_.commands) {
        if (command.kind == CommandKind::Chat) {
            chat += (chat.empty() ? "" : ", ") + PrintableText(ToUtf8(command.name));
        }
    }
    out += chat.empty() ? std::string("The plugin has no chat command registered now.\n")
                        : fmt::format("The plugin's chat commands: {}\n", chat);
    out += "The script language in full: docs/simulator.md.\n";
    return out;
}

std::string Session::ClosestCommand(std::string_view word) const {
    std::vector<std::string> names;
    for (const Handler& handler : Handlers()) {
        names.emplace_back(handler.name);
    }
    for (const auto& prompt_word : kPromptWords) {
        names.emplace_back(prompt_word[0]);
    }
    for (const RegisteredCommand& command : server_.commands) {
        if (command.kind == CommandKind::Chat) {
            names.push_back(ToUtf8(command.name));
        }
    }
    return Closest(word, names);
}

Session::Session(Server& server, std::ostream& out, std::ostream& err, SessionOptions options)
    : server_(server), out_(out), err_(err), options_(std::move(options)) {}

Session::~Session() {
    module_.Close();
    UnloadAllSiblings();
    server_.TakeEffects();
    if (!scratch_.empty()) {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }
}

void Session::Print(const Effect& effect) {
    if (scratch_.empty()) {
        out_ << FormatEffect(effect, options_.format) << '\n';
        return;
    }
    // The plugin names paths in the scratch copy of the server folder; show the folder the
    // script was given, so output does not change from run to run.
    Effect shown = effect;
    for (auto& [key, value] : shown.fields) {
        if (auto* text = std::get_if<std::string>(&value)) {
            for (auto at = text->find(scratch_); at != std::string::npos;
                 at = text->find(scratch_, at + options_.server_dir.size())) {
                text->replace(at, scratch_.size(), options_.server_dir);
            }
        }
    }
    out_ << FormatEffect(shown, options_.format) << '\n';
}

void Session::Flush() {
    std::vector<Effect> effects = server_.TakeEffects();
    for (const Effect& effect : effects) {
        if (effect.type == "fault") {
            ++faults_;
        }
    }
    if (options_.rendered && options_.format == OutputFormat::Text) {
        // The account after each unload is for developers; the view shows it when asked.
        std::vector<Effect> shown;
        for (const Effect& effect : effects) {
            if (effect.type != "account" || account_requested_) {
                shown.push_back(effect);
            }
        }
        out_ << RenderEffects(shown, TerminalStyle{options_.color, server_.clock_ticks});
    } else {
        for (const Effect& effect : effects) {
            Print(effect);
        }
    }
    if (std::any_of(effects.begin(), effects.end(),
                    [](const Effect& effect) { return effect.type == "account"; })) {
        account_requested_ = false;
    }
    if (!effects.empty()) {
        if (history_.empty()) {
            PageStep start_up;
            start_up.command = "start-up";
            history_.push_back(std::move(start_up));
        }
        NoteArrowTargets(effects);
        auto& recorded = history_.back().effects;
        recorded.insert(recorded.end(), std::make_move_iterator(effects.begin()),
                        std::make_move_iterator(effects.end()));
    }
    out_.flush();
}

// The page joins each arrow to the creature it points at as it stood when it was drawn; the
// world may change before the page is written.
void Session::NoteArrowTargets(const std::vector<Effect>& effects) {
    std::vector<ArrowTarget>& targets = history_.back().arrow_targets;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        std::size_t covered = 0;
        const std::optional<ArrowLines> arrow = ArrowAt(effects, i, covered);
        if (!arrow) {
            continue;
        }
        i += covered - 1;
        for (const auto& creature : server_.Creatures()) {
            const SimVector3& at = creature->root->relative_location;
            const double position[3] = {at.x, at.y, at.z};
            if (!OffArrowLine(*arrow, position) ||
                std::any_of(targets.begin(), targets.end(),
                            [&](const ArrowTarget& known) { return known.id == creature->id; })) {
                continue;
            }
            ArrowTarget target{creature->id, ToUtf8(creature->name), {at.x, at.y, at.z}};
            targets.push_back(std::move(target));
        }
    }
}

void Session::WritePage(const std::string& file, std::string_view title) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    if (stream) {
        WriteHtmlPage(stream, history_, PageWorldOf(server_), title);
    }
    if (!stream.flush()) {
        throw ScriptError(fmt::format("{}: cannot be written", file));
    }
}

void Session::EchoLine(std::string_view prefix, std::string_view line) {
    // Comments introduce the next command on the page.
    const auto first = line.find_first_not_of(" \t");
    if (prefix.empty() && first != std::string_view::npos && line[first] == '#' &&
        line.compare(first, 2, "#!") != 0) {
        const auto text = line.find_first_not_of("# \t", first);
        if (text != std::string_view::npos) {
            comments_.emplace_back(line.substr(text));
        }
    }
    if (!options_.echo) {
        return;
    }
    if (options_.format == OutputFormat::Json) {
        Print(Effect{"script", {{"line", std::string(line)}}});
    } else {
        out_ << prefix << PrintableText(line) << '\n';
    }
}

void Session::Error(const std::string& message) {
    ++errors_;
    Report(message);
}

void Session::Report(const std::string& message) {
    // Errors go to their own stream; keep them in order with the output around them.
    out_.flush();
    err_ << PrintableText(message) << '\n';
    err_.flush();
}

void Session::LineFailed(std::string_view line, const std::string& message, bool counts) {
    if (counts) {
        Error(message);
    } else {
        Report(message);
    }
    if (open_step_ == 0) {
        OpenStep(std::string(line));
    }
    history_[open_step_ - 1].error = message;
}

void Session::OpenStep(std::string command) {
    PageStep step;
    step.comments = std::move(comments_);
    step.command = std::move(command);
    history_.push_back(std::move(step));
    comments_.clear();
    open_step_ = history_.size();
}

bool Session::Start() {
    try {
        WorldSpec world;
        if (!options_.world_file.empty()) {
            world = ReadWorldFile(options_.world_file);
        }
        ApplyWorld(server_, world);
    } catch (const std::exception& error) {
        Error(error.what());
        return false;
    }
    server_.current_dir = options_.server_dir;
    if (current_player.empty() && !server_.Players().empty()) {
        current_player = server_.Players().front()->name;
    }
    server_.TakeEffects();
    try {
        OpenModule();
    } catch (const ScriptError& error) {
        Error(error.what());
        return false;
    }
    started_ = true;
    return true;
}

void Session::OpenModule() {
    if (!module_.Open(options_.module_path)) {
        module_failed_ = true;
        throw ScriptError(module_.Error());
    }
    server_.Emit(Effect{"load", {{"started", module_.Started()}}});
    Flush();
}

void Session::CloseModule() {
    module_.Close();
    // What stays registered now points into a closed module: calling it would crash.
    if (!server_.commands.empty()) {
        std::string names;
        for (const auto& command : server_.commands) {
            names += fmt::format("{}{} {}", names.empty() ? "" : ", ",
                                 CommandKindName(command.kind), ToUtf8(command.name));
        }
        server_.Fault(fmt::format("{} command{} still registered after Unload: {}",
                                  server_.commands.size(), server_.commands.size() == 1 ? "" : "s",
                                  names));
        server_.AbandonCommands();
    }
    Flush();
    Account(true);
}

void Session::Account(bool after_unload) {
    // Whatever happened before, the allocator's complaints included, comes first.
    Flush();
    const std::set<const void*> world = WorldBlocks(server_);
    std::vector<HostAllocator::Block> blocks;
    for (const auto& [block, info] : server_.Allocator().Live()) {
        if (world.count(block) == 0) {
            blocks.push_back(info);
        }
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const auto& a, const auto& b) { return a.serial < b.serial; });
    std::uint64_t bytes = 0;
    std::string sizes;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        bytes += blocks[i].bytes;
        if (i < 10) {
            sizes += fmt::format("{}{}", i == 0 ? "" : ", ", blocks[i].bytes);
        } else if (i == 10) {
            sizes += ", ...";
        }
    }
    if (after_unload && !blocks.empty()) {
        server_.Fault(fmt::format("{} host block{} still live after Unload ({} bytes: {})",
                                  blocks.size(), blocks.size() == 1 ? "" : "s", bytes, sizes));
    }
    server_.Emit(Effect{"account",
                        {{"live", static_cast<std::int64_t>(blocks.size())},
                         {"bytes", static_cast<std::int64_t>(bytes)}}});
    Flush();
}

void Session::Finish() {
    if (module_.IsOpen()) {
        CloseModule();
    }
    Flush();
}

int Session::Conclude() {
    const int code = module_failed_ ? 3 : errors_ > 0 ? 2 : faults_ > 0 ? 1 : 0;
    if (options_.echo && !(options_.rendered && options_.format == OutputFormat::Text)) {
        Print(Effect{"exit", {{"code", static_cast<std::int64_t>(code)}}});
    }
    out_.flush();
    return code;
}

void Session::Execute(std::string_view line, LineSource& more) {
    Words words(line);
    const auto command = words.Next();
    if (!command) {
        return;
    }
    OpenStep(std::string(line));
    const Handler* handler = FindHandler(*command);
    if (handler == nullptr) {
        std::vector<std::string> names;
        for (const std::string_view name : CommandNames()) {
            names.emplace_back(name);
        }
        const std::string meant = Closest(*command, names);
        throw ScriptError(fmt::format("unknown command \"{}\"{}", *command,
                                      meant.empty() ? "" : ", did you mean " + meant + "?"));
    }
    executing_ = true;
    try {
        (this->*handler->run)(words, more);
    } catch (...) {
        executing_ = false;
        throw;
    }
    executing_ = false;
}

Player& Session::RequirePlayer(Words& words, std::string_view command) {
    return FindPlayer(Need(words, command, "the player's name"), command);
}

// A name that is no player's says which one was probably meant, or who there is.
Player& Session::FindPlayer(const std::string& name, std::string_view command) {
    if (Player* player = server_.FindPlayer(name)) {
        return *player;
    }
    std::vector<std::string> names;
    for (const auto& player : server_.Players()) {
        names.push_back(player->name);
    }
    std::string hint;
    if (const std::string meant = Closest(name, names); !meant.empty()) {
        hint = ", did you mean " + meant + "?";
    } else if (names.empty()) {
        hint = " (the world has no players)";
    } else {
        constexpr std::size_t kListed = 8;
        for (std::size_t i = 0; i < std::min(names.size(), kListed); ++i) {
            hint += (i == 0 ? " (the players: " : ", ") + names[i];
        }
        hint += names.size() > kListed ? ", ...)" : ")";
    }
    throw ScriptError(fmt::format("{}: no player named \"{}\"{}", command, name, hint));
}

void Session::SwitchPlayer(const std::string& name, std::string_view line) {
    FindPlayer(name, "as");
    current_player = name;
    OpenStep(line.empty() ? "as " + name : std::string(line));
    history_.back().switched_to = name;
}

bool Session::ChatAsCurrentPlayer(const std::string& line) {
    Player* player = server_.FindPlayer(current_player);
    if (player == nullptr) {
        throw ScriptError("there is no player to chat as");
    }
    OpenStep(current_player + "> " + line);
    return RunChatLine(*player, line);
}

void Session::Chat(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "chat");
    RunChatLine(player, words.Rest());
}

bool Session::RunChatLine(Player& player, const std::string& line) {
    if (!history_.empty()) {
        history_.back().player = player.name;
    }
    if (!server_.RunChat(player, FromUtf8(line))) {
        server_.Emit(Effect{
            "unhandled", {{"kind", std::string("chat")}, {"player", player.name}, {"line", line}}});
        return false;
    }
    return true;
}

void Session::Console(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "console");
    const std::string line = words.Rest();
    history_.back().player = player.name;
    if (!server_.RunConsole(player, FromUtf8(line))) {
        server_.Emit(
            Effect{"unhandled",
                   {{"kind", std::string("console")}, {"player", player.name}, {"line", line}}});
    }
}

void Session::Rcon(Words& words, LineSource&) {
    const std::string line = words.Rest();
    if (!server_.RunRcon(FromUtf8(line))) {
        server_.Emit(Effect{"unhandled", {{"kind", std::string("rcon")}, {"line", line}}});
    }
}

void Session::Wait(Words& words, LineSource&) {
    const std::string text = Need(words, "wait", "the number of seconds");
    NoMore(words, "wait");
    double seconds = 0;
    // A century is far beyond any cooldown and keeps the clock well inside 64 bits.
    if (!ParseNumber(std::string_view(text), seconds) || !(seconds >= 0 && seconds <= 3.2e9)) {
        throw ScriptError(fmt::format("wait: \"{}\" is not a number of seconds", text));
    }
    server_.clock_ticks += std::llround(seconds * 1e7);
}

void Session::PlayerEdit(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "player");
    PlayerSpec spec = SpecOf(player);
    while (auto word = words.Next()) {
        const auto [key, value] = KeyValue(*word, "player");
        EditPlayer(spec, key, value);
    }
    WritePlayer(server_, player, spec);
}

void Session::CreatureEdit(Words& words, LineSource&) {
    const std::uint64_t id = Id(Need(words, "creature", "the creature's id"), "creature");
    Creature* creature = server_.FindCreature(id);
    if (creature == nullptr) {
        throw ScriptError(fmt::format("creature: no creature with id {}", id));
    }
    CreatureSpec spec = SpecOf(*creature);
    while (auto word = words.Next()) {
        const auto [key, value] = KeyValue(*word, "creature");
        if (key == "id") {
            throw ScriptError("creature: an id cannot change");
        }
        EditCreature(spec, key, value);
    }
    WriteCreature(server_, *creature, spec);
}

void Session::AddCreature(Words& words, LineSource&) {
    CreatureSpec spec;
    std::uint64_t highest = 0;
    for (const auto& creature : server_.Creatures()) {
        highest = std::max(highest, creature->id);
    }
    bool id_given = false;
    while (auto word = words.Next()) {
        const auto [key, value] = KeyValue(*word, "add-creature");
        if (key == "id") {
            spec.id = Id(value, "add-creature");
            id_given = true;
            if (server_.FindCreature(spec.id) != nullptr) {
                throw ScriptError(
                    fmt::format("add-creature: creature id {} is already taken", spec.id));
            }
        } else {
            EditCreature(spec, key, value);
        }
    }
    if (!id_given) {
        if (highest == std::numeric_limits<std::uint64_t>::max()) {
            throw ScriptError("add-creature: no id above the highest is left; give id=N");
        }
        spec.id = highest + 1;
    }
    AddCreatureFromSpec(server_, spec);
}

void Session::RemoveCreature(Words& words, LineSource&) {
    const std::uint64_t id =
        Id(Need(words, "remove-creature", "the creature's id"), "remove-creature");
    NoMore(words, "remove-creature");
    if (!server_.RemoveCreature(id)) {
        throw ScriptError(fmt::format("remove-creature: no creature with id {}", id));
    }
}

void Session::Points(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "points");
    const std::int32_t amount = Int32(Need(words, "points", "the balance"), "points");
    NoMore(words, "points");
    server_.points[player.steam_id] = amount;
}

void Session::Tokens(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "tokens");
    const std::string type = Need(words, "tokens", "the token type");
    const std::int32_t amount = Int32(Need(words, "tokens", "the balance"), "tokens");
    NoMore(words, "tokens");
    server_.tokens[{player.steam_id, type}] = amount;
}

void Session::Group(Words& words, LineSource&) {
    Player& player = RequirePlayer(words, "group");
    const bool add = Flag(Need(words, "group", "add or remove"), "add", "remove", "group");
    const std::string group = Need(words, "group", "the group's name");
    NoMore(words, "group");
    if (add) {
        server_.groups[player.steam_id].insert(group);
    } else {
        server_.groups[player.steam_id].erase(group);
    }
}

void Session::Grant(Words& words, LineSource&) {
    const std::string group = Need(words, "grant", "the group's name");
    const std::string permission = Need(words, "grant", "the permission");
    NoMore(words, "grant");
    server_.grants[group].insert(permission);
}

void Session::Revoke(Words& words, LineSource&) {
    const std::string group = Need(words, "revoke", "the group's name");
    const std::string permission = Need(words, "revoke", "the permission");
    NoMore(words, "revoke");
    if (const auto held = server_.grants.find(group); held != server_.grants.end()) {
        held->second.erase(permission);
    }
}

void Session::Plugin(Words& words, LineSource&) {
    const std::string name = Need(words, "plugin", "the plugin's name");
    if (std::find(std::begin(kSiblings), std::end(kSiblings), name) == std::end(kSiblings)) {
        throw ScriptError(
            fmt::format("plugin: \"{}\" is not ArkShop, CoinVault or Permissions", name));
    }
    const std::string state = Need(words, "plugin", "present, absent or refuse");
    NoMore(words, "plugin");
    if (state != "present" && state != "refuse" && state != "absent") {
        throw ScriptError(
            fmt::format("plugin: expected present, absent or refuse, got \"{}\"", state));
    }
    std::string error;
    if (!SetSiblingPresent(name, state != "absent", &error)) {
        throw ScriptError("plugin: " + error);
    }
    server_.siblings[name].refuse_spends = state == "refuse";
}

void Session::World(Words& words, LineSource&) {
    server_.has_world = Flag(Need(words, "world", "present or none"), "present", "none", "world");
    NoMore(words, "world");
}

void Session::WorldSettings(Words& words, LineSource&) {
    const std::string mode = Need(words, "world-settings", "none, default or override");
    if (mode == "none" || mode == "default") {
        NoMore(words, "world-settings");
        server_.has_world_settings = mode == "default";
        server_.world_settings = SimWorldSettings{};
        return;
    }
    if (mode != "override") {
        throw ScriptError(
            fmt::format("world-settings: expected none, default or override, got \"{}\"", mode));
    }
    SimWorldSettings settings;
    settings.override_longitude_and_latitude = 1;
    for (float* value : {&settings.longitude_origin, &settings.latitude_origin,
                         &settings.longitude_scale, &settings.latitude_scale}) {
        *value = Float(Need(words, "world-settings", "one of the four override values"),
                       "world-settings");
    }
    NoMore(words, "world-settings");
    server_.has_world_settings = true;
    server_.world_settings = settings;
}

std::string Session::ScratchServer() {
    if (!scratch_.empty()) {
        return scratch_;
    }
    // Scripts write configuration files; never into the folder they were given.
    fs::path folder;
    try {
        folder = MakeScratchFolder("beastfinder-sim-");
    } catch (const std::runtime_error& error) {
        throw ScriptError(std::string("config: ") + error.what());
    }
    scratch_ = folder.string();
    const fs::path plugin = fs::path("ArkApi") / "Plugins" / "Beastfinder";
    const fs::path original = fs::path(options_.server_dir) / plugin;
    std::error_code missing;
    // The copy makes the plugin folder itself: MinGW's copy refuses an existing one.
    fs::create_directories(folder / plugin.parent_path());
    if (fs::is_directory(original, missing)) {
        fs::copy(original, folder / plugin, fs::copy_options::recursive);
    } else {
        fs::create_directories(folder / plugin);
    }
    server_.current_dir = scratch_;
    return scratch_;
}

void Session::Config(Words& words, LineSource& more) {
    const std::string how = Need(words, "config", "<<END, delete or a file");
    NoMore(words, "config");
    const auto file = [this] {
        return fs::path(ScratchServer()) / "ArkApi/Plugins/Beastfinder/config.json";
    };
    if (how == "delete") {
        fs::remove(file());
        return;
    }
    std::string text;
    if (how.compare(0, 2, "<<") == 0 && how.size() > 2) {
        const std::string end = how.substr(2);
        std::string line;
        for (;;) {
            if (!more.Next(line)) {
                throw ScriptError(fmt::format("config: the text has no closing {} line", end));
            }
            EchoCommand(line);
            if (line == end) {
                break;
            }
            text += line;
            text += '\n';
        }
    } else {
        // Another configuration, such as a translation, in place of config.json.
        const std::string path = ResolvePath(options_.script_dir, how);
        std::error_code error;
        if (!fs::is_regular_file(path, error)) {
            throw ScriptError(
                fmt::format("config: no file \"{}\" (expected <<END, delete or a file)", path));
        }
        std::ifstream in(path, std::ios::binary);
        std::ostringstream read;
        read << in.rdbuf();
        if (!in) {
            throw ScriptError(fmt::format("config: cannot read {}", path));
        }
        text = read.str();
    }
    const fs::path target = file();
    std::ofstream stream(target, std::ios::binary | std::ios::trunc);
    stream << text;
    if (!stream.flush()) {
        throw ScriptError(fmt::format("config: cannot write {}", target.string()));
    }
}

void Session::Unresolve(Words& words, LineSource&) {
    server_.unresolved.insert(Need(words, "unresolve", "the lookup text"));
    NoMore(words, "unresolve");
}

void Session::Resolve(Words& words, LineSource&) {
    const std::string text = Need(words, "resolve", "the lookup text");
    NoMore(words, "resolve");
    auto it = server_.unresolved.find(text);
    if (it == server_.unresolved.end()) {
        throw ScriptError(fmt::format("resolve: \"{}\" was not made unresolvable", text));
    }
    server_.unresolved.erase(it);
}

void Session::Load(Words& words, LineSource&) {
    NoMore(words, "load");
    if (module_.IsOpen()) {
        throw ScriptError("load: the plugin is already loaded");
    }
    OpenModule();
}

void Session::Unload(Words& words, LineSource&) {
    NoMore(words, "unload");
    if (!module_.IsOpen()) {
        throw ScriptError("unload: the plugin is not loaded");
    }
    CloseModule();
}

void Session::Reload(Words& words, LineSource&) {
    NoMore(words, "reload");
    if (module_.IsOpen()) {
        CloseModule();
    }
    OpenModule();
}

void Session::AccountCommand(Words& words, LineSource&) {
    NoMore(words, "account");
    account_requested_ = true;
    Account(false);
}

void Session::Players(Words& words, LineSource&) {
    NoMore(words, "players");
    for (const auto& player : server_.Players()) {
        const PlayerSpec spec = SpecOf(*player);
        server_.Emit(Effect{"player",
                            {{"name", spec.name},
                             {"steam_id", spec.steam_id},
                             {"team", static_cast<std::int64_t>(spec.team)},
                             {"admin", spec.admin},
                             {"at", Where(spec.position)},
                             {"tribe", spec.tribe},
                             {"character", spec.character},
                             {"state", spec.pawn_state},
                             {"controller_state", spec.controller_state}}});
    }
}

void Session::Creatures(Words& words, LineSource&) {
    NoMore(words, "creatures");
    for (const auto& creature : server_.Creatures()) {
        const CreatureSpec spec = SpecOf(*creature);
        server_.Emit(
            Effect{"creature",
                   {{"id", spec.id},
                    {"name", spec.name},
                    {"species", spec.species},
                    {"tribe", spec.tribe},
                    {"owner", spec.owner},
                    {"team", static_cast<std::int64_t>(spec.team)},
                    {"level", spec.status ? Effect::Value(static_cast<std::int64_t>(spec.level))
                                          : Effect::Value(nullptr)},
                    {"at", Where(spec.position)}}});
    }
}

void Session::Echo(Words& words, LineSource&) {
    server_.Emit(Effect{"echo", {{"text", words.Rest()}}});
}

// --- Drivers ---------------------------------------------------------------------------

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
            const auto first = line.find_first_not_of(" \t");
            if (first != std::string::npos && line.compare(first, 2, "#!") == 0) {
                try {
                    if (start_first) {
                        throw ScriptError(
                            "option lines cannot apply here: the plugin started before the first "
                            "line (give --world and --server on the command line)");
                    }
                    if (started) {
                        throw ScriptError("option lines must come before the first command");
                    }
                    ApplyOptionLine(session, line, script_dir);
                } catch (const ScriptError& error) {
                    session.Error(where(number) + error.what());
                }
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
    while (source.Next(line)) {
        std::string hint;
        try {
            Words words(line);
            const auto first = words.Next();
            if (!first || (*first)[0] == '#') {
                continue;
            }
            if (*first == "quit" || *first == "exit") {
                break;
            }
            if (*first == "help") {
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
                    hint = fmt::format(
                        "(\"{}\" is no command, so it went out as {}'s chat: did "
                        "you mean {}?)\n",
                        PrintableText(*first), PrintableText(session.current_player),
                        PrintableText(meant));
                }
            }
        } catch (const std::exception& error) {
            session.LineFailed(line, error.what(), false);
        }
        session.Flush();
        session.EndLine();
        out << hint;
    }
    out << '\n';
    session.Finish();
    return session.Conclude();
}

}  // namespace sim
