#include "preview/bitmap.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace qv {

namespace {

// The conversion constants, split so that every product is an exact 16 x 16 -> 32 bit
// multiply-add: 76284 = 4 x 19071, 104595 = 5 x 20919, 132252 = 12 x 11021,
// 53281 = 26641 + 26640. The vector paths feed (4 (Y - 16), 5 Cr), (4 (Y - 16), 12 Cb),
// (4 (Y - 16), Cb) and (Cr, Cr) pairs to the multiply-add, which gives the same 32-bit sums as
// the scalar formula.
constexpr int K_Y = 19071;
constexpr int K_R_CR = 20919;
constexpr int K_B_CB = 11021;
constexpr int K_G_CB = -25625;
constexpr int K_G_CR_A = -26641;
constexpr int K_G_CR_B = -26640;

inline uint8_t clamp_byte(int32_t value) {
    return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

inline void put_le16(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void put_le32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void write_header(uint8_t* dest, int width, int height) {
    const uint32_t image_bytes = 3u * static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
    std::memset(dest, 0, BITMAP_HEADER_BYTES);
    dest[0] = 'B';
    dest[1] = 'M';
    put_le32(dest + 2, image_bytes + BITMAP_HEADER_BYTES);
    put_le32(dest + 10, BITMAP_HEADER_BYTES);
    put_le32(dest + 14, 40);
    put_le32(dest + 18, static_cast<uint32_t>(width));
    put_le32(dest + 22, static_cast<uint32_t>(height));
    put_le16(dest + 26, 1);
    put_le16(dest + 28, 24);
    put_le32(dest + 34, image_bytes);
    put_le32(dest + 38, 2835);
    put_le32(dest + 42, 2835);
}

// Pixels [x, end) of one row; u and v point at the row's chroma samples (x/2 indexes them).
void row_scalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int x, int end) {
    for (; x < end; ++x) {
        const int32_t cb = static_cast<int32_t>(u[x / 2]) - 128;
        const int32_t cr = static_cast<int32_t>(v[x / 2]) - 128;
        const int32_t t = 76284 * (static_cast<int32_t>(y[x]) - 16);
        const int32_t r = (t + 104595 * cr) >> 16;
        const int32_t g = (t - 53281 * cr - 25625 * cb) >> 16;
        const int32_t b = (t + 132252 * cb) >> 16;
        uint8_t* p = out + 3 * x;
        p[0] = clamp_byte(b);
        p[1] = clamp_byte(g);
        p[2] = clamp_byte(r);
    }
}

// ---- SSE2: 16 pixels per step ---------------------------------------------------------------

// Eight pixels of one channel from their (luma, chroma) word pairs: 32-bit multiply-add, floor
// shift, saturating pack to words.
inline __m128i channel8_sse2(__m128i yq, __m128i cq, __m128i k) {
    __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(yq, cq), k);
    __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(yq, cq), k);
    return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

// Green needs three terms: (4 (Y - 16), Cb) pairs per pixel, and -53281 Cr per chroma sample,
// which the (Cr, Cr) word pairs of the duplicated chroma give directly, one per 32-bit lane.
inline __m128i green8_sse2(__m128i yq, __m128i cbd, __m128i crd, __m128i k_cb, __m128i k_cr) {
    __m128i gc = _mm_madd_epi16(crd, k_cr);  // samples of pixels 0-7, one per lane
    __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(yq, cbd), k_cb),
                               _mm_unpacklo_epi32(gc, gc));
    __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(yq, cbd), k_cb),
                               _mm_unpackhi_epi32(gc, gc));
    return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

// Two words a (low) and b (high) as one 32-bit lane.
constexpr int32_t pair_value(int a, int b) {
    return static_cast<int32_t>((static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) & 0xFFFFu));
}

inline __m128i pair16(int a, int b) { return _mm_set1_epi32(pair_value(a, b)); }

// Four 0x00RRGGBB pixels to twelve packed bytes in the low 12 bytes (the top 4 are zero).
inline __m128i pack_pixels4_sse2(__m128i px) {
    const __m128i low_dword = _mm_set_epi32(0, -1, 0, -1);
    const __m128i high_part = _mm_set_epi32(-1, static_cast<int32_t>(0xFF000000u), -1,
                                            static_cast<int32_t>(0xFF000000u));
    // Per quadword: pixel 0 in bytes 0-2, pixel 1 (shifted down by one byte) in bytes 3-5.
    __m128i q = _mm_or_si128(_mm_and_si128(px, low_dword),
                             _mm_and_si128(_mm_srli_epi64(px, 8), high_part));
    const __m128i first6 = _mm_set_epi32(0, 0, 0x0000FFFF, -1);
    const __m128i next6 = _mm_set_epi32(0, -1, static_cast<int32_t>(0xFFFF0000u), 0);
    return _mm_or_si128(_mm_and_si128(q, first6), _mm_and_si128(_mm_srli_si128(q, 2), next6));
}

