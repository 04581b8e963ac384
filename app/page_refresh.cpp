#include "app/page_refresh.h"

#include "app/movie_info.h"
#include "preview/chapter_list.h"
#include "settings/settings_writer.h"
#include "settings/text.h"

namespace qv {

void refresh_pages(Core& core) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    if (s.input_valid) {
        m.set_text(mainp::INPUT, "input: " + shorten_path(s.input_path));
        m.set_enabled(mainp::OUTPUT, true);
    }
    if (s.output_set) {
        m.set_enabled(mainp::OUTPUT, true);
        m.set_text(mainp::OUTPUT, "output: " + shorten_path(s.output_path));
    }
    bool encode = s.input_opened && s.output_chosen &&
                  !(core.source.is_script && !core.source.script_library_loaded);
    core.ui.window.set_enabled(win::ENCODE, encode);
    if (s.input_valid) m.set_enabled(mainp::LOG, true);
    if (s.log_set) {
        m.set_enabled(mainp::LOG, true);
        m.set_text(mainp::LOG, "log: " + shorten_path(s.log_path));
    }
    if (s.chapter_count > 0) {
        edit_chapter_list(core, 0);
        fill_chapter_list_box(core);
    } else {
        core.ui.preview.clear_entries(prv::CHAPTER_LIST);
    }
    update_bitrate_enabling(core);
    core.ui.preview.set_position(prv::SLIDER, 0);
    show_movie_info(core);
    show_file_length(core);
}

void enable_preview_controls(Core& core) {
    PageModel& p = core.ui.preview;
    if (core.settings.input_opened && core.source.frame_count > 0) {
        for (int id : prv::SOURCE_CONTROLS) p.set_enabled(id, true);
        p.set_text(prv::CURRENT_FRAME, int_text(core.frames->current_frame));
        if (core.settings.chapter_count == 0)
            clear_chapters(core);
        else
            fill_chapter_list_box(core);
    } else {
        for (int id : prv::SOURCE_CONTROLS) p.set_enabled(id, false);
    }
}

void select_page(Core& core, int index) {
    if (core.scan_running) {
        core.ui.window.set_selection(win::TABS, 3);
        core.show(" can't change tab while scene change detection scan is running");
        return;
    }
    core.ui.window.set_selection(win::TABS, index);
    if (core.shell) core.shell->clear_focus();
    if (index == 1) render_settings_list(core);
    if (index == 3) enable_preview_controls(core);
    core.message.clear_message_display();
}

}  // namespace qv
