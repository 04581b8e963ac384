// The difference kernel of the scene-change scan: the sum of absolute byte differences of two
// planes, over whole blocks only. The block is 256 bytes at vector level 2 or 3 and 128 bytes at
// level 1; bytes after the last whole block are not counted, so a plane smaller than one block
// gives 0.
#pragma once

#include <cstdint>

namespace qv {

enum class SadPath { scalar, sse2, avx2 };

bool sad_path_available(SadPath path);
SadPath best_sad_path();

// 128 at vector level 1 (and below), 256 otherwise.
int sad_block_bytes(int vector_level);

// Sum of |a[i] - b[i]| over i < block * floor(n / block). n <= 0 gives 0.
uint32_t plane_sad(const uint8_t* a, const uint8_t* b, int32_t n, int vector_level);
// The same through a chosen path (tests and benchmarks); an unavailable one falls back to scalar.
uint32_t plane_sad(SadPath path, const uint8_t* a, const uint8_t* b, int32_t n, int vector_level);

// plane_sad(current, previous, n) that also copies all n bytes of `current` over `previous` in
// the same pass (the scan's "the current frame becomes the previous one"). The two must not
// overlap.
uint32_t plane_sad_and_copy(const uint8_t* current, uint8_t* previous, int32_t n, int vector_level);
uint32_t plane_sad_and_copy(SadPath path, const uint8_t* current, uint8_t* previous, int32_t n,
                            int vector_level);

}  // namespace qv
