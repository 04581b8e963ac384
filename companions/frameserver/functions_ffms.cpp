// File source: FFVideoSource(source, track, cache, cachefile, fpsnum, fpsden, threads) opens any
// video file FFMS2 reads and delivers it frame-exactly as YV12.
//
// The parameters keep the positions they have in the FFMS2 plugin's own function, so scripts
// written for it read the same here. Supported: source; track (-1 or omitted: the first video
// track); cache (keep the index in the per-user cache, default true); fpsnum/fpsden (a constant
// output rate: frames are repeated or dropped, counting from the source's nominal rate).
// cachefile and threads are accepted and ignored (the index cache is keyed by the files
// themselves; decoding is single-threaded so that seeking stays exact).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "companions/decoder/ffms_source.h"
#include "companions/frameserver/errors.h"
#include "companions/frameserver/function_registry.h"
#include "companions/frameserver/interpreter.h"

namespace qvfs {

namespace {

constexpr const char* kWho = "FFVideoSource";

class FfmsClip : public Clip {
public:
    FfmsClip(const AVS_VideoInfo& vi, std::unique_ptr<qv::ffms::FfmsSource> source)
        : Clip(vi, 1, 1), source_(std::move(source)) {}

protected:
    FramePtr make_frame(int n) override {
        const int source_frame = source_frame_for(n);
        auto frame = allocate_frame(AVS_CS_YV12, vi_.width, vi_.height);
        std::lock_guard lock(mutex_);  // the decoder serves one request at a time
        qv::ffms::FramePlanes planes;
        std::string error;
        if (!source_->frame_planes(source_frame, planes, error))
            throw ScriptError(std::string(kWho) + ": frame " + std::to_string(source_frame) + ": " +
                              error);
        for (int p = 0; p < 3; ++p) {
            const int rows = frame->rows[p];
            const auto bytes = static_cast<size_t>(frame->row_size[p]);
            for (int y = 0; y < rows; ++y)
                std::memcpy(frame->plane[p] + static_cast<ptrdiff_t>(y) * frame->pitch[p],
                            planes.data[p] + static_cast<ptrdiff_t>(y) * planes.pitch[p], bytes);
        }
        return frame;
    }

private:
    // Output frame n at the clip's rate shows the source frame on screen at its start time,
    // the source taken at its nominal rate.
    int source_frame_for(int n) const {
        const int last = source_->frame_count() - 1;
        if (vi_.fps_numerator == static_cast<unsigned>(source_->rate_num()) &&
            vi_.fps_denominator == static_cast<unsigned>(source_->rate_den()))
            return std::min(n, last);
        const double t = static_cast<double>(n) * vi_.fps_denominator / vi_.fps_numerator;
        const double k = std::floor(t * source_->rate_num() / source_->rate_den() + 1e-9);
        return static_cast<int>(std::min(k, static_cast<double>(last)));
    }

    std::unique_ptr<qv::ffms::FfmsSource> source_;
    std::mutex mutex_;
};

// A relative name is taken from the folder of the script that names it.
std::string resolve(const std::string& name, const Interpreter& interpreter) {
    if (name.empty() || name[0] == '/') return name;
    return interpreter.script_folder() + name;
}

Value ff_video_source(CallContext& ctx, const Args& args) {
    const std::string given = args.get_string(0, "");
    if (given.empty()) throw ScriptError(std::string(kWho) + ": no file named");
    const int track = args.get_int(1, -1);
    if (track != -1)
        throw ScriptError(std::string(kWho) + ": only the first video track (track=-1) can be opened");
    const int fps_num = args.get_int(4, -1);
    const int fps_den = args.get_int(5, 1);
    if (args.defined(4) && fps_num > 0 && fps_den <= 0)
        throw ScriptError(std::string(kWho) + ": fpsden must be positive");

    qv::ffms::OpenOptions options;
    options.threads = 1;
    options.use_index_cache = args.get_bool(2, true);
    std::string error;
    auto source = qv::ffms::FfmsSource::open({resolve(given, ctx.interpreter)}, options, error);
    if (!source) throw ScriptError(std::string(kWho) + ": can't open \"" + given + "\": " + error);

    AVS_VideoInfo vi{};
    vi.width = source->width();
    vi.height = source->height();
    check_frame_size(kWho, vi.width, vi.height);
    vi.pixel_type = AVS_CS_YV12;
    vi.fps_numerator = static_cast<unsigned>(source->rate_num());
    vi.fps_denominator = static_cast<unsigned>(source->rate_den());
    vi.num_frames = source->frame_count();
    if (fps_num > 0) {
        // The length stays what it was in time: round(frames / source rate * output rate).
        const double seconds = static_cast<double>(source->frame_count()) * source->rate_den() /
                               source->rate_num();
        const double frames = std::floor(seconds * fps_num / fps_den + 0.5);
        if (!(frames >= 1.0) || frames > 2147483647.0)
            throw ScriptError(std::string(kWho) + ": fpsnum/fpsden give no usable length");
        vi.fps_numerator = static_cast<unsigned>(fps_num);
        vi.fps_denominator = static_cast<unsigned>(fps_den);
        vi.num_frames = static_cast<int>(frames);
    }
    vi.image_type = 0;
    return Value(ClipPtr(std::make_shared<FfmsClip>(vi, std::move(source))));
}

}  // namespace

void register_ffms_functions(FunctionRegistry& registry) {
    registry.add("FFVideoSource",
                 {Param::req("source", 's'), Param::opt("track", 'i'), Param::opt("cache", 'b'),
                  Param::opt("cachefile", 's'), Param::opt("fpsnum", 'i'), Param::opt("fpsden", 'i'),
                  Param::opt("threads", 'i')},
                 ff_video_source);
}

}  // namespace qvfs
