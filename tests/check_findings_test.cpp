// The loader's findings as data: each kind names its key, and `check` places each in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/loader.h"
#include "sim/tools/check.h"
#include "tests/host_fixture.h"

namespace beastfinder::config {
namespace {

using Code = FindingCode;
using Level = FindingLevel;

struct Expected {
    Code code;
    Level level;
    const char* pointer;
    ValueKind expected = ValueKind::Any;
    int line = 0;
    int column = 0;
};

// Every finding a text can produce: the key it is about and, for the parser's errors, where.
TEST(ExamineConfig, EachFindingNamesItsKey) {
    struct Case {
        const char* text;
        std::vector<Expected> findings;  // in the order the loader makes them
    };
    const std::string colours = R"("Colors": [1, 1, 1])";
    const std::string messages =
        R"("Messages": {"NoPermission": {)" + colours + R"(}, "NotEnoughTokens": {)" + colours +
        R"(}, "NotEnoughPoints": {"Message": "{:99999}", )" + colours + R"(}, "NotAdmin": {)" +
        colours + R"(}, "IncorrectSyntax": {)" + colours + R"(}, "IncorrectSyntaxWild": {)" +
        colours + R"(}, "IncorrectSyntaxAdmin": {)" + colours + R"(}, "NoDinosFound": {)" +
        colours + R"(}, "SearchNotAllowed": {)" + colours + R"(}, "WildTrackerCooldown": {)" +
        colours + R"(}, "PageFooter": "{} {"})";
    const std::string warnings =
        R"({"GlobalSettings": {"DinosPerPage": 0, "Spam": 1},
            "WildTracker": {"Command": "/trackwild", "Cooldown": 90000, "Permission": {"Name": "é"}},
            "TameTracker": {"Command": "/TRACKWILD"},
            "AdminTracker": {"Command": " "}, )" +
        messages + "}";
    const Case cases[] = {
        {"{\n  \"a\": 1,\n  \"b\" 2}", {{Code::NotJson, Level::Error, "", {}, 3, 7}}},
        {"{\n\"GlobalSettings\": {\"DinosPerPage\": 1e999}}",
         {{Code::NumberOverflow, Level::Error, "", {}, 2}}},
        {R"({"AdminTracker": {"Command": 5}})",
         {{Code::WrongType, Level::Error, "/AdminTracker/Command", ValueKind::Text}}},
        {R"({"GlobalSettings": {"TextColor": [1, "x", 1]}})",
         {{Code::WrongType, Level::Error, "/GlobalSettings/TextColor/1", ValueKind::Number}}},
        {R"({"GlobalSettings": {"TextColor": {"r": 1, "g": 1, "b": 1}}})",
         {{Code::WrongType, Level::Error, "/GlobalSettings/TextColor"}}},
        {R"({"GlobalSettings": {"ShowCoordsCombined": "yes"}})",
         {{Code::WrongType, Level::Error, "/GlobalSettings/ShowCoordsCombined",
           ValueKind::Boolean}}},
        {R"({"TameTracker": {"Permission": "x"}})",
         {{Code::WrongType, Level::Error, "/TameTracker/Permission"}}},
        {R"({"WildTracker": {"ExcludeSearch": {"a/b": 1}}})",
         {{Code::WrongType, Level::Error, "/WildTracker/ExcludeSearch/a~1b", ValueKind::Text}}},
        {R"({"WildTracker": {"ExcludeSearch": 7}})",
         {{Code::WrongType, Level::Error, "/WildTracker/ExcludeSearch", ValueKind::Text}}},
        {R"({"WildTracker": {"MaxLevel": 3000000000}})",
         {{Code::OutOfRange, Level::Error, "/WildTracker/MaxLevel"}}},
        {"[]", {{Code::WrongType, Level::Error, ""}}},
        {warnings.c_str(),
         {{Code::UnknownKey, Level::Warning, "/GlobalSettings/Spam"},
          {Code::BelowMinimum, Level::Warning, "/GlobalSettings/DinosPerPage"},
          {Code::NotAscii, Level::Warning, "/WildTracker/Permission/Name"},
          {Code::DuplicateCommand, Level::Warning, "/TameTracker/Command"},
          {Code::BlankCommand, Level::Warning, "/AdminTracker/Command"},
          {Code::LongCooldown, Level::Warning, "/WildTracker/Cooldown"},
          {Code::SentAsWritten, Level::Warning, "/Messages/NotEnoughPoints/Message"},
          {Code::DefaultUsed, Level::Error, "/Messages/PageFooter"}}},
        {R"({"GlobalSettings": {"TextColor": [1]}, "TameTracker": {"Command": "/a\tb"}})",
         {{Code::WrongColourCount, Level::Warning, "/GlobalSettings/TextColor"},
          {Code::WrongColourCount, Level::Warning, "/PremiumSettings/TrackingArrow/Color"},
          {Code::UnregistrableCommand, Level::Warning, "/TameTracker/Command"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Examination examination = ExamineConfig(c.text);
        // The colours short files lack are looked at only where a case is about them, and
        // never the catalogue's.
        const bool colours = std::any_of(c.findings.begin(), c.findings.end(), [](const auto& e) {
            return e.code == Code::WrongColourCount;
        });
        std::vector<const Finding*> shown;
        for (const Finding& finding : examination.findings) {
            if (finding.code != Code::WrongColourCount ||
                (colours && !finding.pointer.starts_with("/Messages/"))) {
                shown.push_back(&finding);
            }
        }
        EXPECT_EQ(shown.size(), c.findings.size());
        if (shown.size() != c.findings.size()) {
            continue;
        }
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const Finding& finding = *shown[i];
            const Expected& expected = c.findings[i];
            SCOPED_TRACE(finding.text);
            EXPECT_EQ(finding.code, expected.code);
            EXPECT_EQ(finding.level, expected.level);
            EXPECT_EQ(finding.pointer, expected.pointer);
            EXPECT_EQ(finding.expected, expected.expected);
            EXPECT_EQ(finding.line, expected.line);
            EXPECT_EQ(finding.column, expected.column);
        }
        // Only an error with no default to take stops the load.
        const bool stopped = std::any_of(
            examination.findings.begin(), examination.findings.end(), [](const Finding& f) {
                return f.level == Level::Error && f.code != Code::DefaultUsed;
            });
        EXPECT_EQ(examination.read, !stopped);
    }
}

// A clash names both keys; the reload command has none.
TEST(ExamineConfig, AClashNamesTheOtherKey) {
    const Examination examination = ExamineConfig(R"({"TameTracker": {"Command": "/trackadmin"},
                          "WildTracker": {"Command": "/bf.RELOAD"}})");
    std::vector<std::pair<std::string, std::string>> clashes;
    for (const Finding& finding : examination.findings) {
        if (finding.code == Code::DuplicateCommand) {
            clashes.emplace_back(finding.pointer, finding.other);
        }
    }
    EXPECT_EQ(clashes, (std::vector<std::pair<std::string, std::string>>{
                           {"/TameTracker/Command", "/AdminTracker/Command"},
                           {"/WildTracker/Command", ""}}));
}

// Examining logs nothing, leaves the settings in use alone and returns every host block.
class ExamineAside : public bftest::HostTest {};

TEST_F(ExamineAside, TouchesNeitherTheLogNorTheSettings) {
    const std::string before = Config().WildTracker.Command;
    {
        const Examination examination = ExamineConfig(
            R"({"WildTracker": {"Command": "/w", "ExcludeSearch": ["Rex", "Giga"]},
                "GlobalSettings": {"DinosPerPage": 0}, "Messages": {"PageFooter": "{"}})");
        ASSERT_TRUE(examination.read);
        EXPECT_EQ(examination.settings.WildTracker.Command, "/w");
        EXPECT_EQ(examination.settings.WildTracker.ExcludeSearch.Count(), 2);
        EXPECT_EQ(examination.settings.GlobalSettings.DinosPerPage, 1);
    }
    for (const char* broken : {"{", R"({"TameTracker": {"Cooldown": "x"}})"}) {
        EXPECT_FALSE(ExamineConfig(broken).read);
    }
    EXPECT_EQ(Config().WildTracker.Command, before);
    for (const sim::Effect& effect : bftest::TakeEffects()) {
        EXPECT_NE(effect.type, "log") << effect.Text("message");
    }
}

}  // namespace
}  // namespace beastfinder::config

