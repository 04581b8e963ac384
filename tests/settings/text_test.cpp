#include "settings/text.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

TEST(ShortenPath, FortyCharactersStayWholeLongerOnesKeepHeadAndTail) {
    std::string forty(40, 'a');
    EXPECT_EQ(shorten_path(forty), forty);
    EXPECT_EQ(shorten_path(forty + "   "), forty);  // trailing blanks do not count

    std::string p = "/home/user/videos/holiday/2024/summer.d2v";  // 41 characters
    ASSERT_EQ(p.size(), 41u);
    std::string s = shorten_path(p);
    EXPECT_EQ(s.size(), 40u);
    EXPECT_EQ(s, "/home..." + p.substr(p.size() - 32));
}

TEST(TextHelpers, FoldingFittingAndFolders) {
    EXPECT_EQ(to_upper_ascii("mpeg-2 \xC3\xA9x"), "MPEG-2 \xC3\xA9X");  // non-ASCII bytes untouched
    EXPECT_EQ(to_lower_ascii("QV.INI"), "qv.ini");
    EXPECT_TRUE(equals_ignore_case("*BitRate", "*BITRATE"));
    EXPECT_FALSE(equals_ignore_case("*BITRATE", "*BITRAT"));

    EXPECT_EQ(fit(std::string(600, 'x'), PATH_CAPACITY).size(), 512u);
    EXPECT_EQ(fit_entry("12345   "), "12345");
    EXPECT_EQ(fit_entry(std::string(39, 'a') + "  b"), std::string(39, 'a'));

    EXPECT_EQ(directory_part("/opt/qv/QVgui"), "/opt/qv/");
    EXPECT_EQ(directory_part("QVgui"), "");
    EXPECT_EQ(directory_part(""), "");
    EXPECT_EQ(right_aligned(42, 8), "      42");
    EXPECT_EQ(right_aligned(123456789, 8), "123456789");
}

}  // namespace
}  // namespace qv
