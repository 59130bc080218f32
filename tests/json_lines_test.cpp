// Where values lie in a JSON text: the lines messages point administrators at.
#include <gtest/gtest.h>

#include <string>

#include "sim/script/json_lines.h"

namespace sim {
namespace {

TEST(JsonLines, PointersEscapeTildeAndSlash) {
    EXPECT_EQ(PointerChild("", "a"), "/a");
    EXPECT_EQ(PointerChild("/a", "b/c~d"), "/a/b~1c~0d");
    EXPECT_EQ(PointerChild("/a", ""), "/a/");
    EXPECT_EQ(PointerChild("/list", std::size_t{12}), "/list/12");
}

TEST(JsonLines, EveryValueHasTheLineItStartsOn) {
    const JsonLines lines(
        "\xEF\xBB\xBF{\n"
        "  \"a\": 1,\n"
        "  \"b/c\": [\n"
        "    true,\n"
        "    {\"d\": \"x\\\"y\", \"e\\u0041\": null}\n"
        "  ],\n"
        "  \"s\": \"one\\ntwo\"\n"
        "}\n");
    struct Case {
        const char* pointer;
        int line;
    };
    const Case cases[] = {
        {"", 1},
        {"/a", 2},
        {"/b~1c", 3},
        {"/b~1c/0", 4},
        {"/b~1c/1", 5},
        {"/b~1c/1/d", 5},
        {"/b~1c/1/eA", 5},  // the key as the parser reads it,
                            // escapes undone
        {"/s", 7},
        {"/a/deeper", 2},  // not there: its nearest enclosing value
        {"/b~1c/7/x", 3},
        {"/nothing", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lines.LineOf(c.pointer), c.line) << c.pointer;
    }
    EXPECT_TRUE(lines.Has("/b~1c/1/d"));
    EXPECT_FALSE(lines.Has("/b~1c/2"));
    EXPECT_LT(lines.OffsetOf("/b~1c/1/d"), lines.OffsetOf("/b~1c/1/eA"));
}

// Anything the walk is given ends: nesting past its depth is skipped, not recursed into, and
// text that is not JSON after all stops the walk.
TEST(JsonLines, DeepOrBrokenTextEnds) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const JsonLines nested(deep);
    EXPECT_TRUE(nested.Has("/0/0"));
    EXPECT_FALSE(nested.Has(std::string(2 * 40, '/')));
    for (const char* text : {"[1 2 3", "{\"a\": [", "[,,,", "{\"a\"", "\"open", "[}"}) {
        const JsonLines broken(text);
        EXPECT_EQ(broken.LineOf("/0"), 1) << text;
    }
}

TEST(JsonLines, AnOverflowingNumberIsFoundByItsText) {
    const std::string text = "{\n\"a\": 1,\n\"b\": 1e999\n}";
    EXPECT_EQ(LineOfOverflow(text,
                             "[json.exception.out_of_range.406] number overflow parsing "
                             "'1e999'"),
              3);
    EXPECT_EQ(LineOfOverflow(text, "number overflow parsing '2e999'"), 0);
    EXPECT_EQ(LineOfOverflow(text, "number overflow parsing ''"), 0);
    EXPECT_EQ(LineOfOverflow(text, "syntax error"), 0);
}

}  // namespace
}  // namespace sim
