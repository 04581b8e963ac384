// The whole program on Qt: the state, the main window, the shell, and the start-up order. main()
// makes one; the window tests make one per case.
#pragma once

#include <memory>
#include <string>

#include "gui/main_window.h"
#include "gui/qt_shell.h"
#include "settings/core.h"

namespace qv::gui {

class Application {
public:
    Application();
    ~Application();

    // Shows the window and runs the program's start-up. `program_file` empty: the running
    // program's own file decides the program directory.
    void start(const std::string& program_file = {});
    // After the message loop: releases the video libraries.
    void shut_down();

    Core& core() { return *core_; }
    MainWindow& window() { return *window_; }

private:
    std::unique_ptr<Core> core_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QtShell> shell_;
    bool shut_ = false;
};

}  // namespace qv::gui
