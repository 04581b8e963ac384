// Source functions: clips made from nothing (BlankClip, ColorBars).
#include <cmath>
#include <mutex>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/function_registry.h"
#include "companions/frameserver/pixels.h"

namespace qvfs {

namespace {

// A source whose every frame is the same picture: made on the first request, then shared.
class StillClip : public Clip {
public:
    using Painter = std::function<FramePtr()>;
    StillClip(const AVS_VideoInfo& vi, Painter painter) : Clip(vi, 1, 1), painter_(std::move(painter)) {}

protected:
    FramePtr make_frame(int) override {
        std::lock_guard lock(mutex_);
        if (!picture_) picture_ = painter_();
        return picture_;
    }

private:
    Painter painter_;
    std::mutex mutex_;
    FramePtr picture_;
};

int parse_pixel_type(const std::string& name, const char* who) {
    const auto key = to_lower(name);
    if (key == "rgb32") return AVS_CS_BGR32;
    if (key == "yuy2") return AVS_CS_YUY2;
    if (key == "yv12") return AVS_CS_YV12;
    if (key == "i420" || key == "iyuv") return AVS_CS_I420;
    throw ScriptError(std::string(who) +
                      ": pixel_type must be \"RGB32\", \"YUY2\", \"YV12\" or \"I420\"");
}

void set_rate(const Args& args, size_t fps_slot, size_t den_slot, const char* who, AVS_VideoInfo& vi) {
    if (args.defined(den_slot)) {
        const double num = args.get_float(fps_slot, static_cast<double>(vi.fps_numerator));
        const int den = args.get_int(den_slot, 1);
        if (!(num >= 1.0) || num > 4294967295.0 || num != std::floor(num) || den <= 0)
            throw ScriptError(std::string(who) +
                              ": fps must be a positive whole number when fps_denominator is given");
        vi.fps_numerator = static_cast<unsigned>(num);
        vi.fps_denominator = static_cast<unsigned>(den);
    } else if (args.defined(fps_slot)) {
        if (args.at(fps_slot).is_int()) {
            const int num = args.at(fps_slot).as_int();
            if (num <= 0) throw ScriptError(std::string(who) + ": the frame rate must be positive");
            vi.fps_numerator = static_cast<unsigned>(num);
            vi.fps_denominator = 1;
        } else {
            rate_from_float(args.at(fps_slot).as_float(), who, vi.fps_numerator, vi.fps_denominator);
        }
    }
}

// BlankClip(clip, length, width, height, pixel_type, fps, fps_denominator, audio_rate, stereo,
//           sixteen_bit, color, color_yuv, channels=)
Value blank_clip(CallContext&, const Args& args) {
    AVS_VideoInfo vi{};
    vi.width = 640;
    vi.height = 480;
    vi.fps_numerator = 24;
    vi.fps_denominator = 1;
    vi.num_frames = 240;
    vi.pixel_type = AVS_CS_BGR32;
    vi.audio_samples_per_second = 44100;
    vi.sample_type = AVS_SAMPLE_INT16;
    vi.nchannels = 1;
    if (args.defined(0)) vi = args.all(0).back().as_clip()->info();  // the last template wins

    vi.num_frames = args.get_int(1, vi.num_frames);
    vi.width = args.get_int(2, vi.width);
    vi.height = args.get_int(3, vi.height);
    if (args.defined(4)) vi.pixel_type = parse_pixel_type(args.get_string(4, ""), "BlankClip");
    set_rate(args, 5, 6, "BlankClip", vi);
    if (args.defined(7)) vi.audio_samples_per_second = args.get_int(7, 44100);
    if (args.defined(8)) vi.nchannels = args.get_bool(8, false) ? 2 : 1;
    if (args.defined(12)) vi.nchannels = args.get_int(12, 1);
    if (args.defined(9)) vi.sample_type = args.get_bool(9, true) ? AVS_SAMPLE_INT16 : AVS_SAMPLE_FLOAT;

    if (vi.num_frames < 0) throw ScriptError("BlankClip: length must not be negative");
    if (vi.audio_samples_per_second < 0 || vi.nchannels < 0 || vi.nchannels > 64)
        throw ScriptError("BlankClip: invalid audio settings");
    check_frame_size("BlankClip", vi.width, vi.height);
    if (vi.width == 0 || vi.height == 0) {
        vi.width = 0;
        vi.height = 0;
    } else {
        check_format_geometry("BlankClip", vi.pixel_type, vi.width, vi.height);
        if (!is_supported_format(vi.pixel_type))
            throw ScriptError("BlankClip: the template clip's colour format is not supported");
    }
    if (vi.audio_samples_per_second == 0 || vi.nchannels == 0) {
        vi.audio_samples_per_second = 0;
        vi.nchannels = 0;
    }
    vi.num_audio_samples = frames_to_samples(vi, vi.num_frames);

    SolidColour colour{};
    const int rgb = args.get_int(10, 0);
    colour.a = (rgb >> 24) & 255;
    colour.r = (rgb >> 16) & 255;
    colour.g = (rgb >> 8) & 255;
    colour.b = rgb & 255;
    if (args.defined(11)) {
        const int yuv = args.get_int(11, 0);
        colour.y = (yuv >> 16) & 255;
        colour.u = (yuv >> 8) & 255;
        colour.v = yuv & 255;
        if (!args.defined(10)) yuv_to_rgb(rec601(), colour.y, colour.u, colour.v, colour.r, colour.g, colour.b);
    } else {
        const Yuv c = rgb_to_yuv(rec601(), colour.r, colour.g, colour.b);
        colour.y = c.y;
        colour.u = c.u;
        colour.v = c.v;
    }
    const AVS_VideoInfo shape = vi;
    return Value(ClipPtr(std::make_shared<StillClip>(vi, [shape, colour] {
        auto frame = allocate_frame(shape.pixel_type, shape.width, shape.height);
        fill_solid(*frame, colour);
        return FramePtr(frame);
    })));
}

// Colour bars after the usual studio pattern, in studio-range RGB (black 16, white 235):
// seven 75% bars over two thirds of the height, a strip of reversed blue bars, then -I,
// 100% white, +Q, black and the three near-black pluge bars.
FramePtr paint_colour_bars(int pixel_type, int width, int height) {
    auto rgb = allocate_frame(AVS_CS_BGR32, width, height);
    constexpr int kTop[7] = {0xb4b4b4, 0xb4b410, 0x10b4b4, 0x10b410, 0xb410b4, 0xb41010, 0x1010b4};
    constexpr int kMiddle[7] = {0x1010b4, 0x101010, 0xb410b4, 0x101010, 0x10b4b4, 0x101010, 0xb4b4b4};
    constexpr int kBottom[8] = {0x10466a, 0xebebeb, 0x481076, 0x101010,
                                0x070707, 0x101010, 0x191919, 0x101010};
    // Right edges of the bottom bars in 1/84ths of the width: 4 x 15, 3 x 4, then 12.
    constexpr int kBottomEdges[8] = {15, 30, 45, 60, 64, 68, 72, 84};
    const int top_end = height * 2 / 3;
    const int middle_end = height * 3 / 4;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = rgb->plane[0] + static_cast<ptrdiff_t>(height - 1 - y) * rgb->pitch[0];
        for (int x = 0; x < width; ++x) {
            int colour;
            if (y < middle_end) {
                const int bar = static_cast<int>(static_cast<long long>(x) * 7 / width);
                colour = y < top_end ? kTop[bar] : kMiddle[bar];
            } else {
                const int pos = static_cast<int>(static_cast<long long>(x) * 84 / width);
                int bar = 0;
                while (pos >= kBottomEdges[bar]) ++bar;
                colour = kBottom[bar];
            }
            row[4 * x] = static_cast<uint8_t>(colour & 255);
            row[4 * x + 1] = static_cast<uint8_t>((colour >> 8) & 255);
            row[4 * x + 2] = static_cast<uint8_t>((colour >> 16) & 255);
            row[4 * x + 3] = 0;
        }
    }
    if (pixel_type == AVS_CS_BGR32) return rgb;
    return convert_frame(*rgb, pixel_type, studio_rgb_601());
}

// ColorBars(width, height, pixel_type, staticframes): one hour at 30000/1001 with 48 kHz stereo.
Value colour_bars(CallContext&, const Args& args) {
    AVS_VideoInfo vi{};
    vi.width = args.get_int(0, 640);
    vi.height = args.get_int(1, 480);
    vi.pixel_type = parse_pixel_type(args.get_string(2, "RGB32"), "ColorBars");
    vi.fps_numerator = 30000;
    vi.fps_denominator = 1001;
    vi.num_frames = 107892;
    vi.audio_samples_per_second = 48000;
    vi.sample_type = AVS_SAMPLE_FLOAT;
    vi.nchannels = 2;
    vi.num_audio_samples = frames_to_samples(vi, vi.num_frames);
    check_frame_size("ColorBars", vi.width, vi.height);
    if (vi.width == 0 || vi.height == 0) throw ScriptError("ColorBars: width and height must be positive");
    check_format_geometry("ColorBars", vi.pixel_type, vi.width, vi.height);
    const AVS_VideoInfo shape = vi;
    return Value(ClipPtr(std::make_shared<StillClip>(
        vi, [shape] { return paint_colour_bars(shape.pixel_type, shape.width, shape.height); })));
}

}  // namespace

void register_source_functions(FunctionRegistry& registry) {
    registry.add("BlankClip",
                 {Param::many("clip", 'c', 0), Param::opt("length", 'i'), Param::opt("width", 'i'),
                  Param::opt("height", 'i'), Param::opt("pixel_type", 's'), Param::opt("fps", 'f'),
                  Param::opt("fps_denominator", 'i'), Param::opt("audio_rate", 'i'),
                  Param::opt("stereo", 'b'), Param::opt("sixteen_bit", 'b'), Param::opt("color", 'i'),
                  Param::opt("color_yuv", 'i'), Param::named("channels", 'i')},
                 blank_clip);
    registry.add("ColorBars",
                 {Param::opt("width", 'i'), Param::opt("height", 'i'), Param::opt("pixel_type", 's'),
                  Param::opt("staticframes", 'b')},
                 colour_bars);
}

}  // namespace qvfs
