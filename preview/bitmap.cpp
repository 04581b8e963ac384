#include "preview/bitmap.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace qv {

namespace {

// The conversion constants, split so that every product is an exact 16 x 16 -> 32 bit
// multiply-add: 76284 = 4 x 19071, 104595 = 5 x 20919, 132252 = 12 x 11021,
// 53281 = 26641 + 26640. The vector paths multiply 4 Y, 5 V, 12 U, U and V words by these
// halves, which gives the same 32-bit sums as the scalar formula.
constexpr int K_Y = 19071;
constexpr int K_R_CR = 20919;
constexpr int K_B_CB = 11021;
constexpr int K_G_CB = -25625;
constexpr int K_G_CR_A = -26641;
constexpr int K_G_CR_B = -26640;

#define QV_INLINE inline __attribute__((always_inline))

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

// ---- The vector arithmetic ---------------------------------------------------------------------
// Every 128-bit lane works on 16 pixels of each of the two rows that share one chroma row, and
// on their 8 chroma samples. A lane's 32-bit element j covers pixels 4j..4j+3 (luma words: the
// even pixels 4j, 4j+2 and the odd pixels 4j+1, 4j+3) and chroma samples 2j and 2j+1 (chroma
// words as loaded), so no unpacking is needed until the final byte pack:
//   T (4j)     = multiply-add of the even luma words with (19071, 0), T (4j + 2) with (0, 19071),
//   T (4j + 1) = the same on the odd luma words, (4j + 3) likewise;
//   a channel's chroma term of sample 2j (pixels 4j, 4j + 1) and 2j + 1 (4j + 2, 4j + 3) is made
//   the same way once per chroma row, with -76284 x 16 and the -128 of Cb and Cr folded in.
// The 32-bit sums are the scalar formula's exactly. In the SSE2 and SSSE3 paths a channel's
// bytes come out of the lane's pack as pixels 4j (bytes 0-3), 4j + 2 (4-7), 4j + 1 (8-11),
// 4j + 3 (12-15).

// Where pixel p of a 16-pixel lane (p may count on across lanes) sits in a channel register.
constexpr int channel_byte(int p) {
    const int m = p & 3;
    return (p & ~15) | (((m & 1) << 1 | (m >> 1)) << 2) | ((p >> 2) & 3);
}

// The same for the AVX2 and AVX-512 paths, whose channel registers take the high words of the
// 32-bit sums by blending pixels 4j and 4j + 2 (and 4j + 1 and 4j + 3) into one 32-bit element:
// pixels 4j, 4j + 2 interleaved in bytes 0-7, 4j + 1, 4j + 3 in bytes 8-15.
constexpr int channel_byte_blended(int p) {
    const int m = p & 3;
    return (p & ~15) | ((m & 1) << 3) | (((p >> 2) & 3) << 1) | (m >> 1);
}

// The folded offsets: T + term = 76284 (Y - 16) + k Cb/Cr with raw U and V words.
constexpr int32_t BIAS_Y = -16 * 4 * K_Y;
constexpr int32_t BIAS_R = BIAS_Y - 128 * 5 * K_R_CR;
constexpr int32_t BIAS_G = BIAS_Y - 128 * (K_G_CB + K_G_CR_A + K_G_CR_B);
constexpr int32_t BIAS_B = BIAS_Y - 128 * 12 * K_B_CB;
static_assert(4 * K_Y == 76284 && 5 * K_R_CR == 104595 && 12 * K_B_CB == 132252 &&
              K_G_CR_A + K_G_CR_B == -53281 && K_G_CB == -25625);

// Two words a (low) and b (high) as one 32-bit lane.
constexpr int32_t pair_value(int a, int b) {
    return static_cast<int32_t>((static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) & 0xFFFFu));
}

// ---- SSE2: 16 pixels of two rows per step ------------------------------------------------------

inline __m128i pair16(int a, int b) { return _mm_set1_epi32(pair_value(a, b)); }

