#include "preview/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace qv {
namespace {

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

std::vector<PixelPath> available_paths() {
    std::vector<PixelPath> paths;
    for (PixelPath p : {PixelPath::scalar, PixelPath::sse2, PixelPath::ssse3, PixelPath::avx2,
                        PixelPath::avx512})
        if (pixel_path_available(p)) paths.push_back(p);
    return paths;
}

struct Planes {
    int width, height;
    std::vector<uint8_t> y, u, v;
    Planes(int w, int h)
        : width(w), height(h), y(static_cast<size_t>(w) * h),
          u(static_cast<size_t>(w / 2) * (h / 2)), v(u.size()) {}
    std::vector<uint8_t> render(PixelPath path) const {
        std::vector<uint8_t> out(bitmap_size(width, height), 0xEE);
        frame_to_bitmap(path, y.data(), u.data(), v.data(), width, height, out.data());
        return out;
    }
};

// One flat colour through every path: the blue, green, red bytes of the first pixel.
TEST(FrameToBitmap, StudioRangeColours) {
    struct Case { uint8_t y, cb, cr, b, g, r; };
    const Case cases[] = {
        {16, 128, 128, 0, 0, 0},        // black
        {235, 128, 128, 254, 254, 254}, // 76284 * 219 >> 16 floors to 254
        {82, 90, 240, 0, 0, 255},       // pure red
        {0, 0, 0, 0, 135, 0},           // below black: R and B clamp low, G rises
        {255, 255, 255, 255, 125, 255}, // above white: R and B clamp high
    };
    for (const Case& c : cases) {
        for (PixelPath path : available_paths()) {
            Planes p(64, 4);  // wide enough for every vector step
            std::fill(p.y.begin(), p.y.end(), c.y);
            std::fill(p.u.begin(), p.u.end(), c.cb);
            std::fill(p.v.begin(), p.v.end(), c.cr);
            std::vector<uint8_t> out = p.render(path);
            for (size_t i = 0; i < 64u * 4u; ++i) {
                const uint8_t* px = out.data() + 54 + 3 * i;
                ASSERT_EQ(px[0], c.b) << int(c.y) << "/" << int(c.cb) << "/" << int(c.cr) << " px " << i;
                ASSERT_EQ(px[1], c.g) << int(c.y) << "/" << int(c.cb) << "/" << int(c.cr) << " px " << i;
                ASSERT_EQ(px[2], c.r) << int(c.y) << "/" << int(c.cb) << "/" << int(c.cr) << " px " << i;
            }
        }
    }
}

TEST(FrameToBitmap, HeaderAndBottomUpLayoutOfAPalFrame) {
    const int w = 720, h = 576;
    for (PixelPath path : available_paths()) {
        Planes p(w, h);
        // Every luma row its own level, so the row order shows; chroma neutral.
        for (int r = 0; r < h; ++r) std::memset(p.y.data() + size_t(r) * w, 16 + r % 200, w);
        std::fill(p.u.begin(), p.u.end(), 128);
        std::fill(p.v.begin(), p.v.end(), 128);
        std::vector<uint8_t> out = p.render(path);
        ASSERT_EQ(out.size(), 54u + 1244160u);
        const uint8_t* hd = out.data();
        EXPECT_EQ(hd[0], 'B');
        EXPECT_EQ(hd[1], 'M');
        EXPECT_EQ(le32(hd + 2), 54u + 1244160u);
        EXPECT_EQ(le32(hd + 6), 0u);
        EXPECT_EQ(le32(hd + 10), 54u);
        EXPECT_EQ(le32(hd + 14), 40u);
        EXPECT_EQ(le32(hd + 18), 720u);
        EXPECT_EQ(le32(hd + 22), 576u);
        EXPECT_EQ(le16(hd + 26), 1);
        EXPECT_EQ(le16(hd + 28), 24);
        EXPECT_EQ(le32(hd + 30), 0u);
        EXPECT_EQ(le32(hd + 34), 1244160u);
        EXPECT_EQ(le32(hd + 38), 2835u);
        EXPECT_EQ(le32(hd + 42), 2835u);
        EXPECT_EQ(le32(hd + 46), 0u);
        EXPECT_EQ(le32(hd + 50), 0u);
        // Memory row m is frame row h - 1 - m; grey level g gives (76284 (g - 16)) >> 16.
        for (int m = 0; m < h; ++m) {
            const int g = 16 + (h - 1 - m) % 200;
            const uint8_t expected = static_cast<uint8_t>((76284 * (g - 16)) >> 16);
            const uint8_t* row = out.data() + 54 + size_t(m) * 3 * w;
            ASSERT_EQ(row[0], expected) << "memory row " << m;
            ASSERT_EQ(row[3 * w - 1], expected) << "memory row " << m;
        }
    }
}

// Every (Y, Cb, Cr) triple through the vector paths gives the scalar path's bytes. Each frame
// holds one Cr and every (Y, Cb) pair: chroma column j is Cb = j; the four pixels of each chroma
// sample and the 64 sample rows run through all 256 luma values. Under the sanitizers a stride
// keeps it quick.
TEST(FrameToBitmap, VectorPathsMatchScalarForEveryTriple) {
#if defined(__SANITIZE_ADDRESS__)
    const int cr_step = 17;
#else
    const int cr_step = 1;
#endif
    const int w = 512, h = 128;
    Planes p(w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) p.y[size_t(r) * w + x] = uint8_t((r / 2) * 4 + (r % 2) * 2 + x % 2);
    for (int i = 0; i < h / 2; ++i)
        for (int j = 0; j < w / 2; ++j) p.u[size_t(i) * (w / 2) + j] = uint8_t(j);
    std::vector<uint8_t> expected(bitmap_size(w, h)), got(bitmap_size(w, h));
    for (int cr = 0; cr < 256; cr += cr_step) {
        std::fill(p.v.begin(), p.v.end(), uint8_t(cr));
        frame_to_bitmap(PixelPath::scalar, p.y.data(), p.u.data(), p.v.data(), w, h, expected.data());
        for (PixelPath path : available_paths()) {
            if (path == PixelPath::scalar) continue;
            frame_to_bitmap(path, p.y.data(), p.u.data(), p.v.data(), w, h, got.data());
            ASSERT_EQ(0, std::memcmp(expected.data(), got.data(), got.size()))
                << "Cr " << cr << " path " << int(path);
        }
    }
}

// Widths that leave a tail after the vector steps, and random content, against the formula
// written out per pixel.
TEST(FrameToBitmap, RowTailsAndRandomContent) {
    std::mt19937 rng(7);
    for (int w : {2, 14, 16, 18, 30, 34, 46, 62, 64, 66, 98, 100, 126, 352, 706, 720}) {
        const int h = 6;
        Planes p(w, h);
        for (auto* plane : {&p.y, &p.u, &p.v})
            for (auto& b : *plane) b = uint8_t(rng());
        for (PixelPath path : available_paths()) {
            std::vector<uint8_t> out = p.render(path);
            for (int r = 0; r < h; ++r)
                for (int x = 0; x < w; ++x) {
                    const int k = (r / 2) * (w / 2) + x / 2;
                    const int cb = p.u[k] - 128, cr = p.v[k] - 128;
                    const int t = 76284 * (p.y[size_t(r) * w + x] - 16);
                    const int rgb[3] = {(t + 132252 * cb) >> 16, (t - 53281 * cr - 25625 * cb) >> 16,
                                        (t + 104595 * cr) >> 16};
                    const uint8_t* px = out.data() + 54 + 3 * (size_t(h - 1 - r) * w + x);
                    for (int c = 0; c < 3; ++c)
                        ASSERT_EQ(px[c], std::clamp(rgb[c], 0, 255))
                            << "width " << w << " row " << r << " x " << x << " path " << int(path);
                }
        }
    }
}

// The preview of the core: written from the frame store under its lock, the picture touched.
TEST(RenderPreview, WritesTheStoreBitmapAndTouchesThePicture) {
    auto core = std::make_unique<Core>();
    int touches = 0;
    core->ui.preview.add_observer([&](PageId, int id) {
        if (id == prv::PREVIEW_BOX) ++touches;
    });
    render_preview(*core);  // no source: nothing
    EXPECT_EQ(touches, 0);
    EXPECT_EQ(core->frames->bitmap[0], 0);

    core->source.width = 352;
    core->source.height = 288;
    std::memset(core->frames->y, 235, 352 * 288);
    std::memset(core->frames->u, 128, 176 * 144);
    std::memset(core->frames->v, 128, 176 * 144);
    render_preview(*core);
    EXPECT_EQ(touches, 1);
    EXPECT_EQ(le32(core->frames->bitmap + 18), 352u);
    EXPECT_EQ(core->frames->bitmap[54], 254);
    EXPECT_EQ(core->frames->bitmap[54 + 3 * 352 * 288 - 1], 254);
}

}  // namespace
}  // namespace qv
