// The shell on Qt: real file dialogs, message boxes, hiding and restoring the main window.
#pragma once

#include <QWidget>

#include "settings/shell.h"

namespace qv::gui {

class QtShell : public Shell {
public:
    explicit QtShell(QWidget* window) : window_(window) {}

    std::optional<std::string> choose_file(const FileDialogRequest& request) override;
    bool ask_yes_no(const std::string& text, const std::string& caption) override;
    void show_information(const std::string& text, const std::string& caption) override;
    void hide_main_window() override;
    void restore_main_window() override;
    void clear_focus() override;
    void request_quit(int code) override;
    void sleep_ms(int milliseconds) override;

private:
    QWidget* window_;
};

}  // namespace qv::gui