// Chroma terms per channel: [0] of samples 2j, [1] of samples 2j + 1.
struct Chroma16 {
    __m128i r[2], g[2], b[2];
};

QV_INLINE Chroma16 chroma16_sse2(const uint8_t* u, const uint8_t* v) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i cb = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u)), zero);
    const __m128i cr = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v)), zero);
    const __m128i cr5 = _mm_mullo_epi16(cr, _mm_set1_epi16(5));
    const __m128i cb12 = _mm_mullo_epi16(cb, _mm_set1_epi16(12));
    const __m128i bias_r = _mm_set1_epi32(BIAS_R);
    const __m128i bias_g = _mm_set1_epi32(BIAS_G);
    const __m128i bias_b = _mm_set1_epi32(BIAS_B);
    Chroma16 c;
    c.r[0] = _mm_add_epi32(_mm_madd_epi16(cr5, pair16(K_R_CR, 0)), bias_r);
    c.r[1] = _mm_add_epi32(_mm_madd_epi16(cr5, pair16(0, K_R_CR)), bias_r);
    c.b[0] = _mm_add_epi32(_mm_madd_epi16(cb12, pair16(K_B_CB, 0)), bias_b);
    c.b[1] = _mm_add_epi32(_mm_madd_epi16(cb12, pair16(0, K_B_CB)), bias_b);
    c.g[0] = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(cb, pair16(K_G_CB, 0)),
                                         _mm_madd_epi16(cr, pair16(K_G_CR_A, 0))),
                           _mm_add_epi32(_mm_madd_epi16(cr, pair16(K_G_CR_B, 0)), bias_g));
    c.g[1] = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(cb, pair16(0, K_G_CB)),
                                         _mm_madd_epi16(cr, pair16(0, K_G_CR_A))),
                           _mm_add_epi32(_mm_madd_epi16(cr, pair16(0, K_G_CR_B)), bias_g));
    return c;
}

struct Luma16 {
    __m128i t[4];  // T of pixels 4j, 4j + 1, 4j + 2, 4j + 3
};

QV_INLINE Luma16 luma16_sse2(__m128i yv) {
    const __m128i mask = _mm_set1_epi16(0x03FC);
    const __m128i even = _mm_and_si128(_mm_slli_epi16(yv, 2), mask);  // 4 Y, pixels 2k
    const __m128i odd = _mm_and_si128(_mm_srli_epi16(yv, 6), mask);   // 4 Y, pixels 2k + 1
    const __m128i k_lo = pair16(K_Y, 0);
    const __m128i k_hi = pair16(0, K_Y);
    return {{_mm_madd_epi16(even, k_lo), _mm_madd_epi16(odd, k_lo), _mm_madd_epi16(even, k_hi),
             _mm_madd_epi16(odd, k_hi)}};
}

// One channel's 16 bytes (in channel_byte order), clamped to 0..255.
QV_INLINE __m128i channel16_sse2(const Luma16& l, const __m128i term[2]) {
    const __m128i p0 = _mm_srai_epi32(_mm_add_epi32(l.t[0], term[0]), 16);
    const __m128i p1 = _mm_srai_epi32(_mm_add_epi32(l.t[1], term[0]), 16);
    const __m128i p2 = _mm_srai_epi32(_mm_add_epi32(l.t[2], term[1]), 16);
    const __m128i p3 = _mm_srai_epi32(_mm_add_epi32(l.t[3], term[1]), 16);
    return _mm_packus_epi16(_mm_packs_epi32(p0, p2), _mm_packs_epi32(p1, p3));
}

