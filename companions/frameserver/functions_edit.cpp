// Editing functions: cutting, joining, cross-fading, retiming, dropping video or audio.
#include <algorithm>
#include <climits>
#include <mutex>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/function_registry.h"
#include "companions/frameserver/pixels.h"

namespace qvfs {

namespace {

// Frames of the child unchanged, under a changed description (rate, audio, video removed).
class RelabelledClip : public Clip {
public:
    RelabelledClip(ClipPtr child, const AVS_VideoInfo& vi)
        : Clip(vi, child->depth() + 1, child->cost()), child_(std::move(child)) {}

protected:
    FramePtr make_frame(int n) override { return child_->frame(n); }

private:
    ClipPtr child_;
};

class TrimClip : public Clip {
public:
    TrimClip(ClipPtr child, const AVS_VideoInfo& vi, int first)
        : Clip(vi, child->depth() + 1, child->cost()), child_(std::move(child)), first_(first) {}

protected:
    FramePtr make_frame(int n) override { return child_->frame(first_ + n); }

private:
    ClipPtr child_;
    int first_;
};

// Clips one after another; joins of joins are kept flat so long splices stay shallow.
class SpliceClip : public Clip {
public:
    SpliceClip(std::vector<ClipPtr> parts, const AVS_VideoInfo& vi, bool aligned, int depth, int cost)
        : Clip(vi, depth, cost), parts_(std::move(parts)), aligned_(aligned) {
        long long start = 0;
        for (const auto& part : parts_) {
            starts_.push_back(start);
            start += part->info().num_frames;
        }
    }
    const std::vector<ClipPtr>& parts() const { return parts_; }
    bool aligned() const { return aligned_; }

protected:
    FramePtr make_frame(int n) override {
        // The last part that starts at or before n and has frames.
        size_t i = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), n) - starts_.begin());
        while (i > 0 && parts_[i - 1]->info().num_frames == 0) --i;
        if (i == 0) return parts_.front()->frame(0);
        return parts_[i - 1]->frame(n - static_cast<int>(starts_[i - 1]));
    }

private:
    std::vector<ClipPtr> parts_;
    std::vector<long long> starts_;
    bool aligned_;
};

class DissolveClip : public Clip {
public:
    DissolveClip(ClipPtr a, ClipPtr b, const AVS_VideoInfo& vi, int overlap)
        : Clip(vi, std::max(a->depth(), b->depth()) + 1, a->cost() + b->cost()),
          a_(std::move(a)), b_(std::move(b)), overlap_(overlap) {}

protected:
    FramePtr make_frame(int n) override {
        const int fade_start = a_->info().num_frames - overlap_;
        if (n < fade_start) return a_->frame(n);
        const int in_b = n - fade_start;
        if (in_b >= overlap_) return b_->frame(in_b);
        FramePtr fa = a_->frame(n);
        FramePtr fb = b_->frame(in_b);
        const int weight = in_b + 1;
        // Still sources hand out the same frame again and again; so does the blend then.
        std::lock_guard lock(mutex_);
        if (cached_ && cached_a_ == fa && cached_b_ == fb && cached_weight_ == weight) return cached_;
        cached_ = blend_frames(*fa, *fb, weight, overlap_ + 1);
        cached_a_ = std::move(fa);
        cached_b_ = std::move(fb);
        cached_weight_ = weight;
        return cached_;
    }

private:
    ClipPtr a_, b_;
    int overlap_;
    std::mutex mutex_;
    FramePtr cached_, cached_a_, cached_b_;
    int cached_weight_ = 0;
};

bool same_audio(const AVS_VideoInfo& a, const AVS_VideoInfo& b) {
    return a.audio_samples_per_second == b.audio_samples_per_second && a.nchannels == b.nchannels &&
           (a.audio_samples_per_second == 0 || a.sample_type == b.sample_type);
}

// The checks every join makes; `who` names the function in the message.
void check_joinable(const char* who, const AVS_VideoInfo& a, const AVS_VideoInfo& b) {
    const std::string name(who);
    if ((a.width > 0) != (b.width > 0))
        throw ScriptError(name + ": one clip has video and the other doesn't (not allowed)");
    if (a.width > 0) {
        if (a.width != b.width || a.height != b.height)
            throw ScriptError(name + ": Frame sizes don't match");
        if (a.pixel_type != b.pixel_type) throw ScriptError(name + ": Video formats don't match");
        if (static_cast<unsigned long long>(a.fps_numerator) * b.fps_denominator !=
            static_cast<unsigned long long>(b.fps_numerator) * a.fps_denominator)
            throw ScriptError(name + ": Video framerate doesn't match");
    }
    if ((a.audio_samples_per_second > 0) != (b.audio_samples_per_second > 0))
        throw ScriptError(name + ": one clip has audio and the other doesn't (not allowed)");
    if (!same_audio(a, b))
        throw ScriptError(name + ": the clips' audio differs (sample rate, channels or sample type)");
}

