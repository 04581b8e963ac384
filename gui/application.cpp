#include "gui/application.h"

#include "app/dispatch.h"
#include "app/startup.h"

namespace qv::gui {

Application::Application() : core_(std::make_unique<Core>()) {
    Core* core = core_.get();
    window_ = std::make_unique<MainWindow>(
        *core, [core](PageId page, int id, UiEvent event) { handle_event(*core, page, id, event); });
    shell_ = std::make_unique<QtShell>(window_.get());
    core_->shell = shell_.get();
    window_->on_close_request = [core] { close_requested(*core); };
}

Application::~Application() { shut_down(); }

void Application::start(const std::string& program_file) {
    window_->show();
    start_up(*core_, program_file);
}

void Application::shut_down() {
    if (shut_) return;
    shut_ = true;
    qv::shut_down(*core_);
}

}  // namespace qv::gui
