// The Matrix page through handle_event: the view sets a control's value, then the router calls
// the page's handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dispatch.h"
#include "app/wiring.h"
#include "matrix/builtin_matrices.h"
#include "matrix/matrix_commands.h"
#include "matrix/matrix_page.h"
#include "settings/core.h"
#include "tests/platform/test_dir.h"

namespace qv {
namespace {

const std::string BUILTIN_MESSAGE =
    " built in matrix activated, just pick one of the matrices in the combo box";
const std::string CUSTOM_MESSAGE =
    " custom matrix activated, load/save your favorite matrix (mtx or cqm format) or create your "
    "own matrix";

class MatrixPage : public ::testing::Test {
protected:
    MatrixPage() {
        wire_hooks(core);
        core.shell = &shell;
        core.env.matrix_dir = dir.path() + "/";
        reset_to_defaults(core);
    }

    void event(int id, UiEvent e) { handle_event(core, PageId::matrix, id, e); }
    void click_radio(int id) {
        page().set_checked(id, true);
        event(id, UiEvent::clicked);
    }
    void pick(const std::string& name) {
        page().set_text(mtx::COMBO, name);
        for (int i = 0; i < 12; ++i)
            if (name == MATRIX_LIST_NAMES[i]) page().set_selection(mtx::COMBO, i);
        event(mtx::COMBO, UiEvent::selection_changed);
    }
    // The user types into a cell and moves on.
    void type_cell(int id, const std::string& text) {
        event(id, UiEvent::focus_gained);
        page().set_text(id, text);
        event(id, UiEvent::focus_lost);
    }
    std::vector<std::string> intra_row(int row) {
        std::vector<std::string> cells;
        for (int k = 0; k < 8; ++k) cells.push_back(page().text(mtx::intra_cell(row * 8 + k)));
        return cells;
    }
    PageModel& page() { return core.ui.matrix; }
    void expect_cells_enabled(bool enabled) {
        EXPECT_FALSE(page().enabled(mtx::intra_cell(0)));
        for (int k = 1; k < MATRIX_CELLS; ++k) EXPECT_EQ(page().enabled(mtx::intra_cell(k)), enabled) << k;
        for (int k = 0; k < MATRIX_CELLS; ++k)
            EXPECT_EQ(page().enabled(mtx::non_intra_cell(k)), enabled) << k;
    }
    void expect_buttons_enabled(bool enabled) {
        for (int id : {mtx::LOAD, mtx::SAVE_CQM, mtx::SAVE_MTX}) EXPECT_EQ(page().enabled(id), enabled) << id;
        EXPECT_EQ(page().enabled(mtx::COMBO), !enabled);
    }

