// The Qt view of one page model: one widget per control, the widgets' events forwarded to the
// handlers, the model mirrored into the widgets with their signals blocked (a programmatic
// update never re-enters a handler). Notifications from another thread are handed to the GUI
// thread.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "settings/core.h"

class QButtonGroup;

namespace qv::gui {

using EventSink = std::function<void(PageId page, int id, UiEvent event)>;

class PageView : public QObject {
    Q_OBJECT
public:
    // Creates the widgets (parented to `owner`, unplaced); the page's layout places them.
    PageView(PageModel& model, QWidget* owner, EventSink sink);

    QWidget* widget(int id) const;
    template <typename T>
    T* as(int id) const {
        return qobject_cast<T*>(widget(id));
    }
    PageModel& model() { return model_; }

    // Mirrors one control (0: all) from the model into its widget.
    void sync(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* create(const Control& c, QWidget* owner);
    void sync_control(int id);
    void on_model_changed(int id);

    PageModel& model_;
    EventSink sink_;
    std::map<int, QWidget*> widgets_;
    std::map<QObject*, int> ids_;
    std::map<std::string, QButtonGroup*> radio_groups_;
    std::mutex pending_mutex_;
    std::set<int> pending_;
    bool all_pending_ = false;
    bool flush_queued_ = false;
};

}  // namespace qv::gui