// 16 pixels of blue, green and red bytes to 48 bytes B G R B G R ...
inline void store_bgr16_sse2(uint8_t* out, __m128i b, __m128i g, __m128i r) {
    const __m128i zero = _mm_setzero_si128();
    __m128i bg_lo = _mm_unpacklo_epi8(b, g);
    __m128i bg_hi = _mm_unpackhi_epi8(b, g);
    __m128i r_lo = _mm_unpacklo_epi8(r, zero);
    __m128i r_hi = _mm_unpackhi_epi8(r, zero);
    __m128i p0 = pack_pixels4_sse2(_mm_unpacklo_epi16(bg_lo, r_lo));
    __m128i p1 = pack_pixels4_sse2(_mm_unpackhi_epi16(bg_lo, r_lo));
    __m128i p2 = pack_pixels4_sse2(_mm_unpacklo_epi16(bg_hi, r_hi));
    __m128i p3 = pack_pixels4_sse2(_mm_unpackhi_epi16(bg_hi, r_hi));
    __m128i o0 = _mm_or_si128(p0, _mm_slli_si128(p1, 12));
    __m128i o1 = _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8));
    __m128i o2 = _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), o0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), o1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), o2);
}

// Pixels [x, ...) of one row in steps of 16 while a whole step fits; returns where it stopped.
int row_sse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int x, int width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c64 = _mm_set1_epi16(64);
    const __m128i c128 = _mm_set1_epi16(128);
    const __m128i five = _mm_set1_epi16(5);
    const __m128i twelve = _mm_set1_epi16(12);
    const __m128i k_r = pair16(K_Y, K_R_CR);
    const __m128i k_b = pair16(K_Y, K_B_CB);
    const __m128i k_g_cb = pair16(K_Y, K_G_CB);
    const __m128i k_g_cr = pair16(K_G_CR_A, K_G_CR_B);
    for (; x + 16 <= width; x += 16) {
        __m128i yv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x));
        __m128i y_lo = _mm_sub_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(yv, zero), 2), c64);
        __m128i y_hi = _mm_sub_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(yv, zero), 2), c64);
        __m128i cb = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2)), zero), c128);
        __m128i cr = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + x / 2)), zero), c128);
        __m128i cr5 = _mm_mullo_epi16(cr, five);
        __m128i cb12 = _mm_mullo_epi16(cb, twelve);

        __m128i r_lo = channel8_sse2(y_lo, _mm_unpacklo_epi16(cr5, cr5), k_r);
        __m128i r_hi = channel8_sse2(y_hi, _mm_unpackhi_epi16(cr5, cr5), k_r);
        __m128i b_lo = channel8_sse2(y_lo, _mm_unpacklo_epi16(cb12, cb12), k_b);
        __m128i b_hi = channel8_sse2(y_hi, _mm_unpackhi_epi16(cb12, cb12), k_b);
        __m128i g_lo = green8_sse2(y_lo, _mm_unpacklo_epi16(cb, cb), _mm_unpacklo_epi16(cr, cr),
                                   k_g_cb, k_g_cr);
        __m128i g_hi = green8_sse2(y_hi, _mm_unpackhi_epi16(cb, cb), _mm_unpackhi_epi16(cr, cr),
                                   k_g_cb, k_g_cr);
        store_bgr16_sse2(out + 3 * x, _mm_packus_epi16(b_lo, b_hi), _mm_packus_epi16(g_lo, g_hi),
                         _mm_packus_epi16(r_lo, r_hi));
    }
    return x;
}

// ---- AVX2: 32 pixels per step -----------------------------------------------------------------
// Unpacks work within 128-bit lanes: after widening, lane 0 holds pixels 0-7 / 8-15 and lane 1
// pixels 16-23 / 24-31, and the chroma is widened so that its lanes line up the same way; the
// final byte pack puts pixels 0-15 in lane 0 and 16-31 in lane 1.

#define QV_AVX2 __attribute__((target("avx2")))

QV_AVX2 inline __m256i channel8_avx2(__m256i yq, __m256i cq, __m256i k) {
    __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi16(yq, cq), k);
    __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi16(yq, cq), k);
    return _mm256_packs_epi32(_mm256_srai_epi32(lo, 16), _mm256_srai_epi32(hi, 16));
}