// 16 pixels of blue, green and red bytes (channel_byte order: the pixels 4j + m of each m in
// turn, m = 0, 2, 1, 3) to 48 bytes B G R B G R ... Pixels 4j .. 4j + 3 make three dwords,
// (B0 G0 R0 B1) (G1 R1 B2 G2) (R2 B3 G3 R3), which byte and word unpacks of the groups give
// directly; the four quads' dwords are then interleaved into the three stores.
QV_INLINE void store_bgr16_sse2(uint8_t* out, __m128i b, __m128i g, __m128i r) {
    const __m128i bg02 = _mm_unpacklo_epi8(b, g);                      // (B0 G0), (B2 G2)
    const __m128i gr13 = _mm_unpackhi_epi8(g, r);                      // (G1 R1), (G3 R3)
    const __m128i rb = _mm_unpacklo_epi8(r, _mm_srli_si128(b, 8));     // (R0 B1), (R2 B3)
    const __m128i d0 = _mm_unpacklo_epi16(bg02, rb);                   // B0 G0 R0 B1
    const __m128i d1 = _mm_unpacklo_epi16(gr13, _mm_srli_si128(bg02, 8));  // G1 R1 B2 G2
    const __m128i d2 = _mm_unpackhi_epi16(rb, gr13);                   // R2 B3 G3 R3
    const __m128 d01_lo = _mm_castsi128_ps(_mm_unpacklo_epi32(d0, d1));  // d0 0, d1 0, d0 1, d1 1
    const __m128 d01_hi = _mm_castsi128_ps(_mm_unpackhi_epi32(d0, d1));  // d0 2, d1 2, d0 3, d1 3
    const __m128 d20_lo = _mm_castsi128_ps(_mm_unpacklo_epi32(d2, d0));  // d2 0, d0 0, d2 1, d0 1
    const __m128 d20_hi = _mm_castsi128_ps(_mm_unpackhi_epi32(d2, d0));  // d2 2, d0 2, d2 3, d0 3
    const __m128 d12_lo = _mm_castsi128_ps(_mm_unpacklo_epi32(d1, d2));  // d1 0, d2 0, d1 1, d2 1
    const __m128 d12_hi = _mm_castsi128_ps(_mm_unpackhi_epi32(d1, d2));  // d1 2, d2 2, d1 3, d2 3
    const __m128 o0 = _mm_shuffle_ps(d01_lo, d20_lo, _MM_SHUFFLE(3, 0, 1, 0));
    const __m128 o1 = _mm_shuffle_ps(d12_lo, d01_hi, _MM_SHUFFLE(1, 0, 3, 2));
    const __m128 o2 = _mm_shuffle_ps(d20_hi, d12_hi, _MM_SHUFFLE(3, 2, 3, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_castps_si128(o0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_castps_si128(o1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_castps_si128(o2));
}

// Pixels [x, ...) of two rows that share one chroma row (y0/out0 and y1/out1 may be the same
// row), in steps of 16 while a whole step fits; returns where it stopped.
int rows_sse2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
              uint8_t* out0, uint8_t* out1, int x, int width) {
    for (; x + 16 <= width; x += 16) {
        const Chroma16 c = chroma16_sse2(u + x / 2, v + x / 2);
        for (int row = 0; row < 2; ++row) {
            const Luma16 l =
                luma16_sse2(_mm_loadu_si128(reinterpret_cast<const __m128i*>((row ? y1 : y0) + x)));
            store_bgr16_sse2((row ? out1 : out0) + 3 * x, channel16_sse2(l, c.b),
                             channel16_sse2(l, c.g), channel16_sse2(l, c.r));
        }
    }
    return x;
}

// Byte-shuffle masks that gather the three 16-byte chunks of the packed B G R output of a lane's
// 16 pixels from its channel registers: mask[chunk][channel] (the same in both 128-bit lanes).
struct BgrMasks {
    alignas(32) int8_t m[3][3][32];
    explicit BgrMasks(int (*channel_byte)(int)) {
        for (int chunk = 0; chunk < 3; ++chunk)
            for (int channel = 0; channel < 3; ++channel)
                for (int i = 0; i < 32; ++i) {
                    const int j = chunk * 16 + (i % 16);  // output byte within the 48 of the lane
                    m[chunk][channel][i] =
                        static_cast<int8_t>(j % 3 == channel ? channel_byte(j / 3) : 0x80);
                }
    }
};
const BgrMasks bgr_masks(channel_byte);
const BgrMasks bgr_masks_blended(channel_byte_blended);

// ---- SSSE3: the same with byte shuffles for the B G R interleave ----------------------------

#define QV_SSSE3 __attribute__((target("ssse3")))

QV_SSSE3 QV_INLINE __m128i chunk_ssse3(__m128i b, __m128i g, __m128i r, const __m128i mask[3]) {
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, mask[0]), _mm_shuffle_epi8(g, mask[1])),
                        _mm_shuffle_epi8(r, mask[2]));
}

