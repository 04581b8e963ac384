// The preview picture: the current frame's 4:2:0 planes turned into a 24-bit bitmap image with
// its 54-byte file header, rows bottom-up, pixels blue, green, red, rows packed (3 x width bytes,
// no padding). The colour conversion is BT.601 studio range in 16.16 fixed point:
//   T = 76284 (Y - 16);  R = (T + 104595 Cr) >> 16;  G = (T - 53281 Cr - 25625 Cb) >> 16;
//   B = (T + 132252 Cb) >> 16;  each clamped to 0..255  (Cb = U - 128, Cr = V - 128)
// Every 2 x 2 block of pixels shares one chroma sample. The vector paths give exactly the bytes
// of the scalar one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/core.h"

namespace qv {

inline constexpr int BITMAP_HEADER_BYTES = 54;

// 54 + 3 x width x height.
constexpr std::size_t bitmap_size(int width, int height) {
    return static_cast<std::size_t>(BITMAP_HEADER_BYTES) +
           3u * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

enum class PixelPath { scalar, sse2, ssse3, avx2, avx512 };  // avx512: with BW and VBMI

// Whether this processor runs the path (scalar and SSE2 always do on x86-64).
bool pixel_path_available(PixelPath path);
// The fastest available path; the one frame_to_bitmap uses.
PixelPath best_pixel_path();

// Writes the header and the pixel rows of a width x height frame into dest, which must hold
// bitmap_size(width, height) bytes. y holds height rows of width bytes; u and v hold height/2
// rows of width/2 bytes (pixel (r, x) takes chroma sample (r/2) * (width/2) + x/2). Width and
// height must be positive.
void frame_to_bitmap(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height,
                     uint8_t* dest);
// The same with a chosen path (tests and benchmarks); an unavailable path falls back to scalar.
void frame_to_bitmap(PixelPath path, const uint8_t* y, const uint8_t* u, const uint8_t* v,
                     int width, int height, uint8_t* dest);

// The frame store's current planes into its bitmap (under bitmap_mutex), then the preview
// picture is told to repaint. Does nothing without a source size the store can hold.
void render_preview(Core& core);

// The same from other planes of the source's size (the scan shows the frame it marked).
void render_preview_planes(Core& core, const uint8_t* y, const uint8_t* u, const uint8_t* v);

}  // namespace qv
