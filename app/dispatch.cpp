#include "app/dispatch.h"

#include "app/advanced_page.h"
#include "app/companion_info.h"
#include "app/encoder_launch.h"
#include "app/file_commands.h"
#include "app/main_page.h"
#include "app/page_refresh.h"
#include "matrix/matrix_page.h"
#include "preview/preview_page.h"

namespace qv {

namespace {

void handle_window_event(Core& core, int id, UiEvent event) {
    if (id == win::TABS && event == UiEvent::selection_changed) {
        select_page(core, core.ui.window.selection(win::TABS));
        return;
    }
    if (event == UiEvent::clicked) handle_main_window_button(core, id);
}

void handle_main_event(Core& core, int id, UiEvent event) {
    if (event == UiEvent::clicked && handle_file_command(core, PageId::main, id)) return;
    if (event == UiEvent::clicked && handle_companion_info_button(core, id)) return;
    handle_main_page_event(core, id, event);
}

void handle_matrix_event(Core& core, int id, UiEvent event) {
    if (event == UiEvent::clicked && handle_file_command(core, PageId::matrix, id)) return;
    handle_matrix_page_event(core, id, event);
}

void handle_preview_event(Core& core, int id, UiEvent event) {
    if (event == UiEvent::clicked && handle_file_command(core, PageId::preview, id)) return;
    handle_preview_page_event(core, id, event);
}

}  // namespace

void handle_event(Core& core, PageId page, int id, UiEvent event) {
    // Each page's handler decides which of its controls and events it answers.
    switch (page) {
        case PageId::window:
            handle_window_event(core, id, event);
            break;
        case PageId::main:
            handle_main_event(core, id, event);
            break;
        case PageId::matrix:
            handle_matrix_event(core, id, event);
            break;
        case PageId::preview:
            handle_preview_event(core, id, event);
            break;
        case PageId::advanced:
            handle_advanced_page_event(core, id, event);
            break;
    }
}

}  // namespace qv
