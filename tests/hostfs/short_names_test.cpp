#include "hostfs/short_names.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortNames, NameAndExtensionAreCut) {
    EXPECT_EQ(shorten_to_8_3("Verylongname.text"), "Verylong.tex");
    EXPECT_EQ(shorten_to_8_3("name.longext"), "name.lon");
    EXPECT_EQ(shorten_to_8_3("Verylongname.t"), "Verylong.t");
    EXPECT_EQ(shorten_to_8_3("abcdefghijk"), "abcdefgh");
    EXPECT_EQ(shorten_to_8_3("short.txt"), "short.txt");
    EXPECT_EQ(shorten_to_8_3("MiXeD.CaSe"), "MiXeD.CaS");
    EXPECT_EQ(shorten_to_8_3("abc."), "abc.");
}

TEST(ShortNames, OnlyTheLastDotSeparates) {
    EXPECT_EQ(shorten_to_8_3("a.b.c"), "a_b.c");
    EXPECT_EQ(shorten_to_8_3("a.b.c.d"), "a_b_c.d");
    EXPECT_EQ(shorten_to_8_3("abcdefghij.b.cdef"), "abcdefgh.cde");
}

TEST(ShortNames, LeadingDot) {
    EXPECT_EQ(shorten_to_8_3(".profile"), "_.pro");
    EXPECT_EQ(shorten_to_8_3(".foo.txt"), "_foo.txt");
    EXPECT_EQ(shorten_to_8_3(".profile.d"), "_profile.d");
    EXPECT_EQ(shorten_to_8_3("..x"), "_.x");
    EXPECT_EQ(shorten_to_8_3(".a.b.c"), "_a_b.c");
    EXPECT_EQ(shorten_to_8_3("."), "");
    EXPECT_EQ(shorten_to_8_3(".."), "..");
}

TEST(ShortNames, UnderscoreMayBecomeTheSeparator) {
    EXPECT_EQ(shorten_to_8_3("abcdefgh_ij"), "abcdefgh.ij");
    EXPECT_EQ(shorten_to_8_3("abcdefg_hij"), "abcdefg.hij");
    EXPECT_EQ(shorten_to_8_3("abc_defghij"), "abc_defg");
    EXPECT_EQ(shorten_to_8_3("abcdefghi_"), "abcdefgh");
    EXPECT_EQ(shorten_to_8_3("a_b"), "a_b");
    EXPECT_EQ(shorten_to_8_3("verylongname_tail"), "verylong.tai");
}

TEST(ShortNames, BracketsBecomeUnderscores) {
    EXPECT_EQ(shorten_to_8_3("[a]"), "_a_");
    EXPECT_EQ(shorten_to_8_3("x[1].txt"), "x_1_.txt");
}

TEST(ShortNames, AppendsBehindWhatIsThere) {
    std::string path = "root/dir/";
    shorten_to_8_3("Verylongname.text", path);
    EXPECT_EQ(path, "root/dir/Verylong.tex");
    shorten_to_8_3(".", path);
    EXPECT_EQ(path, "root/dir/Verylong.tex");
}

}  // namespace
