#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "app/wiring.h"
#include "matrix/builtin_matrices.h"
#include "settings/core.h"
#include "settings/pages.h"

namespace qv {
namespace {

int64_t weighted_sum(const MatrixValues& v) {
    int64_t sum = 0;
    for (std::size_t k = 0; k < v.size(); ++k) sum += static_cast<int64_t>(k + 1) * v[k];
    return sum;
}

// Plain and position-weighted sums of every table, worked out by hand from the published values:
// a changed, missing or transposed value changes one of them.
TEST(BuiltinMatrices, TablesNamesAndValues) {
    struct Row {
        int selector;
        const char* shown;
        const char* file;
        int64_t intra_sum, intra_weighted, non_intra_sum, non_intra_weighted;
    };
    const Row rows[] = {
        {1, "MPEG", "mpeg", 2114, 79036, 1499, 52259},
        {2, "QLB", "qlb", 2167, 81812, 1524, 53573},
        {3, "NOTCH", "notch", 2169, 83178, 1930, 68818},
        {4, "QV", "qv", 2280, 89219, 2164, 82957},
        {5, "TERN1", "tern1", 2114, 79036, 1930, 68818},
        {6, "MORVA1CD", "morva1cd", 2335, 88339, 2505, 98868},
        {7, "HVSGOOD", "hvsgood", 1921, 77822, 2418, 97809},
        {8, "HVSBETTER", "hvsbetter", 1931, 78422, 2296, 92859},
        {9, "HVSBEST", "hvsbest", 1931, 78422, 2172, 87861},
        {10, "AVAMAT6", "avamat6", 2061, 75972, 2774, 101198},
        {11, "AVAMAT7", "avamat7", 2598, 101024, 3401, 128951},
        {12, "QVLOW", "qvlow", 2288, 91541, 1749, 66090},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.shown);
        const BuiltinMatrix* m = builtin_matrix_for(r.selector);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->selector, r.selector);
        EXPECT_EQ(matrix_shown_name(r.selector), r.shown);
        EXPECT_EQ(matrix_file_name(r.selector), r.file);
        EXPECT_EQ(matrix_selector_for_name(r.shown), r.selector);
        EXPECT_EQ((*m->intra)[0], 8);
        EXPECT_EQ(std::accumulate(m->intra->begin(), m->intra->end(), int64_t{0}), r.intra_sum);
        EXPECT_EQ(weighted_sum(*m->intra), r.intra_weighted);
        EXPECT_EQ(std::accumulate(m->non_intra->begin(), m->non_intra->end(), int64_t{0}),
                  r.non_intra_sum);
        EXPECT_EQ(weighted_sum(*m->non_intra), r.non_intra_weighted);
    }
    EXPECT_EQ(*builtin_matrix_for(1)->intra, default_intra_matrix);
    for (int selector : {0, 13, 99, -1}) {
        EXPECT_EQ(builtin_matrix_for(selector), nullptr);
        EXPECT_EQ(matrix_shown_name(selector), "");
        EXPECT_EQ(matrix_file_name(selector), "");
    }
}

TEST(BuiltinMatrices, ListOrderIsNotSelectorOrder) {
    for (std::size_t i = 0; i < matrix_list_selectors.size(); ++i)
        EXPECT_EQ(matrix_shown_name(matrix_list_selectors[i]), MATRIX_LIST_NAMES[i]) << i;
    EXPECT_EQ(matrix_list_selectors[3], 5);   // TERN1 before QV
    EXPECT_EQ(matrix_list_selectors[5], 12);  // QVLOW sixth
}

TEST(BuiltinMatrices, SelectorForComboText) {
    const std::pair<std::string, int> cases[] = {
        {"", 1},           {"mpeg", 1},          {"Qvlow", 1},   {"NOSUCH", 1},
        {"QVLOW", 12},     {"HVSBEST   ", 9},    {"TERN1", 5},   {" QV", 1},
        {"AVAMAT7", 11},   {"QV", 4},
        // Only the first 20 characters count.
        {"NOTCH" + std::string(15, ' ') + "junk", 3},
        {"NOTCH" + std::string(14, ' ') + "junk", 1},
    };
    for (const auto& [text, selector] : cases) EXPECT_EQ(matrix_selector_for_name(text), selector) << '"' << text << '"';
}

std::string intra_cell(Core& core, int k) { return core.ui.matrix.text(mtx::intra_cell(k)); }
std::string non_intra_cell(Core& core, int k) { return core.ui.matrix.text(mtx::non_intra_cell(k)); }

