#include "app/main_page.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/movie_info.h"
#include "settings/numbers.h"
#include "settings/text.h"
#include "sources/source_properties.h"

namespace qv {

namespace {

int32_t clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A real cut toward zero to a 32-bit integer (saturating).
int32_t truncate32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Reads an entry as one integer into `value`; a text that does not read keeps `value`.
void read_entry(const std::string& text, int32_t& value) {
    int32_t v = 0;
    if (read_int(text, v)) value = v;
}

void write_entry(PageModel& page, int id, int32_t value) { page.set_text(id, int_text(value)); }

// Progressive encoding: bottom field first, both field-order radios unusable, zigzag scan.
void progressive_scan(Core& core) {
    PageModel& a = core.ui.advanced;
    a.set_enabled(adv::TFF, false);
    a.set_checked(adv::BFF, true);
    a.set_enabled(adv::BFF, false);
    a.set_checked(adv::ZIGZAG, true);
}

// "interlaced" unchecked and made usable or not, with the progressive field order and scan.
void interlaced_off(Core& core, bool usable) {
    core.ui.main.set_checked(mainp::INTERLACED, false);
    core.ui.main.set_enabled(mainp::INTERLACED, usable);
    progressive_scan(core);
}

// ---- bitrate ----

void bitrate_mode_clicked(Core& core, int id) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    if (id == mainp::AVERAGE_BITRATE && s.bitrate_mode == BitrateMode::average_bitrate) {
        core.show(" please set average and maximum bitrate");
        m.set_enabled(mainp::FILE_LENGTH_KB, false);
        m.set_enabled(mainp::AVG_KBPS, true);
    } else if (id == mainp::FILE_LENGTH && s.bitrate_mode == BitrateMode::file_length) {
        core.show(" please set file length and maximum bitrate");
        m.set_enabled(mainp::FILE_LENGTH_KB, true);
        m.set_enabled(mainp::AVG_KBPS, false);
    } else {
        return;
    }
    m.set_enabled(mainp::MAX_KBPS, true);
    s.max_bitrate_enabled = true;
}

void file_length_lost(Core& core) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    read_entry(s.file_length_kb, s.file_length_kb_value);
    if (s.file_length_kb_value < 1) s.file_length_kb_value = 1;
    write_entry(m, mainp::FILE_LENGTH_KB, s.file_length_kb_value);

    // An empty range or no frame rate has no bitrate: the average stays as it was.
    const float fps = core.source.fps;
    if (s.frames_to_encode < 1 || !(fps > 0.0f)) return;
    const float seconds =
        static_cast<float>(static_cast<double>(s.frames_to_encode) / static_cast<double>(fps));
    if (!(seconds > 0.0f) || !std::isfinite(seconds)) return;

    const int64_t kbits =
        round_half_away(static_cast<double>(s.file_length_kb_value) * static_cast<double>(8.192f));
    s.avg_bitrate_value =
        clamp32(round_half_away(static_cast<double>(kbits) / static_cast<double>(seconds)));
    read_entry(s.max_bitrate, s.max_bitrate_value);
    if (s.avg_bitrate_value > s.max_bitrate_value) {
        s.avg_bitrate_value = s.max_bitrate_value;
        s.file_length_kb_value =
            truncate32(static_cast<double>(s.avg_bitrate_value) * static_cast<double>(seconds)) / 8;
        write_entry(m, mainp::FILE_LENGTH_KB, s.file_length_kb_value);
    }
    write_entry(m, mainp::AVG_KBPS, s.avg_bitrate_value);
}

void average_lost(Core& core) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    read_entry(s.avg_bitrate, s.avg_bitrate_value);
    write_entry(m, mainp::AVG_KBPS, s.avg_bitrate_value);
    read_entry(s.max_bitrate, s.max_bitrate_value);
    if (s.avg_bitrate_value > s.max_bitrate_value) s.max_bitrate_value = s.avg_bitrate_value;
    write_entry(m, mainp::MAX_KBPS, s.max_bitrate_value);
    show_file_length(core);
}

void maximum_lost(Core& core) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    read_entry(s.avg_bitrate, s.avg_bitrate_value);
    read_entry(s.max_bitrate, s.max_bitrate_value);
    write_entry(m, mainp::MAX_KBPS, s.max_bitrate_value);
    if (s.avg_bitrate_value > s.max_bitrate_value) {
        s.avg_bitrate_value = s.max_bitrate_value;
        write_entry(m, mainp::AVG_KBPS, s.avg_bitrate_value);
    }
}

// ---- frame range ----

void set_frames_to_encode(Settings& s) {
    s.frames_to_encode =
        clamp32(static_cast<int64_t>(s.end_frame_value) - s.start_frame_value + 1);
}