QV_AVX2 inline __m256i green8_avx2(__m256i yq, __m256i cbd, __m256i crd, __m256i k_cb,
                                   __m256i k_cr) {
    __m256i gc = _mm256_madd_epi16(crd, k_cr);
    __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(yq, cbd), k_cb),
                                  _mm256_unpacklo_epi32(gc, gc));
    __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(yq, cbd), k_cb),
                                  _mm256_unpackhi_epi32(gc, gc));
    return _mm256_packs_epi32(_mm256_srai_epi32(lo, 16), _mm256_srai_epi32(hi, 16));
}

// Byte-shuffle masks that spread 16 pixels of one channel over the three 16-byte chunks of the
// packed B G R output: mask[chunk][channel].
struct BgrMasks {
    alignas(32) int8_t m[3][3][32];
    BgrMasks() {
        for (int chunk = 0; chunk < 3; ++chunk)
            for (int channel = 0; channel < 3; ++channel)
                for (int i = 0; i < 32; ++i) {
                    int j = chunk * 16 + (i % 16);  // output byte within the 48 of the lane
                    m[chunk][channel][i] =
                        static_cast<int8_t>(j % 3 == channel ? j / 3 : 0x80);
                }
    }
};
const BgrMasks bgr_masks;

// The masks live in registers (or the stack) for the whole row: loads from the global table
// could not be kept across the stores into the bitmap, which may alias anything.
struct BgrMaskRegs {
    __m256i m[3][3];
};

QV_AVX2 inline BgrMaskRegs load_masks_avx2() {
    BgrMaskRegs regs;
    for (int c = 0; c < 3; ++c)
        for (int ch = 0; ch < 3; ++ch)
            regs.m[c][ch] = _mm256_load_si256(reinterpret_cast<const __m256i*>(bgr_masks.m[c][ch]));
    return regs;
}

QV_AVX2 inline __m256i chunk_avx2(__m256i b, __m256i g, __m256i r, const __m256i mask[3]) {
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, mask[0]), _mm256_shuffle_epi8(g, mask[1])),
                           _mm256_shuffle_epi8(r, mask[2]));
}

QV_AVX2 int row_avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int x,
                     int width) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i c64 = _mm256_set1_epi16(64);
    const __m256i c128 = _mm256_set1_epi16(128);
    const __m256i five = _mm256_set1_epi16(5);
    const __m256i twelve = _mm256_set1_epi16(12);
    const __m256i k_r = _mm256_set1_epi32(pair_value(K_Y, K_R_CR));
    const __m256i k_b = _mm256_set1_epi32(pair_value(K_Y, K_B_CB));
    const __m256i k_g_cb = _mm256_set1_epi32(pair_value(K_Y, K_G_CB));
    const __m256i k_g_cr = _mm256_set1_epi32(pair_value(K_G_CR_A, K_G_CR_B));
    const BgrMaskRegs masks = load_masks_avx2();
    for (; x + 32 <= width; x += 32) {
        __m256i yv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + x));
        __m256i y_lo = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(yv, zero), 2), c64);
        __m256i y_hi = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(yv, zero), 2), c64);
        __m256i cb = _mm256_sub_epi16(
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2))), c128);
        __m256i cr = _mm256_sub_epi16(
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2))), c128);
        __m256i cr5 = _mm256_mullo_epi16(cr, five);
        __m256i cb12 = _mm256_mullo_epi16(cb, twelve);

        __m256i r_lo = channel8_avx2(y_lo, _mm256_unpacklo_epi16(cr5, cr5), k_r);
        __m256i r_hi = channel8_avx2(y_hi, _mm256_unpackhi_epi16(cr5, cr5), k_r);
        __m256i b_lo = channel8_avx2(y_lo, _mm256_unpacklo_epi16(cb12, cb12), k_b);
        __m256i b_hi = channel8_avx2(y_hi, _mm256_unpackhi_epi16(cb12, cb12), k_b);
        __m256i g_lo = green8_avx2(y_lo, _mm256_unpacklo_epi16(cb, cb), _mm256_unpacklo_epi16(cr, cr),
                                   k_g_cb, k_g_cr);
        __m256i g_hi = green8_avx2(y_hi, _mm256_unpackhi_epi16(cb, cb), _mm256_unpackhi_epi16(cr, cr),
                                   k_g_cb, k_g_cr);
        __m256i b = _mm256_packus_epi16(b_lo, b_hi);
        __m256i g = _mm256_packus_epi16(g_lo, g_hi);
        __m256i r = _mm256_packus_epi16(r_lo, r_hi);

        // Chunk k holds output bytes 16k..16k+15 of pixels 0-15 (lane 0) and of 16-31 (lane 1).
        __m256i o0 = chunk_avx2(b, g, r, masks.m[0]);
        __m256i o1 = chunk_avx2(b, g, r, masks.m[1]);
        __m256i o2 = chunk_avx2(b, g, r, masks.m[2]);
        uint8_t* p = out + 3 * x;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_permute2x128_si256(o0, o1, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32), _mm256_permute2x128_si256(o2, o0, 0x30));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 64), _mm256_permute2x128_si256(o1, o2, 0x31));
    }
    return x;
}

