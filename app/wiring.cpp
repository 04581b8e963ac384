#include "app/wiring.h"

#include "app/movie_info.h"
#include "matrix/builtin_matrices.h"
#include "sources/input_classification.h"

namespace qv {

void wire_hooks(Core& core) {
    core.hooks.show_selected_matrix = [](Core& c) { show_selected_matrix(c); };
    core.hooks.show_movie_info = [](Core& c) { show_movie_info(c); };
    core.hooks.classify_input = [](Core& c) { classify_input(c); };
}

}  // namespace qv