void start_frame_lost(Core& core) {
    Settings& s = core.settings;
    read_entry(s.start_frame, s.start_frame_value);
    read_entry(s.end_frame, s.end_frame_value);
    s.start_frame_value = std::max(s.start_frame_value, 0);
    if (s.start_frame_value > s.end_frame_value) s.start_frame_value = s.end_frame_value;
    set_frames_to_encode(s);
    write_entry(core.ui.main, mainp::START_FRAME, s.start_frame_value);
    show_movie_info(core);
    show_file_length(core);
}

void end_frame_lost(Core& core) {
    Settings& s = core.settings;
    read_entry(s.start_frame, s.start_frame_value);
    read_entry(s.end_frame, s.end_frame_value);
    const int32_t last = clamp32(static_cast<int64_t>(core.source.frame_count) - 1);
    if (s.end_frame_value > last) s.end_frame_value = last;
    if (s.end_frame_value < s.start_frame_value) s.end_frame_value = s.start_frame_value;
    set_frames_to_encode(s);
    write_entry(core.ui.main, mainp::END_FRAME, s.end_frame_value);
    show_movie_info(core);
    show_file_length(core);
}

void all_frames(Core& core) {
    Settings& s = core.settings;
    if (!s.input_opened) return;  // the button is unusable without a source
    s.end_frame_value = clamp32(static_cast<int64_t>(core.source.frame_count) - 1);
    s.start_frame_value = 0;
    s.frames_to_encode = core.source.frame_count;
    write_entry(core.ui.main, mainp::START_FRAME, s.start_frame_value);
    write_entry(core.ui.main, mainp::END_FRAME, s.end_frame_value);
    show_movie_info(core);
    show_file_length(core);
    core.show(" frame range set to all frames in video");
}

// ---- switches ----

void interlaced_clicked(Core& core) {
    PageModel& a = core.ui.advanced;
    if (core.settings.interlaced) {
        a.set_checked(adv::TFF, true);
        a.set_enabled(adv::TFF, true);
        a.set_enabled(adv::BFF, true);
        a.set_checked(adv::ALTERNATE, true);
        core.show(" changing interlaced also changes TFF/BFF and scan method, set to TFF and "
                  "alternate");
    } else {
        progressive_scan(core);
        core.show(" changing interlaced also changes scan method, scan method set to zigzag");
    }
}

void pulldown_clicked(Core& core) {
    if (core.settings.pulldown) {
        interlaced_off(core, false);
        core.show(" pulldown turned on, set flags for 23.976 --> 29.97 fps, interlaced is disabled");
        core.show(", if your source is interlaced please de-interlace it first", true);
        core.show(", if input rate is not equal to 23.976, setting is ignored", true);
    } else {
        interlaced_off(core, true);
        core.show(" pulldown turned off");
    }
}

void autogop_clicked(Core& core) {
    const bool on = core.settings.auto_gop;
    if (on)
        core.show(" autogop turned on, maximum GOP length 15, variable B frames");
    else
        core.show(" autogop turned off, you can change GOP settings in Advanced tab");
    for (int id : {adv::GOP, adv::B_FRAMES, adv::GOP_SPIN, adv::B_FRAMES_SPIN})
        core.ui.advanced.set_enabled(id, !on);
}

struct SwitchMessages {
    int id;
    const char* on;
    const char* off;
};

constexpr SwitchMessages SWITCH_MESSAGES[] = {
    {mainp::SCENE_CHANGE, " scene change detection turned on, new closed GOP on every scene change",
     " scene change detection turned off"},
    {mainp::CLOSED_GOPS, " closedgops turned on, every GOP will be closed", " closedgops turned off"},
    {mainp::PREVIEW, " turns on the preview window in the encoder",
     " turns off the preview window in the encoder (default)"},
    {mainp::SHUTDOWN, " shutdown turned on, system will shutdown in 300 sec after encoding finishes",
     " shutdown turned off"},
};

// ---- radios ----

struct RadioMessage {
    int id;
    const char* text;
};

constexpr RadioMessage RADIO_MESSAGES[] = {
    {mainp::FAST, " fastest encode, lowest quality but still pretty good :)"},
    {mainp::NORMAL, " normal speed encode, normal quality"},
    {mainp::BEST, " slowest encode, high quality"},
    {mainp::DC8, " dc precision 8 set, recommended for low bitrate"},
    {mainp::DC9, " dc precision 9 set, recommended for normal bitrate"},
    {mainp::DC10, " dc precision 10 set, recommended for high bitrate"},
    {mainp::DC11, " dc precision 11 set, NOT DVD-COMPLIANT !!"},
    {mainp::AR_1_1, " aspect ratio set to 1:1, NOT DVD-COMPLIANT !!"},
    {mainp::AR_4_3, " aspect ratio set to 4:3"},
    {mainp::AR_16_9, " aspect ratio set to 16:9"},
    {mainp::AR_2_21, " aspect ratio set to 2.21:1, NOT DVD-COMPLIANT !!"},
};