QV_SSSE3 int rows_ssse3(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                        uint8_t* out0, uint8_t* out1, int x, int width) {
    // The masks are copied out of the global table: loads from it could not be kept across the
    // stores into the bitmap, which may alias anything.
    __m128i masks[3][3];
    for (int k = 0; k < 3; ++k)
        for (int ch = 0; ch < 3; ++ch)
            masks[k][ch] = _mm_load_si128(reinterpret_cast<const __m128i*>(bgr_masks.m[k][ch]));
    for (; x + 16 <= width; x += 16) {
        const Chroma16 c = chroma16_sse2(u + x / 2, v + x / 2);
        for (int row = 0; row < 2; ++row) {
            const Luma16 l =
                luma16_sse2(_mm_loadu_si128(reinterpret_cast<const __m128i*>((row ? y1 : y0) + x)));
            const __m128i b = channel16_sse2(l, c.b);
            const __m128i g = channel16_sse2(l, c.g);
            const __m128i r = channel16_sse2(l, c.r);
            uint8_t* p = (row ? out1 : out0) + 3 * x;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), chunk_ssse3(b, g, r, masks[0]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), chunk_ssse3(b, g, r, masks[1]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), chunk_ssse3(b, g, r, masks[2]));
        }
    }
    return x;
}

bool cpu_has_ssse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// ---- AVX2: 32 pixels of two rows per step ----------------------------------------------------
// The lane arithmetic of the SSE2 path on two lanes: pixels 0-15 and chroma samples 0-7 in lane
// 0, pixels 16-31 and samples 8-15 in lane 1.

#define QV_AVX2 __attribute__((target("avx2")))

QV_AVX2 QV_INLINE __m256i pair16_avx2(int a, int b) { return _mm256_set1_epi32(pair_value(a, b)); }

struct Chroma32 {
    __m256i r[2], g[2], b[2];
};

QV_AVX2 QV_INLINE Chroma32 chroma32_avx2(const uint8_t* u, const uint8_t* v) {
    const __m256i cb = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u)));
    const __m256i cr = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)));
    const __m256i cr5 = _mm256_mullo_epi16(cr, _mm256_set1_epi16(5));
    const __m256i cb12 = _mm256_mullo_epi16(cb, _mm256_set1_epi16(12));
    const __m256i bias_r = _mm256_set1_epi32(BIAS_R);
    const __m256i bias_g = _mm256_set1_epi32(BIAS_G);
    const __m256i bias_b = _mm256_set1_epi32(BIAS_B);
    Chroma32 c;
    c.r[0] = _mm256_add_epi32(_mm256_madd_epi16(cr5, pair16_avx2(K_R_CR, 0)), bias_r);
    c.r[1] = _mm256_add_epi32(_mm256_madd_epi16(cr5, pair16_avx2(0, K_R_CR)), bias_r);
    c.b[0] = _mm256_add_epi32(_mm256_madd_epi16(cb12, pair16_avx2(K_B_CB, 0)), bias_b);
    c.b[1] = _mm256_add_epi32(_mm256_madd_epi16(cb12, pair16_avx2(0, K_B_CB)), bias_b);
    c.g[0] = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(cb, pair16_avx2(K_G_CB, 0)),
                                               _mm256_madd_epi16(cr, pair16_avx2(K_G_CR_A, 0))),
                              _mm256_add_epi32(_mm256_madd_epi16(cr, pair16_avx2(K_G_CR_B, 0)), bias_g));
    c.g[1] = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(cb, pair16_avx2(0, K_G_CB)),
                                               _mm256_madd_epi16(cr, pair16_avx2(0, K_G_CR_A))),
                              _mm256_add_epi32(_mm256_madd_epi16(cr, pair16_avx2(0, K_G_CR_B)), bias_g));
    return c;
}

