#include "companions/frameserver/pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/function_registry.h"
#include "sources/frameserver_interface.h"

namespace qvfs {

namespace {

constexpr double kStudioY = 219.0 / 255.0;
constexpr double kStudioC = 224.0 / 255.0;

int fixed(double v) { return static_cast<int>(std::lround(v * 65536.0)); }
int clamp8(int v) { return std::clamp(v, 0, 255); }

// sy, sc: scale of luma and of chroma from RGB units; offset: luma of black.
ColourMatrix make_matrix(double kr, double kb, double sy, double sc, int offset) {
    const double kg = 1.0 - kr - kb;
    ColourMatrix m{};
    m.yr = fixed(kr * sy);
    m.yg = fixed(kg * sy);
    m.yb = fixed(kb * sy);
    m.y_offset = offset;
    m.ur = fixed(-kr * sc / (2 * (1 - kb)));
    m.ug = fixed(-kg * sc / (2 * (1 - kb)));
    m.ub = fixed(sc / 2);
    m.vr = fixed(sc / 2);
    m.vg = fixed(-kg * sc / (2 * (1 - kr)));
    m.vb = fixed(-kb * sc / (2 * (1 - kr)));
    m.y_scale = fixed(1.0 / sy);
    m.rv = fixed(2 * (1 - kr) / sc);
    m.gu = fixed(-2 * kb * (1 - kb) / kg / sc);
    m.gv = fixed(-2 * kr * (1 - kr) / kg / sc);
    m.bu = fixed(2 * (1 - kb) / sc);
    return m;
}

// Pointer to the first byte of picture row `y` (top is 0); RGB rows are stored bottom-up.
inline uint8_t* row_of(const Frame& f, int plane, int y) {
    const int stored = f.pixel_type == AVS_CS_BGR32 ? f.rows[plane] - 1 - y : y;
    return f.plane[plane] + static_cast<ptrdiff_t>(stored) * f.pitch[plane];
}

void planar_to_rgb(const Frame& s, Frame& d, const ColourMatrix& m) {
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* py = row_of(s, kPlaneY, y);
        const uint8_t* pu = row_of(s, kPlaneU, y / 2);
        const uint8_t* pv = row_of(s, kPlaneV, y / 2);
        uint8_t* out = row_of(d, 0, y);
        for (int x = 0; x < s.width; ++x) {
            int r, g, b;
            yuv_to_rgb(m, py[x], pu[x / 2], pv[x / 2], r, g, b);
            out[4 * x] = static_cast<uint8_t>(b);
            out[4 * x + 1] = static_cast<uint8_t>(g);
            out[4 * x + 2] = static_cast<uint8_t>(r);
            out[4 * x + 3] = 255;
        }
    }
}

void planar_to_yuy2(const Frame& s, Frame& d) {
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* py = row_of(s, kPlaneY, y);
        const uint8_t* pu = row_of(s, kPlaneU, y / 2);
        const uint8_t* pv = row_of(s, kPlaneV, y / 2);
        uint8_t* out = row_of(d, 0, y);
        for (int x = 0; x < s.width / 2; ++x) {
            out[4 * x] = py[2 * x];
            out[4 * x + 1] = pu[x];
            out[4 * x + 2] = py[2 * x + 1];
            out[4 * x + 3] = pv[x];
        }
    }
}

void yuy2_to_planar(const Frame& s, Frame& d) {
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* in = row_of(s, 0, y);
        uint8_t* py = row_of(d, kPlaneY, y);
        for (int x = 0; x < s.width; ++x) py[x] = in[2 * x];
    }
    for (int y = 0; y < s.height / 2; ++y) {
        const uint8_t* in0 = row_of(s, 0, 2 * y);
        const uint8_t* in1 = row_of(s, 0, 2 * y + 1);
        uint8_t* pu = row_of(d, kPlaneU, y);
        uint8_t* pv = row_of(d, kPlaneV, y);
        for (int x = 0; x < s.width / 2; ++x) {
            pu[x] = static_cast<uint8_t>((in0[4 * x + 1] + in1[4 * x + 1] + 1) / 2);
            pv[x] = static_cast<uint8_t>((in0[4 * x + 3] + in1[4 * x + 3] + 1) / 2);
        }
    }
}

