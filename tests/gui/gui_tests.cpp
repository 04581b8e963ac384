// Window tests: a real click or key on a real widget reaches the program's handler, and the other
// widgets follow the models.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "gui/application.h"
#include "preview/scene_scan.h"
#include "settings/settings_writer.h"

using namespace qv;
using qv::gui::Application;

class GuiTests : public QObject {
    Q_OBJECT

private:
    // A scratch program directory with the bundled frame server and a QV.ini naming `script`.
    void start(const QString& script_text) {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QDir(dir_->path()).mkpath("frameserver");
        QVERIFY(QFile::copy(QV_PROGRAM_DIR "/frameserver/libavisynth.so",
                            dir_->filePath("frameserver/libavisynth.so")));
        if (!script_text.isEmpty()) {
            QFile script(dir_->filePath("clip.avs"));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(script_text.toUtf8());
            script.close();
            QFile ini(dir_->filePath("QV.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(("*INFILE           " + dir_->filePath("clip.avs") + "\n" +
                       "*OUTFILE          " + dir_->filePath("out.m2v") + "\n")
                          .toUtf8());
            ini.close();
        }
        app_ = std::make_unique<Application>();
        app_->start(dir_->filePath("QVgui").toStdString());
        QApplication::processEvents();
    }
    QWidget* widget(PageId page, int id) { return app_->window().view(page).widget(id); }
    template <typename T>
    T* as(PageId page, int id) {
        return qobject_cast<T*>(widget(page, id));
    }
    // A click on a check box or radio button lands on its indicator, as a person's would (the
    // middle of a wide one is outside its clickable part).
    static void click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void show_tab(int index) {
        app_->window().tabs()->tabBar()->setCurrentIndex(index);
        QApplication::processEvents();
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Application> app_;

    const QString still_with_cut_ =
        "a = BlankClip(length=40, width=352, height=288, pixel_type=\"YV12\", fps=25, color=$202020)\n"
        "b = BlankClip(length=40, width=352, height=288, pixel_type=\"YV12\", fps=25, color=$E0E0E0)\n"
        "a ++ b\n";
    const QString long_clip_ =
        "BlankClip(length=100000, width=720, height=576, pixel_type=\"YV12\", fps=25)\n";

private slots:
    void cleanup() {
        app_.reset();
        dir_.reset();
    }

    void controlsAreNamedAfterTheirLabels() {
        start({});
        QCOMPARE(widget(PageId::main, mainp::INTERLACED)->accessibleName(), QString("interlaced"));
        QCOMPARE(widget(PageId::advanced, adv::GOP)->accessibleName(), QString("GOP length"));
        QCOMPARE(widget(PageId::matrix, mtx::intra_cell(9))->accessibleName(),
                 QString("intra row 2 column 2"));
        QCOMPARE(widget(PageId::matrix, mtx::non_intra_cell(63))->accessibleName(),
                 QString("non-intra row 8 column 8"));
        QCOMPARE(widget(PageId::window, win::ENCODE)->accessibleName(), QString("encode"));
        QCOMPARE(app_->window().windowTitle(), QString("  QVgui 0.19.0.1"));
        auto* cell = as<QLineEdit>(PageId::matrix, mtx::intra_cell(5));
        QCOMPARE(cell->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QVERIFY(as<QLineEdit>(PageId::advanced, adv::P_FACTOR)->isReadOnly());
        // Digits-only entries take no letters.
        app_->core().ui.main.set_enabled(mainp::AVG_KBPS, true);
        auto* avg = as<QLineEdit>(PageId::main, mainp::AVG_KBPS);
        avg->clear();
        QTest::keyClicks(avg, "12a3");
        QCOMPARE(avg->text(), QString("123"));
    }

    void clickingInterlacedSelectsAndEnablesTff() {
        start({});
        auto* interlaced = as<QCheckBox>(PageId::main, mainp::INTERLACED);
        auto* tff = as<QRadioButton>(PageId::advanced, adv::TFF);
        QVERIFY(!tff->isEnabled());
        click(interlaced);
        QVERIFY(interlaced->isChecked());
        QVERIFY(tff->isChecked());
        QVERIFY(tff->isEnabled());
        QVERIFY(as<QRadioButton>(PageId::advanced, adv::ALTERNATE)->isChecked());
        QVERIFY(app_->window().message_label()->text().startsWith(" changing interlaced"));
        click(interlaced);
        QVERIFY(as<QRadioButton>(PageId::advanced, adv::BFF)->isChecked());
        QVERIFY(!tff->isEnabled());
    }

    void typingIntoGopLengthIsCorrected() {
        start({});
        click(as<QCheckBox>(PageId::main, mainp::AUTOGOP));
        show_tab(1);
        auto* gop = as<QLineEdit>(PageId::advanced, adv::GOP);
        QVERIFY(gop->isEnabled());
        gop->setFocus();
        gop->selectAll();
        QTest::keyClicks(gop, "99");
        QApplication::processEvents();
        QCOMPARE(gop->text(), QString("36"));
        QCOMPARE(app_->core().settings.gop_length, std::string("36"));
    }

    void leavingAMatrixCellNormalisesTheGrid() {
        start({});
        show_tab(2);
        click(as<QRadioButton>(PageId::matrix, mtx::CUSTOM));
        auto* cell = as<QLineEdit>(PageId::matrix, mtx::non_intra_cell(63));
        QVERIFY(cell->isEnabled());
        QVERIFY(!as<QLineEdit>(PageId::matrix, mtx::intra_cell(0))->isEnabled());
        cell->setFocus();
        cell->selectAll();
        QTest::keyClicks(cell, "300");
        // Leaving the cell: the focus goes to another one.
        as<QLineEdit>(PageId::matrix, mtx::non_intra_cell(62))->setFocus();
        QApplication::processEvents();
        QCOMPARE(cell->text(), QString("255"));
        QCOMPARE(app_->core().settings.custom_non_intra[63], 255);
    }

    void typedMatrixNamesReachTheModel() {
        start({});
        show_tab(2);
        auto* combo = as<QComboBox>(PageId::matrix, mtx::COMBO);
        combo->setCurrentIndex(5);  // QVLOW, chosen from the list
        emit combo->activated(5);
        QCOMPARE(app_->core().settings.builtin_matrix, 12);
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), "NOSUCH");
        QCOMPARE(app_->core().ui.matrix.text(mtx::COMBO), std::string("NOSUCH"));
        click(as<QRadioButton>(PageId::matrix, mtx::CUSTOM));
        click(as<QRadioButton>(PageId::matrix, mtx::BUILTIN));
        QCOMPARE(app_->core().settings.builtin_matrix, 1);  // an unknown name selects MPEG
        QCOMPARE(as<QLineEdit>(PageId::matrix, mtx::intra_cell(63))->text(), QString("83"));
    }

