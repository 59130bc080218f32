#include "config/config.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/file_size.h"
#include "config/json_reader.h"
#include "config/key_table.h"
#include "config/keys.h"
#include "config/messages.h"
#include "config/state.h"
#include "host/framework.h"
#include "host/log.h"

namespace beastfinder {

namespace {

using config::Json;
using config::JsonSection;

constexpr const char* kConfigPath = "/ArkApi/Plugins/Beastfinder/config.json";
constexpr const char* kOpenFailed = "Failed to load config.json";

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 128; });
}

// Reads each key of the table into its field as the table walks the document, warning as
// its rule says.
class Loader {
  public:
    explicit Loader(const JsonSection& root) : section_(&root) {}

    template <typename Body>
    void Section(std::string_view name, std::string_view, Body&& body) {
        const JsonSection child = section_->Child(name);
        const JsonSection* outer = std::exchange(section_, &child);
        body();
        section_ = outer;
    }

    void Bool(std::string_view name, bool& field, bool fallback, std::string_view) {
        field = section_->Bool(name, fallback);
    }

    void Integer(std::string_view name, std::int32_t& field, std::int32_t fallback,
                 config::Floor floor, std::string_view) {
        field = section_->Int(name, fallback);
        if (field < floor.minimum) {
            host::Log().warn("{} is {}, below {}: using {}", section_->PathOf(name), field,
                             floor.minimum, floor.minimum);
            field = floor.minimum;
        }
    }

    void Number(std::string_view name, float& field, double fallback, std::string_view) {
        field = section_->Float(name, static_cast<float>(fallback));
    }

    // Command names reach the registry byte by byte with '?' for anything above 127.
    void Text(std::string_view name, std::string& field, std::string_view fallback,
              config::AsciiRule rule, std::string_view) {
        field = section_->Text(name, fallback);
        if (!rule.consequence.empty() && !IsAscii(field)) {
            host::Log().warn("{} \"{}\" is not plain ASCII: {}", section_->PathOf(name),
                             host::LogText(field), rule.consequence);
        }
    }

    void Colour(std::string_view name, host::ColorRGBA& field, const config::ColourRule& rule,
                std::string_view) {
        if (!section_->Colour(name, field)) {
            host::Log().warn("{} Should Have 3 Colors", rule.subject);
            if (rule.fallback) {
                field = *rule.fallback;
            }
        }
    }

    // A lone string is a list of one; an object gives its member values in key order.
    void NameList(std::string_view name, host::HostArray<host::FString>& field, std::string_view) {
        const Json* names = section_->Find(name);
        if (names == nullptr) {
            return;
        }
        for (const Json& each : *names) {
            field.Append(host::FStringFromOwnedWide(DecodeUtf8(each.get<std::string>())));
        }
    }

    void Format(std::string_view name, std::u16string& field, std::string_view fallback,
                std::string_view, const config::FormatRule& rule, std::string_view) {
        field = DecodeUtf8(section_->Text(name, fallback));
        if (rule.values.empty()) {
            return;  // shown as written
        }
        const std::string problem = FormatProblem(field, rule.values);
        if (problem.empty()) {
            return;
        }
        if (rule.otherwise == config::BadFormat::SentAsWritten) {
            host::Log().warn("{} {}: it will be sent as written", section_->PathOf(name), problem);
            return;
        }
        // The player still reads something sensible; the administrator reads why not theirs.
        host::Log().error("{} {}: the default is used instead", section_->PathOf(name), problem);
        field = DecodeUtf8(fallback);
    }

    void EditorOnly(std::string_view, std::string_view, std::string_view) {}

  private:
    const JsonSection* section_;
};

// A day; a longer cooldown is almost certainly a slip that would lock players out.
constexpr std::int32_t kLongestSensibleCooldown = 86400;

}  // namespace