void yuy2_to_rgb(const Frame& s, Frame& d, const ColourMatrix& m) {
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* in = row_of(s, 0, y);
        uint8_t* out = row_of(d, 0, y);
        for (int x = 0; x < s.width; ++x) {
            int r, g, b;
            const uint8_t* pair = in + 4 * (x / 2);
            yuv_to_rgb(m, in[2 * x], pair[1], pair[3], r, g, b);
            out[4 * x] = static_cast<uint8_t>(b);
            out[4 * x + 1] = static_cast<uint8_t>(g);
            out[4 * x + 2] = static_cast<uint8_t>(r);
            out[4 * x + 3] = 255;
        }
    }
}

void rgb_to_planar(const Frame& s, Frame& d, const ColourMatrix& m) {
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* in = row_of(s, 0, y);
        uint8_t* py = row_of(d, kPlaneY, y);
        for (int x = 0; x < s.width; ++x)
            py[x] = static_cast<uint8_t>(rgb_to_yuv(m, in[4 * x + 2], in[4 * x + 1], in[4 * x]).y);
    }
    for (int y = 0; y < s.height / 2; ++y) {
        const uint8_t* in0 = row_of(s, 0, 2 * y);
        const uint8_t* in1 = row_of(s, 0, 2 * y + 1);
        uint8_t* pu = row_of(d, kPlaneU, y);
        uint8_t* pv = row_of(d, kPlaneV, y);
        for (int x = 0; x < s.width / 2; ++x) {
            int sum[3] = {0, 0, 0};
            for (const uint8_t* px : {in0 + 8 * x, in0 + 8 * x + 4, in1 + 8 * x, in1 + 8 * x + 4})
                for (int c = 0; c < 3; ++c) sum[c] += px[c];
            const Yuv c = rgb_to_yuv(m, (sum[2] + 2) / 4, (sum[1] + 2) / 4, (sum[0] + 2) / 4);
            pu[x] = static_cast<uint8_t>(c.u);
            pv[x] = static_cast<uint8_t>(c.v);
        }
    }
}

void rgb_to_yuy2(const Frame& s, Frame& d, const ColourMatrix& m) {
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* in = row_of(s, 0, y);
        uint8_t* out = row_of(d, 0, y);
        for (int x = 0; x < s.width / 2; ++x) {
            const uint8_t* p0 = in + 8 * x;
            const uint8_t* p1 = p0 + 4;
            const Yuv c = rgb_to_yuv(m, (p0[2] + p1[2] + 1) / 2, (p0[1] + p1[1] + 1) / 2,
                                     (p0[0] + p1[0] + 1) / 2);
            out[4 * x] = static_cast<uint8_t>(rgb_to_yuv(m, p0[2], p0[1], p0[0]).y);
            out[4 * x + 1] = static_cast<uint8_t>(c.u);
            out[4 * x + 2] = static_cast<uint8_t>(rgb_to_yuv(m, p1[2], p1[1], p1[0]).y);
            out[4 * x + 3] = static_cast<uint8_t>(c.v);
        }
    }
}

void copy_planes(const Frame& s, Frame& d) {
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < s.rows[p]; ++y)
            std::memcpy(d.plane[p] + static_cast<ptrdiff_t>(y) * d.pitch[p],
                        s.plane[p] + static_cast<ptrdiff_t>(y) * s.pitch[p],
                        static_cast<size_t>(s.row_size[p]));
}

}  // namespace

ColourMatrix colour_matrix(const std::string& name, const char* who) {
    const auto key = to_lower(name);
    if (key == "rec601") return make_matrix(0.299, 0.114, kStudioY, kStudioC, 16);
    if (key == "pc.601" || key == "pc601") return make_matrix(0.299, 0.114, 1.0, 1.0, 0);
    if (key == "rec709") return make_matrix(0.2126, 0.0722, kStudioY, kStudioC, 16);
    if (key == "pc.709" || key == "pc709") return make_matrix(0.2126, 0.0722, 1.0, 1.0, 0);
    throw ScriptError(std::string(who) + ": invalid \"matrix\" parameter (RGB<->YUV conversion)");
}

const ColourMatrix& rec601() {
    static const ColourMatrix m = make_matrix(0.299, 0.114, kStudioY, kStudioC, 16);
    return m;
}

const ColourMatrix& studio_rgb_601() {
    static const ColourMatrix m = make_matrix(0.299, 0.114, 1.0, 224.0 / 219.0, 0);
    return m;
}