    void aTabChangeDuringAScanIsRefusedAndProgressReachesTheSlider() {
        start(long_clip_);
        QVERIFY(app_->core().settings.input_opened);
        show_tab(3);
        auto* scan = as<QPushButton>(PageId::preview, prv::SCAN);
        QVERIFY(scan->isEnabled());
        QTest::mouseClick(scan, Qt::LeftButton);
        QVERIFY(scan_running(app_->core()));
        QCOMPARE(scan->text(), QString("stop scanning"));
        auto* slider = as<QSlider>(PageId::preview, prv::SLIDER);
        QTRY_VERIFY_WITH_TIMEOUT(slider->value() > 0, 20000);
        show_tab(0);
        QCOMPARE(app_->window().tabs()->currentIndex(), 3);
        QCOMPARE(app_->window().message_label()->text(),
                 QString(" can't change tab while scene change detection scan is running"));
        QTest::mouseClick(scan, Qt::LeftButton);
        QVERIFY(!scan_running(app_->core()));
        QApplication::processEvents();
        QCOMPARE(scan->text(), QString("create SCD chapter list"));
    }

    void aScanMarksTheCutInTheChapterList() {
        start(still_with_cut_);
        show_tab(3);
        QTest::mouseClick(as<QPushButton>(PageId::preview, prv::SCAN), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!scan_running(app_->core()), 20000);
        QApplication::processEvents();
        auto* list = as<QListWidget>(PageId::preview, prv::CHAPTER_LIST);
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QString("      40"));
    }

    void saveQvIniWritesTheFile() {
        start(still_with_cut_);
        QTest::mouseClick(as<QPushButton>(PageId::main, mainp::SAVE_QV_INI), Qt::LeftButton);
        QFile written(dir_->filePath("QV.ini"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        std::string expected;
        QVERIFY(settings_file_text(app_->core(), expected));
        QCOMPARE(written.readAll().toStdString(), expected);
        QVERIFY(written.size() > 0);
        QVERIFY(app_->window().message_label()->text().contains("successfully written"));
    }

    void closingDuringAScanEndsCleanly() {
        start(long_clip_);
        show_tab(3);
        QTest::mouseClick(as<QPushButton>(PageId::preview, prv::SCAN), Qt::LeftButton);
        QVERIFY(scan_running(app_->core()));
        app_->window().close();
        QVERIFY(!scan_running(app_->core()));
        QCOMPARE(app_->window().message_label()->text(),
                 QString(" aborting scene change detection scan..."));
        app_->shut_down();
    }
};

QTEST_MAIN(GuiTests)
#include "gui_tests.moc"