    qv_test::TempDir dir;
    Core core;
    ScriptedShell shell;
};

TEST_F(MatrixPage, ListChoiceShowsThePairWithoutAMessage) {
    core.show(" earlier text");
    pick("QVLOW");
    EXPECT_EQ(core.settings.builtin_matrix, 12);
    EXPECT_EQ(intra_row(0), (std::vector<std::string>{"8", "16", "17", "18", "20", "22", "26", "32"}));
    EXPECT_EQ(page().text(mtx::non_intra_cell(63)), "64");
    expect_cells_enabled(false);
    EXPECT_EQ(core.message.displayed_text(), " earlier text");

    // The list order is not the selector order.
    pick("TERN1");
    EXPECT_EQ(core.settings.builtin_matrix, 5);
    pick("HVSGOOD");
    EXPECT_EQ(core.settings.builtin_matrix, 7);
    EXPECT_EQ(page().text(mtx::intra_cell(59)), "26");
}

TEST_F(MatrixPage, UnknownNameThenBuiltInModeSelectsMpeg) {
    pick("QV");
    click_radio(mtx::CUSTOM);
    page().set_text(mtx::COMBO, "NOSUCH");
    click_radio(mtx::BUILTIN);
    EXPECT_EQ(core.settings.builtin_matrix, 1);
    EXPECT_EQ(core.settings.matrix_mode, MatrixMode::builtin);
    EXPECT_EQ(page().text(mtx::intra_cell(63)), "83");
    EXPECT_EQ(page().text(mtx::non_intra_cell(0)), "16");
    EXPECT_EQ(page().text(mtx::non_intra_cell(63)), "33");
    expect_cells_enabled(false);
    expect_buttons_enabled(false);
    EXPECT_EQ(core.message.message_text(), BUILTIN_MESSAGE);

    // A known name typed into the list's text is taken by the radio.
    page().set_text(mtx::COMBO, "AVAMAT7");
    click_radio(mtx::BUILTIN);
    EXPECT_EQ(core.settings.builtin_matrix, 11);
    EXPECT_EQ(page().text(mtx::non_intra_cell(63)), "99");
}

TEST_F(MatrixPage, CustomModeShowsTheCustomPairAsLastLeft) {
    pick("HVSBEST");
    click_radio(mtx::CUSTOM);
    EXPECT_EQ(core.settings.builtin_matrix, CUSTOM_MATRIX);
    // Initially the MPEG intra values and 16 everywhere in the non-intra grid.
    EXPECT_EQ(intra_row(0), (std::vector<std::string>{"8", "16", "19", "22", "26", "27", "29", "34"}));
    for (int k = 0; k < MATRIX_CELLS; ++k) EXPECT_EQ(page().text(mtx::non_intra_cell(k)), "16") << k;
    expect_cells_enabled(true);
    expect_buttons_enabled(true);
    EXPECT_EQ(page().text(mtx::COMBO), "HVSBEST");  // the list keeps its text
    EXPECT_EQ(core.message.message_text(), CUSTOM_MESSAGE);

    // Edits survive a visit to a built-in pair; the built-in pair is never copied in.
    type_cell(mtx::intra_cell(1), "99");
    click_radio(mtx::BUILTIN);
    EXPECT_EQ(page().text(mtx::intra_cell(1)), "16");  // HVSBEST shows its own
    pick("QLB");
    click_radio(mtx::CUSTOM);
    EXPECT_EQ(page().text(mtx::intra_cell(1)), "99");
    EXPECT_EQ(page().text(mtx::intra_cell(2)), "19");
    EXPECT_EQ(core.settings.custom_intra[1], 99);
}

TEST_F(MatrixPage, LeavingACellNormalisesTheWholeGrid) {
    click_radio(mtx::CUSTOM);
    core.show(" kept for later appends");
    // Texts the cells may end up with (pasted ones included) and what leaving a cell makes of them.
    const struct {
        int cell;
        std::string typed;
        std::string shown;
    } cases[] = {
        {mtx::non_intra_cell(63), "", "16"},   {mtx::intra_cell(1), "300", "255"},
        {mtx::intra_cell(2), "0", "1"},        {mtx::intra_cell(3), "   ", "16"},
        {mtx::intra_cell(4), "abc", "16"},     {mtx::intra_cell(5), "12x", "16"},
        {mtx::intra_cell(6), "1234", "123"},   {mtx::non_intra_cell(0), "-7", "1"},
        {mtx::non_intra_cell(1), " 42", "42"}, {mtx::non_intra_cell(2), "255", "255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        type_cell(c.cell, c.typed);
        EXPECT_EQ(page().text(c.cell), c.shown);
        EXPECT_EQ(core.message.displayed_text(), "");
    }
    EXPECT_EQ(core.message.message_text(), " kept for later appends");
    EXPECT_EQ(core.settings.custom_non_intra[63], 16);
    EXPECT_EQ(core.settings.custom_intra[1], 255);
    EXPECT_EQ(core.settings.custom_intra[6], 123);

    // Another cell's junk, left there by a paste, is corrected when any cell is left.
    page().set_text(mtx::non_intra_cell(10), "999");
    type_cell(mtx::non_intra_cell(20), "20");
    EXPECT_EQ(page().text(mtx::non_intra_cell(10)), "255");

    // The intra DC cell is never enabled, never read and always 8.
    EXPECT_FALSE(page().enabled(mtx::intra_cell(0)));
    EXPECT_EQ(page().text(mtx::intra_cell(0)), "8");
    page().set_text(mtx::intra_cell(0), "77");
    type_cell(mtx::intra_cell(7), "5");
    EXPECT_EQ(core.settings.custom_intra[0], 8);
}

TEST_F(MatrixPage, CellsOfABuiltInPairAreNeverReadBack) {
    pick("NOTCH");
    const MatrixValues before = core.settings.custom_intra;
    type_cell(mtx::intra_cell(5), "3");  // a cell that cannot have the focus: nothing happens
    EXPECT_EQ(core.settings.custom_intra, before);
    EXPECT_EQ(core.settings.builtin_matrix, 3);
}

TEST_F(MatrixPage, AdaptiveMatrixReportsItsState) {
    page().set_checked(mtx::ADAPTIVE, true);
    event(mtx::ADAPTIVE, UiEvent::clicked);
    EXPECT_TRUE(core.settings.adaptive_matrix);
    EXPECT_EQ(core.message.message_text(), " adaptive matrix turned on, matrix.dll should be present");
    page().set_checked(mtx::ADAPTIVE, false);
    event(mtx::ADAPTIVE, UiEvent::clicked);
    EXPECT_EQ(core.message.message_text(), " adaptive matrix turned off");
}

TEST_F(MatrixPage, FileButtonsRunTheMatrixCommands) {
    click_radio(mtx::CUSTOM);
    type_cell(mtx::intra_cell(1), "77");
    const std::string file = dir / "mine.mtx";
    shell.file_answers.push_back(file);
    event(mtx::SAVE_MTX, UiEvent::clicked);
    ASSERT_EQ(shell.file_requests.size(), 1u);
    EXPECT_EQ(shell.file_requests[0].title, "export matrix file as mtx");
    EXPECT_EQ(core.message.message_text(), " matrix file successfully written");

    // Changed on the page, then loaded back from the file.
    type_cell(mtx::intra_cell(1), "5");
    shell.file_answers.push_back(file);
    event(mtx::LOAD, UiEvent::clicked);
    ASSERT_EQ(shell.file_requests.size(), 2u);
    EXPECT_EQ(shell.file_requests[1], load_matrix_dialog(core));
    EXPECT_EQ(core.message.message_text(), " matrix file successfully read");
    EXPECT_EQ(page().text(mtx::intra_cell(1)), "77");

    // A cancelled dialog shows nothing and keeps the pair.
    core.show(" before");
    event(mtx::SAVE_CQM, UiEvent::clicked);
    EXPECT_EQ(shell.file_requests.back(), save_matrix_cqm_dialog());
    EXPECT_EQ(core.message.message_text(), " before");
    EXPECT_EQ(core.settings.custom_intra[1], 77);
}

}  // namespace
}  // namespace qv
