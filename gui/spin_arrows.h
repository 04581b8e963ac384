// An up-down control: two small arrow buttons beside an edit, stepping a position held in the
// page model (the edit beside it shows the value; the arrows show nothing themselves).
#pragma once

#include <QWidget>

class QToolButton;

namespace qv::gui {

class SpinArrows : public QWidget {
    Q_OBJECT
public:
    explicit SpinArrows(QWidget* parent = nullptr);
    void setRange(int minimum, int maximum);
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void stepped(int delta);

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace qv::gui
