#include "app/dispatch.h"

#include <gtest/gtest.h>

#include "app/wiring.h"

namespace qv {
namespace {

// A click on a tab reaches the tab switch through the router, as the window sends it.
TEST(Dispatch, TabSelectionReachesTheTabSwitch) {
    Core core;
    wire_hooks(core);
    ScriptedShell shell;
    core.shell = &shell;
    core.show(" old text");
    core.ui.window.set_selection(win::TABS, 1);
    handle_event(core, PageId::window, win::TABS, UiEvent::selection_changed);
    EXPECT_EQ(core.message.displayed_text(), "");
    EXPECT_FALSE(core.ui.advanced.entries(adv::QV_INI_LIST).empty());

    core.scan_running = true;
    core.ui.window.set_selection(win::TABS, 0);
    handle_event(core, PageId::window, win::TABS, UiEvent::selection_changed);
    EXPECT_EQ(core.ui.window.selection(win::TABS), 3);
}

}  // namespace
}  // namespace qv
