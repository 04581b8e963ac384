// The twelve quantization matrix pairs the encoder knows by name, the names that go with them, and
// the operation that shows the selected pair in the 128 cells of the Matrix page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/core.h"
#include "settings/settings.h"

namespace qv {

inline constexpr int BUILTIN_MATRIX_COUNT = 12;
// The longest combo text that is compared with the names.
inline constexpr std::size_t MATRIX_NAME_CAPACITY = 20;

// One built-in pair. Both arrays are in raster order (element 0 is the DC coefficient).
struct BuiltinMatrix {
    int selector;              // 1..12
    const char* shown_name;    // as in the Matrix page's list, upper case
    const char* file_name;     // as written after *MATRIX, lower case
    const MatrixValues* intra;
    const MatrixValues* non_intra;
};

// Indexed by selector - 1.
extern const std::array<BuiltinMatrix, BUILTIN_MATRIX_COUNT> builtin_matrices;

// The selectors in the order of the Matrix page's list (MPEG, QLB, NOTCH, TERN1, QV, QVLOW, ...),
// which is not the selector order.
extern const std::array<int, BUILTIN_MATRIX_COUNT> matrix_list_selectors;

// The built-in pair of a selector, or nullptr for anything but 1..12.
const BuiltinMatrix* builtin_matrix_for(int selector);

// The selector of a combo text: its first 20 characters without trailing blanks, compared exactly
// (case matters) with the twelve shown names. A text that names none selects MPEG (1).
int matrix_selector_for_name(std::string_view text);

// The upper-case name shown in the page, and the lower-case name of the settings file, for a
// selector 1..12; empty for any other selector (the custom pair has no name).
std::string_view matrix_shown_name(int selector);
std::string_view matrix_file_name(int selector);

// The text of one matrix cell: the value as left-aligned decimal.
std::string matrix_cell_text(int32_t value);

// Shows the selected pair: copies the selected built-in pair (1..12) or the custom pair (99) into
// the shown pair (any other selector keeps the shown pair), makes the custom pair valid (intra
// DC 8, every value 1..255) and writes the 128 cell texts of the Matrix page. The shown pair is
// copied before the custom pair is corrected, so it shows the custom values as they came.
void show_selected_matrix(Core& core);

// Intra DC 8 and every value brought into 1..255.
void make_custom_intra_valid(MatrixValues& intra);
void make_custom_non_intra_valid(MatrixValues& non_intra);

}  // namespace qv