bool cpu_has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// ---- AVX-512 (BW + VBMI): 64 pixels per step -------------------------------------------------
// The same arithmetic on four 128-bit lanes; after the byte pack the blue, green and red
// registers hold pixels 0-63 in order, and byte permutes across the whole register interleave
// them into the three 64-byte stores.

#define QV_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// g++ 12's AVX-512 intrinsics pass an intentionally undefined vector as the pass-through operand
// and then warn about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

QV_AVX512 inline __m512i channel8_avx512(__m512i yq, __m512i cq, __m512i k) {
    __m512i lo = _mm512_madd_epi16(_mm512_unpacklo_epi16(yq, cq), k);
    __m512i hi = _mm512_madd_epi16(_mm512_unpackhi_epi16(yq, cq), k);
    return _mm512_packs_epi32(_mm512_srai_epi32(lo, 16), _mm512_srai_epi32(hi, 16));
}

QV_AVX512 inline __m512i green8_avx512(__m512i yq, __m512i cbd, __m512i crd, __m512i k_cb,
                                       __m512i k_cr) {
    __m512i gc = _mm512_madd_epi16(crd, k_cr);
    __m512i lo = _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpacklo_epi16(yq, cbd), k_cb),
                                  _mm512_unpacklo_epi32(gc, gc));
    __m512i hi = _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpackhi_epi16(yq, cbd), k_cb),
                                  _mm512_unpackhi_epi32(gc, gc));
    return _mm512_packs_epi32(_mm512_srai_epi32(lo, 16), _mm512_srai_epi32(hi, 16));
}

// For output register s (bytes 64s .. 64s + 63 of the 192): the byte index into (blue, green)
// for blue and green bytes, into red for red bytes, and the mask of the red bytes.
struct BgrPermutes {
    alignas(64) uint8_t blue_green[3][64];
    alignas(64) uint8_t red[3][64];
    uint64_t red_mask[3] = {0, 0, 0};
    BgrPermutes() {
        for (int s = 0; s < 3; ++s)
            for (int i = 0; i < 64; ++i) {
                const int j = 64 * s + i;
                const int pixel = j / 3;
                const int channel = j % 3;
                blue_green[s][i] = static_cast<uint8_t>(channel == 1 ? 64 + pixel : pixel);
                red[s][i] = static_cast<uint8_t>(pixel);
                if (channel == 2) red_mask[s] |= uint64_t{1} << i;
            }
    }
};
const BgrPermutes bgr_permutes;

