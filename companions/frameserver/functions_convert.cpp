// Colour format conversions: ConvertToYV12, ConvertToYUY2, ConvertToRGB32.
#include <mutex>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/function_registry.h"
#include "companions/frameserver/pixels.h"

namespace qvfs {

namespace {

class ConvertClip : public Clip {
public:
    ConvertClip(ClipPtr child, const AVS_VideoInfo& vi, const ColourMatrix& matrix)
        : Clip(vi, child->depth() + 1, child->cost()), child_(std::move(child)), matrix_(matrix) {}

protected:
    FramePtr make_frame(int n) override {
        FramePtr src = child_->frame(n);
        // Still sources repeat one frame; converting it once is enough.
        std::lock_guard lock(mutex_);
        if (cached_ && cached_src_ == src) return cached_;
        cached_ = convert_frame(*src, vi_.pixel_type, matrix_);
        cached_src_ = std::move(src);
        return cached_;
    }

private:
    ClipPtr child_;
    ColourMatrix matrix_;
    std::mutex mutex_;
    FramePtr cached_src_, cached_;
};

Value convert_to(const char* who, const ClipPtr& child, int pixel_type, const std::string& matrix) {
    const ColourMatrix m = colour_matrix(matrix, who);
    const AVS_VideoInfo& in = child->info();
    if (in.width == 0) throw ScriptError(std::string(who) + ": the clip has no video");
    const bool same = in.pixel_type == pixel_type ||
                      (is_planar_420(in.pixel_type) && pixel_type == AVS_CS_YV12);
    if (same) return Value(child);
    check_format_geometry(who, pixel_type, in.width, in.height);
    AVS_VideoInfo vi = in;
    vi.pixel_type = pixel_type;
    return Value(ClipPtr(std::make_shared<ConvertClip>(child, vi, m)));
}

}  // namespace

void register_convert_functions(FunctionRegistry& registry) {
    registry.add("ConvertToYV12",
                 {Param::req("clip", 'c'), Param::opt("interlaced", 'b'), Param::opt("matrix", 's')},
                 [](CallContext&, const Args& args) {
                     return convert_to("ConvertToYV12", args.clip(0), AVS_CS_YV12,
                                       args.get_string(2, "Rec601"));
                 });
    registry.add("ConvertToYUY2",
                 {Param::req("clip", 'c'), Param::opt("interlaced", 'b'), Param::opt("matrix", 's')},
                 [](CallContext&, const Args& args) {
                     return convert_to("ConvertToYUY2", args.clip(0), AVS_CS_YUY2,
                                       args.get_string(2, "Rec601"));
                 });
    registry.add("ConvertToRGB32",
                 {Param::req("clip", 'c'), Param::opt("matrix", 's'), Param::opt("interlaced", 'b')},
                 [](CallContext&, const Args& args) {
                     return convert_to("ConvertToRGB32", args.clip(0), AVS_CS_BGR32,
                                       args.get_string(1, "Rec601"));
                 });
}

}  // namespace qvfs
