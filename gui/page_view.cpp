#include "gui/page_view.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

#include "gui/spin_arrows.h"

namespace qv::gui {

namespace {
QString qs(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
std::string ss(const QString& s) { return s.toLocal8Bit().toStdString(); }
}  // namespace

PageView::PageView(PageModel& model, QWidget* owner, EventSink sink)
    : QObject(owner), model_(model), sink_(std::move(sink)) {
    for (int id : model_.ids()) {
        Control c = model_.snapshot(id);
        QWidget* w = create(c, owner);
        if (!w) continue;
        w->setObjectName(QStringLiteral("c%1").arg(id));
        w->setAccessibleName(qs(c.label));
        widgets_[id] = w;
        ids_[w] = id;
    }
    model_.add_observer([this](PageId, int id) { on_model_changed(id); });
    sync(0);
}

QWidget* PageView::widget(int id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* PageView::create(const Control& c, QWidget* owner) {
    const PageId page = model_.page();
    const int id = c.id;
    switch (c.kind) {
        case ControlKind::button: {
            auto* b = new QPushButton(qs(c.text), owner);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this,
                    [this, page, id] { sink_(page, id, UiEvent::clicked); });
            return b;
        }
        case ControlKind::check_box: {
            auto* b = new QCheckBox(qs(c.label), owner);
            connect(b, &QCheckBox::clicked, this, [this, page, id](bool on) {
                model_.set_checked(id, on);
                sink_(page, id, UiEvent::clicked);
            });
            return b;
        }
        case ControlKind::radio: {
            auto* b = new QRadioButton(qs(c.label), owner);
            QButtonGroup*& group = radio_groups_[c.group];
            if (!group) group = new QButtonGroup(this);
            group->addButton(b);
            connect(b, &QRadioButton::clicked, this, [this, page, id] {
                model_.set_checked(id, true);
                sink_(page, id, UiEvent::clicked);
            });
            return b;
        }
        case ControlKind::edit: {
            auto* e = new QLineEdit(owner);
            e->setMaxLength(c.digits_only ? 40 : 512);
            if (c.digits_only)
                e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
            e->setReadOnly(c.read_only);
            if (c.centred) e->setAlignment(Qt::AlignCenter);
            e->installEventFilter(this);
            connect(e, &QLineEdit::textEdited, this, [this, page, id](const QString& t) {
                model_.set_text(id, ss(t));
                sink_(page, id, UiEvent::text_changed);
            });
            return e;
        }
        case ControlKind::label:
        case ControlKind::static_text: {
            auto* l = new QLabel(qs(c.text), owner);
            return l;
        }
        case ControlKind::list_box: {
            auto* l = new QListWidget(owner);
            if (c.fixed_pitch) {
                l->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
                l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            }
            connect(l, &QListWidget::currentRowChanged, this, [this, page, id](int row) {
                model_.set_selection(id, row);
                sink_(page, id, UiEvent::selection_changed);
            });
            return l;
        }
        case ControlKind::combo_box: {
            auto* cb = new QComboBox(owner);
            cb->setEditable(true);
            cb->setInsertPolicy(QComboBox::NoInsert);
            // Typed text is the control's value too (a radio handler may read it later), but only
            // a choice from the list is a selection change.
            connect(cb, &QComboBox::editTextChanged, this,
                    [this, id](const QString& t) { model_.set_text(id, ss(t)); });
            connect(cb, &QComboBox::activated, this, [this, page, id, cb](int index) {
                model_.set_text(id, ss(cb->itemText(index)));
                model_.set_selection(id, index);
                sink_(page, id, UiEvent::selection_changed);
            });
            return cb;
        }
        case ControlKind::spin: {
            auto* s = new SpinArrows(owner);
            connect(s, &SpinArrows::stepped, this, [this, page, id](int delta) {
                int pos = model_.position(id) + delta;
                pos = std::clamp(pos, model_.minimum(id), model_.maximum(id));
                model_.set_position(id, pos);
                sink_(page, id, UiEvent::position_changed);
            });
            return s;
        }
        case ControlKind::slider: {
            auto* s = new QSlider(Qt::Horizontal, owner);
            s->setTickPosition(QSlider::TicksBelow);
            s->setTickInterval(50);
            s->setPageStep(50);
            connect(s, &QSlider::valueChanged, this, [this, page, id](int v) {
                model_.set_position(id, v);
                sink_(page, id, UiEvent::position_changed);
            });
            return s;
        }
        case ControlKind::group_box:
        case ControlKind::tab_control:
        case ControlKind::picture:
            return nullptr;  // made by the page's layout
    }
    return nullptr;
}

bool PageView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto it = ids_.find(watched);
        if (it != ids_.end())
            sink_(model_.page(), it->second,
                  event->type() == QEvent::FocusIn ? UiEvent::focus_gained : UiEvent::focus_lost);
    }
    return QObject::eventFilter(watched, event);
}

