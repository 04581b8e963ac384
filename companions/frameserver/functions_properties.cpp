// Clip properties as script values: Width(c), FrameCount(c), IsYV12(c), ... (also c.Width).
#include "companions/frameserver/function_registry.h"

namespace qvfs {

namespace {

template <typename F>
void add_property(FunctionRegistry& registry, const char* name, F get) {
    registry.add(name, {Param::req("clip", 'c')},
                 [get](CallContext&, const Args& args) { return Value(get(args.clip(0)->info())); });
}

}  // namespace

void register_property_functions(FunctionRegistry& r) {
    add_property(r, "Width", [](const AVS_VideoInfo& vi) { return vi.width; });
    add_property(r, "Height", [](const AVS_VideoInfo& vi) { return vi.height; });
    add_property(r, "FrameCount", [](const AVS_VideoInfo& vi) { return vi.num_frames; });
    add_property(r, "FrameRate", [](const AVS_VideoInfo& vi) {
        return vi.fps_denominator == 0 ? 0.0 : static_cast<double>(vi.fps_numerator) / vi.fps_denominator;
    });
    add_property(r, "FrameRateNumerator",
                 [](const AVS_VideoInfo& vi) { return static_cast<int>(vi.fps_numerator); });
    add_property(r, "FrameRateDenominator",
                 [](const AVS_VideoInfo& vi) { return static_cast<int>(vi.fps_denominator); });
    add_property(r, "AudioRate", [](const AVS_VideoInfo& vi) { return vi.audio_samples_per_second; });
    add_property(r, "AudioChannels", [](const AVS_VideoInfo& vi) { return vi.nchannels; });
    add_property(r, "HasVideo", [](const AVS_VideoInfo& vi) { return vi.width > 0; });
    add_property(r, "HasAudio", [](const AVS_VideoInfo& vi) { return vi.audio_samples_per_second > 0; });
    add_property(r, "IsYV12", [](const AVS_VideoInfo& vi) { return is_planar_420(vi.pixel_type); });
    add_property(r, "IsYUY2", [](const AVS_VideoInfo& vi) { return vi.pixel_type == AVS_CS_YUY2; });
    add_property(r, "IsRGB32", [](const AVS_VideoInfo& vi) { return vi.pixel_type == AVS_CS_BGR32; });
    add_property(r, "IsRGB", [](const AVS_VideoInfo& vi) { return (vi.pixel_type & AVS_CS_BGR) != 0; });
    add_property(r, "IsYUV", [](const AVS_VideoInfo& vi) { return (vi.pixel_type & AVS_CS_YUV) != 0; });
}

}  // namespace qvfs