bool IsRegistrableCommand(std::string_view name) {
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

namespace {

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
}

// The registry matches chat commands ignoring ASCII case.
bool SameCommand(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// Settings that load but cannot be what the administrator meant.
void WarnAboutCarelessSettings(const PluginConfig& config) {
    struct ChatCommand {
        std::string_view where;
        std::string_view name;
    };
    const ChatCommand commands[] = {
        {"/TameTracker/Command", config.TameTracker.Command},
        {"/WildTracker/Command", config.WildTracker.Command},
        {"/AdminTracker/Command", config.AdminTracker.Command},
        {"the chat reload command", kReloadChatCommand},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const ChatCommand& command = commands[i];
        const std::string shown = host::LogText(command.name);
        if (!IsRegistrableCommand(command.name)) {
            host::Log().warn(
                "{} \"{}\" holds a control character: no chat line can start it, so it is not "
                "registered",
                command.where, shown);
            continue;
        }
        if (IsBlank(command.name)) {
            host::Log().warn("{} \"{}\" is {}: no chat line can start it", command.where, shown,
                             command.name.empty() ? "empty" : "blank");
            continue;
        }
        for (std::size_t j = i + 1; j < std::size(commands); ++j) {
            if (SameCommand(command.name, commands[j].name)) {
                host::Log().warn("{} \"{}\" is also {}: only one of them will answer",
                                 command.where, shown, commands[j].where);
            }
        }
    }
    if (config.WildTracker.Cooldown > kLongestSensibleCooldown) {
        host::Log().warn(
            "/WildTracker/Cooldown is {} seconds, more than a day: players wait that long "
            "between searches",
            config.WildTracker.Cooldown);
    }
}

// The swap at the end of a load must not fail halfway.
static_assert(std::is_nothrow_move_assignable_v<PluginConfig>);
static_assert(std::is_nothrow_move_assignable_v<LoadedMessages>);

[[noreturn]] void FailToLoad(const std::string& what) {
    host::Log().error(host::LogMessage(what));
    throw ConfigLoadError(what);
}

// The whole file, refused when it is larger than the bound, even one that grows while it is
// read.
std::string ReadBounded(std::ifstream& file, const std::string& path) {
    const std::string too_large =
        fmt::format("{}: {} is larger than {} bytes", kOpenFailed, path, kMaxConfigFileBytes);
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kMaxConfigFileBytes && !error) {
        FailToLoad(too_large);
    }
    std::string text;
    char chunk[16384];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxConfigFileBytes) {
            FailToLoad(too_large);
        }
    }
    return text;
}

Json ParseFile() {
    const std::string path = ArkApi::Tools::GetCurrentDir() + kConfigPath;
    // Opening a pipe would wait for a writer for ever, and a folder "opens" on some systems.
    // A plugin folder in the wrong place is the likeliest failure: say where we looked.
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) {
        file.open(path);
    }
    if (!file.is_open()) {
        FailToLoad(exists && !std::filesystem::is_regular_file(path, error)
                       ? fmt::format("{}: {} is not a regular file", kOpenFailed, path)
                       : fmt::format("{}: cannot open {}", kOpenFailed, path));
    }
    std::istringstream text(ReadBounded(file, path));
    try {
        return config::ParseFirstValue(text);
    } catch (const Json::parse_error& error) {
        FailToLoad(error.what());
    }
}

}  // namespace

PluginConfig& Config() {
    return LoadedConfigState().settings;
}

LoadedMessages LoadMessages(const Json& messages) {
    const JsonSection section(messages, "/Messages");
    Loader loader(section);
    config::CatalogueEntries entries;
    LoadedMessages loaded;
    // Each entry goes to host memory as soon as it is read, before the next is looked at.
    config::DescribeMessageKeys(loader, entries, loaded.texts, [&](MessageEntry& entry) {
        entry.name = std::string(kCatalogueMessages[loaded.catalogue.Items().size()].name);
        loaded.catalogue.Append(std::move(entry));
    });
    return loaded;
}

void LoadConfig() {
    const Json document = ParseFile();
    const JsonSection root(document, "");
    config::WarnUnknownKeys(document);

    // Everything is read into a new record and catalogue, and swapped in only when the whole
    // file loaded. The colour rule keeps the previous colour, so those carry over; every
    // other field is assigned below. The file's names replace the excluded ones.
    PluginConfig next;
    next.GlobalSettings.TextColor = Config().GlobalSettings.TextColor;
    next.PremiumSettings.TrackingArrow.Color = Config().PremiumSettings.TrackingArrow.Color;

    Loader loader(root);
    config::DescribeSettings(loader, next);
    WarnAboutCarelessSettings(next);
    LoadedMessages messages = LoadMessages(root.Child("Messages").Node());

    Config() = std::move(next);
    MessageCatalogue() = std::move(messages.catalogue);
    UsePlayerTexts(std::move(messages.texts));
}

void ResetConfig() {
    LoadedConfigState() = ConfigState{};
}

}  // namespace beastfinder
