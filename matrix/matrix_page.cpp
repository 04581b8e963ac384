#include "matrix/matrix_page.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "matrix/builtin_matrices.h"
#include "settings/numbers.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr std::size_t CELL_CHARACTERS = 3;
constexpr int32_t EMPTY_CELL_VALUE = 16;
constexpr int32_t INTRA_DC = 8;

bool is_cell(int id) {
    return (id >= mtx::intra_cell(0) && id <= mtx::intra_cell(MATRIX_CELLS - 1)) ||
           (id >= mtx::non_intra_cell(0) && id <= mtx::non_intra_cell(MATRIX_CELLS - 1));
}

// One cell's value: its first three characters, blank (or unreadable, as a pasted word would
// be) meaning 16, limited to 1..255.
int32_t cell_value(std::string_view text) {
    std::string_view head = text.substr(0, std::min(text.size(), CELL_CHARACTERS));
    int32_t value = EMPTY_CELL_VALUE;
    if (!read_int(head, value)) value = EMPTY_CELL_VALUE;
    return std::clamp(value, 1, 255);
}

void enable_file_buttons(PageModel& page, bool enabled) {
    page.set_enabled(mtx::LOAD, enabled);
    page.set_enabled(mtx::SAVE_MTX, enabled);
    page.set_enabled(mtx::SAVE_CQM, enabled);
}

}  // namespace

void enable_matrix_cells(Core& core, bool enabled) {
    PageModel& page = core.ui.matrix;
    page.set_enabled(mtx::intra_cell(0), false);
    for (int k = 1; k < MATRIX_CELLS; ++k) page.set_enabled(mtx::intra_cell(k), enabled);
    for (int k = 0; k < MATRIX_CELLS; ++k) page.set_enabled(mtx::non_intra_cell(k), enabled);
}

void read_matrix_cells(Core& core) {
    Settings& s = core.settings;
    const PageModel& page = core.ui.matrix;
    s.custom_intra[0] = INTRA_DC;
    for (int k = 1; k < MATRIX_CELLS; ++k)
        s.custom_intra[static_cast<std::size_t>(k)] = cell_value(page.text(mtx::intra_cell(k)));
    for (int k = 0; k < MATRIX_CELLS; ++k)
        s.custom_non_intra[static_cast<std::size_t>(k)] = cell_value(page.text(mtx::non_intra_cell(k)));
}

void write_matrix_cells(Core& core) {
    Settings& s = core.settings;
    PageModel& page = core.ui.matrix;
    for (int k = 1; k < MATRIX_CELLS; ++k) {
        const auto i = static_cast<std::size_t>(k);
        s.displayed_intra[i] = s.custom_intra[i];
        page.set_text(mtx::intra_cell(k), matrix_cell_text(s.custom_intra[i]));
    }
    for (int k = 0; k < MATRIX_CELLS; ++k) {
        const auto i = static_cast<std::size_t>(k);
        s.displayed_non_intra[i] = s.custom_non_intra[i];
        page.set_text(mtx::non_intra_cell(k), matrix_cell_text(s.custom_non_intra[i]));
    }
}

void builtin_matrix_clicked(Core& core) {
    PageModel& page = core.ui.matrix;
    page.set_enabled(mtx::COMBO, true);
    const std::string name = page.text(mtx::COMBO);
    enable_file_buttons(page, false);
    core.settings.builtin_matrix = matrix_selector_for_name(name);
    show_selected_matrix(core);
    enable_matrix_cells(core, false);
    core.show(" built in matrix activated, just pick one of the matrices in the combo box");
}

void custom_matrix_clicked(Core& core) {
    PageModel& page = core.ui.matrix;
    page.set_enabled(mtx::COMBO, false);
    enable_file_buttons(page, true);
    core.settings.builtin_matrix = CUSTOM_MATRIX;
    show_selected_matrix(core);
    enable_matrix_cells(core, true);
    core.show(
        " custom matrix activated, load/save your favorite matrix (mtx or cqm format) or create "
        "your own matrix");
}

void matrix_list_changed(Core& core) {
    // Only the built-in mode offers the list; a programmatic change in custom mode must not
    // leave the custom pair.
    if (core.settings.matrix_mode != MatrixMode::builtin) return;
    core.settings.builtin_matrix = matrix_selector_for_name(core.ui.matrix.text(mtx::COMBO));
    show_selected_matrix(core);
    enable_matrix_cells(core, false);
}

void adaptive_matrix_clicked(Core& core) {
    if (core.ui.matrix.checked(mtx::ADAPTIVE))
        core.show(" adaptive matrix turned on, matrix.dll should be present");
    else
        core.show(" adaptive matrix turned off");
}

void matrix_cell_left(Core& core, int cell_id) {
    // Only an editable cell can lose the focus; the grid of a built-in pair is never read back
    // into the custom pair.
    if (!is_cell(cell_id) || !core.ui.matrix.enabled(cell_id) ||
        core.settings.matrix_mode != MatrixMode::custom)
        return;
    read_matrix_cells(core);
    write_matrix_cells(core);
    core.message.clear_message_display();
}

bool handle_matrix_page_event(Core& core, int id, UiEvent event) {
    if (event == UiEvent::clicked) {
        switch (id) {
            case mtx::BUILTIN: builtin_matrix_clicked(core); return true;
            case mtx::CUSTOM: custom_matrix_clicked(core); return true;
            case mtx::ADAPTIVE: adaptive_matrix_clicked(core); return true;
            default: return false;
        }
    }
    if (event == UiEvent::selection_changed && id == mtx::COMBO) {
        matrix_list_changed(core);
        return true;
    }
    if (is_cell(id)) {
        if (event == UiEvent::focus_lost) matrix_cell_left(core, id);
        // Gaining the focus does nothing.
        return event == UiEvent::focus_lost || event == UiEvent::focus_gained;
    }
    return false;
}

}  // namespace qv