ClipPtr splice(const std::vector<ClipPtr>& clips, bool aligned) {
    const char* who = aligned ? "AlignedSplice" : "UnalignedSplice";
    std::vector<ClipPtr> parts;
    int depth = 1;
    int cost = 1;
    long long frames = 0;
    long long samples = 0;
    for (const auto& clip : clips) {
        check_joinable(who, clips.front()->info(), clip->info());
        frames += clip->info().num_frames;
        samples += clip->info().num_audio_samples;
        if (frames > INT_MAX) throw ScriptError(std::string(who) + ": the joined clip is too long");
        auto* inner = dynamic_cast<SpliceClip*>(clip.get());
        if (inner != nullptr && inner->aligned() == aligned) {
            parts.insert(parts.end(), inner->parts().begin(), inner->parts().end());
            depth = std::max(depth, inner->depth());
        } else {
            parts.push_back(clip);
            depth = std::max(depth, clip->depth() + 1);
        }
        cost = std::max(cost, clip->cost());
    }
    if (parts.size() > 1000000) throw ScriptError(std::string(who) + ": too many clips joined");
    AVS_VideoInfo vi = clips.front()->info();
    vi.num_frames = static_cast<int>(frames);
    vi.num_audio_samples = aligned ? frames_to_samples(vi, frames) : samples;
    return std::make_shared<SpliceClip>(std::move(parts), vi, aligned, depth, cost);
}

Value splice_function(const Args& args, bool aligned) {
    std::vector<ClipPtr> clips;
    for (const Value& v : args.all(0)) clips.push_back(v.as_clip());
    return Value(splice(clips, aligned));
}

// Trim(clip, first_frame, last_frame, pad) and Trim(clip, first_frame, length=, end=, pad=).
// last_frame 0 means "to the end", a negative last_frame -n means n frames.
Value trim(CallContext&, const Args& args) {
    const ClipPtr& child = args.clip(0);
    AVS_VideoInfo vi = child->info();
    const long long count = vi.num_frames;
    long long first = args.get_int(1, 0);
    long long last;
    const int given = (args.defined(2) ? 1 : 0) + (args.defined(3) ? 1 : 0) + (args.defined(4) ? 1 : 0);
    if (given > 1) throw ScriptError("Trim: give only one of last_frame, length and end");
    bool empty = false;
    if (args.defined(3)) {
        const long long length = args.get_int(3, 0);
        if (length < 0) throw ScriptError("Trim: length must not be negative");
        empty = length == 0;
        last = first + length - 1;
    } else if (args.defined(4)) {
        last = args.get_int(4, 0);
        if (last < first) throw ScriptError("Trim: end must not come before first_frame");
    } else {
        const long long lf = args.get_int(2, 0);
        last = lf == 0 ? count - 1 : (lf < 0 ? first - lf - 1 : lf);
    }
    first = std::clamp(first, 0LL, std::max(0LL, count - 1));
    last = std::clamp(last, first, std::max(first, count - 1));
    vi.num_frames = (count == 0 || empty) ? 0 : static_cast<int>(last - first + 1);
    if (vi.audio_samples_per_second > 0) {
        const long long begin = frames_to_samples(vi, first);
        const long long wanted = frames_to_samples(vi, vi.num_frames);
        const bool pad = args.get_bool(5, true);
        vi.num_audio_samples =
            pad ? wanted : std::clamp(child->info().num_audio_samples - begin, 0LL, wanted);
    }
    return Value(ClipPtr(std::make_shared<TrimClip>(child, vi, static_cast<int>(first))));
}

ClipPtr dissolve_pair(const ClipPtr& a, const ClipPtr& b, int overlap) {
    check_joinable("Dissolve", a->info(), b->info());
    overlap = std::min({overlap, a->info().num_frames, b->info().num_frames});
    AVS_VideoInfo vi = a->info();
    const long long frames = static_cast<long long>(a->info().num_frames) + b->info().num_frames - overlap;
    if (frames > INT_MAX) throw ScriptError("Dissolve: the joined clip is too long");
    vi.num_frames = static_cast<int>(frames);
    vi.num_audio_samples = frames_to_samples(vi, frames);
    return std::make_shared<DissolveClip>(a, b, vi, overlap);
}

// Dissolve(clip1, clip2 [, ...], overlap, fps): a cross-fade of `overlap` frames at each join.
Value dissolve(CallContext&, const Args& args) {
    const int overlap = args.get_int(1, 0);
    if (overlap < 0) throw ScriptError("Dissolve: Cannot dissolve if overlap is less than zero");
    const auto& clips = args.all(0);
    ClipPtr result = clips[0].as_clip();
    for (size_t i = 1; i < clips.size(); ++i) result = dissolve_pair(result, clips[i].as_clip(), overlap);
    return Value(result);
}

