// Pixel work: colour matrices, solid fills, format conversion and blending of frames.
#pragma once

#include <string>

#include "companions/frameserver/frame.h"

namespace qvfs {

// An RGB <-> YUV matrix in 16.16 fixed point. Studio ("Rec") matrices map 0-255 RGB to
// Y 16-235 and U, V 16-240; "PC" matrices keep the full 0-255 range.
struct ColourMatrix {
    int yr, yg, yb, y_offset;
    int ur, ug, ub;
    int vr, vg, vb;
    int y_scale;  // inverse: (Y - y_offset) * y_scale
    int rv, gu, gv, bu;
};

// "Rec601" (the default), "PC.601", "Rec709", "PC.709", case-insensitive; throws ScriptError
// naming `who` for anything else.
ColourMatrix colour_matrix(const std::string& name, const char* who);
const ColourMatrix& rec601();
// For RGB that is already in studio range (16-235), as colour bars are: Y = 0.299 R + ...
const ColourMatrix& studio_rgb_601();

struct Yuv {
    int y, u, v;
};
Yuv rgb_to_yuv(const ColourMatrix& m, int r, int g, int b);
void yuv_to_rgb(const ColourMatrix& m, int y, int u, int v, int& r, int& g, int& b);

// Colour of a solid frame, in both descriptions; the right one is used per format.
struct SolidColour {
    int r, g, b, a;  // for RGB32
    int y, u, v;     // for YUV formats
};
void fill_solid(Frame& frame, const SolidColour& colour);

// A new frame with the picture of `src` in `pixel_type` (same size).
FramePtr convert_frame(const Frame& src, int pixel_type, const ColourMatrix& m);

// A new frame (a * (total - weight) + b * weight) / total, byte by byte; same formats.
FramePtr blend_frames(const Frame& a, const Frame& b, int weight, int total);

}  // namespace qvfs
