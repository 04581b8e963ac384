// Any text, run as a script: the result is a value or an error text, never a crash. When the
// result is a small enough clip, a few frames are made and checked against its description.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/interpreter.h"

namespace {

void check_frame(const qvfs::ClipPtr& clip, int n) {
    const AVS_VideoInfo& vi = clip->info();
    const qvfs::FramePtr frame = clip->frame(n);
    if (!frame || frame->width != vi.width || frame->height != vi.height ||
        frame->pixel_type != vi.pixel_type || frame->pitch[0] < frame->row_size[0])
        std::abort();
    // Touch the last byte of every row so a short buffer shows up under the sanitizers.
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < frame->rows[p]; ++y)
            if (frame->row_size[p] > 0) {
                volatile uint8_t byte = frame->plane[p][y * frame->pitch[p] + frame->row_size[p] - 1];
                (void)byte;
            }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qvfs::Interpreter interpreter;
    try {
        const qvfs::Value result = interpreter.run_text(text, "fuzz.avs");
        if (!result.is_clip()) return 0;
        const qvfs::ClipPtr& clip = result.as_clip();
        const AVS_VideoInfo& vi = clip->info();
        if (!clip->has_video() || static_cast<long long>(vi.width) * vi.height > (1 << 20)) return 0;
        for (int n : {0, vi.num_frames / 2, vi.num_frames - 1, -1, vi.num_frames})
            check_frame(clip, n);
    } catch (const qvfs::ScriptError& e) {
        if (e.text().empty()) std::abort();  // every failure explains itself
    }
    return 0;
}