struct Luma32 {
    __m256i t[4];
};

QV_AVX2 QV_INLINE Luma32 luma32_avx2(__m256i yv) {
    const __m256i mask = _mm256_set1_epi16(0x03FC);
    const __m256i even = _mm256_and_si256(_mm256_slli_epi16(yv, 2), mask);
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi16(yv, 6), mask);
    const __m256i k_lo = pair16_avx2(K_Y, 0);
    const __m256i k_hi = pair16_avx2(0, K_Y);
    return {{_mm256_madd_epi16(even, k_lo), _mm256_madd_epi16(odd, k_lo),
             _mm256_madd_epi16(even, k_hi), _mm256_madd_epi16(odd, k_hi)}};
}

// The shifted sums lie within -300..600, so a sum's high word is its shifted value as a word.
QV_AVX2 QV_INLINE __m256i channel32_avx2(const Luma32& l, const __m256i term[2]) {
    const __m256i p0 = _mm256_srli_epi32(_mm256_add_epi32(l.t[0], term[0]), 16);
    const __m256i p1 = _mm256_srli_epi32(_mm256_add_epi32(l.t[1], term[0]), 16);
    const __m256i p2 = _mm256_add_epi32(l.t[2], term[1]);
    const __m256i p3 = _mm256_add_epi32(l.t[3], term[1]);
    return _mm256_packus_epi16(_mm256_blend_epi16(p0, p2, 0xAA), _mm256_blend_epi16(p1, p3, 0xAA));
}

QV_AVX2 QV_INLINE __m256i chunk_avx2(__m256i b, __m256i g, __m256i r, const __m256i mask[3]) {
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, mask[0]), _mm256_shuffle_epi8(g, mask[1])),
                           _mm256_shuffle_epi8(r, mask[2]));
}

QV_AVX2 int rows_avx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                      uint8_t* out0, uint8_t* out1, int x, int width) {
    // Copied out of the global table for the same reason as in rows_ssse3.
    __m256i masks[3][3];
    for (int k = 0; k < 3; ++k)
        for (int ch = 0; ch < 3; ++ch)
            masks[k][ch] = _mm256_load_si256(reinterpret_cast<const __m256i*>(bgr_masks_blended.m[k][ch]));
    for (; x + 32 <= width; x += 32) {
        const Chroma32 c = chroma32_avx2(u + x / 2, v + x / 2);
        for (int row = 0; row < 2; ++row) {
            const Luma32 l = luma32_avx2(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>((row ? y1 : y0) + x)));
            const __m256i b = channel32_avx2(l, c.b);
            const __m256i g = channel32_avx2(l, c.g);
            const __m256i r = channel32_avx2(l, c.r);
            // Chunk k holds output bytes 16k..16k+15 of pixels 0-15 (lane 0) and of 16-31 (lane 1).
            const __m256i o0 = chunk_avx2(b, g, r, masks[0]);
            const __m256i o1 = chunk_avx2(b, g, r, masks[1]);
            const __m256i o2 = chunk_avx2(b, g, r, masks[2]);
            uint8_t* p = (row ? out1 : out0) + 3 * x;
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_permute2x128_si256(o0, o1, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32), _mm256_permute2x128_si256(o2, o0, 0x30));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 64), _mm256_permute2x128_si256(o1, o2, 0x31));
        }
    }
    return x;
}

bool cpu_has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// ---- AVX-512 (BW + VBMI): 64 pixels of two rows per step -------------------------------------
// The lane arithmetic on four lanes; byte permutes across the whole register then interleave the
// blue, green and red registers (channel_byte_blended order within each lane) into three 64-byte
// stores.

