// Clips: a video (and audio) description plus frames made on request.
#pragma once

#include <memory>
#include <string>

#include "companions/frameserver/frame.h"
#include "sources/frameserver_interface.h"

namespace qvfs {

// Limits that keep any script, however odd, within memory and stack.
constexpr int kMaxFrameWidth = 16384;
constexpr int kMaxFrameHeight = 16384;
constexpr long long kMaxFramePixels = 8192LL * 8192LL;
constexpr int kMaxClipDepth = 1000;  // longest chain of filters from a clip to its sources
constexpr int kMaxClipCost = 4096;   // most source frames one output frame may need

class Clip {
public:
    virtual ~Clip() = default;
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    const AVS_VideoInfo& info() const { return vi_; }
    bool has_video() const { return vi_.width > 0; }
    int depth() const { return depth_; }
    int cost() const { return cost_; }

    // Frame n, with n clamped into the clip's frame range. Throws ScriptError.
    FramePtr frame(int n);

protected:
    // `depth` and `cost` describe the filter graph below this clip (1 for a source).
    Clip(const AVS_VideoInfo& vi, int depth, int cost);
    virtual FramePtr make_frame(int n) = 0;  // 0 <= n < max(1, num_frames)

    AVS_VideoInfo vi_;

private:
    int depth_;
    int cost_;
};

using ClipPtr = std::shared_ptr<Clip>;

// Checks a frame size against the limits above; `who` names the function in the message.
void check_frame_size(const char* who, int width, int height);
// Checks the colour format's size constraints (even widths for subsampled formats).
void check_format_geometry(const char* who, int pixel_type, int width, int height);

// Audio samples that cover `frames` frames at the clip's frame rate.
long long frames_to_samples(const AVS_VideoInfo& vi, long long frames);

// The nearest fraction to a frame rate given as a (32-bit) float, to float precision.
// Throws ScriptError naming `who` for a rate that is not positive or above 1000000.
void rate_from_float(double fps, const char* who, unsigned& num, unsigned& den);

// True when both clips have the same frame size, colour format and frame rate.
bool same_video_format(const AVS_VideoInfo& a, const AVS_VideoInfo& b);

}  // namespace qvfs