bool clicked(Core& core, int id) {
    Settings& s = core.settings;
    for (const RadioMessage& r : RADIO_MESSAGES) {
        if (r.id != id) continue;
        if (id >= mainp::AR_1_1 && id <= mainp::AR_2_21)
            s.aspect_ratio = static_cast<AspectRatio>(id - mainp::AR_1_1 + 1);
        core.show(r.text);
        return true;
    }
    for (const SwitchMessages& m : SWITCH_MESSAGES) {
        if (m.id != id) continue;
        core.show(core.ui.main.checked(id) ? m.on : m.off);
        return true;
    }
    switch (id) {
        case mainp::AVERAGE_BITRATE:
        case mainp::FILE_LENGTH: bitrate_mode_clicked(core, id); return true;
        case mainp::ALL_FRAMES: all_frames(core); return true;
        case mainp::INTERLACED: interlaced_clicked(core); return true;
        case mainp::PULLDOWN: pulldown_clicked(core); return true;
        case mainp::AUTOGOP: autogop_clicked(core); return true;
        case mainp::RESET:
            reset_to_defaults(core);
            core.show(" all values reset to default");
            return true;
        case mainp::MAKE_DVD:
            make_dvd_compliant(core);
            core.show(" possible non-DVD compliant settings fixed");
            // The findings are about the source; without one there is nothing to judge.
            if (s.input_opened) check_dvd_compliance(core);
            return true;
        default: return false;
    }
}

bool is_range_entry(int id) {
    return id == mainp::FILE_LENGTH_KB || id == mainp::AVG_KBPS || id == mainp::MAX_KBPS ||
           id == mainp::START_FRAME || id == mainp::END_FRAME;
}

// An entry read as an integer and limited to low..high; a text that does not read counts as
// `fallback`. Written back.
int32_t limit_entry(PageModel& page, int id, int32_t low, int32_t high, int32_t fallback) {
    int32_t v = fallback;
    read_entry(page.text(id), v);
    v = std::clamp(v, low, high);
    write_entry(page, id, v);
    return v;
}

}  // namespace

void make_dvd_compliant(Core& core) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    PageModel& a = core.ui.advanced;

    // 1. aspect ratio
    if (s.aspect_ratio == AspectRatio::square) m.set_checked(mainp::AR_4_3, true);
    if (s.aspect_ratio == AspectRatio::two_two_one) m.set_checked(mainp::AR_16_9, true);
    // 2. dc precision
    if (s.dc_precision == 11) m.set_checked(mainp::DC10, true);
    // 3. VBV check
    a.set_checked(adv::VBV_CHECK, true);
    // 4. constant quantization keeps to the maximum bitrate
    if (s.constant_quant) {
        m.set_enabled(mainp::MAX_KBPS, true);
        s.max_bitrate_enabled = true;
        a.set_checked(adv::CHECK_VBV_MAX, true);
    }
    // 5. time code
    limit_entry(a, adv::HOUR, 0, 23, 0);
    for (int id : {adv::MIN, adv::SEC, adv::FRAME}) limit_entry(a, id, 0, 59, 0);
    // 6. film-rate sources get pulldown; anything else loses it
    if (core.source.film_rate) {
        interlaced_off(core, false);
        m.set_checked(mainp::PULLDOWN, true);
    } else if (s.pulldown) {
        m.set_checked(mainp::PULLDOWN, false);
        interlaced_off(core, true);
    }
    // 7. GOP structure
    a.set_position(adv::GOP_SPIN, limit_entry(a, adv::GOP, 1, 15, 15));
    a.set_position(adv::B_FRAMES_SPIN, limit_entry(a, adv::B_FRAMES, 0, 2, 2));
    // 8. bitrate limits, each on its own
    read_entry(s.avg_bitrate, s.avg_bitrate_value);
    if (s.avg_bitrate_value > 9000) s.avg_bitrate_value = 9000;
    write_entry(m, mainp::AVG_KBPS, s.avg_bitrate_value);
    read_entry(s.max_bitrate, s.max_bitrate_value);
    if (s.max_bitrate_value > 9800) s.max_bitrate_value = 9800;
    write_entry(m, mainp::MAX_KBPS, s.max_bitrate_value);
}

bool handle_main_page_event(Core& core, int id, UiEvent event) {
    switch (event) {
        case UiEvent::clicked: return clicked(core, id);
        case UiEvent::focus_gained:
            if (!is_range_entry(id)) return false;
            core.message.clear_message_display();
            return true;
        case UiEvent::focus_lost:
            switch (id) {
                case mainp::FILE_LENGTH_KB: file_length_lost(core); return true;
                case mainp::AVG_KBPS: average_lost(core); return true;
                case mainp::MAX_KBPS: maximum_lost(core); return true;
                case mainp::START_FRAME: start_frame_lost(core); return true;
                case mainp::END_FRAME: end_frame_lost(core); return true;
                default: return false;
            }
        default: return false;
    }
}

}  // namespace qv
