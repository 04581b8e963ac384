#include "app/advanced_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "settings/numbers.h"
#include "settings/settings_writer.h"
#include "settings/text.h"

namespace qv {

namespace {

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// ---- radios and check boxes that only report ----

struct Report {
    int id;
    const char* on;   // selected, or turned on
    const char* off;  // turned off (check boxes only)
};

constexpr Report REPORTS[] = {
    {adv::TFF, " Top Field First flagged, only applicable for interlaced encoding", nullptr},
    {adv::BFF, " Bottom Field First flagged, only applicable for interlaced encoding", nullptr},
    {adv::ZIGZAG, " scanning set to zigzag, recommended for progressive video", nullptr},
    {adv::ALTERNATE, " scanning set to alternate, recommended for interlaced video", nullptr},
    {adv::LAST_IFRAME, " last I-frame turned on, last frame will be encoded as an I-frame",
     " last I-frame turned off"},
    {adv::VBV_CHECK, " VBV checking turned on", " VBV checking turned off"},
    {adv::SEQ_ENDCODE, " sequence end code turned on, an end of sequence header will be written",
     " sequence end code turned off, no end of sequence header will be written"},
    {adv::CPU_AUTO, " auto detection of CPU extensions", nullptr},
    {adv::CPU_MMX, " CPU is forced to use MMX/ISSE extensions", nullptr},
    {adv::CPU_SSE2, " CPU is forced to use SSE2 extensions", nullptr},
    {adv::CPU_SSE3, " CPU is forced to use SSE3 extensions", nullptr},
};

bool report(Core& core, int id) {
    for (const Report& r : REPORTS) {
        if (r.id != id) continue;
        const bool on = core.ui.advanced.checked(id);
        if (on)
            core.show(r.on);
        else if (r.off)
            core.show(r.off);
        return true;
    }
    return false;
}

// ---- integer entries that remember their last value ----

struct RememberedEntry {
    int id;
    int32_t limit;          // upper limit
    const char* corrected;  // message when the limit was applied; nullptr: silent
};

// In the order of Settings::advanced_entry_values.
constexpr RememberedEntry REMEMBERED[] = {
    {adv::HOUR, 23, " hour timecode corrected, set to the maximum: 23"},
    {adv::MIN, 59, " minute timecode corrected, set to the maximum: 59"},
    {adv::SEC, 59, " second timecode corrected, set to the maximum: 59"},
    {adv::FRAME, 59, " frame timecode corrected, set to the maximum: 59"},
    {adv::VBR_BIAS, 100, nullptr},
    {adv::WAIT, 99, nullptr},
};

int remembered_slot(int id) {
    for (int i = 0; i < static_cast<int>(std::size(REMEMBERED)); ++i)
        if (REMEMBERED[i].id == id) return i;
    return -1;
}

// The entry gained the focus: what it shows now is the value to fall back on.
void remember(Core& core, int slot) {
    int32_t v = 0;
    if (read_int(core.ui.advanced.text(REMEMBERED[slot].id), v))
        core.settings.advanced_entry_values[static_cast<std::size_t>(slot)] = v;
}

void remembered_changed(Core& core, int slot) {
    const RememberedEntry& e = REMEMBERED[slot];
    int32_t& value = core.settings.advanced_entry_values[static_cast<std::size_t>(slot)];
    int32_t v = 0;
    if (read_int(core.ui.advanced.text(e.id), v)) value = v;
    if (value > e.limit) {
        value = e.limit;
        if (e.corrected)
            core.show(e.corrected);
        else
            core.message.clear_message_display();
    } else {
        core.message.clear_message_display();
    }
    core.ui.advanced.set_text(e.id, int_text(value));
}

// ---- GOP ----

void gop_norm_message(Core& core, int32_t gop, bool from_spin) {
    if (gop <= 15)
        core.message.clear_message_display();
    else if (gop <= 18)
        core.show(from_spin ? " WARNING !!, GOP length not valid for PAL"
                            : " WARNING, GOP length not valid for PAL");
    else
        core.show(from_spin ? " WARNING !!, GOP length not valid for PAL and NTSC"
                            : " WARNING, GOP length not valid for PAL and NTSC");
}

void gop_changed(Core& core) {
    PageModel& a = core.ui.advanced;
    int32_t gop = 15;
    if (!read_int(a.text(adv::GOP), gop)) gop = 15;
    gop = std::clamp(gop, 1, 36);
    a.set_text(adv::GOP, int_text(gop));
    a.set_position(adv::GOP_SPIN, gop);
    gop_norm_message(core, gop, false);
}

void gop_spin_moved(Core& core) {
    PageModel& a = core.ui.advanced;
    const int32_t gop = std::clamp(a.position(adv::GOP_SPIN), 1, 36);
    a.set_text(adv::GOP, int_text(gop));
    gop_norm_message(core, gop, true);
}

void b_frames_changed(Core& core) {
    PageModel& a = core.ui.advanced;
    int32_t b = 2;
    if (!read_int(a.text(adv::B_FRAMES), b)) b = 2;
    b = std::clamp(b, 0, 2);
    a.set_text(adv::B_FRAMES, int_text(b));
    a.set_position(adv::B_FRAMES_SPIN, b);
    core.message.clear_message_display();
}

void b_frames_spin_moved(Core& core) {
    PageModel& a = core.ui.advanced;
    a.set_text(adv::B_FRAMES, int_text(std::clamp(a.position(adv::B_FRAMES_SPIN), 0, 2)));
    core.message.clear_message_display();
}

// ---- constant quantization ----

void constant_quant_clicked(Core& core) {
    Settings& s = core.settings;
    PageModel& a = core.ui.advanced;
    PageModel& m = core.ui.main;
    if (s.constant_quant) {
        for (int id : {adv::QUANT_VALUE, adv::CHECK_VBV_MAX, adv::P_FACTOR, adv::B_FACTOR,
                       adv::P_FACTOR_SPIN, adv::B_FACTOR_SPIN})
            a.set_enabled(id, true);
        a.set_enabled(adv::VBR_BIAS, false);
        for (int id : {mainp::AVERAGE_BITRATE, mainp::FILE_LENGTH, mainp::FILE_LENGTH_KB,
                       mainp::AVG_KBPS, mainp::MAX_KBPS})
            m.set_enabled(id, false);
        s.max_bitrate_enabled = false;
        core.show(" 1 pass constant quantization turned on, you might consider turning on -check "
                  "VBV/max bitrate- also");
    } else {
        a.set_enabled(adv::QUANT_VALUE, false);
        a.set_checked(adv::CHECK_VBV_MAX, false);
        for (int id : {adv::CHECK_VBV_MAX, adv::P_FACTOR, adv::B_FACTOR, adv::P_FACTOR_SPIN,
                       adv::B_FACTOR_SPIN})
            a.set_enabled(id, false);
        m.set_enabled(mainp::AVERAGE_BITRATE, true);
        m.set_checked(mainp::AVERAGE_BITRATE, true);
        m.set_enabled(mainp::FILE_LENGTH, true);
        m.set_enabled(mainp::FILE_LENGTH_KB, false);
        m.set_enabled(mainp::AVG_KBPS, true);
        m.set_enabled(mainp::MAX_KBPS, true);
        s.max_bitrate_enabled = true;
        a.set_enabled(adv::VBR_BIAS, true);
        core.show(" constant quantization turned off");
    }
}

void check_max_clicked(Core& core) {
    Settings& s = core.settings;
    s.max_bitrate_enabled = s.cq_max_bitrate;
    core.ui.main.set_enabled(mainp::MAX_KBPS, s.cq_max_bitrate);
    if (s.cq_max_bitrate)
        core.show(" check VBV/max bitrate turned on, maximum bitrate set will not be exceeded");
    else
        core.show(" check VBV/max bitrate turned off");
}

void quant_focus_gained(Core& core) {
    double q = 0;
    if (read_real(core.settings.cq_value, q) && !std::isnan(q)) core.settings.cq_value_on_focus = q;
    core.message.clear_message_display();
}

void quant_focus_lost(Core& core) {
    double q = 0;
    if (!read_real(core.settings.cq_value, q) || std::isnan(q)) q = core.settings.cq_value_on_focus;
    q = std::clamp(q, 1.0, 31.0);
    core.ui.advanced.set_text(adv::QUANT_VALUE, fixed(q, 3));
}

void factor_spin_moved(Core& core, int spin) {
    if (!core.settings.constant_quant) return;
    // Moving the focus away first finishes a pending edit of "Quant value" (its focus-lost
    // correction runs now).
    if (core.shell) core.shell->clear_focus();
    PageModel& a = core.ui.advanced;
    const bool p_frames = spin == adv::P_FACTOR_SPIN;
    const int position = std::clamp(a.position(spin), 1, CQ_FACTOR_POSITIONS);
    const double factor = cq_factor_table[static_cast<std::size_t>(position)];
    a.set_text(p_frames ? adv::P_FACTOR : adv::B_FACTOR, fixed(factor, 2));

    double quant = 0;
    if (!read_real(core.settings.cq_value, quant) || std::isnan(quant)) {
        core.show(" WARNING, invalid CQ value, not a number");
        return;
    }
    double q = quant * factor;
    if (q > 31.0) q = 31.0;
    if (q < 1.0) q = 1.0;
    core.show(std::string(p_frames ? " Constant Quantization for P-frames set to "
                                   : " Constant Quantization for B-frames set to ") +
              fixed(q, 3));
}

// Answers one event of the table; false when the control or the event is not one this page
// handles.
bool dispatch(Core& core, int id, UiEvent event) {
    switch (event) {
        case UiEvent::clicked:
            if (report(core, id)) return true;
            if (id == adv::CONSTANT_QUANT) {
                constant_quant_clicked(core);
                return true;
            }
            if (id == adv::CHECK_VBV_MAX) {
                check_max_clicked(core);
                return true;
            }
            return false;
        case UiEvent::text_changed: {
            int slot = remembered_slot(id);
            if (slot >= 0) {
                remembered_changed(core, slot);
                return true;
            }
            if (id == adv::GOP) {
                gop_changed(core);
                return true;
            }
            if (id == adv::B_FRAMES) {
                b_frames_changed(core);
                return true;
            }
            return false;
        }
        case UiEvent::position_changed:
            switch (id) {
                case adv::GOP_SPIN: gop_spin_moved(core); return true;
                case adv::B_FRAMES_SPIN: b_frames_spin_moved(core); return true;
                case adv::P_FACTOR_SPIN:
                case adv::B_FACTOR_SPIN: factor_spin_moved(core, id); return true;
                default: return false;
            }
        case UiEvent::focus_lost:
            if (id != adv::QUANT_VALUE) return false;
            quant_focus_lost(core);
            return true;
        case UiEvent::selection_changed: return id == adv::QV_INI_LIST;
        case UiEvent::focus_gained: return false;
    }
    return false;
}

}  // namespace

bool handle_advanced_page_event(Core& core, int id, UiEvent event) {
    if (event == UiEvent::focus_gained) {
        if (id == adv::QUANT_VALUE) {
            quant_focus_gained(core);
            return true;
        }
        int slot = remembered_slot(id);
        if (slot >= 0) remember(core, slot);
        return false;
    }
    if (!dispatch(core, id, event)) return false;
    render_settings_list(core);
    return true;
}

}  // namespace qv
