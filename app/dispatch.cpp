#include "app/dispatch.h"

#include "app/companion_info.h"
#include "app/encoder_launch.h"
#include "app/page_refresh.h"

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
    if (event == UiEvent::clicked && handle_companion_info_button(core, id)) return;
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
        case PageId::advanced:
        case PageId::matrix:
        case PageId::preview:
            break;
    }
}

}  // namespace qv
