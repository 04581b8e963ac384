// The Preview/Chapters page: stepping through the source, the frame on view (current_frame of
// the frame store), the encode range from that frame, and the chapter list edited by hand or by
// the scene-change scan. The two chapter-file buttons are file commands (app/file_commands.h).
#pragma once

#include <cstdint>

#include "settings/core.h"

namespace qv {

// The slider position of a frame: frame x 1000 / frame_count, rounded half away from zero.
int32_t slider_position_for_frame(int32_t frame, int32_t frame_count);
// The frame of a slider position: position / 1000 x (frame_count - 1), rounded half away from
// zero, within 0 .. frame_count - 1.
int32_t frame_for_slider_position(int32_t position, int32_t frame_count);

// Fetches and draws current_frame, writes it into the current-frame field, moves the slider to
// it and clears the message line.
void show_current_frame(Core& core);

// The page's handlers, each run after the view has set the control's value. Without an open
// source, and while a scan runs, everything but the scan button is ignored.
void step_frames(Core& core, int32_t delta);
void current_frame_typed(Core& core);
void slider_moved(Core& core);
void chapter_selected(Core& core);
void add_chapter_clicked(Core& core);
void remove_chapter_clicked(Core& core);
void clear_chapters_clicked(Core& core);
void set_start_frame_clicked(Core& core);
void set_end_frame_clicked(Core& core);
void scan_clicked(Core& core);

// Routes one event of the page (the chapter-file buttons excepted); false when the page does not
// answer that control and event.
bool handle_preview_page_event(Core& core, int id, UiEvent event);

}  // namespace qv
