#include "settings/message_line.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace qv {
namespace {

TEST(MessageLine, ReplaceKeepsTheFirst200AndAppendJoinsWithoutSeparator) {
    MessageLine m;
    std::string long_text(250, 'x');
    m.show_message(long_text, false);
    EXPECT_EQ(m.message_text(), std::string(200, 'x'));

    m.show_message(" QV.ini successfully processed   ", false);
    m.show_message(", WARNING, input file not found", true);
    EXPECT_EQ(m.message_text(), " QV.ini successfully processed, WARNING, input file not found");

    m.show_message(std::string(195, 'a'), false);
    m.show_message(", 1234567890", true);
    EXPECT_EQ(m.message_text().size(), 200u);
    m.show_message(", more", true);  // a full line takes nothing more
    EXPECT_EQ(m.message_text().size(), 200u);
    EXPECT_EQ(m.message_text().substr(195), ",\n123");  // the blank after 100 breaks
}

TEST(MessageLine, BreaksAtTheFirstBlankAfterTheHundredthCharacter) {
    MessageLine m;
    std::string t = std::string(100, 'a') + " " + std::string(49, 'b');  // blank at 101
    m.show_message(t, false);
    EXPECT_EQ(m.message_text(), std::string(100, 'a') + "\n" + std::string(49, 'b'));

    std::string u = std::string(119, 'c') + " " + std::string(30, 'd');  // first blank at 120
    m.show_message(u, false);
    std::string shown = m.message_text();
    EXPECT_EQ(shown.find('\n'), 119u);

    // A text that already holds a line feed gets the same breaks again.
    m.show_message(shown, false);
    EXPECT_EQ(m.message_text(), shown);

    // Only the blanks count: a blank before the 101st character never breaks.
    std::string early = std::string(50, 'e') + " " + std::string(60, 'f');
    m.show_message(early, false);
    EXPECT_EQ(m.message_text().find('\n'), std::string::npos);
}

TEST(MessageLine, ClearHidesTheTextAndAnAppendBringsItBack) {
    MessageLine m;
    int notified = 0;
    m.add_observer([&] { ++notified; });
    m.show_message(" first", false);
    m.clear_message_display();
    EXPECT_EQ(m.displayed_text(), "");
    EXPECT_EQ(m.message_text(), " first");
    m.show_message(", second", true);
    EXPECT_EQ(m.displayed_text(), " first, second");
    m.clear_message_display();
    m.show_message(" fresh", false);
    EXPECT_EQ(m.displayed_text(), " fresh");
    EXPECT_EQ(notified, 5);
}

TEST(MessageLine, TwoWritersNeverCorruptTheLine) {
    MessageLine m;
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) m.show_message(", worker", i % 3 != 0);
    });
    for (int i = 0; i < 2000; ++i) m.show_message(" window", i % 5 != 0);
    worker.join();
    std::string t = m.message_text();
    EXPECT_LE(t.size(), 200u);
    for (char c : t) EXPECT_TRUE(c == '\n' || (c >= ' ' && c <= '~'));
}

}  // namespace
}  // namespace qv
