// QVgui: the desktop program. It takes no command-line arguments.
//
// For documentation and checks, QVGUI_SCREENSHOTS=<folder> makes the program print its message
// line and save a picture of each page into that folder once it has started (main.png,
// advanced.png, matrix.png, preview.png), and then quit. QVGUI_QUIT_WHEN_SHOWN=1 makes it quit as
// soon as its window has been shown and painted once (the start-up benchmark uses it).
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "app/dispatch.h"
#include "app/page_refresh.h"
#include "gui/application.h"

namespace {

void save_screenshots(qv::Core& core, qv::gui::MainWindow& window, const QString& folder) {
    QDir().mkpath(folder);
    std::printf("message line:%s\n", core.message.message_text().c_str());
    const char* names[4] = {"main", "advanced", "matrix", "preview"};
    for (int i = 0; i < 4; ++i) {
        // The Main page as the program comes up (with the start-up message); the others through
        // the tab handler, as a click on the tab would.
        if (i > 0) qv::select_page(core, i);
        if (i == 3 && core.ui.preview.enabled(qv::prv::CURRENT_FRAME)) {
            // A frame is drawn on the first navigation: type a frame number, as a person would.
            core.ui.preview.set_text(qv::prv::CURRENT_FRAME, "30");
            qv::handle_event(core, qv::PageId::preview, qv::prv::CURRENT_FRAME,
                             qv::UiEvent::text_changed);
        }
        QApplication::processEvents();
        QString path = QDir(folder).filePath(QString(names[i]) + ".png");
        window.grab().save(path);
        std::printf("%s\n", path.toLocal8Bit().constData());
    }
    qv::select_page(core, 0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("QVgui");
    QApplication::setWindowIcon(QIcon(":/qvgui/icon.png"));

    qv::gui::Application program;
    program.start();

    QString shots = qEnvironmentVariable("QVGUI_SCREENSHOTS");
    if (!shots.isEmpty()) {
        QTimer::singleShot(300, &program.window(), [&program, shots] {
            save_screenshots(program.core(), program.window(), shots);
            QApplication::exit(0);
        });
    }

    if (qEnvironmentVariableIsSet("QVGUI_QUIT_WHEN_SHOWN")) {
        // Queued behind the first show and paint of the window.
        QTimer::singleShot(0, &program.window(), [] { QApplication::exit(0); });
    }

    int code = QApplication::exec();
    program.shut_down();
    return code;
}
