#include "config/loader.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/json_reader.h"
#include "config/key_table.h"
#include "config/keys.h"
#include "config/messages.h"
#include "host/log.h"

namespace beastfinder {

namespace {

using config::Finding;
using config::FindingCode;
using config::FindingLevel;
using config::FindingSink;
using config::Json;
using config::JsonSection;

Finding Warning(FindingCode code, std::string_view pointer, std::string text) {
    Finding finding;
    finding.code = code;
    finding.pointer = std::string(pointer);
    finding.text = std::move(text);
    return finding;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 128; });
}

// Reads each key of the table into its field as the table walks the document, warning as
// its rule says.
class Loader {
  public:
    Loader(const JsonSection& root, FindingSink& sink) : section_(&root), sink_(&sink) {}

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
            const std::string pointer = section_->PathOf(name);
            sink_->Add(Warning(FindingCode::BelowMinimum, pointer,
                               fmt::format("{} is {}, below {}: using {}", pointer, field,
                                           floor.minimum, floor.minimum)));
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
            const std::string pointer = section_->PathOf(name);
            sink_->Add(Warning(FindingCode::NotAscii, pointer,
                               fmt::format("{} \"{}\" is not plain ASCII: {}", pointer,
                                           host::LogText(field), rule.consequence)));
        }
    }

    void Colour(std::string_view name, host::ColorRGBA& field, const config::ColourRule& rule,
                std::string_view) {
        if (!section_->Colour(name, field)) {
            sink_->Add(Warning(FindingCode::WrongColourCount, section_->PathOf(name),
                               fmt::format("{} Should Have 3 Colors", rule.subject)));
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
        for (const auto& each : names->items()) {
            field.Append(host::FStringFromOwnedWide(
                DecodeUtf8(section_->ElementText(name, *names, each.value(), each.key()))));
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
        const std::string pointer = section_->PathOf(name);
        if (rule.otherwise == config::BadFormat::SentAsWritten) {
            sink_->Add(Warning(FindingCode::SentAsWritten, pointer,
                               fmt::format("{} {}: it will be sent as written", pointer, problem)));
            return;
        }
        // The player still reads something sensible; the administrator reads why not theirs.
        Finding error =
            Warning(FindingCode::DefaultUsed, pointer,
                    fmt::format("{} {}: the default is used instead", pointer, problem));
        error.level = FindingLevel::Error;
        sink_->Add(std::move(error));
        field = DecodeUtf8(fallback);
    }

    void EditorOnly(std::string_view, std::string_view, std::string_view) {}

  private:
    const JsonSection* section_;
    FindingSink* sink_;
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
void WarnAboutCarelessSettings(const PluginConfig& config, FindingSink& sink) {
    struct ChatCommand {
        std::string_view where;
        std::string_view pointer;
        std::string_view name;
    };
    const ChatCommand commands[] = {
        {"/TameTracker/Command", "/TameTracker/Command", config.TameTracker.Command},
        {"/WildTracker/Command", "/WildTracker/Command", config.WildTracker.Command},
        {"/AdminTracker/Command", "/AdminTracker/Command", config.AdminTracker.Command},
        {"the chat reload command", "", kReloadChatCommand},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const ChatCommand& command = commands[i];
        const std::string shown = host::LogText(command.name);
        if (!IsRegistrableCommand(command.name)) {
            sink.Add(Warning(FindingCode::UnregistrableCommand, command.pointer,
                             fmt::format("{} \"{}\" holds a control character: no chat line can "
                                         "start it, so it is not registered",
                                         command.where, shown)));
            continue;
        }
        if (IsBlank(command.name)) {
            sink.Add(
                Warning(FindingCode::BlankCommand, command.pointer,
                        fmt::format("{} \"{}\" is {}: no chat line can start it", command.where,
                                    shown, command.name.empty() ? "empty" : "blank")));
            continue;
        }
        for (std::size_t j = i + 1; j < std::size(commands); ++j) {
            if (SameCommand(command.name, commands[j].name)) {
                Finding clash =
                    Warning(FindingCode::DuplicateCommand, command.pointer,
                            fmt::format("{} \"{}\" is also {}: only one of them will answer",
                                        command.where, shown, commands[j].where));
                clash.other = std::string(commands[j].pointer);
                sink.Add(std::move(clash));
            }
        }
    }
    if (config.WildTracker.Cooldown > kLongestSensibleCooldown) {
        sink.Add(Warning(FindingCode::LongCooldown, "/WildTracker/Cooldown",
                         fmt::format("/WildTracker/Cooldown is {} seconds, more than a day: "
                                     "players wait that long between searches",
                                     config.WildTracker.Cooldown)));
    }
}

Json ParseText(const std::string& text, FindingSink& sink) {
    std::istringstream in(text);
    try {
        return config::ParseFirstValue(in);
    } catch (const Json::parse_error& error) {
        sink.Add(config::NotJsonFinding(error));
        throw ConfigLoadError(error.what());
    } catch (const Json::out_of_range& error) {
        throw config::ConfigValueError(error.what(), config::OverflowFinding(error, text));
    }
}

LoadedMessages ReadMessages(const Json& messages, FindingSink& sink) {
    const JsonSection section(messages, "/Messages");
    Loader loader(section, sink);
    config::CatalogueEntries entries;
    LoadedMessages loaded;
    // Each entry goes to host memory as soon as it is read, before the next is looked at.
    config::DescribeMessageKeys(loader, entries, loaded.texts, [&](MessageEntry& entry) {
        entry.name = std::string(kCatalogueMessages[loaded.catalogue.Items().size()].name);
        loaded.catalogue.Append(std::move(entry));
    });
    return loaded;
}

}  // namespace

LoadedMessages LoadMessages(const Json& messages) {
    config::LogFindings log;
    return ReadMessages(messages, log);
}

namespace config {

void LogFindings::Add(Finding finding) {
    if (finding.level == FindingLevel::Warning) {
        host::Log().warn(finding.text);
    } else {
        host::Log().error(finding.text);
    }
}

LoadedDocument ReadConfigText(const std::string& text, FindingSink& sink,
                              const PluginConfig& previous) {
    const Json document = ParseText(text, sink);
    const JsonSection root(document, "");
    WarnUnknownKeys(document, sink);

    // Everything is read into a new record and catalogue. The colour rule keeps the previous
    // colour, so those carry over; every other field is assigned below.
    LoadedDocument loaded;
    loaded.settings.GlobalSettings.TextColor = previous.GlobalSettings.TextColor;
    loaded.settings.PremiumSettings.TrackingArrow.Color =
        previous.PremiumSettings.TrackingArrow.Color;

    Loader loader(root, sink);
    DescribeSettings(loader, loaded.settings);
    WarnAboutCarelessSettings(loaded.settings, sink);
    loaded.messages = ReadMessages(root.Child("Messages").Node(), sink);
    return loaded;
}

}  // namespace config

}  // namespace beastfinder
