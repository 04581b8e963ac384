// The Matrix page: built-in or custom mode, the choice of a built-in pair by name, the 128 cells
// of the custom pair and the "adaptive matrix" switch. The three file buttons are the matrix
// commands (matrix/matrix_commands.h), reached through the file commands.
#pragma once

#include "settings/core.h"

namespace qv {

// Cell 1201 (the intra DC value, always 8) is never enabled; cells 1202..1264 and 1301..1364
// follow `enabled`.
void enable_matrix_cells(Core& core, bool enabled);

// Grid -> custom pair: intra element 0 is 8; every other cell's first three characters read as a
// number (blank, or not a number at all, counts as 16), limited to 1..255.
void read_matrix_cells(Core& core);

// Custom pair -> grid: intra elements 1..63 and all 64 non-intra elements as left-aligned
// decimals (cell 1201 is not rewritten).
void write_matrix_cells(Core& core);

// The page's handlers, each run after the view has set the control's value.
void builtin_matrix_clicked(Core& core);
void custom_matrix_clicked(Core& core);
void matrix_list_changed(Core& core);
void adaptive_matrix_clicked(Core& core);
void matrix_cell_left(Core& core, int cell_id);

// Routes one event of the page (the file buttons excepted); false when the page does not answer
// that control and event.
bool handle_matrix_page_event(Core& core, int id, UiEvent event);

}  // namespace qv
