#include "sources/source_properties.h"

#include <cmath>

#include "settings/settings_file.h"
#include "settings/text.h"

namespace qv {

void store_source_properties(Core& core, const VideoProperties& p) {
    SourceState& src = core.source;
    src.width = p.width;
    src.height = p.height;
    src.frame_count = p.frame_count;
    src.rate_num = p.rate_num;
    src.rate_den = p.rate_den;
    src.colour_format = p.colour_format;
    src.luma_size = p.width * p.height;
    src.chroma_size = src.luma_size / 4;
}

void apply_source_properties(Core& core) {
    SourceState& src = core.source;
    Settings& s = core.settings;
    if (src.rate_den != 0 && src.rate_num != 0) {
        double fps = static_cast<double>(src.rate_num) / static_cast<double>(src.rate_den);
        src.fps = static_cast<float>(fps);
        src.duration_s = static_cast<float>(static_cast<double>(src.frame_count) / fps);
    } else {
        // A source without a frame rate has no length; nothing divides by zero.
        src.fps = 0.0f;
        src.duration_s = 0.0f;
    }
    if (!s.seen[kw::FRAMES]) {
        s.start_frame_value = 0;
        s.end_frame_value = src.frame_count - 1;
    }
    if (s.end_frame_value >= src.frame_count) s.end_frame_value = src.frame_count - 1;
    s.start_frame = int_text(s.start_frame_value);
    s.end_frame = int_text(s.end_frame_value);
    s.frames_to_encode = s.end_frame_value - s.start_frame_value + 1;
    core.ui.main.notify_all();
}

void check_dvd_compliance(Core& core) {
    SourceState& src = core.source;
    const bool pulldown = core.settings.pulldown;
    const float fps = src.fps;
    src.film_rate = std::fabs(fps - 23.976f) < 0.01f;
    const bool pal = std::fabs(fps - 25.0f) < 0.01f;
    const bool ntsc = std::fabs(fps - 29.97f) < 0.01f;
    const int w = src.width, h = src.height;

    if (w > 720 || h > 576) {
        core.show(", WARNING", true);
        if (w > 720) core.show(", width > 720", true);
        if (h > 576) core.show(", height > 576", true);
        core.show(", please resize source", true);
    }
    if (!src.film_rate && !pal && !ntsc) core.show(", WARNING, frame rate NOT DVD compliant", true);
    if (src.film_rate && !pulldown) core.show(", use pulldown for DVD compliancy", true);

    bool size_ok = false;
    if (src.film_rate || ntsc)
        size_ok = (h == 480 && (w == 720 || w == 704 || w == 352)) || (w == 352 && h == 240);
    else if (pal)
        size_ok = (h == 576 && (w == 720 || w == 704 || w == 352)) || (w == 352 && h == 288);
    if (!size_ok) core.show(", WARNING, resolution/frame rate mismatch", true);
}

const char* frame_size_problem(int width, int height) {
    if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0)
        return ", can't load video, frame size must be even";
    if (width > MAX_FRAME_WIDTH || height > MAX_FRAME_HEIGHT)
        return ", can't load video, frame size above 1920 x 1152 not supported";
    return nullptr;
}

}  // namespace qv