#define QV_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// g++ 12's AVX-512 intrinsics pass an intentionally undefined vector as the pass-through operand
// and then warn about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

QV_AVX512 QV_INLINE __m512i pair16_avx512(int a, int b) { return _mm512_set1_epi32(pair_value(a, b)); }

struct Chroma64 {
    __m512i r[2], g[2], b[2];
};

QV_AVX512 QV_INLINE Chroma64 chroma64_avx512(const uint8_t* u, const uint8_t* v) {
    const __m512i cb = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(u)));
    const __m512i cr = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v)));
    const __m512i cr5 = _mm512_mullo_epi16(cr, _mm512_set1_epi16(5));
    const __m512i cb12 = _mm512_mullo_epi16(cb, _mm512_set1_epi16(12));
    const __m512i bias_r = _mm512_set1_epi32(BIAS_R);
    const __m512i bias_g = _mm512_set1_epi32(BIAS_G);
    const __m512i bias_b = _mm512_set1_epi32(BIAS_B);
    Chroma64 c;
    c.r[0] = _mm512_add_epi32(_mm512_madd_epi16(cr5, pair16_avx512(K_R_CR, 0)), bias_r);
    c.r[1] = _mm512_add_epi32(_mm512_madd_epi16(cr5, pair16_avx512(0, K_R_CR)), bias_r);
    c.b[0] = _mm512_add_epi32(_mm512_madd_epi16(cb12, pair16_avx512(K_B_CB, 0)), bias_b);
    c.b[1] = _mm512_add_epi32(_mm512_madd_epi16(cb12, pair16_avx512(0, K_B_CB)), bias_b);
    c.g[0] = _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(cb, pair16_avx512(K_G_CB, 0)),
                                               _mm512_madd_epi16(cr, pair16_avx512(K_G_CR_A, 0))),
                              _mm512_add_epi32(_mm512_madd_epi16(cr, pair16_avx512(K_G_CR_B, 0)), bias_g));
    c.g[1] = _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(cb, pair16_avx512(0, K_G_CB)),
                                               _mm512_madd_epi16(cr, pair16_avx512(0, K_G_CR_A))),
                              _mm512_add_epi32(_mm512_madd_epi16(cr, pair16_avx512(0, K_G_CR_B)), bias_g));
    return c;
}

struct Luma64 {
    __m512i t[4];
};

QV_AVX512 QV_INLINE Luma64 luma64_avx512(__m512i yv) {
    const __m512i mask = _mm512_set1_epi16(0x03FC);
    const __m512i even = _mm512_and_si512(_mm512_slli_epi16(yv, 2), mask);
    const __m512i odd = _mm512_and_si512(_mm512_srli_epi16(yv, 6), mask);
    const __m512i k_lo = pair16_avx512(K_Y, 0);
    const __m512i k_hi = pair16_avx512(0, K_Y);
    return {{_mm512_madd_epi16(even, k_lo), _mm512_madd_epi16(odd, k_lo),
             _mm512_madd_epi16(even, k_hi), _mm512_madd_epi16(odd, k_hi)}};
}

QV_AVX512 QV_INLINE __m512i channel64_avx512(const Luma64& l, const __m512i term[2]) {
    const __mmask32 high_words = 0xAAAAAAAAu;
    const __m512i p0 = _mm512_srli_epi32(_mm512_add_epi32(l.t[0], term[0]), 16);
    const __m512i p1 = _mm512_srli_epi32(_mm512_add_epi32(l.t[1], term[0]), 16);
    const __m512i p2 = _mm512_add_epi32(l.t[2], term[1]);
    const __m512i p3 = _mm512_add_epi32(l.t[3], term[1]);
    return _mm512_packus_epi16(_mm512_mask_blend_epi16(high_words, p0, p2),
                               _mm512_mask_blend_epi16(high_words, p1, p3));
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
                const int at = channel_byte_blended(j / 3);
                const int channel = j % 3;
                blue_green[s][i] = static_cast<uint8_t>(channel == 1 ? 64 + at : at);
                red[s][i] = static_cast<uint8_t>(at);
                if (channel == 2) red_mask[s] |= uint64_t{1} << i;
            }
    }
};
const BgrPermutes bgr_permutes;