Value assume_rate(const ClipPtr& child, long long num, long long den, bool sync_audio) {
    if (num <= 0 || den <= 0 || num > 0xFFFFFFFFLL || den > 0xFFFFFFFFLL)
        throw ScriptError("AssumeFPS: the frame rate must be positive");
    AVS_VideoInfo vi = child->info();
    if (sync_audio && vi.audio_samples_per_second > 0) {
        const double scale = (static_cast<double>(num) / den) /
                             (static_cast<double>(vi.fps_numerator) / vi.fps_denominator);
        const double rate = vi.audio_samples_per_second * scale + 0.5;
        if (!(rate >= 1.0 && rate < 2.0e9)) throw ScriptError("AssumeFPS: the audio rate would be out of range");
        vi.audio_samples_per_second = static_cast<int>(rate);
    }
    vi.fps_numerator = static_cast<unsigned>(num);
    vi.fps_denominator = static_cast<unsigned>(den);
    return Value(ClipPtr(std::make_shared<RelabelledClip>(child, vi)));
}

Value assume_fps_preset(CallContext&, const Args& args) {
    struct Preset {
        const char* name;
        int num, den;
    };
    static constexpr Preset kPresets[] = {
        {"ntsc_film", 24000, 1001},   {"ntsc_video", 30000, 1001},     {"ntsc_double", 60000, 1001},
        {"ntsc_quad", 120000, 1001},  {"ntsc_round_film", 2997, 125},  {"ntsc_round_video", 2997, 100},
        {"ntsc_round_double", 2997, 50}, {"ntsc_round_quad", 2997, 25}, {"film", 24, 1},
        {"pal_film", 25, 1},          {"pal_video", 25, 1},            {"pal_double", 50, 1},
        {"pal_quad", 100, 1}};
    const auto key = to_lower(args.get_string(1, ""));
    for (const Preset& p : kPresets)
        if (key == p.name) return assume_rate(args.clip(0), p.num, p.den, args.get_bool(2, false));
    throw ScriptError("AssumeFPS: invalid preset \"" + args.get_string(1, "") + "\"");
}

Value assume_fps_float(CallContext&, const Args& args) {
    unsigned num = 0;
    unsigned den = 0;
    rate_from_float(args.get_float(1, 0.0), "AssumeFPS", num, den);
    return assume_rate(args.clip(0), num, den, args.get_bool(2, false));
}

}  // namespace

void register_edit_functions(FunctionRegistry& registry) {
    registry.add("Trim",
                 {Param::req("clip", 'c'), Param::req("first_frame", 'i'), Param::opt("last_frame", 'i'),
                  Param::named("length", 'i'), Param::named("end", 'i'), Param::opt("pad", 'b')},
                 trim);
    registry.add("AlignedSplice", {Param::many("clip", 'c', 2)},
                 [](CallContext&, const Args& args) { return splice_function(args, true); });
    registry.add("UnalignedSplice", {Param::many("clip", 'c', 2)},
                 [](CallContext&, const Args& args) { return splice_function(args, false); });
    registry.add("Dissolve", {Param::many("clip", 'c', 2), Param::req("overlap", 'i'), Param::opt("fps", 'f')},
                 dissolve);
    registry.add("AssumeFPS",
                 {Param::req("clip", 'c'), Param::req("numerator", 'i'), Param::opt("denominator", 'i'),
                  Param::opt("sync_audio", 'b')},
                 [](CallContext&, const Args& args) {
                     return assume_rate(args.clip(0), args.get_int(1, 0), args.get_int(2, 1),
                                        args.get_bool(3, false));
                 });
    registry.add("AssumeFPS", {Param::req("clip", 'c'), Param::req("fps", 'f'), Param::opt("sync_audio", 'b')},
                 assume_fps_float);
    registry.add("AssumeFPS", {Param::req("clip", 'c'), Param::req("clip2", 'c'), Param::opt("sync_audio", 'b')},
                 [](CallContext&, const Args& args) {
                     const auto& other = args.clip(1)->info();
                     return assume_rate(args.clip(0), other.fps_numerator, other.fps_denominator,
                                        args.get_bool(2, false));
                 });
    registry.add("AssumeFPS", {Param::req("clip", 'c'), Param::req("preset", 's'), Param::opt("sync_audio", 'b')},
                 assume_fps_preset);
    registry.add("KillVideo", {Param::req("clip", 'c')}, [](CallContext&, const Args& args) {
        AVS_VideoInfo vi = args.clip(0)->info();
        vi.width = 0;
        vi.height = 0;
        vi.pixel_type = 0;
        return Value(ClipPtr(std::make_shared<RelabelledClip>(args.clip(0), vi)));
    });
    registry.add("KillAudio", {Param::req("clip", 'c')}, [](CallContext&, const Args& args) {
        AVS_VideoInfo vi = args.clip(0)->info();
        vi.audio_samples_per_second = 0;
        vi.num_audio_samples = 0;
        vi.nchannels = 0;
        vi.sample_type = 0;
        return Value(ClipPtr(std::make_shared<RelabelledClip>(args.clip(0), vi)));
    });
}

}  // namespace qvfs
