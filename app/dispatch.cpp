#include "app/dispatch.h"

namespace qv {

void handle_event(Core& core, PageId page, int id, UiEvent event) {
    // Each page's handler decides which of its controls and events it answers.
    switch (page) {
        case PageId::window:
        case PageId::main:
        case PageId::advanced:
        case PageId::matrix:
        case PageId::preview:
            break;
    }
    (void)core;
    (void)id;
    (void)event;
}

}  // namespace qv
