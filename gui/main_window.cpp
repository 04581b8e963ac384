#include "gui/main_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include "gui/preview_page.h"

namespace qv::gui {

namespace {

QGroupBox* group(const QString& title, QLayout* layout, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setLayout(layout);
    return box;
}

// An edit with its label in front.
void form_row(QFormLayout* form, PageView& v, int id) {
    form->addRow(QString::fromLocal8Bit(v.model().label(id).c_str()), v.widget(id));
}

// An edit with its spin arrows beside it, labelled.
QWidget* with_spin(PageView& v, int edit, int spin, QWidget* parent) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    h->addWidget(v.widget(edit));
    h->addWidget(v.widget(spin));
    return w;
}

}  // namespace

MainWindow::MainWindow(Core& core, EventSink sink) : core_(core), sink_(std::move(sink)) {
    setWindowTitle(QString::fromLocal8Bit(WINDOW_CAPTION));
    auto* outer = new QVBoxLayout(this);

    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName("tabs");
    tabs_->addTab(build_main_page(), "Main");
    tabs_->addTab(build_advanced_page(), "Advanced");
    tabs_->addTab(build_matrix_page(), "Matrix");
    tabs_->addTab(build_preview_page(), "Preview/Chapters");
    outer->addWidget(tabs_, 1);

    window_view_ = std::make_unique<PageView>(core_.ui.window, this, sink_);
    auto* bottom = new QHBoxLayout;
    auto* info = new QVBoxLayout;
    info->addWidget(window_view_->widget(win::INFO_CAPTION));
    message_ = new QLabel(this);
    message_->setAccessibleName("message line");
    message_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    message_->setWordWrap(false);
    message_->setTextFormat(Qt::PlainText);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message_->setMinimumHeight(2 * message_->fontMetrics().lineSpacing() + 6);
    message_->setMinimumWidth(message_->fontMetrics().averageCharWidth() * 102);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    info->addWidget(message_);
    bottom->addLayout(info, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(window_view_->widget(win::ENCODE));
    buttons->addWidget(window_view_->widget(win::EXIT));
    buttons->addWidget(window_view_->widget(win::ABOUT));
    bottom->addLayout(buttons);
    outer->addLayout(bottom);
    window_view_->widget(win::MESSAGE)->hide();

    core_.message.add_observer([this] {
        QMetaObject::invokeMethod(this, [this] { sync_message(); }, Qt::AutoConnection);
    });
    sync_message();

    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == shown_tab_) return;
        shown_tab_ = index;
        core_.ui.window.set_selection(win::TABS, index);
        sink_(PageId::window, win::TABS, UiEvent::selection_changed);
    });
    core_.ui.window.add_observer([this](PageId, int id) {
        if (id != 0 && id != win::TABS) return;
        QMetaObject::invokeMethod(this, [this] { select_tab(core_.ui.window.selection(win::TABS)); },
                                  Qt::AutoConnection);
    });
}

void MainWindow::select_tab(int index) {
    if (index < 0 || index >= tabs_->count()) return;
    shown_tab_ = index;
    QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(index);
}

PageView& MainWindow::view(PageId page) {
    switch (page) {
        case PageId::window: return *window_view_;
        case PageId::main: return *main_view_;
        case PageId::advanced: return *advanced_view_;
        case PageId::matrix: return *matrix_view_;
        case PageId::preview: return *preview_view_;
    }
    return *window_view_;
}

