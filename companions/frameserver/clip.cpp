#include "companions/frameserver/clip.h"

#include <algorithm>
#include <cmath>

#include "companions/frameserver/errors.h"

namespace qvfs {

Clip::Clip(const AVS_VideoInfo& vi, int depth, int cost) : vi_(vi), depth_(depth), cost_(cost) {
    if (depth_ > kMaxClipDepth)
        throw ScriptError("Script error: the filter chain is too long (more than " +
                          std::to_string(kMaxClipDepth) + " filters deep)");
    if (cost_ > kMaxClipCost)
        throw ScriptError("Script error: the filter graph is too large (one frame would need "
                          "more than " + std::to_string(kMaxClipCost) + " source frames)");
}

FramePtr Clip::frame(int n) {
    if (!has_video()) throw ScriptError("Frame server: the clip has no video");
    const int last = std::max(0, vi_.num_frames - 1);
    return make_frame(std::clamp(n, 0, last));
}

void check_frame_size(const char* who, int width, int height) {
    if (width < 0 || height < 0)
        throw ScriptError(std::string(who) + ": width and height must not be negative");
    if (width > kMaxFrameWidth || height > kMaxFrameHeight ||
        static_cast<long long>(width) * height > kMaxFramePixels)
        throw ScriptError(std::string(who) + ": frame size " + std::to_string(width) + "x" +
                          std::to_string(height) +
                          " is too large (at most 8192x8192 pixels, 16384 on a side)");
}

void check_format_geometry(const char* who, int pixel_type, int width, int height) {
    if ((is_planar_420(pixel_type) || pixel_type == AVS_CS_YUY2) && width % 2 != 0)
        throw ScriptError(std::string(who) + ": " + format_name(pixel_type) +
                          " width must be a multiple of 2");
    if (is_planar_420(pixel_type) && height % 2 != 0)
        throw ScriptError(std::string(who) + ": " + format_name(pixel_type) +
                          " height must be a multiple of 2");
}

long long frames_to_samples(const AVS_VideoInfo& vi, long long frames) {
    if (vi.fps_numerator == 0 || vi.audio_samples_per_second <= 0) return 0;
    const double samples = static_cast<double>(frames) * vi.audio_samples_per_second *
                           vi.fps_denominator / vi.fps_numerator;
    if (!(samples < 9.0e18)) return 0;
    return static_cast<long long>(samples + 0.5);
}

// The nearest fraction to a frame rate given as a float, within float precision.
void rate_from_float(double fps, const char* who, unsigned& num, unsigned& den) {
    const double f = static_cast<float>(fps);
    if (!(f > 0.0) || !(f <= 1.0e6))
        throw ScriptError(std::string(who) + ": the frame rate must be positive (at most 1000000)");
    // Continued fraction convergents p/q until close enough.
    long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    double x = f;
    for (int i = 0; i < 32; ++i) {
        const double a = std::floor(x);
        const long long p2 = static_cast<long long>(a) * p1 + p0;
        const long long q2 = static_cast<long long>(a) * q1 + q0;
        if (p2 > 0xFFFFFFFFLL || q2 > 1000000) break;
        p0 = p1, q0 = q1, p1 = p2, q1 = q2;
        if (std::fabs(static_cast<double>(p1) / static_cast<double>(q1) - f) <= f * 1.0e-7) break;
        const double frac = x - a;
        if (frac < 1.0e-12) break;
        x = 1.0 / frac;
    }
    if (p1 <= 0 || q1 <= 0) throw ScriptError(std::string(who) + ": invalid frame rate");
    num = static_cast<unsigned>(p1);
    den = static_cast<unsigned>(q1);
}

bool same_video_format(const AVS_VideoInfo& a, const AVS_VideoInfo& b) {
    return a.width == b.width && a.height == b.height && a.pixel_type == b.pixel_type;
}

}  // namespace qvfs
