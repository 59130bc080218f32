// How `check` places each line of the plugin's loader in the file: the line, the key, the text.
#include <gtest/gtest.h>

#include <string>

#include "sim/check.h"

namespace sim {
namespace {

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

TEST(ClassifyLoaderLine, PlacesEachKindOfLine) {
    struct Case {
        bool error;
        const char* message;
        int line;
        int column;
        const char* text;
        const char* pointer;
    };
    const Case cases[] = {
        // The parser's place, without the library's label.
        {true,
         "[json.exception.parse_error.101] parse error at line 4, column 3: syntax error while "
         "parsing object",
         4, 3, "syntax error while parsing object", ""},
        // A place the parser words otherwise stays in the text.
        {true, "parse error at line x, column 3: y", 0, 0, "parse error at line x, column 3: y",
         ""},
        {false, "unknown key /GlobalSettings/DinosPerpage, did you mean DinosPerPage?", 3, 0,
         "unknown key /GlobalSettings/DinosPerpage, did you mean DinosPerPage?",
         "/GlobalSettings/DinosPerpage"},
        // A pointer the file does not hold goes to the nearest value that holds it.
        {false, "unknown key /Extra", 1, 0, "unknown key /Extra", "/Extra"},
        // Type and range errors name their key first; the text says it without brackets.
        {true,
         "[json.exception.type_error.302] (/AdminTracker/Command) type must be string, but is "
         "number",
         8, 0, "/AdminTracker/Command: type must be string, but is number",
         "/AdminTracker/Command"},
        {true,
         "(/WildTracker/MaxLevel) number 3000000000 is out of range: an integer setting must lie "
         "between -2147483648 and 2147483647",
         10, 0,
         "/WildTracker/MaxLevel: number 3000000000 is out of range: an integer setting must lie "
         "between -2147483648 and 2147483647",
         "/WildTracker/MaxLevel"},
        {false, "/GlobalSettings/DinosPerPage is 0, below 1: using 1", 4, 0,
         "/GlobalSettings/DinosPerPage is 0, below 1: using 1", "/GlobalSettings/DinosPerPage"},
        // A colour warning points at its key, or at the nearest section the file has.
        {false, "Text Color Should Have 3 Colors", 5, 0, "Text Color Should Have 3 Colors",
         "/GlobalSettings/TextColor"},
        {false, "Arrow Color Should Have 3 Colors", 7, 0, "Arrow Color Should Have 3 Colors",
         "/PremiumSettings/TrackingArrow/Color"},
        {false, "NotAdmin Should Have 3 Colors", 9, 0, "NotAdmin Should Have 3 Colors",
         "/Messages/NotAdmin/Colors"},
        {false, "NoPermission Should Have 3 Colors", 9, 0, "NoPermission Should Have 3 Colors",
         "/Messages/NoPermission/Colors"},
        // A number the parser cannot hold is found by its digits.
        {true, "[json.exception.out_of_range.406] number overflow parsing '3000000000'", 10, 0,
         "number overflow parsing '3000000000'", ""},
        // Whatever is not about the file has no place.
        {true, "Host lookup 'FMemory.Malloc' did not resolve", 0, 0,
         "Host lookup 'FMemory.Malloc' did not resolve", ""},
    };
    for (const Case& c : cases) {
        const CheckProblem problem = ClassifyLoaderLine(kFile, c.error, c.message);
        EXPECT_EQ(problem.error, c.error) << c.message;
        EXPECT_EQ(problem.line, c.line) << c.message;
        EXPECT_EQ(problem.column, c.column) << c.message;
        EXPECT_EQ(problem.text, c.text) << c.message;
        EXPECT_EQ(problem.pointer, c.pointer) << c.message;
    }
}

// Without a section of its own in the file, a colour warning has no line to point at.
TEST(ClassifyLoaderLine, AColourOfAnAbsentSectionHasNoLine) {
    const CheckProblem problem =
        ClassifyLoaderLine("{}", false, "Arrow Color Should Have 3 Colors");
    EXPECT_EQ(problem.line, 0);
    EXPECT_EQ(problem.pointer, "/PremiumSettings/TrackingArrow/Color");
}

}  // namespace
}  // namespace sim
