// The message line: the program's one channel of feedback. Every outcome is a short text that
// replaces the line (texts starting with a blank) or is appended to it (texts starting with a
// comma). The window thread and the scene-change worker both write it, so one mutex guards the
// text and what the control shows.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "settings/text.h"

namespace qv {

class MessageLine {
public:
    using Observer = std::function<void()>;

    MessageLine();

    // Replace (append false) or append to the line, cut at 200 characters, then break it into
    // lines at the first blank after each 100th character.
    void show_message(std::string_view text, bool append);
    // Empties what the control shows; the stored text stays for later appends.
    void clear_message_display();

    // The stored text (line feeds included), without trailing blanks.
    std::string message_text() const;
    // What the control shows: the stored text, or empty after clear_message_display.
    std::string displayed_text() const;

    // Told after every change of what the control shows (from whichever thread changed it).
    void add_observer(Observer observer);

private:
    void notify();

    mutable std::mutex mutex_;
    char text_[MESSAGE_CAPACITY];
    bool shown_ = true;
    std::vector<Observer> observers_;
};

}  // namespace qv
