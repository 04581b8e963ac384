// QVgui: the desktop program. It takes no command-line arguments.
#include <QApplication>
#include <QIcon>

#include "app/dispatch.h"
#include "app/startup.h"
#include "gui/main_window.h"
#include "gui/qt_shell.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("QVgui");
    QApplication::setWindowIcon(QIcon(":/qvgui/icon.png"));

    auto core = std::make_unique<qv::Core>();
    qv::gui::MainWindow window(*core, [&core](qv::PageId page, int id, qv::UiEvent event) {
        qv::handle_event(*core, page, id, event);
    });
    qv::gui::QtShell shell(&window);
    core->shell = &shell;
    window.on_close_request = [&core] { qv::close_requested(*core); };
    window.show();

    qv::start_up(*core);

    int code = QApplication::exec();
    qv::shut_down(*core);
    return code;
}