void MainWindow::sync_message() {
    message_->setText(QString::fromLocal8Bit(core_.message.displayed_text().c_str()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (on_close_request) on_close_request();
}

QWidget* MainWindow::build_main_page() {
    auto* page = new QWidget;
    main_view_ = std::make_unique<PageView>(core_.ui.main, page, sink_);
    PageView& v = *main_view_;
    auto* grid = new QGridLayout(page);

    auto* files = new QVBoxLayout;
    for (int id : {mainp::INPUT, mainp::OUTPUT, mainp::LOG}) {
        v.widget(id)->setMinimumWidth(300);
        files->addWidget(v.widget(id));
    }
    grid->addWidget(group("files", files, page), 0, 0, 1, 2);

    auto* ini = new QGridLayout;
    ini->addWidget(v.widget(mainp::LOAD_INI), 0, 0);
    ini->addWidget(v.widget(mainp::SAVE_INI), 0, 1);
    ini->addWidget(v.widget(mainp::LOAD_QV_INI), 1, 0);
    ini->addWidget(v.widget(mainp::SAVE_QV_INI), 1, 1);
    grid->addWidget(group("ini file", ini, page), 0, 2, 1, 2);

    auto* rate = new QFormLayout;
    auto* radios = new QHBoxLayout;
    radios->addWidget(v.widget(mainp::AVERAGE_BITRATE));
    radios->addWidget(v.widget(mainp::FILE_LENGTH));
    rate->addRow(radios);
    form_row(rate, v, mainp::FILE_LENGTH_KB);
    form_row(rate, v, mainp::AVG_KBPS);
    form_row(rate, v, mainp::MAX_KBPS);
    grid->addWidget(group("bitrate", rate, page), 1, 0);

    auto* range = new QFormLayout;
    form_row(range, v, mainp::START_FRAME);
    form_row(range, v, mainp::END_FRAME);
    range->addRow(v.widget(mainp::ALL_FRAMES));
    grid->addWidget(group("frame range", range, page), 1, 1);

    auto* movie = new QGridLayout;
    auto label = [&](const char* t) { return new QLabel(t, page); };
    movie->addWidget(label("width x height"), 0, 0);
    movie->addWidget(v.widget(mainp::MOVIE_SIZE), 0, 1, 1, 3);
    movie->addWidget(label("frame rate"), 1, 0);
    movie->addWidget(v.widget(mainp::MOVIE_RATE), 1, 1, 1, 3);
    movie->addWidget(label("frames"), 2, 1);
    movie->addWidget(label("sec"), 2, 2);
    movie->addWidget(label("hms"), 2, 3);
    movie->addWidget(label("movie length"), 3, 0);
    movie->addWidget(v.widget(mainp::MOVIE_FRAMES), 3, 1);
    movie->addWidget(v.widget(mainp::MOVIE_SEC), 3, 2);
    movie->addWidget(v.widget(mainp::MOVIE_HMS), 3, 3);
    movie->addWidget(label("encoding length"), 4, 0);
    movie->addWidget(v.widget(mainp::ENCODE_FRAMES), 4, 1);
    movie->addWidget(v.widget(mainp::ENCODE_SEC), 4, 2);
    movie->addWidget(v.widget(mainp::ENCODE_HMS), 4, 3);
    grid->addWidget(group("movie info", movie, page), 1, 2, 1, 2);

    auto* profile = new QVBoxLayout;
    for (int id : {mainp::FAST, mainp::NORMAL, mainp::BEST}) profile->addWidget(v.widget(id));
    profile->addStretch();
    auto* dc = new QVBoxLayout;
    for (int id = mainp::DC8; id <= mainp::DC11; ++id) dc->addWidget(v.widget(id));
    auto* ar = new QVBoxLayout;
    for (int id = mainp::AR_1_1; id <= mainp::AR_2_21; ++id) ar->addWidget(v.widget(id));
    auto* choices = new QHBoxLayout;
    choices->addWidget(group("profile", profile, page));
    choices->addWidget(group("dc prec", dc, page));
    choices->addWidget(group("aspect ratio", ar, page));
    grid->addLayout(choices, 2, 0);

    auto* misc = new QGridLayout;
    int i = 0;
    for (int id : {mainp::SCENE_CHANGE, mainp::AUTOGOP, mainp::CLOSED_GOPS, mainp::PREVIEW,
                   mainp::INTERLACED, mainp::PULLDOWN, mainp::SHUTDOWN}) {
        misc->addWidget(v.widget(id), i % 4, i / 4);
        ++i;
    }
    grid->addWidget(group("miscellaneous", misc, page), 2, 1);

    auto* actions = new QGridLayout;
    actions->addWidget(v.widget(mainp::RESET), 0, 0);
    actions->addWidget(v.widget(mainp::MAKE_DVD), 1, 0);
    actions->addWidget(v.widget(mainp::QVENC_INFO), 0, 1);
    actions->addWidget(v.widget(mainp::AVISYNTH_INFO), 1, 1);
    actions->addWidget(v.widget(mainp::DGDECODE_INFO), 2, 1);
    auto* actions_box = new QWidget(page);
    actions_box->setLayout(actions);
    grid->addWidget(actions_box, 2, 2, 1, 2);
    return page;
}

QWidget* MainWindow::build_advanced_page() {
    auto* page = new QWidget;
    advanced_view_ = std::make_unique<PageView>(core_.ui.advanced, page, sink_);
    PageView& v = *advanced_view_;
    auto* grid = new QGridLayout(page);

    auto* order = new QVBoxLayout;
    order->addWidget(v.widget(adv::TFF));
    order->addWidget(v.widget(adv::BFF));
    grid->addWidget(group("field order", order, page), 0, 0);
    auto* scan = new QVBoxLayout;
    scan->addWidget(v.widget(adv::ZIGZAG));
    scan->addWidget(v.widget(adv::ALTERNATE));
    grid->addWidget(group("scan method", scan, page), 0, 1);
    auto* cpu = new QGridLayout;
    cpu->addWidget(v.widget(adv::CPU_AUTO), 0, 0);
    cpu->addWidget(v.widget(adv::CPU_MMX), 0, 1);
    cpu->addWidget(v.widget(adv::CPU_SSE2), 1, 0);
    cpu->addWidget(v.widget(adv::CPU_SSE3), 1, 1);
    grid->addWidget(group("CPU", cpu, page), 0, 2);

    auto* tc = new QGridLayout;
    int col = 0;
    for (int id : {adv::HOUR, adv::MIN, adv::SEC, adv::FRAME}) {
        tc->addWidget(new QLabel(QString::fromLocal8Bit(v.model().label(id).c_str()), page), 0, col);
        v.widget(id)->setMaximumWidth(40);
        tc->addWidget(v.widget(id), 1, col++);
    }
    grid->addWidget(group("time code", tc, page), 1, 0, 1, 2);

    auto* misc = new QFormLayout;
    v.widget(adv::VBR_BIAS)->setMaximumWidth(50);
    v.widget(adv::WAIT)->setMaximumWidth(50);
    form_row(misc, v, adv::VBR_BIAS);
    form_row(misc, v, adv::WAIT);
    misc->addRow(v.widget(adv::VBV_CHECK));
    misc->addRow(v.widget(adv::LAST_IFRAME));
    misc->addRow(v.widget(adv::SEQ_ENDCODE));
    grid->addWidget(group("options", misc, page), 1, 2, 2, 1);

    auto* gop = new QGridLayout;
    auto* notes = new QVBoxLayout;
    notes->setSpacing(0);
    for (int k = 0; k < 5; ++k) notes->addWidget(v.widget(9101 + k));
    notes->addStretch();
    gop->addLayout(notes, 0, 0, 5, 2);
    gop->addWidget(new QLabel("GOP length", page), 5, 0);
    v.widget(adv::GOP)->setMaximumWidth(40);
    gop->addWidget(with_spin(v, adv::GOP, adv::GOP_SPIN, page), 5, 1);
    gop->addWidget(new QLabel("B frames", page), 6, 0);
    v.widget(adv::B_FRAMES)->setMaximumWidth(40);
    gop->addWidget(with_spin(v, adv::B_FRAMES, adv::B_FRAMES_SPIN, page), 6, 1);
    grid->addWidget(group("GOP", gop, page), 2, 0, 2, 2);

    auto* cq = new QGridLayout;
    cq->addWidget(v.widget(adv::CONSTANT_QUANT), 0, 0, 1, 3);
    cq->addWidget(new QLabel("Quant value", page), 1, 0);
    v.widget(adv::QUANT_VALUE)->setMaximumWidth(60);
    cq->addWidget(v.widget(adv::QUANT_VALUE), 1, 1);
    cq->addWidget(v.widget(adv::CHECK_VBV_MAX), 2, 0, 1, 3);
    cq->addWidget(new QLabel("P-factor for Quant", page), 3, 0);
    v.widget(adv::P_FACTOR)->setMaximumWidth(50);
    cq->addWidget(with_spin(v, adv::P_FACTOR, adv::P_FACTOR_SPIN, page), 3, 1);
    cq->addWidget(new QLabel("B-factor for Quant", page), 4, 0);
    v.widget(adv::B_FACTOR)->setMaximumWidth(50);
    cq->addWidget(with_spin(v, adv::B_FACTOR, adv::B_FACTOR_SPIN, page), 4, 1);
    cq->addWidget(v.widget(9110), 3, 2, 2, 1);
    grid->addWidget(group("constant Quantization", cq, page), 3, 2);

    auto* list = new QVBoxLayout;
    auto* lw = v.as<QListWidget>(adv::QV_INI_LIST);
    lw->setMinimumWidth(lw->fontMetrics().averageCharWidth() * 34);
    list->addWidget(lw);
    grid->addWidget(group("current QV.ini", list, page), 0, 3, 4, 1);
    grid->setColumnStretch(3, 1);
    return page;
}

QWidget* MainWindow::build_matrix_page() {
    auto* page = new QWidget;
    matrix_view_ = std::make_unique<PageView>(core_.ui.matrix, page, sink_);
    PageView& v = *matrix_view_;
    auto* grid = new QGridLayout(page);

    auto* left = new QVBoxLayout;
    auto* mode = new QVBoxLayout;
    mode->addWidget(v.widget(9201));
    mode->addWidget(v.widget(9202));
    mode->addWidget(v.widget(mtx::BUILTIN));
    mode->addWidget(v.widget(mtx::COMBO));
    mode->addWidget(v.widget(mtx::CUSTOM));
    mode->addWidget(v.widget(9203));
    mode->addWidget(v.widget(9204));
    left->addWidget(group("built in matrix", mode, page));
    auto* files = new QVBoxLayout;
    for (int id : {9205, 9206, 9207, 9208}) files->addWidget(v.widget(id));
    for (int id : {mtx::LOAD, mtx::SAVE_CQM, mtx::SAVE_MTX}) files->addWidget(v.widget(id));
    left->addWidget(group("load/save", files, page));
    auto* adaptive = new QVBoxLayout;
    adaptive->addWidget(v.widget(mtx::ADAPTIVE));
    for (int id : {9211, 9212, 9213}) adaptive->addWidget(v.widget(id));
    left->addWidget(group("adaptive matrix (advanced)", adaptive, page));
    left->addStretch();
    grid->addLayout(left, 0, 0);

    auto* cells = new QHBoxLayout;
    for (int pass = 0; pass < 2; ++pass) {
        auto* g = new QGridLayout;
        g->setSpacing(2);
        for (int i = 0; i < MATRIX_CELLS; ++i) {
            QWidget* w = v.widget(pass == 0 ? mtx::intra_cell(i) : mtx::non_intra_cell(i));
            w->setFixedWidth(w->fontMetrics().horizontalAdvance("0000") + 10);
            g->addWidget(w, i / 8, i % 8);
        }
        cells->addWidget(group(pass == 0 ? "intra" : "non-intra", g, page));
    }
    v.widget(9221)->hide();
    grid->addWidget(group("current matrix", cells, page), 0, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget* MainWindow::build_preview_page() {
    preview_page_ = new PreviewPage(core_);
    QWidget* page = preview_page_;
    preview_view_ = std::make_unique<PageView>(core_.ui.preview, page, sink_);
    PageView& v = *preview_view_;
    auto* grid = new QGridLayout(page);

    auto* chapters = new QVBoxLayout;
    chapters->addWidget(v.widget(prv::IMPORT));
    chapters->addWidget(v.widget(prv::EXPORT));
    chapters->addWidget(new QLabel("chapter list", page));
    auto* list = v.as<QListWidget>(prv::CHAPTER_LIST);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    chapters->addWidget(list, 1);
    auto* edit_row = new QHBoxLayout;
    edit_row->addWidget(v.widget(prv::ADD));
    edit_row->addWidget(v.widget(prv::REMOVE));
    edit_row->addWidget(v.widget(prv::CLEAR));
    chapters->addLayout(edit_row);
    chapters->addWidget(v.widget(prv::SCAN));
    auto* chapters_box = group("chapters", chapters, page);
    chapters_box->setMaximumWidth(200);
    grid->addWidget(chapters_box, 0, 0, 2, 1);
    grid->addItem(new QSpacerItem(10, 10, QSizePolicy::Expanding, QSizePolicy::Expanding), 0, 1);

    auto* controls = new QHBoxLayout;
    for (int id : {prv::BACK_100, prv::BACK_10, prv::BACK_1}) {
        v.widget(id)->setMaximumWidth(40);
        controls->addWidget(v.widget(id));
    }
    controls->addWidget(new QLabel("current frame", page));
    v.widget(prv::CURRENT_FRAME)->setMaximumWidth(70);
    controls->addWidget(v.widget(prv::CURRENT_FRAME));
    for (int id : {prv::FWD_1, prv::FWD_10, prv::FWD_100}) {
        v.widget(id)->setMaximumWidth(40);
        controls->addWidget(v.widget(id));
    }
    controls->addWidget(v.widget(prv::SET_START));
    controls->addWidget(v.widget(prv::SET_END));
    auto* bottom = new QVBoxLayout;
    bottom->addWidget(v.widget(prv::SLIDER));
    bottom->addLayout(controls);
    grid->addLayout(bottom, 1, 1);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);

    core_.ui.preview.add_observer([this](PageId, int id) {
        if (id != 0 && id != prv::PREVIEW_BOX) return;
        QMetaObject::invokeMethod(preview_page_, [this] { preview_page_->draw_preview(); },
                                  Qt::AutoConnection);
    });
    return page;
}

}  // namespace qv::gui