void PageView::on_model_changed(int id) {
    if (QThread::currentThread() == thread()) {
        sync(id);
        return;
    }
    // From the scan worker: collect, and mirror once on the GUI thread.
    std::lock_guard<std::mutex> lock(pending_mutex_);
    if (id == 0)
        all_pending_ = true;
    else
        pending_.insert(id);
    if (flush_queued_) return;
    flush_queued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            std::set<int> ids;
            bool all;
            {
                std::lock_guard<std::mutex> inner(pending_mutex_);
                ids.swap(pending_);
                all = all_pending_;
                all_pending_ = false;
                flush_queued_ = false;
            }
            if (all)
                sync(0);
            else
                for (int i : ids) sync(i);
        },
        Qt::QueuedConnection);
}

void PageView::sync(int id) {
    if (id == 0) {
        for (auto& [cid, w] : widgets_) sync_control(cid);
    } else if (widgets_.count(id)) {
        sync_control(id);
    }
}

void PageView::sync_control(int id) {
    QWidget* w = widgets_.at(id);
    Control c = model_.snapshot(id);
    QSignalBlocker block(w);
    w->setEnabled(c.enabled);
    switch (c.kind) {
        case ControlKind::button:
            static_cast<QPushButton*>(w)->setText(qs(c.text));
            break;
        case ControlKind::check_box:
        case ControlKind::radio:
            static_cast<QAbstractButton*>(w)->setChecked(c.checked);
            break;
        case ControlKind::edit: {
            auto* e = static_cast<QLineEdit*>(w);
            QString t = qs(c.text);
            if (e->text() != t) e->setText(t);
            break;
        }
        case ControlKind::label:
        case ControlKind::static_text:
            static_cast<QLabel*>(w)->setText(qs(c.text));
            break;
        case ControlKind::list_box: {
            auto* l = static_cast<QListWidget*>(w);
            if (!c.redraw) break;
            bool same = l->count() == static_cast<int>(c.entries.size());
            for (int i = 0; same && i < l->count(); ++i)
                same = l->item(i)->text() == qs(c.entries[static_cast<std::size_t>(i)]);
            if (!same) {
                l->setUpdatesEnabled(false);
                l->clear();
                QStringList items;
                items.reserve(static_cast<int>(c.entries.size()));
                for (const auto& e : c.entries) items << qs(e);
                l->addItems(items);
                l->setUpdatesEnabled(true);
            }
            if (l->currentRow() != c.selection) l->setCurrentRow(c.selection);
            break;
        }
        case ControlKind::combo_box: {
            auto* cb = static_cast<QComboBox*>(w);
            if (cb->count() != static_cast<int>(c.entries.size())) {
                cb->clear();
                for (const auto& e : c.entries) cb->addItem(qs(e));
            }
            if (c.selection >= 0 && c.selection < cb->count()) cb->setCurrentIndex(c.selection);
            if (cb->currentText() != qs(c.text)) cb->setEditText(qs(c.text));
            break;
        }
        case ControlKind::spin:
            static_cast<SpinArrows*>(w)->setRange(c.minimum, c.maximum);
            break;
        case ControlKind::slider: {
            auto* s = static_cast<QSlider*>(w);
            s->setRange(c.minimum, c.maximum);
            s->setValue(c.position);
            break;
        }
        default:
            break;
    }
}

}  // namespace qv::gui
