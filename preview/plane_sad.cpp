#include "preview/plane_sad.h"

#include <immintrin.h>

#include <cstddef>
#include <cstring>

namespace qv {

namespace {

uint32_t sad_scalar(const uint8_t* a, const uint8_t* b, std::size_t count) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
    return sum;
}

// count is a multiple of 128.
uint32_t sad_sse2(const uint8_t* a, const uint8_t* b, std::size_t count) {
    __m128i acc0 = _mm_setzero_si128();
    __m128i acc1 = _mm_setzero_si128();
    for (std::size_t i = 0; i < count; i += 128) {
        const __m128i* pa = reinterpret_cast<const __m128i*>(a + i);
        const __m128i* pb = reinterpret_cast<const __m128i*>(b + i);
        __m128i s0 = _mm_sad_epu8(_mm_loadu_si128(pa + 0), _mm_loadu_si128(pb + 0));
        __m128i s1 = _mm_sad_epu8(_mm_loadu_si128(pa + 1), _mm_loadu_si128(pb + 1));
        __m128i s2 = _mm_sad_epu8(_mm_loadu_si128(pa + 2), _mm_loadu_si128(pb + 2));
        __m128i s3 = _mm_sad_epu8(_mm_loadu_si128(pa + 3), _mm_loadu_si128(pb + 3));
        __m128i s4 = _mm_sad_epu8(_mm_loadu_si128(pa + 4), _mm_loadu_si128(pb + 4));
        __m128i s5 = _mm_sad_epu8(_mm_loadu_si128(pa + 5), _mm_loadu_si128(pb + 5));
        __m128i s6 = _mm_sad_epu8(_mm_loadu_si128(pa + 6), _mm_loadu_si128(pb + 6));
        __m128i s7 = _mm_sad_epu8(_mm_loadu_si128(pa + 7), _mm_loadu_si128(pb + 7));
        acc0 = _mm_add_epi64(acc0, _mm_add_epi64(_mm_add_epi64(s0, s1), _mm_add_epi64(s2, s3)));
        acc1 = _mm_add_epi64(acc1, _mm_add_epi64(_mm_add_epi64(s4, s5), _mm_add_epi64(s6, s7)));
    }
    __m128i acc = _mm_add_epi64(acc0, acc1);
    acc = _mm_add_epi64(acc, _mm_unpackhi_epi64(acc, acc));
    return static_cast<uint32_t>(_mm_cvtsi128_si64(acc));
}

__attribute__((target("avx2"))) uint32_t sad_avx2(const uint8_t* a, const uint8_t* b,
                                                  std::size_t count) {
    __m256i acc0 = _mm256_setzero_si256();
    __m256i acc1 = _mm256_setzero_si256();
    for (std::size_t i = 0; i < count; i += 128) {
        const __m256i* pa = reinterpret_cast<const __m256i*>(a + i);
        const __m256i* pb = reinterpret_cast<const __m256i*>(b + i);
        __m256i s0 = _mm256_sad_epu8(_mm256_loadu_si256(pa + 0), _mm256_loadu_si256(pb + 0));
        __m256i s1 = _mm256_sad_epu8(_mm256_loadu_si256(pa + 1), _mm256_loadu_si256(pb + 1));
        __m256i s2 = _mm256_sad_epu8(_mm256_loadu_si256(pa + 2), _mm256_loadu_si256(pb + 2));
        __m256i s3 = _mm256_sad_epu8(_mm256_loadu_si256(pa + 3), _mm256_loadu_si256(pb + 3));
        acc0 = _mm256_add_epi64(acc0, _mm256_add_epi64(s0, s1));
        acc1 = _mm256_add_epi64(acc1, _mm256_add_epi64(s2, s3));
    }
    __m256i acc = _mm256_add_epi64(acc0, acc1);
    __m128i half = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    half = _mm_add_epi64(half, _mm_unpackhi_epi64(half, half));
    return static_cast<uint32_t>(_mm_cvtsi128_si64(half));
}

// The same sums, with each 16 or 32 bytes of `a` also stored over `b` after they were compared.
uint32_t sad_copy_sse2(const uint8_t* a, uint8_t* b, std::size_t count) {
    __m128i acc0 = _mm_setzero_si128();
    __m128i acc1 = _mm_setzero_si128();
    for (std::size_t i = 0; i < count; i += 64) {
        const __m128i* pa = reinterpret_cast<const __m128i*>(a + i);
        __m128i* pb = reinterpret_cast<__m128i*>(b + i);
        __m128i a0 = _mm_loadu_si128(pa + 0), a1 = _mm_loadu_si128(pa + 1);
        __m128i a2 = _mm_loadu_si128(pa + 2), a3 = _mm_loadu_si128(pa + 3);
        __m128i s0 = _mm_sad_epu8(a0, _mm_loadu_si128(pb + 0));
        __m128i s1 = _mm_sad_epu8(a1, _mm_loadu_si128(pb + 1));
        __m128i s2 = _mm_sad_epu8(a2, _mm_loadu_si128(pb + 2));
        __m128i s3 = _mm_sad_epu8(a3, _mm_loadu_si128(pb + 3));
        _mm_storeu_si128(pb + 0, a0);
        _mm_storeu_si128(pb + 1, a1);
        _mm_storeu_si128(pb + 2, a2);
        _mm_storeu_si128(pb + 3, a3);
        acc0 = _mm_add_epi64(acc0, _mm_add_epi64(s0, s1));
        acc1 = _mm_add_epi64(acc1, _mm_add_epi64(s2, s3));
    }
    __m128i acc = _mm_add_epi64(acc0, acc1);
    acc = _mm_add_epi64(acc, _mm_unpackhi_epi64(acc, acc));
    return static_cast<uint32_t>(_mm_cvtsi128_si64(acc));
}

__attribute__((target("avx2"))) uint32_t sad_copy_avx2(const uint8_t* a, uint8_t* b,
                                                       std::size_t count) {
    __m256i acc0 = _mm256_setzero_si256();
    __m256i acc1 = _mm256_setzero_si256();
    for (std::size_t i = 0; i < count; i += 128) {
        const __m256i* pa = reinterpret_cast<const __m256i*>(a + i);
        __m256i* pb = reinterpret_cast<__m256i*>(b + i);
        __m256i a0 = _mm256_loadu_si256(pa + 0), a1 = _mm256_loadu_si256(pa + 1);
        __m256i a2 = _mm256_loadu_si256(pa + 2), a3 = _mm256_loadu_si256(pa + 3);
        __m256i s0 = _mm256_sad_epu8(a0, _mm256_loadu_si256(pb + 0));
        __m256i s1 = _mm256_sad_epu8(a1, _mm256_loadu_si256(pb + 1));
        __m256i s2 = _mm256_sad_epu8(a2, _mm256_loadu_si256(pb + 2));
        __m256i s3 = _mm256_sad_epu8(a3, _mm256_loadu_si256(pb + 3));
        _mm256_storeu_si256(pb + 0, a0);
        _mm256_storeu_si256(pb + 1, a1);
        _mm256_storeu_si256(pb + 2, a2);
        _mm256_storeu_si256(pb + 3, a3);
        acc0 = _mm256_add_epi64(acc0, _mm256_add_epi64(s0, s1));
        acc1 = _mm256_add_epi64(acc1, _mm256_add_epi64(s2, s3));
    }
    __m256i acc = _mm256_add_epi64(acc0, acc1);
    __m128i half = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    half = _mm_add_epi64(half, _mm_unpackhi_epi64(half, half));
    return static_cast<uint32_t>(_mm_cvtsi128_si64(half));
}

bool cpu_has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

bool sad_path_available(SadPath path) {
    return path != SadPath::avx2 || cpu_has_avx2();
}

SadPath best_sad_path() { return cpu_has_avx2() ? SadPath::avx2 : SadPath::sse2; }

int sad_block_bytes(int vector_level) { return vector_level <= 1 ? 128 : 256; }

uint32_t plane_sad(SadPath path, const uint8_t* a, const uint8_t* b, int32_t n, int vector_level) {
    if (n <= 0) return 0;
    const std::size_t block = static_cast<std::size_t>(sad_block_bytes(vector_level));
    const std::size_t count = static_cast<std::size_t>(n) / block * block;
    if (count == 0) return 0;
    if (!sad_path_available(path)) path = SadPath::scalar;
    switch (path) {
        case SadPath::avx2: return sad_avx2(a, b, count);
        case SadPath::sse2: return sad_sse2(a, b, count);
        case SadPath::scalar: break;
    }
    return sad_scalar(a, b, count);
}

uint32_t plane_sad_and_copy(SadPath path, const uint8_t* current, uint8_t* previous, int32_t n,
                            int vector_level) {
    if (n <= 0) return 0;
    const std::size_t block = static_cast<std::size_t>(sad_block_bytes(vector_level));
    const std::size_t size = static_cast<std::size_t>(n);
    const std::size_t count = size / block * block;
    if (!sad_path_available(path)) path = SadPath::scalar;
    uint32_t sum = 0;
    switch (path) {
        case SadPath::avx2: sum = sad_copy_avx2(current, previous, count); break;
        case SadPath::sse2: sum = sad_copy_sse2(current, previous, count); break;
        case SadPath::scalar:
            sum = sad_scalar(current, previous, count);
            std::memcpy(previous, current, count);
            break;
    }
    // The bytes after the last whole block are copied, not compared.
    std::memcpy(previous + count, current + count, size - count);
    return sum;
}

uint32_t plane_sad_and_copy(const uint8_t* current, uint8_t* previous, int32_t n, int vector_level) {
    static const SadPath best = best_sad_path();
    return plane_sad_and_copy(best, current, previous, n, vector_level);
}

uint32_t plane_sad(const uint8_t* a, const uint8_t* b, int32_t n, int vector_level) {
    static const SadPath best = best_sad_path();
    return plane_sad(best, a, b, n, vector_level);
}

}  // namespace qv
