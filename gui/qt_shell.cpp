#include "gui/qt_shell.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>

namespace qv::gui {

namespace {
QString qs(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
}  // namespace

std::optional<std::string> QtShell::choose_file(const FileDialogRequest& request) {
    QFileDialog dialog(nullptr, qs(request.title));
    dialog.setAcceptMode(request.kind == FileDialogRequest::Kind::save ? QFileDialog::AcceptSave
                                                                        : QFileDialog::AcceptOpen);
    // The file itself need not exist, also when opening; no overwrite question.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    QString patterns = qs(request.filter_pattern);
    patterns.replace(';', ' ');
    dialog.setNameFilter(qs(request.filter_description) + " (" + patterns + ")");
    dialog.setDefaultSuffix(qs(request.default_extension));
    if (!request.initial_folder.empty() && QDir(qs(request.initial_folder)).exists())
        dialog.setDirectory(qs(request.initial_folder));
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        QString chosen = dialog.selectedFiles().first();
        // The folder of a typed name must exist.
        if (QFileInfo(chosen).dir().exists()) return chosen.toLocal8Bit().toStdString();
        QMessageBox::warning(&dialog, qs(request.title),
                             QStringLiteral("The folder of %1 does not exist.").arg(chosen));
    }
}

bool QtShell::ask_yes_no(const std::string& text, const std::string& caption) {
    return QMessageBox::question(window_, qs(caption), qs(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtShell::show_information(const std::string& text, const std::string& caption) {
    QMessageBox::information(window_, qs(caption), qs(text));
}

void QtShell::hide_main_window() {
    window_->hide();
    QApplication::processEvents();
}

void QtShell::restore_main_window() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void QtShell::clear_focus() {
    if (QWidget* w = QApplication::focusWidget()) w->clearFocus();
}

void QtShell::request_quit(int code) {
    QMetaObject::invokeMethod(qApp, [code] { QApplication::exit(code); }, Qt::QueuedConnection);
}

void QtShell::sleep_ms(int milliseconds) {
    // Keep painting while the window thread waits.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

}  // namespace qv::gui
