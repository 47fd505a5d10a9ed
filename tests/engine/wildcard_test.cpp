#include "engine/wildcard.h"

#include <gtest/gtest.h>

namespace {

TEST(Wildcard, StarsAndQuestionMarks) {
    EXPECT_TRUE(wildcard_match("", "*", false));
    EXPECT_TRUE(wildcard_match("anything", "*", false));
    EXPECT_FALSE(wildcard_match("nodot", "*.*", false));
    EXPECT_TRUE(wildcard_match("a.b", "*.*", false));
    EXPECT_TRUE(wildcard_match("abc", "a?c", false));
    EXPECT_FALSE(wildcard_match("ac", "a?c", false));
    EXPECT_TRUE(wildcard_match("dir/sub/file.txt", "*/file.txt", false));
    EXPECT_TRUE(wildcard_match("aXbXc", "a*b*c", false));
    EXPECT_FALSE(wildcard_match("aXbXd", "a*b*c", false));
}

TEST(Wildcard, Sets) {
    EXPECT_TRUE(wildcard_match("dx", "[!a-c]x", false));
    EXPECT_FALSE(wildcard_match("bx", "[!a-c]x", false));
    EXPECT_TRUE(wildcard_match("bx", "[a-c]x", false));
    EXPECT_TRUE(wildcard_match("dx", "[^a-c]x", false));
    EXPECT_FALSE(wildcard_match("a", "[]", false));
    EXPECT_FALSE(wildcard_match("a", "[a", false));
    EXPECT_TRUE(wildcard_match("-", "[-a]", false));
    EXPECT_TRUE(wildcard_match("]", "[\\]]", false));
    EXPECT_FALSE(wildcard_match("", "[a]", false));
    EXPECT_TRUE(wildcard_match("B", "[a-c]", true));
    EXPECT_FALSE(wildcard_match("B", "[a-c]", false));
}

TEST(Wildcard, BackslashQuotes) {
    EXPECT_TRUE(wildcard_match("*", "\\*", false));
    EXPECT_FALSE(wildcard_match("x", "\\*", false));
    EXPECT_FALSE(wildcard_match("xy", "\\*", false));
    EXPECT_FALSE(wildcard_match("a", "a\\", false));
}

TEST(Wildcard, CaseFolding) {
    EXPECT_TRUE(wildcard_match("readme.txt", "*.TXT", true));
    EXPECT_FALSE(wildcard_match("readme.txt", "*.TXT", false));
}

TEST(Wildcard, StepStopsHopelessSearches) {
    const auto* p = reinterpret_cast<const unsigned char*>("*x");
    const auto* s = reinterpret_cast<const unsigned char*>("abc");
    EXPECT_EQ(2, match_step(p, s, false));
    // Many stars over a long name that cannot match must answer quickly.
    std::string name(200, 'a');
    EXPECT_FALSE(wildcard_match(name.c_str(), "*a*a*a*a*a*a*a*a*b", false));
}

TEST(Wildcard, PatternsOfAnyLengthKeepTheStackFlat) {
    auto repeat = [](const std::string& unit, size_t n) {
        std::string r;
        for (size_t i = 0; i < n; ++i) r += unit;
        return r;
    };
    const std::string as(200000, 'a');
    struct Case {
        std::string name, pattern;
        bool match;
    };
    const Case cases[] = {
        {"abc", repeat("*", 200000), true},
        {"", "**", true},
        {"a", "a**", true},
        {as, repeat("*a", 200000), true},
        {as, repeat("*a", 200001), false},
        {as + "b", repeat("*a", 1000) + "*b", true},
        {as, repeat("*a", 1000) + "b", false},
        {"a*b", "*\\**", true},
        {"ab", "*\\**", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern.substr(0, 20) + " against " + c.name.substr(0, 20));
        EXPECT_EQ(c.match, wildcard_match(c.name.c_str(), c.pattern.c_str(), false));
    }
}

TEST(Wildcard, PrefixCompare) {
    EXPECT_EQ(0, prefix_compare_nocase("ZIPINFO.EXE", "zipinfo", 7));
    EXPECT_EQ(0, prefix_compare_nocase("ii", "ii", 2));
    EXPECT_NE(0, prefix_compare_nocase("unzip", "zipinfo", 7));
    EXPECT_EQ(-1, prefix_compare_nocase("abc", "abd", 3));
    EXPECT_EQ(1, prefix_compare_nocase("abd", "ABC", 3));
    EXPECT_EQ(0, prefix_compare_nocase("ab", "ab", 7));
}

}  // namespace
