#include "settings/core.h"

#include <algorithm>

namespace qv {

Core::Core() { set_initial_state(*this); }

void set_initial_state(Core& core) {
    Settings& s = core.settings;
    s.input_path.clear();
    s.output_path.clear();
    s.log_path.clear();
    s.qv_ini_path.clear();
    s.user_ini_path.clear();
    s.chapter_file_path.clear();
    s.matrix_file_path.clear();
    s.input_exists = s.input_opened = s.input_valid = s.output_set = s.log_set = false;
    s.output_chosen = false;
    s.ini_write_ok = false;
    s.d2v_problem = 0;
    s.seen.fill(false);
    s.chapter_count = 0;
    std::fill(s.chapters.begin(), s.chapters.end(), 0);
    s.frames_to_encode = 0;
    s.start_frame_value = -1;
    s.end_frame_value = -1;
    s.builtin_matrix = 1;
    core.source = SourceState{};
    core.scan_running = false;
    core.ui.preview.set_range(prv::SLIDER, 0, prv::SLIDER_MAX);
}

void reset_to_defaults(Core& core) {
    Settings& s = core.settings;
    Ui& ui = core.ui;

    // 1. encode needs an opened input and a chosen output.
    ui.window.set_enabled(win::ENCODE, s.input_opened && s.output_chosen);

    // 2. files
    ui.main.set_enabled(mainp::INPUT, true);
    if (!s.input_valid) {
        ui.main.set_text(mainp::INPUT, INPUT_CAPTION_UNSET);
        ui.main.set_enabled(mainp::OUTPUT, false);
        ui.main.set_enabled(mainp::LOG, false);
        ui.main.set_text(mainp::OUTPUT, OUTPUT_CAPTION_UNSET);
        ui.main.set_text(mainp::LOG, LOG_CAPTION_UNSET);
    } else {
        ui.main.set_enabled(mainp::OUTPUT, true);
        ui.main.set_enabled(mainp::LOG, true);
    }

    // 3. settings-file buttons
    for (int id : {mainp::LOAD_INI, mainp::SAVE_INI, mainp::LOAD_QV_INI, mainp::SAVE_QV_INI})
        ui.main.set_enabled(id, true);

    // 4. bitrate
    ui.main.set_enabled(mainp::AVERAGE_BITRATE, s.input_opened);
    ui.main.set_enabled(mainp::FILE_LENGTH, s.input_opened);
    ui.main.set_enabled(mainp::AVG_KBPS, s.input_opened);
    ui.main.set_enabled(mainp::MAX_KBPS, false);
    ui.main.set_enabled(mainp::FILE_LENGTH_KB, false);
    s.max_bitrate_enabled = false;
    s.bitrate_mode = BitrateMode::average_bitrate;
    s.avg_bitrate = "4000";
    s.max_bitrate = "8000";
    s.avg_bitrate_value = 4000;
    s.max_bitrate_value = 8000;

    // 5. profile, aspect ratio, dc precision
    s.profile = Profile::normal;
    s.aspect_ratio = AspectRatio::sixteen_nine;
    s.dc_precision = 9;
    for (int id : {mainp::FAST, mainp::NORMAL, mainp::BEST, mainp::AR_1_1, mainp::AR_4_3,
                   mainp::AR_16_9, mainp::AR_2_21, mainp::DC8, mainp::DC9, mainp::DC10, mainp::DC11})
        ui.main.set_enabled(id, true);

    // 6. switches
    s.scene_change = true;
    s.auto_gop = true;
    s.closed_gops = false;
    s.preview = false;
    s.interlaced = false;
    ui.main.set_enabled(mainp::INTERLACED, true);
    s.pulldown = false;
    s.shutdown = false;
    ui.main.set_enabled(mainp::RESET, true);
    ui.main.set_enabled(mainp::MAKE_DVD, true);

    // 7. Advanced page
    PageModel& a = ui.advanced;
    s.field_order = FieldOrder::bottom_first;
    a.set_enabled(adv::TFF, false);
    a.set_enabled(adv::BFF, false);
    s.scan_method = ScanMethod::zigzag;
    a.set_enabled(adv::ZIGZAG, true);
    a.set_enabled(adv::ALTERNATE, true);
    s.constant_quant = false;
    s.cq_value = "5.000";
    a.set_enabled(adv::QUANT_VALUE, false);
    s.cq_max_bitrate = false;
    a.set_enabled(adv::CHECK_VBV_MAX, false);
    s.cq_p_factor = "1.00";
    s.cq_b_factor = "1.00";
    for (int id : {adv::P_FACTOR, adv::P_FACTOR_SPIN, adv::B_FACTOR, adv::B_FACTOR_SPIN})
        a.set_enabled(id, false);
    a.set_range(adv::P_FACTOR_SPIN, 1, CQ_FACTOR_POSITIONS);
    a.set_position(adv::P_FACTOR_SPIN, CQ_FACTOR_DEFAULT_POSITION);
    a.set_range(adv::B_FACTOR_SPIN, 1, CQ_FACTOR_POSITIONS);
    a.set_position(adv::B_FACTOR_SPIN, CQ_FACTOR_DEFAULT_POSITION);
    s.timecode_hours = s.timecode_minutes = s.timecode_seconds = s.timecode_frames = "0";
    s.vbr_bias = "0";
    a.set_enabled(adv::VBR_BIAS, true);
    s.wait_seconds = "5";
    s.seq_endcode = true;
    s.last_iframe = false;
    s.vbv_check = true;
    s.gop_length = "15";
    s.b_frames = "2";
    for (int id : {adv::GOP, adv::GOP_SPIN, adv::B_FRAMES, adv::B_FRAMES_SPIN})
        a.set_enabled(id, false);
    a.set_range(adv::GOP_SPIN, 1, 36);
    a.set_position(adv::GOP_SPIN, 15);
    a.set_range(adv::B_FRAMES_SPIN, 0, 2);
    a.set_position(adv::B_FRAMES_SPIN, 2);
    s.cpu = Cpu::automatic;

    // 8. Matrix page
    PageModel& m = ui.matrix;
    s.adaptive_matrix = false;
    s.matrix_mode = MatrixMode::builtin;
    m.set_enabled(mtx::BUILTIN, true);
    m.set_enabled(mtx::COMBO, true);
    m.set_text(mtx::COMBO, "MPEG");
    m.set_selection(mtx::COMBO, 0);
    m.set_enabled(mtx::LOAD, false);
    m.set_enabled(mtx::SAVE_CQM, false);
    m.set_enabled(mtx::SAVE_MTX, false);
    // Built-in mode: the grid only shows the chosen pair.
    for (int i = 0; i < MATRIX_CELLS; ++i) {
        m.set_enabled(mtx::intra_cell(i), false);
        m.set_enabled(mtx::non_intra_cell(i), false);
    }
    s.builtin_matrix = 1;

    // 9. Preview page: the slider keeps its range and goes to 0.
    ui.preview.set_range(prv::SLIDER, 0, ui.preview.maximum(prv::SLIDER));
    ui.preview.set_position(prv::SLIDER, 0);

    // 10. matrix cells and movie information
    if (core.hooks.show_selected_matrix) core.hooks.show_selected_matrix(core);
    if (core.hooks.show_movie_info) core.hooks.show_movie_info(core);

    ui.notify_all();
}

void update_bitrate_enabling(Core& core) {
    Settings& s = core.settings;
    PageModel& mp = core.ui.main;
    PageModel& a = core.ui.advanced;
    if (s.input_opened) {
        if (s.constant_quant) {
            a.set_enabled(adv::QUANT_VALUE, true);
            a.set_enabled(adv::CHECK_VBV_MAX, true);
            mp.set_enabled(mainp::AVERAGE_BITRATE, false);
            mp.set_enabled(mainp::FILE_LENGTH, false);
            mp.set_enabled(mainp::FILE_LENGTH_KB, false);
            mp.set_enabled(mainp::AVG_KBPS, false);
            s.max_bitrate_enabled = s.cq_max_bitrate;
        } else {
            s.bitrate_mode = BitrateMode::average_bitrate;
            mp.set_enabled(mainp::AVERAGE_BITRATE, true);
            mp.set_enabled(mainp::FILE_LENGTH, true);
            mp.set_enabled(mainp::AVG_KBPS, true);
            s.max_bitrate_enabled = true;
            mp.set_enabled(mainp::FILE_LENGTH_KB, false);
        }
        mp.set_enabled(mainp::START_FRAME, true);
        mp.set_enabled(mainp::END_FRAME, true);
    } else {
        for (int id : {mainp::AVERAGE_BITRATE, mainp::FILE_LENGTH, mainp::FILE_LENGTH_KB,
                       mainp::AVG_KBPS, mainp::START_FRAME, mainp::END_FRAME})
            mp.set_enabled(id, false);
        s.max_bitrate_enabled = false;
    }
    mp.set_enabled(mainp::MAX_KBPS, s.max_bitrate_enabled);
    mp.notify_all();
}

}  // namespace qv
