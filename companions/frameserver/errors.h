// Errors raised while a script is read or evaluated, or while a frame is made.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace qvfs {

// A script-level error: the text is what the caller of the frame server sees.
// `line` is the script line of the innermost call that failed (0 while unknown); the script
// runner turns it into the "(path, line N)" suffix and clears it before passing the error on.
class ScriptError : public std::exception {
public:
    explicit ScriptError(std::string text, int line = 0) : text_(std::move(text)), line_(line) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }
    int line() const { return line_; }
    void set_line(int line) { line_ = line; }
    void append(const std::string& more) { text_ += more; }

private:
    std::string text_;
    int line_;
};

}  // namespace qvfs
