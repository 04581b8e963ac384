// A program state as after start-up, driven the way the window drives it: the view stores the
// control's new value in the model, then hands the event to the router.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dispatch.h"
#include "app/page_refresh.h"
#include "app/wiring.h"
#include "settings/core.h"
#include "sources/source_properties.h"

namespace qv {

class PageTest : public ::testing::Test {
protected:
    PageTest() {
        wire_hooks(core);
        core.shell = &shell;
        reset_to_defaults(core);
        refresh_pages(core);
        core.message.add_observer([this] { shown.push_back(core.message.displayed_text()); });
    }

    // An opened source of `frames` frames at num/den frames per second, as a source open leaves
    // it: properties, frame range, DVD check, refreshed pages.
    void open_source(int frames, int num, int den, int width = 720, int height = 576) {
        core.settings.input_opened = true;
        core.source.width = width;
        core.source.height = height;
        core.source.frame_count = frames;
        core.source.rate_num = num;
        core.source.rate_den = den;
        apply_source_properties(core);
        check_dvd_compliance(core);
        refresh_pages(core);
        core.show(" source opened");
        shown.clear();
    }

    void click(PageId page, int id) { handle_event(core, page, id, UiEvent::clicked); }
    void check(PageId page, int id, bool on) {
        core.ui.page(page).set_checked(id, on);
        click(page, id);
    }
    void select(PageId page, int id) { check(page, id, true); }
    void type(PageId page, int id, const std::string& text) {
        core.ui.page(page).set_text(id, text);
        handle_event(core, page, id, UiEvent::text_changed);
    }
    void focus_in(PageId page, int id) { handle_event(core, page, id, UiEvent::focus_gained); }
    void focus_out(PageId page, int id) { handle_event(core, page, id, UiEvent::focus_lost); }
    // Focus in, replace the text, focus out: what a user does to a Main page entry.
    void enter(int id, const std::string& text) {
        focus_in(PageId::main, id);
        core.ui.main.set_text(id, text);
        focus_out(PageId::main, id);
    }
    void spin(PageId page, int id, int position) {
        core.ui.page(page).set_position(id, position);
        handle_event(core, page, id, UiEvent::position_changed);
    }

    std::string line() const { return core.message.displayed_text(); }
    bool was_shown(const std::string& text) const {
        for (const std::string& s : shown)
            if (s == text) return true;
        return false;
    }
    std::string main_text(int id) const { return core.ui.main.text(id); }
    std::string adv_text(int id) const { return core.ui.advanced.text(id); }

    Core core;
    ScriptedShell shell;
    std::vector<std::string> shown;  // every state of the message line, in order
};

}  // namespace qv
