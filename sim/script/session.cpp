// The session: starts the plugin, prints and records what each line did, keeps the account.
#include "sim/script/script.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <variant>

#include <fmt/format.h>

#include "sim/framework/siblings.h"
#include "sim/script/scratch.h"
#include "sim/script/values.h"
#include "sim/script/world.h"
#include "sim/views/render.h"

namespace sim {

namespace fs = std::filesystem;

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

}  // namespace sim
