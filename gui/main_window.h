// The main window: the four pages in a tab control, the message line captioned "info", and the
// buttons "encode", "exit" and "about QV".
#pragma once

#include <QWidget>
#include <memory>

#include "gui/page_view.h"
#include "settings/core.h"

class QTabWidget;
class QLabel;

namespace qv::gui {

class PreviewPage;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(Core& core, EventSink sink);

    PageView& view(PageId page);
    QTabWidget* tabs() const { return tabs_; }
    QLabel* message_label() const { return message_; }
    PreviewPage* preview_page() const { return preview_page_; }
    // Selects a tab without passing through the tab handler (the handler itself uses it).
    void select_tab(int index);

    // What the close box does: it does not close the window itself but tells the program
    // (which stops a scan first and then quits).
    std::function<void()> on_close_request;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* build_main_page();
    QWidget* build_advanced_page();
    QWidget* build_matrix_page();
    QWidget* build_preview_page();
    void sync_message();

    Core& core_;
    EventSink sink_;
    QTabWidget* tabs_ = nullptr;
    QLabel* message_ = nullptr;
    PreviewPage* preview_page_ = nullptr;
    std::unique_ptr<PageView> window_view_, main_view_, advanced_view_, matrix_view_, preview_view_;
    int shown_tab_ = 0;
};

}  // namespace qv::gui