TEST(ShowSelectedMatrix, BuiltinPairsInTheCells) {
    Core core;
    core.settings.builtin_matrix = 1;
    show_selected_matrix(core);
    EXPECT_EQ(intra_cell(core, 0), "8");
    EXPECT_EQ(intra_cell(core, 63), "83");
    EXPECT_EQ(non_intra_cell(core, 0), "16");
    EXPECT_EQ(non_intra_cell(core, 63), "33");
    EXPECT_EQ(core.settings.displayed_intra, default_intra_matrix);

    core.settings.builtin_matrix = 5;  // TERN1: MPEG intra, NOTCH non-intra
    show_selected_matrix(core);
    EXPECT_EQ(core.settings.displayed_intra, *builtin_matrix_for(1)->intra);
    EXPECT_EQ(core.settings.displayed_non_intra, *builtin_matrix_for(3)->non_intra);
    EXPECT_EQ(non_intra_cell(core, 63), "44");

    for (int selector : {7, 8, 9}) {
        core.settings.builtin_matrix = selector;
        show_selected_matrix(core);
        EXPECT_EQ(core.ui.matrix.text(1260), selector == 7 ? "26" : "36") << selector;
    }

    core.settings.builtin_matrix = 12;  // QVLOW
    show_selected_matrix(core);
    const char* first_row[] = {"8", "16", "17", "18", "20", "22", "26", "32"};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(intra_cell(core, k), first_row[k]);

    // A selector that names nothing keeps what is shown.
    core.settings.builtin_matrix = 42;
    show_selected_matrix(core);
    EXPECT_EQ(intra_cell(core, 1), "16");
    EXPECT_EQ(core.settings.displayed_non_intra, *builtin_matrix_for(12)->non_intra);
}

TEST(ShowSelectedMatrix, CustomPairIsShownAsItCameThenCorrected) {
    Core core;
    Settings& s = core.settings;
    s.custom_intra[0] = 3;
    s.custom_intra[5] = 0;
    s.custom_intra[63] = 300;
    s.custom_non_intra[0] = -7;
    s.custom_non_intra[1] = 256;
    s.custom_non_intra[2] = 1;
    s.custom_non_intra[3] = 255;
    s.builtin_matrix = CUSTOM_MATRIX;
    show_selected_matrix(core);

    // The cells show the pair as it was before this call ...
    EXPECT_EQ(intra_cell(core, 0), "3");
    EXPECT_EQ(intra_cell(core, 5), "0");
    EXPECT_EQ(intra_cell(core, 63), "300");
    EXPECT_EQ(non_intra_cell(core, 0), "-7");
    // ... and the custom pair is valid afterwards.
    EXPECT_EQ(s.custom_intra[0], 8);
    EXPECT_EQ(s.custom_intra[5], 1);
    EXPECT_EQ(s.custom_intra[63], 255);
    EXPECT_EQ(s.custom_intra[1], 16);
    EXPECT_EQ(s.custom_non_intra[0], 1);
    EXPECT_EQ(s.custom_non_intra[1], 255);
    EXPECT_EQ(s.custom_non_intra[2], 1);
    EXPECT_EQ(s.custom_non_intra[3], 255);

    // The next show presents the corrected values.
    show_selected_matrix(core);
    EXPECT_EQ(intra_cell(core, 0), "8");
    EXPECT_EQ(intra_cell(core, 63), "255");
    EXPECT_EQ(non_intra_cell(core, 0), "1");

    // Showing a built-in pair corrects the custom pair too, but never copies into it.
    s.custom_intra[7] = 1000;
    s.builtin_matrix = 2;
    show_selected_matrix(core);
    EXPECT_EQ(s.custom_intra[7], 255);
    EXPECT_EQ(s.custom_non_intra[4], 16);
}

TEST(ShowSelectedMatrix, WiredIntoTheResetToDefaults) {
    Core core;
    wire_hooks(core);
    ASSERT_TRUE(core.hooks.show_selected_matrix);
    core.settings.builtin_matrix = 12;
    show_selected_matrix(core);
    EXPECT_EQ(intra_cell(core, 2), "17");
    reset_to_defaults(core);  // back to MPEG, shown through the hook
    EXPECT_EQ(intra_cell(core, 2), "19");
    EXPECT_EQ(non_intra_cell(core, 63), "33");
}

}  // namespace
}  // namespace qv