QV_AVX512 int rows_avx512(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                          uint8_t* out0, uint8_t* out1, int x, int width) {
    __m512i bg_index[3], r_index[3];
    __mmask64 r_mask[3];
    for (int s = 0; s < 3; ++s) {
        bg_index[s] = _mm512_load_si512(bgr_permutes.blue_green[s]);
        r_index[s] = _mm512_load_si512(bgr_permutes.red[s]);
        r_mask[s] = bgr_permutes.red_mask[s];
    }
    for (; x + 64 <= width; x += 64) {
        const Chroma64 c = chroma64_avx512(u + x / 2, v + x / 2);
        for (int row = 0; row < 2; ++row) {
            const Luma64 l = luma64_avx512(_mm512_loadu_si512((row ? y1 : y0) + x));
            const __m512i b = channel64_avx512(l, c.b);
            const __m512i g = channel64_avx512(l, c.g);
            const __m512i r = channel64_avx512(l, c.r);
            uint8_t* p = (row ? out1 : out0) + 3 * x;
            for (int s = 0; s < 3; ++s) {
                __m512i bgr = _mm512_permutex2var_epi8(b, bg_index[s], g);
                bgr = _mm512_mask_permutexvar_epi8(bgr, r_mask[s], r_index[s], r);
                _mm512_storeu_si512(p + 64 * s, bgr);
            }
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
        case PixelPath::ssse3: return cpu_has_ssse3();
        case PixelPath::avx2: return cpu_has_avx2();
        case PixelPath::avx512: return cpu_has_avx512();
    }
    return false;
}

PixelPath best_pixel_path() {
    if (cpu_has_avx512()) return PixelPath::avx512;
    if (cpu_has_avx2()) return PixelPath::avx2;
    return cpu_has_ssse3() ? PixelPath::ssse3 : PixelPath::sse2;
}

void frame_to_bitmap(PixelPath path, const uint8_t* y, const uint8_t* u, const uint8_t* v,
                     int width, int height, uint8_t* dest) {
    write_header(dest, width, height);
    if (!pixel_path_available(path)) path = PixelPath::scalar;
    const bool wide = path == PixelPath::avx2 || path == PixelPath::avx512;
    const std::size_t row_bytes = 3u * static_cast<std::size_t>(width);
    const int chroma_width = width / 2;
    uint8_t* const pixels = dest + BITMAP_HEADER_BYTES;
    // Two rows at a time, the pair that shares a chroma row; a last odd row goes through as a
    // pair with itself.
    for (int r = 0; r < height; r += 2) {
        const int r1 = r + 1 < height ? r + 1 : r;
        const uint8_t* y0 = y + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
        const uint8_t* y1 = y + static_cast<std::size_t>(r1) * static_cast<std::size_t>(width);
        const std::size_t c = static_cast<std::size_t>(r / 2) * static_cast<std::size_t>(chroma_width);
        const uint8_t* ur = u + c;
        const uint8_t* vr = v + c;
        uint8_t* out0 = pixels + static_cast<std::size_t>(height - 1 - r) * row_bytes;
        uint8_t* out1 = pixels + static_cast<std::size_t>(height - 1 - r1) * row_bytes;
        int x = 0;
        if (path == PixelPath::avx512) x = rows_avx512(y0, y1, ur, vr, out0, out1, x, width);
        if (wide) x = rows_avx2(y0, y1, ur, vr, out0, out1, x, width);
        if (wide || path == PixelPath::ssse3) x = rows_ssse3(y0, y1, ur, vr, out0, out1, x, width);
        if (path == PixelPath::sse2) x = rows_sse2(y0, y1, ur, vr, out0, out1, x, width);
        row_scalar(y0, ur, vr, out0, x, width);
        if (r1 != r) row_scalar(y1, ur, vr, out1, x, width);
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
