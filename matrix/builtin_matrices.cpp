#include "matrix/builtin_matrices.h"

#include <algorithm>
#include <string>

#include "settings/pages.h"
#include "settings/text.h"

namespace qv {

namespace {

// Rows of eight, top row first.
const MatrixValues mpeg_intra = {{
      8,  16,  19,  22,  26,  27,  29,  34,
     16,  16,  22,  24,  27,  29,  34,  37,
     19,  22,  26,  27,  29,  34,  34,  38,
     22,  22,  26,  27,  29,  34,  37,  40,
     22,  26,  27,  29,  32,  35,  40,  48,
     26,  27,  29,  32,  35,  40,  48,  58,
     26,  27,  29,  34,  38,  46,  56,  69,
     27,  29,  35,  38,  46,  56,  69,  83,
}};

const MatrixValues mpeg_non_intra = {{
     16,  17,  18,  19,  20,  21,  22,  23,
     17,  18,  19,  20,  21,  22,  23,  24,
     18,  19,  20,  21,  22,  23,  24,  25,
     19,  20,  21,  22,  23,  24,  26,  27,
     20,  21,  22,  23,  25,  26,  27,  28,
     21,  22,  23,  24,  26,  27,  28,  30,
     22,  23,  24,  26,  27,  28,  30,  31,
     23,  24,  25,  27,  28,  30,  31,  33,
}};

const MatrixValues qlb_intra = {{
      8,  16,  19,  22,  26,  27,  29,  34,
     16,  16,  22,  24,  27,  29,  34,  37,
     19,  22,  26,  27,  29,  34,  37,  39,
     22,  22,  26,  27,  29,  34,  38,  42,
     22,  26,  27,  29,  32,  36,  40,  50,
     26,  27,  29,  32,  36,  40,  50,  61,
     26,  27,  29,  35,  40,  50,  59,  75,
     27,  29,  35,  40,  50,  59,  75,  89,
}};

const MatrixValues qlb_non_intra = {{
     16,  17,  18,  19,  20,  21,  22,  23,
     17,  18,  19,  20,  21,  22,  23,  25,
     18,  19,  20,  21,  22,  23,  24,  26,
     19,  20,  21,  22,  23,  24,  26,  28,
     20,  21,  22,  23,  25,  26,  28,  29,
     21,  22,  23,  24,  26,  28,  29,  31,
     22,  23,  24,  26,  28,  29,  31,  34,
     23,  24,  25,  28,  29,  31,  34,  38,
}};

const MatrixValues notch_intra = {{
      8,   9,  12,  22,  26,  27,  29,  34,
      9,  10,  14,  26,  27,  29,  34,  37,
     12,  14,  18,  27,  29,  34,  37,  38,
     22,  26,  27,  31,  36,  37,  38,  40,
     26,  27,  29,  36,  39,  38,  40,  48,
     27,  29,  34,  37,  38,  40,  48,  58,
     29,  34,  37,  38,  40,  48,  58,  69,
     34,  37,  38,  40,  48,  58,  69,  79,
}};

const MatrixValues notch_non_intra = {{
     16,  18,  20,  22,  24,  26,  28,  30,
     18,  20,  22,  24,  26,  28,  30,  32,
     20,  22,  24,  26,  28,  30,  32,  34,
     22,  24,  26,  30,  32,  32,  34,  36,
     24,  26,  28,  32,  34,  34,  36,  38,
     26,  28,  30,  32,  34,  36,  38,  40,
     28,  30,  32,  34,  36,  38,  42,  42,
     30,  32,  34,  36,  38,  40,  42,  44,
}};

const MatrixValues qv_intra = {{
      8,   9,  13,  20,  23,  27,  29,  34,
      9,  11,  16,  23,  26,  29,  34,  39,
     12,  16,  21,  25,  28,  33,  39,  45,
     15,  20,  25,  28,  33,  38,  44,  52,
     19,  24,  28,  33,  38,  43,  51,  60,
     23,  27,  32,  38,  42,  49,  58,  68,
     27,  31,  37,  42,  48,  57,  67,  77,
     30,  36,  41,  47,  55,  65,  76,  87,
}};

const MatrixValues qv_non_intra = {{
     16,  16,  18,  20,  22,  24,  27,  30,
     16,  17,  19,  22,  24,  27,  30,  34,
     18,  19,  22,  24,  27,  30,  34,  39,
     20,  22,  24,  27,  30,  34,  39,  45,
     22,  24,  27,  30,  34,  39,  45,  52,
     24,  27,  30,  34,  39,  45,  52,  60,
     27,  30,  34,  39,  45,  52,  60,  69,
     30,  34,  39,  45,  52,  60,  69,  79,
}};

const MatrixValues morva1cd_intra = {{
      8,  16,  20,  23,  27,  30,  32,  34,
     16,  16,  23,  24,  29,  31,  34,  38,
     20,  23,  27,  28,  30,  35,  38,  40,
     23,  24,  28,  29,  35,  39,  40,  44,
     27,  29,  30,  35,  39,  42,  45,  50,
     30,  31,  35,  39,  42,  46,  54,  59,
     32,  34,  38,  40,  45,  54,  62,  72,
     34,  38,  40,  44,  50,  59,  72,  84,
}};

const MatrixValues morva1cd_non_intra = {{
     17,  19,  21,  23,  25,  27,  29,  31,
     19,  21,  23,  25,  27,  28,  29,  33,
     21,  23,  25,  27,  29,  30,  32,  37,
     23,  25,  27,  30,  31,  34,  40,  45,
     25,  27,  29,  31,  38,  46,  54,  60,
     27,  28,  30,  34,  46,  58,  72,  74,
     29,  29,  32,  40,  54,  72,  90, 100,
     31,  33,  37,  45,  60,  74, 100, 124,
}};

const MatrixValues hvsgood_intra = {{
      8,  16,  16,  16,  17,  18,  21,  24,
     16,  16,  16,  16,  17,  19,  22,  25,
     16,  16,  17,  18,  20,  22,  25,  29,
     16,  16,  18,  21,  24,  27,  31,  36,
     17,  17,  20,  24,  30,  35,  41,  47,
     18,  19,  22,  27,  35,  44,  54,  65,
     21,  22,  25,  31,  41,  54,  70,  88,
     24,  25,  29,  26,  47,  65,  88, 115,
}};

const MatrixValues hvsgood_non_intra = {{
     20,  20,  20,  20,  21,  23,  26,  30,
     20,  20,  20,  20,  22,  24,  27,  32,
     20,  20,  21,  22,  24,  27,  31,  36,
     20,  20,  22,  26,  30,  34,  38,  44,
     21,  22,  24,  30,  37,  44,  51,  59,
     23,  24,  27,  34,  44,  56,  68,  81,
     26,  27,  31,  38,  51,  68,  88, 109,
     30,  32,  36,  44,  59,  81, 109, 144,
}};

const MatrixValues hvsbetter_intra = {{
      8,  16,  16,  16,  17,  18,  21,  24,
     16,  16,  16,  16,  17,  19,  22,  25,
     16,  16,  17,  18,  20,  22,  25,  29,
     16,  16,  18,  21,  24,  27,  31,  36,
     17,  17,  20,  24,  30,  35,  41,  47,
     18,  19,  22,  27,  35,  44,  54,  65,
     21,  22,  25,  31,  41,  54,  70,  88,
     24,  25,  29,  36,  47,  65,  88, 115,
}};

const MatrixValues hvsbetter_non_intra = {{
     19,  19,  19,  19,  20,  22,  25,  29,
     19,  19,  19,  19,  20,  23,  26,  30,
     19,  19,  20,  21,  23,  26,  29,  34,
     19,  19,  21,  25,  28,  32,  37,  42,
     20,  20,  23,  28,  35,  42,  48,  56,
     22,  23,  26,  32,  42,  53,  64,  77,
     25,  25,  29,  37,  48,  64,  83, 104,
     29,  30,  34,  42,  56,  77, 104, 137,
}};

const MatrixValues hvsbest_non_intra = {{
     18,  18,  18,  18,  19,  21,  23,  27,
     18,  18,  18,  18,  19,  21,  24,  29,
     18,  18,  19,  20,  22,  24,  28,  32,
     18,  18,  20,  24,  27,  30,  35,  40,
     19,  19,  22,  27,  33,  39,  46,  53,
     21,  21,  24,  30,  39,  50,  61,  73,
     23,  24,  28,  35,  46,  61,  79,  98,
     27,  29,  32,  40,  53,  73,  98, 129,
}};

const MatrixValues avamat6_intra = {{
      8,  16,  19,  22,  26,  27,  29,  34,
     16,  16,  22,  24,  27,  29,  34,  35,
     19,  22,  26,  27,  29,  34,  35,  38,
     22,  22,  26,  27,  29,  34,  35,  40,
     22,  26,  27,  29,  32,  35,  40,  48,
     26,  27,  29,  32,  35,  40,  48,  50,
     26,  27,  29,  35,  40,  48,  50,  60,
     27,  29,  35,  40,  48,  50,  60,  62,
}};

const MatrixValues avamat6_non_intra = {{
     16,  20,  24,  28,  32,  36,  40,  44,
     20,  24,  28,  32,  36,  40,  44,  48,
     24,  28,  32,  36,  40,  44,  48,  52,
     28,  32,  36,  40,  44,  48,  52,  56,
     32,  36,  40,  44,  48,  52,  56,  58,
     36,  40,  44,  48,  52,  56,  58,  60,
     40,  44,  48,  52,  56,  58,  60,  62,
     44,  48,  52,  56,  58,  60,  62,  62,
}};

const MatrixValues avamat7_intra = {{
      8,  16,  19,  22,  26,  28,  32,  38,
     16,  16,  22,  24,  28,  32,  38,  44,
     19,  22,  26,  28,  32,  38,  44,  48,
     22,  22,  26,  32,  38,  44,  48,  54,
     22,  26,  32,  38,  44,  48,  54,  64,
     26,  32,  38,  44,  48,  54,  64,  74,
     32,  38,  44,  48,  54,  64,  74,  84,
     38,  44,  48,  54,  64,  74,  84,  94,
}};

const MatrixValues avamat7_non_intra = {{
     16,  20,  24,  28,  36,  42,  46,  52,
     20,  24,  28,  36,  42,  46,  52,  58,
     24,  28,  36,  42,  46,  52,  58,  62,
     28,  36,  42,  46,  52,  58,  62,  68,
     36,  42,  46,  52,  58,  62,  68,  78,
     42,  46,  52,  58,  62,  68,  78,  88,
     46,  52,  58,  62,  68,  78,  88,  99,
     52,  58,  62,  68,  78,  88,  99,  99,
}};

const MatrixValues qvlow_intra = {{
      8,  16,  17,  18,  20,  22,  26,  32,
     16,  16,  17,  20,  22,  26,  30,  36,
     17,  17,  18,  22,  26,  30,  36,  40,
     18,  20,  22,  26,  30,  36,  40,  48,
     20,  22,  26,  30,  36,  40,  48,  56,
     22,  26,  30,  36,  40,  48,  56,  72,
     26,  30,  36,  40,  48,  56,  72,  96,
     32,  36,  40,  48,  56,  72,  96, 108,
}};

const MatrixValues qvlow_non_intra = {{
     16,  16,  17,  18,  19,  20,  22,  24,
     16,  16,  17,  19,  20,  22,  24,  26,
     17,  17,  17,  20,  22,  24,  26,  30,
     18,  19,  20,  22,  24,  26,  30,  36,
     19,  20,  22,  24,  26,  30,  36,  40,
     20,  22,  24,  26,  30,  36,  40,  48,
     22,  24,  26,  30,  36,  40,  48,  56,
     24,  26,  30,  36,  40,  48,  56,  64,
}};

}  // namespace

const std::array<BuiltinMatrix, BUILTIN_MATRIX_COUNT> builtin_matrices = {{
    {1, "MPEG", "mpeg", &mpeg_intra, &mpeg_non_intra},
    {2, "QLB", "qlb", &qlb_intra, &qlb_non_intra},
    {3, "NOTCH", "notch", &notch_intra, &notch_non_intra},
    {4, "QV", "qv", &qv_intra, &qv_non_intra},
    {5, "TERN1", "tern1", &mpeg_intra, &notch_non_intra},
    {6, "MORVA1CD", "morva1cd", &morva1cd_intra, &morva1cd_non_intra},
    {7, "HVSGOOD", "hvsgood", &hvsgood_intra, &hvsgood_non_intra},
    {8, "HVSBETTER", "hvsbetter", &hvsbetter_intra, &hvsbetter_non_intra},
    {9, "HVSBEST", "hvsbest", &hvsbetter_intra, &hvsbest_non_intra},
    {10, "AVAMAT6", "avamat6", &avamat6_intra, &avamat6_non_intra},
    {11, "AVAMAT7", "avamat7", &avamat7_intra, &avamat7_non_intra},
    {12, "QVLOW", "qvlow", &qvlow_intra, &qvlow_non_intra},
}};

const std::array<int, BUILTIN_MATRIX_COUNT> matrix_list_selectors = {1, 2, 3,  5,  4,  12,
                                                                     6, 7, 8, 9, 10, 11};

const BuiltinMatrix* builtin_matrix_for(int selector) {
    if (selector < 1 || selector > BUILTIN_MATRIX_COUNT) return nullptr;
    return &builtin_matrices[static_cast<std::size_t>(selector - 1)];
}

int matrix_selector_for_name(std::string_view text) {
    std::string name = fit(text, MATRIX_NAME_CAPACITY);
    for (const BuiltinMatrix& m : builtin_matrices)
        if (name == m.shown_name) return m.selector;
    return 1;
}

std::string_view matrix_shown_name(int selector) {
    const BuiltinMatrix* m = builtin_matrix_for(selector);
    return m ? std::string_view(m->shown_name) : std::string_view();
}

std::string_view matrix_file_name(int selector) {
    const BuiltinMatrix* m = builtin_matrix_for(selector);
    return m ? std::string_view(m->file_name) : std::string_view();
}

std::string matrix_cell_text(int32_t value) {
    // Left-aligned in a field of three; the field's trailing blanks are not kept. A value that
    // came unchecked from a file may be wider and keeps all its digits.
    return int_text(value);
}

namespace {

void limit_to_byte_range(MatrixValues& values) {
    for (int32_t& v : values) v = std::clamp<int32_t>(v, 1, 255);
}

}  // namespace

void make_custom_intra_valid(MatrixValues& intra) {
    intra[0] = 8;
    limit_to_byte_range(intra);
}

void make_custom_non_intra_valid(MatrixValues& non_intra) { limit_to_byte_range(non_intra); }

void show_selected_matrix(Core& core) {
    Settings& s = core.settings;
    if (const BuiltinMatrix* m = builtin_matrix_for(s.builtin_matrix)) {
        s.displayed_intra = *m->intra;
        s.displayed_non_intra = *m->non_intra;
    } else if (s.builtin_matrix == CUSTOM_MATRIX) {
        s.displayed_intra = s.custom_intra;
        s.displayed_non_intra = s.custom_non_intra;
    }
    make_custom_intra_valid(s.custom_intra);
    PageModel& page = core.ui.matrix;
    for (int k = 0; k < MATRIX_CELLS; ++k)
        page.set_text(mtx::intra_cell(k), matrix_cell_text(s.displayed_intra[static_cast<std::size_t>(k)]));
    make_custom_non_intra_valid(s.custom_non_intra);
    for (int k = 0; k < MATRIX_CELLS; ++k)
        page.set_text(mtx::non_intra_cell(k),
                      matrix_cell_text(s.displayed_non_intra[static_cast<std::size_t>(k)]));
}

}  // namespace qv
