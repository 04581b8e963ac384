#include "app/movie_info.h"

#include <cmath>
#include <cstdio>

#include "settings/numbers.h"
#include "settings/text.h"

namespace qv {

std::string format_hms(int32_t seconds) {
    int32_t h = seconds / 3600, m = (seconds / 60) % 60, s = seconds % 60;
    char buffer[32];
    if (h > 99 || h < -9)
        std::snprintf(buffer, sizeof buffer, "**:%02d:%02d", static_cast<int>(m < 0 ? -m : m),
                      static_cast<int>(s < 0 ? -s : s));
    else
        std::snprintf(buffer, sizeof buffer, "%2d:%02d:%02d", static_cast<int>(h),
                      static_cast<int>(m < 0 ? -m : m), static_cast<int>(s < 0 ? -s : s));
    return buffer;
}

int64_t round_half_away(double value) {
    if (!std::isfinite(value)) return 0;
    if (value > 9.2e18) return INT64_MAX;
    if (value < -9.2e18) return INT64_MIN;
    return static_cast<int64_t>(std::llround(value));
}

namespace {
std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}
std::string left(std::string text) {
    std::size_t i = text.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : text.substr(i);
}
}  // namespace

void show_movie_info(Core& core) {
    Settings& s = core.settings;
    const SourceState& src = core.source;
    PageModel& m = core.ui.main;
    if (s.input_opened) {
        m.set_enabled(mainp::ALL_FRAMES, true);
        s.start_frame = int_text(s.start_frame_value);
        s.end_frame = int_text(s.end_frame_value);
        m.set_text(mainp::MOVIE_SIZE, int_text(src.width) + " x " + int_text(src.height));
        m.set_text(mainp::MOVIE_RATE, fixed(src.fps, 4));
        m.set_text(mainp::MOVIE_FRAMES, int_text(src.frame_count));
        m.set_text(mainp::MOVIE_SEC, fixed(src.duration_s, 2));
        m.set_text(mainp::MOVIE_HMS,
                   left(format_hms(static_cast<int32_t>(round_half_away(src.duration_s)))));
        float seconds = src.fps != 0.0f ? static_cast<float>(s.frames_to_encode) / src.fps : 0.0f;
        m.set_text(mainp::ENCODE_FRAMES, int_text(s.frames_to_encode));
        m.set_text(mainp::ENCODE_SEC, fixed(seconds, 2));
        m.set_text(mainp::ENCODE_HMS,
                   left(format_hms(static_cast<int32_t>(round_half_away(seconds)))));
    } else {
        s.start_frame_value = s.end_frame_value = -1;
        s.frames_to_encode = 0;
        m.set_enabled(mainp::ALL_FRAMES, false);
        s.start_frame = "-";
        s.end_frame = "-";
        for (int id : {mainp::MOVIE_SIZE, mainp::MOVIE_RATE, mainp::MOVIE_FRAMES, mainp::MOVIE_SEC,
                       mainp::MOVIE_HMS, mainp::ENCODE_FRAMES, mainp::ENCODE_SEC,
                       mainp::ENCODE_HMS})
            m.set_text(id, "-");
    }
    m.notify_all();
}

void show_file_length(Core& core) {
    Settings& s = core.settings;
    const SourceState& src = core.source;
    if (!s.input_opened) {
        s.file_length_kb.clear();
        core.ui.main.notify_all();
        return;
    }
    int32_t avg = 0;
    if (read_int(s.avg_bitrate, avg)) s.avg_bitrate_value = avg;
    int64_t kb = 0;
    if (src.fps > 1.0f) {
        double seconds = static_cast<double>(s.frames_to_encode) / static_cast<double>(src.fps);
        kb = round_half_away(static_cast<double>(s.avg_bitrate_value) * seconds / 1.024) / 8;
    }
    if (kb > INT32_MAX) kb = INT32_MAX;
    if (kb < INT32_MIN) kb = INT32_MIN;
    s.file_length_kb_value = static_cast<int32_t>(kb);
    s.file_length_kb = int_text(kb);
    core.ui.main.notify_all();
}

}  // namespace qv
