#include "settings/settings.h"

namespace qv {

const std::array<double, 33> cq_factor_table = {
    0.0,                                            // unused
    0.5, 0.6, 0.7, 0.75, 0.8, 0.85, 0.9, 0.95,     // 1-8
    1.0, 1.05, 1.1, 1.15, 1.2, 1.25, 1.3, 1.4,     // 9-16
    1.5, 1.6, 1.7, 1.8, 1.9, 2.0, 2.2, 2.4,        // 17-24
    2.6, 2.8, 3.0, 3.2, 3.4, 3.6, 3.8, 4.0,        // 25-32
};

const MatrixValues default_intra_matrix = {
    8,  16, 19, 22, 26, 27, 29, 34,  //
    16, 16, 22, 24, 27, 29, 34, 37,  //
    19, 22, 26, 27, 29, 34, 34, 38,  //
    22, 22, 26, 27, 29, 34, 37, 40,  //
    22, 26, 27, 29, 32, 35, 40, 48,  //
    26, 27, 29, 32, 35, 40, 48, 58,  //
    26, 27, 29, 34, 38, 46, 56, 69,  //
    27, 29, 35, 38, 46, 56, 69, 83,  //
};

Settings::Settings() : chapters(MAX_CHAPTERS + 1, 0) {
    custom_intra = default_intra_matrix;
    custom_non_intra.fill(16);
}

}  // namespace qv
