#include "gui/spin_arrows.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace qv::gui {

SpinArrows::SpinArrows(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    up_->setAccessibleName("up");
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    down_->setAccessibleName("down");
    for (QToolButton* b : {up_, down_}) {
        b->setFixedSize(18, 12);
        b->setFocusPolicy(Qt::TabFocus);
        layout->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void SpinArrows::setRange(int, int) {}

}  // namespace qv::gui