namespace sim {
namespace {

using beastfinder::config::Finding;
using beastfinder::config::FindingCode;
using beastfinder::config::FindingLevel;

constexpr const char* kFile = R"({
  "GlobalSettings": {
    "DinosPerpage": 3,
    "DinosPerPage": 0,
    "TextColor": [1, 1]
  },
  "PremiumSettings": {},
  "AdminTracker": { "Command": 5 },
  "Messages": { "NotAdmin": { "Colors": "red" } },
  "WildTracker": { "MaxLevel": 3000000000 }
})";

// How `check` shows each kind of finding: its line, column and text, and the key.
TEST(ProblemOfFinding, PlacesEachKindOfFinding) {
    struct Case {
        Finding finding;
        int line;
        int column;
        const char* text;
    };
    const auto finding = [](FindingCode code, FindingLevel level, std::string pointer,
                            std::string text, std::string reason = {}, int line = 0,
                            int column = 0) {
        Finding f;
        f.code = code;
        f.level = level;
        f.pointer = std::move(pointer);
        f.text = std::move(text);
        f.reason = std::move(reason);
        f.line = line;
        f.column = column;
        return f;
    };
    const auto error = FindingLevel::Error;
    const auto warning = FindingLevel::Warning;
    const Case cases[] = {
        // The parser's words at its place, without the library's label.
        {finding(FindingCode::NotJson, error, "",
                 "[json.exception.parse_error.101] parse error at line 4, column 3: syntax error",
                 "syntax error", 4, 3),
         4, 3, "syntax error"},
        {finding(FindingCode::NumberOverflow, error, "",
                 "[json.exception.out_of_range.406] number overflow parsing '3000000000'",
                 "number overflow parsing '3000000000'", 10),
         10, 0, "number overflow parsing '3000000000'"},
        {finding(FindingCode::UnknownKey, warning, "/GlobalSettings/DinosPerpage",
                 "unknown key /GlobalSettings/DinosPerpage, did you mean DinosPerPage?"),
         3, 0, "unknown key /GlobalSettings/DinosPerpage, did you mean DinosPerPage?"},
        // A key the file does not hold goes to the nearest value that holds it.
        {finding(FindingCode::UnknownKey, warning, "/Extra", "unknown key /Extra"), 1, 0,
         "unknown key /Extra"},
        // Type and range errors: the key, then the library's words.
        {finding(FindingCode::WrongType, error, "/AdminTracker/Command",
                 "[json.exception.type_error.302] (/AdminTracker/Command) type must be string, "
                 "but is number",
                 "type must be string, but is number"),
         8, 0, "/AdminTracker/Command: type must be string, but is number"},
        {finding(FindingCode::OutOfRange, error, "/WildTracker/MaxLevel",
                 "(/WildTracker/MaxLevel) number 3000000000 is out of range",
                 "number 3000000000 is out of range"),
         10, 0, "/WildTracker/MaxLevel: number 3000000000 is out of range"},
        // A document that is not an object has no key to name.
        {finding(FindingCode::WrongType, error, "",
                 "[json.exception.type_error.306] cannot use value() with array",
                 "cannot use value() with array"),
         0, 0, "cannot use value() with array"},
        {finding(FindingCode::BelowMinimum, warning, "/GlobalSettings/DinosPerPage",
                 "/GlobalSettings/DinosPerPage is 0, below 1: using 1"),
         4, 0, "/GlobalSettings/DinosPerPage is 0, below 1: using 1"},
        // A colour points at its key, or at the nearest section the file has.
        {finding(FindingCode::WrongColourCount, warning, "/GlobalSettings/TextColor",
                 "Text Color Should Have 3 Colors"),
         5, 0, "Text Color Should Have 3 Colors"},
        {finding(FindingCode::WrongColourCount, warning, "/PremiumSettings/TrackingArrow/Color",
                 "Arrow Color Should Have 3 Colors"),
         7, 0, "Arrow Color Should Have 3 Colors"},
        {finding(FindingCode::WrongColourCount, warning, "/Messages/NoPermission/Colors",
                 "NoPermission Should Have 3 Colors"),
         9, 0, "NoPermission Should Have 3 Colors"},
        {finding(FindingCode::WrongColourCount, warning, "/Absent/Colors", "x"), 0, 0, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.finding.text);
        const CheckProblem problem = ProblemOfFinding(kFile, c.finding);
        EXPECT_EQ(problem.error, c.finding.level == FindingLevel::Error);
        EXPECT_EQ(problem.line, c.line);
        EXPECT_EQ(problem.column, c.column);
        EXPECT_EQ(problem.text, c.text);
        EXPECT_EQ(problem.pointer, c.finding.pointer);
    }
}

}  // namespace
}  // namespace sim
