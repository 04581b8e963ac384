#include "settings/message_line.h"

#include <cstring>

namespace qv {

MessageLine::MessageLine() { std::memset(text_, ' ', sizeof text_); }

void MessageLine::show_message(std::string_view text, bool append) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string_view t = trim_trailing(text);
        std::size_t start = 0;
        if (append) {
            std::size_t g = MESSAGE_CAPACITY;
            while (g > 0 && text_[g - 1] == ' ') --g;
            start = g;
        } else {
            std::memset(text_, ' ', sizeof text_);
        }
        for (std::size_t i = 0; i < t.size() && start + i < MESSAGE_CAPACITY; ++i)
            text_[start + i] = t[i];

        std::size_t n = MESSAGE_CAPACITY;
        while (n > 0 && text_[n - 1] == ' ') --n;
        for (std::size_t i = 0; i < n; ++i)
            if (text_[i] == '\n') text_[i] = ' ';
        // A line ends at the first blank after its 100th character.
        int c = 0;
        for (std::size_t i = 0; i < n; ++i) {
            ++c;
            if (c >= 101 && text_[i] == ' ') {
                text_[i] = '\n';
                c = 0;
            }
        }
        shown_ = true;
    }
    notify();
}

void MessageLine::clear_message_display() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_ = false;
    }
    notify();
}

std::string MessageLine::message_text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trimmed(std::string_view(text_, MESSAGE_CAPACITY));
}

std::string MessageLine::displayed_text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!shown_) return {};
    return trimmed(std::string_view(text_, MESSAGE_CAPACITY));
}

void MessageLine::add_observer(Observer observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    observers_.push_back(std::move(observer));
}

void MessageLine::notify() {
    std::vector<Observer> copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy = observers_;
    }
    for (auto& o : copy) o();
}

}  // namespace qv
