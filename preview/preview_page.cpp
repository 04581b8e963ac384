#include "preview/preview_page.h"

#include <algorithm>

#include "preview/bitmap.h"
#include "preview/chapter_list.h"
#include "preview/scene_scan.h"
#include "settings/numbers.h"
#include "settings/text.h"
#include "sources/frame_fetch.h"

namespace qv {

namespace {

// Navigation needs frames to show, and the scan owns the frame store while it runs.
bool frames_available(const Core& core) {
    return core.settings.input_opened && core.source.frame_count > 0 && !core.scan_running;
}

// The frame number in the current-frame field; false when the field holds none (empty, not a
// number, or negative: the field takes digits only).
bool field_frame(const Core& core, int32_t& frame) {
    int32_t value = 0;
    if (!read_int(core.ui.preview.text(prv::CURRENT_FRAME), value) || value < 0) return false;
    frame = value;
    return true;
}

void fetch_and_render(Core& core) {
    fetch_frame(core, core.frames->current_frame);
    render_preview(core);
}

void write_field(Core& core) {
    core.ui.preview.set_text(prv::CURRENT_FRAME, int_text(core.frames->current_frame));
}

void set_slider(Core& core) {
    core.ui.preview.set_position(
        prv::SLIDER, slider_position_for_frame(core.frames->current_frame, core.source.frame_count));
}

void show_range(Core& core) {
    Settings& s = core.settings;
    s.frames_to_encode = s.end_frame_value - s.start_frame_value + 1;
    if (core.hooks.show_movie_info) core.hooks.show_movie_info(core);
}

}  // namespace

int32_t slider_position_for_frame(int32_t frame, int32_t frame_count) {
    return scan_progress(frame, frame_count);
}

int32_t frame_for_slider_position(int32_t position, int32_t frame_count) {
    if (frame_count <= 0 || position <= 0) return 0;
    // position x (frame_count - 1) / 1000, rounded half away from zero, in exact integers.
    const int64_t scaled = static_cast<int64_t>(position) * (frame_count - 1);
    const int64_t frame = (2 * scaled + prv::SLIDER_MAX) / (2 * prv::SLIDER_MAX);
    return static_cast<int32_t>(std::min<int64_t>(frame, frame_count - 1));
}

void show_current_frame(Core& core) {
    fetch_and_render(core);
    write_field(core);
    set_slider(core);
    core.message.clear_message_display();
}

void step_frames(Core& core, int32_t delta) {
    if (!frames_available(core)) return;
    const int64_t last = core.source.frame_count - 1;
    const int64_t next = static_cast<int64_t>(core.frames->current_frame) + delta;
    core.frames->current_frame = static_cast<int32_t>(std::clamp<int64_t>(next, 0, last));
    show_current_frame(core);
}

void current_frame_typed(Core& core) {
    if (!frames_available(core)) return;
    int32_t typed = 0;
    if (read_int(core.ui.preview.text(prv::CURRENT_FRAME), typed))
        core.frames->current_frame = std::clamp(typed, 0, core.source.frame_count - 1);
    show_current_frame(core);
}

void slider_moved(Core& core) {
    if (!frames_available(core)) return;
    core.frames->current_frame =
        frame_for_slider_position(core.ui.preview.position(prv::SLIDER), core.source.frame_count);
    write_field(core);
    fetch_and_render(core);
    core.message.clear_message_display();
}

void chapter_selected(Core& core) {
    if (!frames_available(core)) return;
    const int index = core.ui.preview.selection(prv::CHAPTER_LIST);
    const Settings& s = core.settings;
    if (index < 0 || index >= s.chapter_count) return;
    // A chapter may equal frame_count (the list keeps it); the last frame stands in for it.
    const int32_t chapter = s.chapters[static_cast<std::size_t>(index) + 1];
    core.frames->current_frame = std::clamp(chapter, 0, core.source.frame_count - 1);
    show_current_frame(core);
}

void add_chapter_clicked(Core& core) {
    if (core.scan_running) return;
    int32_t frame = 0;
    if (!field_frame(core, frame)) return;
    edit_chapter_list(core, frame);
    fill_chapter_list_box(core);
    core.show(" chapter added to list");
}

void remove_chapter_clicked(Core& core) {
    if (core.scan_running) return;
    const int index = core.ui.preview.selection(prv::CHAPTER_LIST);
    if (index < 0 || index >= core.settings.chapter_count) {
        core.show(" remove chapter pressed but no chapter was selected, ignored");
        return;
    }
    edit_chapter_list(core, -(index + 1));
    fill_chapter_list_box(core);
    core.show(" chapter removed from list");
}

void clear_chapters_clicked(Core& core) {
    if (core.scan_running) return;
    clear_chapters(core);
    core.show(" chapter list cleared");
}

void set_start_frame_clicked(Core& core) {
    if (!frames_available(core)) return;
    int32_t frame = 0;
    if (!field_frame(core, frame)) return;
    Settings& s = core.settings;
    if (frame > s.end_frame_value) s.end_frame_value = frame;
    s.start_frame_value = frame;
    s.start_frame = int_text(frame);
    show_range(core);
    core.show(" current frame set as start frame");
}

void set_end_frame_clicked(Core& core) {
    if (!frames_available(core)) return;
    int32_t frame = 0;
    if (!field_frame(core, frame)) return;
    Settings& s = core.settings;
    if (frame < s.start_frame_value) s.start_frame_value = frame;
    s.end_frame_value = frame;
    s.end_frame = int_text(frame);
    show_range(core);
    core.show(" current frame set as end frame");
}

void scan_clicked(Core& core) {
    core.show(" creating a chapter list based on scene changes");
    toggle_scene_scan(core);
}

bool handle_preview_page_event(Core& core, int id, UiEvent event) {
    if (event == UiEvent::clicked) {
        switch (id) {
            case prv::BACK_1: step_frames(core, -1); return true;
            case prv::BACK_10: step_frames(core, -prv::SMALL_STEP); return true;
            case prv::BACK_100: step_frames(core, -prv::LARGE_STEP); return true;
            case prv::FWD_1: step_frames(core, 1); return true;
            case prv::FWD_10: step_frames(core, prv::SMALL_STEP); return true;
            case prv::FWD_100: step_frames(core, prv::LARGE_STEP); return true;
            case prv::ADD: add_chapter_clicked(core); return true;
            case prv::REMOVE: remove_chapter_clicked(core); return true;
            case prv::CLEAR: clear_chapters_clicked(core); return true;
            case prv::SET_START: set_start_frame_clicked(core); return true;
            case prv::SET_END: set_end_frame_clicked(core); return true;
            case prv::SCAN: scan_clicked(core); return true;
            default: return false;
        }
    }
    if (event == UiEvent::text_changed && id == prv::CURRENT_FRAME) {
        current_frame_typed(core);
        return true;
    }
    if (event == UiEvent::position_changed && id == prv::SLIDER) {
        slider_moved(core);
        return true;
    }
    if (event == UiEvent::selection_changed && id == prv::CHAPTER_LIST) {
        chapter_selected(core);
        return true;
    }
    return false;
}

}  // namespace qv
