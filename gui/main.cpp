// QVgui: the desktop program. It takes no command-line arguments.
//
// For documentation and checks, QVGUI_SCREENSHOTS=<folder> makes the program save a picture of
// each page into that folder once it has started (main.png, advanced.png, matrix.png,
// preview.png) and then quit.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "app/dispatch.h"
#include "app/page_refresh.h"
#include "app/startup.h"
#include "gui/main_window.h"
#include "gui/qt_shell.h"

namespace {

void save_screenshots(qv::Core& core, qv::gui::MainWindow& window, const QString& folder) {
    QDir().mkpath(folder);
    std::printf("message line:%s\n", core.message.message_text().c_str());
    const char* names[4] = {"main", "advanced", "matrix", "preview"};
    for (int i = 0; i < 4; ++i) {
        // Through the tab handler, as a click on the tab would.
        qv::select_page(core, i);
        QApplication::processEvents();
        QString path = QDir(folder).filePath(QString(names[i]) + ".png");
        window.grab().save(path);
        std::printf("%s\n", path.toLocal8Bit().constData());
    }
    qv::select_page(core, 0);
}

}  // namespace

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

    QString shots = qEnvironmentVariable("QVGUI_SCREENSHOTS");
    if (!shots.isEmpty()) {
        QTimer::singleShot(300, &window, [&core, &window, shots] {
            save_screenshots(*core, window, shots);
            QApplication::exit(0);
        });
    }

    int code = QApplication::exec();
    qv::shut_down(*core);
    return code;
}