Yuv rgb_to_yuv(const ColourMatrix& m, int r, int g, int b) {
    constexpr int half = 1 << 15;
    return {clamp8(((m.yr * r + m.yg * g + m.yb * b + half) >> 16) + m.y_offset),
            clamp8(((m.ur * r + m.ug * g + m.ub * b + half) >> 16) + 128),
            clamp8(((m.vr * r + m.vg * g + m.vb * b + half) >> 16) + 128)};
}

void yuv_to_rgb(const ColourMatrix& m, int y, int u, int v, int& r, int& g, int& b) {
    constexpr int half = 1 << 15;
    const int yy = (y - m.y_offset) * m.y_scale;
    const int uu = u - 128;
    const int vv = v - 128;
    r = clamp8((yy + m.rv * vv + half) >> 16);
    g = clamp8((yy + m.gu * uu + m.gv * vv + half) >> 16);
    b = clamp8((yy + m.bu * uu + half) >> 16);
}

void fill_solid(Frame& f, const SolidColour& c) {
    if (is_planar_420(f.pixel_type)) {
        const int values[3] = {c.y, c.u, c.v};
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < f.rows[p]; ++y)
                std::memset(f.plane[p] + static_cast<ptrdiff_t>(y) * f.pitch[p], values[p],
                            static_cast<size_t>(f.row_size[p]));
        return;
    }
    uint8_t unit[4];
    if (f.pixel_type == AVS_CS_YUY2) {
        const uint8_t yuy2[4] = {static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.u),
                                 static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.v)};
        std::memcpy(unit, yuy2, 4);
    } else {
        const uint8_t bgra[4] = {static_cast<uint8_t>(c.b), static_cast<uint8_t>(c.g),
                                 static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.a)};
        std::memcpy(unit, bgra, 4);
    }
    uint8_t* first = f.plane[0];
    for (int x = 0; x + 4 <= f.row_size[0]; x += 4) std::memcpy(first + x, unit, 4);
    for (int y = 1; y < f.rows[0]; ++y)
        std::memcpy(first + static_cast<ptrdiff_t>(y) * f.pitch[0], first,
                    static_cast<size_t>(f.row_size[0]));
}

FramePtr convert_frame(const Frame& s, int pixel_type, const ColourMatrix& m) {
    auto d = allocate_frame(pixel_type, s.width, s.height);
    const bool from_planar = is_planar_420(s.pixel_type);
    if (from_planar && is_planar_420(pixel_type)) {
        copy_planes(s, *d);
    } else if (from_planar && pixel_type == AVS_CS_BGR32) {
        planar_to_rgb(s, *d, m);
    } else if (from_planar && pixel_type == AVS_CS_YUY2) {
        planar_to_yuy2(s, *d);
    } else if (s.pixel_type == AVS_CS_YUY2 && is_planar_420(pixel_type)) {
        yuy2_to_planar(s, *d);
    } else if (s.pixel_type == AVS_CS_YUY2 && pixel_type == AVS_CS_BGR32) {
        yuy2_to_rgb(s, *d, m);
    } else if (s.pixel_type == AVS_CS_BGR32 && is_planar_420(pixel_type)) {
        rgb_to_planar(s, *d, m);
    } else if (s.pixel_type == AVS_CS_BGR32 && pixel_type == AVS_CS_YUY2) {
        rgb_to_yuy2(s, *d, m);
    } else {
        copy_planes(s, *d);
    }
    return d;
}

FramePtr blend_frames(const Frame& a, const Frame& b, int weight, int total) {
    auto d = allocate_frame(a.pixel_type, a.width, a.height);
    // Weights in 1/32768 steps keep the arithmetic in range for any overlap length.
    const int w = static_cast<int>(static_cast<long long>(weight) * 32768 / total);
    const int keep = 32768 - w;
    for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < a.rows[p]; ++y) {
            const uint8_t* pa = a.plane[p] + static_cast<ptrdiff_t>(y) * a.pitch[p];
            const uint8_t* pb = b.plane[p] + static_cast<ptrdiff_t>(y) * b.pitch[p];
            uint8_t* out = d->plane[p] + static_cast<ptrdiff_t>(y) * d->pitch[p];
            for (int x = 0; x < a.row_size[p]; ++x)
                out[x] = static_cast<uint8_t>((pa[x] * keep + pb[x] * w + 16384) >> 15);
        }
    }
    return d;
}

}  // namespace qvfs