QV_AVX512 int row_avx512(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int x,
                         int width) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i c64 = _mm512_set1_epi16(64);
    const __m512i c128 = _mm512_set1_epi16(128);
    const __m512i five = _mm512_set1_epi16(5);
    const __m512i twelve = _mm512_set1_epi16(12);
    const __m512i k_r = _mm512_set1_epi32(pair_value(K_Y, K_R_CR));
    const __m512i k_b = _mm512_set1_epi32(pair_value(K_Y, K_B_CB));
    const __m512i k_g_cb = _mm512_set1_epi32(pair_value(K_Y, K_G_CB));
    const __m512i k_g_cr = _mm512_set1_epi32(pair_value(K_G_CR_A, K_G_CR_B));
    __m512i bg_index[3], r_index[3];
    __mmask64 r_mask[3];
    for (int s = 0; s < 3; ++s) {
        bg_index[s] = _mm512_load_si512(bgr_permutes.blue_green[s]);
        r_index[s] = _mm512_load_si512(bgr_permutes.red[s]);
        r_mask[s] = bgr_permutes.red_mask[s];
    }
    for (; x + 64 <= width; x += 64) {
        __m512i yv = _mm512_loadu_si512(y + x);
        __m512i y_lo = _mm512_sub_epi16(_mm512_slli_epi16(_mm512_unpacklo_epi8(yv, zero), 2), c64);
        __m512i y_hi = _mm512_sub_epi16(_mm512_slli_epi16(_mm512_unpackhi_epi8(yv, zero), 2), c64);
        __m512i cb = _mm512_sub_epi16(
            _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + x / 2))), c128);
        __m512i cr = _mm512_sub_epi16(
            _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + x / 2))), c128);
        __m512i cr5 = _mm512_mullo_epi16(cr, five);
        __m512i cb12 = _mm512_mullo_epi16(cb, twelve);

        __m512i r_lo = channel8_avx512(y_lo, _mm512_unpacklo_epi16(cr5, cr5), k_r);
        __m512i r_hi = channel8_avx512(y_hi, _mm512_unpackhi_epi16(cr5, cr5), k_r);
        __m512i b_lo = channel8_avx512(y_lo, _mm512_unpacklo_epi16(cb12, cb12), k_b);
        __m512i b_hi = channel8_avx512(y_hi, _mm512_unpackhi_epi16(cb12, cb12), k_b);
        __m512i g_lo = green8_avx512(y_lo, _mm512_unpacklo_epi16(cb, cb), _mm512_unpacklo_epi16(cr, cr),
                                     k_g_cb, k_g_cr);
        __m512i g_hi = green8_avx512(y_hi, _mm512_unpackhi_epi16(cb, cb), _mm512_unpackhi_epi16(cr, cr),
                                     k_g_cb, k_g_cr);
        __m512i b = _mm512_packus_epi16(b_lo, b_hi);
        __m512i g = _mm512_packus_epi16(g_lo, g_hi);
        __m512i r = _mm512_packus_epi16(r_lo, r_hi);

        uint8_t* p = out + 3 * x;
        for (int s = 0; s < 3; ++s) {
            __m512i bgr = _mm512_permutex2var_epi8(b, bg_index[s], g);
            bgr = _mm512_mask_permutexvar_epi8(bgr, r_mask[s], r_index[s], r);
            _mm512_storeu_si512(p + 64 * s, bgr);
        }
    }
    return x;
}

#pragma GCC diagnostic pop

bool cpu_has_avx512() {
    static const bool has = cpu_has_avx2() && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
}


}  // namespace

bool pixel_path_available(PixelPath path) {
    switch (path) {
        case PixelPath::scalar:
        case PixelPath::sse2: return true;
        case PixelPath::avx2: return cpu_has_avx2();
        case PixelPath::avx512: return cpu_has_avx512();
    }
    return false;
}

PixelPath best_pixel_path() {
    if (cpu_has_avx512()) return PixelPath::avx512;
    return cpu_has_avx2() ? PixelPath::avx2 : PixelPath::sse2;
}

void frame_to_bitmap(PixelPath path, const uint8_t* y, const uint8_t* u, const uint8_t* v,
                     int width, int height, uint8_t* dest) {
    write_header(dest, width, height);
    if (!pixel_path_available(path)) path = PixelPath::scalar;
    const std::size_t row_bytes = 3u * static_cast<std::size_t>(width);
    const int chroma_width = width / 2;
    for (int r = 0; r < height; ++r) {
        const uint8_t* yr = y + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
        const std::size_t c = static_cast<std::size_t>(r / 2) * static_cast<std::size_t>(chroma_width);
        const uint8_t* ur = u + c;
        const uint8_t* vr = v + c;
        uint8_t* out = dest + BITMAP_HEADER_BYTES +
                       static_cast<std::size_t>(height - 1 - r) * row_bytes;
        int x = 0;
        if (path == PixelPath::avx512) x = row_avx512(yr, ur, vr, out, x, width);
        if (path == PixelPath::avx2 || path == PixelPath::avx512) x = row_avx2(yr, ur, vr, out, x, width);
        if (path != PixelPath::scalar) x = row_sse2(yr, ur, vr, out, x, width);
        row_scalar(yr, ur, vr, out, x, width);
    }
}

void frame_to_bitmap(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height,
                     uint8_t* dest) {
    static const PixelPath best = best_pixel_path();
    frame_to_bitmap(best, y, u, v, width, height, dest);
}

void render_preview_planes(Core& core, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
    const int width = core.source.width;
    const int height = core.source.height;
    if (width <= 0 || height <= 0 || width > MAX_FRAME_WIDTH || height > MAX_FRAME_HEIGHT ||
        bitmap_size(width, height) > static_cast<std::size_t>(BITMAP_BYTES))
        return;
    {
        std::lock_guard<std::mutex> lock(core.frames->bitmap_mutex);
        frame_to_bitmap(y, u, v, width, height, core.frames->bitmap);
    }
    core.ui.preview.touch(prv::PREVIEW_BOX);
}

void render_preview(Core& core) {
    FrameStore& f = *core.frames;
    render_preview_planes(core, f.y, f.u, f.v);
}

}  // namespace qv
