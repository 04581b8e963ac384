// What a handler needs from the window system: file dialogs, a yes/no question, an information
// box, hiding and restoring the main window, clearing the keyboard focus, quitting and waiting.
// The Qt shell implements it with real dialogs; tests use ScriptedShell.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct FileDialogRequest {
    enum class Kind { open, save };
    Kind kind = Kind::open;
    std::string title;
    std::string filter_description;  // exact, runs of blanks included
    std::string filter_pattern;      // patterns separated by ";"
    std::string default_extension;   // appended to a typed name without an extension
    std::string initial_folder;      // empty: the dialog's own choice
    bool operator==(const FileDialogRequest&) const = default;
};

class Shell {
public:
    virtual ~Shell() = default;
    // The chosen path, or nothing when the user cancelled. The folder of a typed name must
    // exist; the file itself need not; there is no overwrite question.
    virtual std::optional<std::string> choose_file(const FileDialogRequest& request) = 0;
    virtual bool ask_yes_no(const std::string& text, const std::string& caption) = 0;
    virtual void show_information(const std::string& text, const std::string& caption) = 0;
    virtual void hide_main_window() = 0;
    virtual void restore_main_window() = 0;
    virtual void clear_focus() = 0;
    virtual void request_quit(int code) = 0;
    // A pause of the window thread (the window system may keep painting).
    virtual void sleep_ms(int milliseconds) = 0;
};

// Answers from queues and records what was asked. An empty dialog queue answers "cancel",
// an empty question queue answers "no".
class ScriptedShell : public Shell {
public:
    std::deque<std::optional<std::string>> file_answers;
    std::deque<bool> yes_no_answers;

    std::vector<FileDialogRequest> file_requests;
    std::vector<std::pair<std::string, std::string>> questions;
    std::vector<std::pair<std::string, std::string>> information;
    int hides = 0;
    int restores = 0;
    int focus_clears = 0;
    std::vector<int> quit_requests;
    std::vector<int> sleeps;

    std::optional<std::string> choose_file(const FileDialogRequest& request) override {
        file_requests.push_back(request);
        if (file_answers.empty()) return std::nullopt;
        auto answer = file_answers.front();
        file_answers.pop_front();
        return answer;
    }
    bool ask_yes_no(const std::string& text, const std::string& caption) override {
        questions.emplace_back(text, caption);
        if (yes_no_answers.empty()) return false;
        bool answer = yes_no_answers.front();
        yes_no_answers.pop_front();
        return answer;
    }
    void show_information(const std::string& text, const std::string& caption) override {
        information.emplace_back(text, caption);
    }
    void hide_main_window() override { ++hides; }
    void restore_main_window() override { ++restores; }
    void clear_focus() override { ++focus_clears; }
    void request_quit(int code) override { quit_requests.push_back(code); }
    void sleep_ms(int milliseconds) override { sleeps.push_back(milliseconds); }
};

}  // namespace qv
