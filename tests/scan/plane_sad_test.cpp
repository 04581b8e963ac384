#include "preview/plane_sad.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace qv {
namespace {

std::vector<SadPath> available_paths() {
    std::vector<SadPath> paths;
    for (SadPath p : {SadPath::scalar, SadPath::sse2, SadPath::avx2})
        if (sad_path_available(p)) paths.push_back(p);
    return paths;
}

// The planes as the frame store holds them: 64-byte aligned, with room behind.
struct AlignedPlane {
    std::vector<uint8_t> storage;
    uint8_t* data;
    explicit AlignedPlane(size_t n, uint8_t fill) : storage(n + 64, fill) {
        auto addr = reinterpret_cast<uintptr_t>(storage.data());
        data = storage.data() + ((64 - addr % 64) % 64);
    }
};

TEST(PlaneSad, BlockSizeByVectorLevel) {
    EXPECT_EQ(sad_block_bytes(1), 128);
    EXPECT_EQ(sad_block_bytes(2), 256);
    EXPECT_EQ(sad_block_bytes(3), 256);
}

// A 352 x 240 source: chroma planes of 176 x 120 = 21120 bytes are 82 whole 256-byte blocks plus
// half a block at level 2 or 3, and 165 whole 128-byte blocks at level 1.
TEST(PlaneSad, OnlyWholeBlocksCountOnACifChromaPlane) {
    const int32_t n = 176 * 120;
    AlignedPlane a(n, 10), b(n, 13);
    struct Case { int level; uint32_t expected; };
    const Case cases[] = {{1, 165u * 128u * 3u}, {2, 82u * 256u * 3u}, {3, 82u * 256u * 3u}};
    for (SadPath path : available_paths())
        for (const Case& c : cases) EXPECT_EQ(plane_sad(path, a.data, b.data, n, c.level), c.expected)
            << "level " << c.level << " path " << int(path);
    // Differences in the half block after the last whole one are not seen.
    AlignedPlane tail(n, 10);
    for (int32_t i = 82 * 256; i < n; ++i) tail.data[i] = 200;
    for (SadPath path : available_paths()) {
        EXPECT_EQ(plane_sad(path, a.data, tail.data, n, 2), 0u);
        EXPECT_EQ(plane_sad(path, a.data, tail.data, n, 1), 128u * 190u);
    }
}

TEST(PlaneSad, BelowOneBlockIsZero) {
    AlignedPlane a(300, 0), b(300, 255);
    for (SadPath path : available_paths()) {
        EXPECT_EQ(plane_sad(path, a.data, b.data, 255, 2), 0u);
        EXPECT_EQ(plane_sad(path, a.data, b.data, 127, 1), 0u);
        EXPECT_EQ(plane_sad(path, a.data, b.data, 0, 2), 0u);
        EXPECT_EQ(plane_sad(path, a.data, b.data, -5, 2), 0u);
        EXPECT_EQ(plane_sad(path, a.data, b.data, 256, 2), 256u * 255u);
    }
}

// Random planes, in both directions, at the largest plane size, against a byte loop.
TEST(PlaneSad, PathsAgreeWithAByteLoop) {
    std::mt19937 rng(11);
    const int32_t n = 1920 * 1152;
    AlignedPlane a(n, 0), b(n, 0);
    for (int32_t i = 0; i < n; ++i) {
        a.data[i] = uint8_t(rng());
        b.data[i] = uint8_t(rng());
    }
    for (int32_t size : {n, 720 * 576, 720 * 576 / 4 + 100, 1000, 128}) {
        for (int level : {1, 2}) {
            const int32_t block = sad_block_bytes(level);
            uint32_t expected = 0;
            for (int32_t i = 0; i < size / block * block; ++i) expected += uint32_t(std::abs(a.data[i] - b.data[i]));
            for (SadPath path : available_paths()) {
                EXPECT_EQ(plane_sad(path, a.data, b.data, size, level), expected) << size << " " << level;
                EXPECT_EQ(plane_sad(path, b.data, a.data, size, level), expected) << size << " " << level;
            }
        }
    }
    // The largest possible sum fits the 32-bit result.
    AlignedPlane zero(n, 0), full(n, 255);
    for (SadPath path : available_paths())
        EXPECT_EQ(plane_sad(path, zero.data, full.data, n, 2), uint32_t(n) * 255u);
}

// The scan's fused form: the same sum, and afterwards the previous plane holds the current one,
// the bytes after the last whole block included.
TEST(PlaneSad, SadAndCopyGivesTheSumAndCopiesEveryByte) {
    std::mt19937 rng(5);
    for (int32_t size : {176 * 120, 720 * 576, 300, 100, 0}) {
        for (int level : {1, 2}) {
            for (SadPath path : available_paths()) {
                AlignedPlane cur(size_t(size) + 1, 0), prev(size_t(size) + 1, 0);
                for (int32_t i = 0; i < size; ++i) {
                    cur.data[i] = uint8_t(rng());
                    prev.data[i] = uint8_t(rng());
                }
                prev.data[size] = 77;  // just behind the plane: untouched
                const uint32_t expected = plane_sad(SadPath::scalar, cur.data, prev.data, size, level);
                EXPECT_EQ(plane_sad_and_copy(path, cur.data, prev.data, size, level), expected)
                    << size << " " << level << " " << int(path);
                EXPECT_EQ(0, std::memcmp(cur.data, prev.data, size_t(size))) << size;
                EXPECT_EQ(prev.data[size], 77);
            }
        }
    }
}

}  // namespace
}  // namespace qv
