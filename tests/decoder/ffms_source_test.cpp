// The FFMS2 source used by the decoder library and the frame server: index cache, stream
// properties and the frame layouts.
#include "companions/decoder/ffms_source.h"
#include "decoder_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>
#include <random>
#include <set>

using namespace qv::ffms;
using namespace qv::decoder_test;

namespace {

class FfmsSourceTest : public ::testing::Test {
protected:
    std::unique_ptr<FfmsSource> open(const std::vector<std::string>& files, bool mpeg_only = true)
    {
        OpenOptions options;
        options.cache_dir = dir_ / "index";
        options.mpeg_only = mpeg_only;
        std::string error;
        auto source = FfmsSource::open(files, options, error);
        if (!source)
            last_error_ = error;
        return source;
    }

    TempDir dir_;
    std::string last_error_;
};

TEST_F(FfmsSourceTest, IndexIsBuiltOnceThenReadFromTheCache)
{
    const std::vector<std::string> two = {material("pal_count.m2v").string(),
                                          material("pal_tail.m2v").string()};
    for (const auto& files : {std::vector<std::string>{two[0]}, two}) {
        auto first = open(files);
        ASSERT_TRUE(first) << last_error_;
        EXPECT_EQ(first->index_origin(), IndexOrigin::built);
        auto second = open(files);
        ASSERT_TRUE(second) << last_error_;
        EXPECT_EQ(second->index_origin(), IndexOrigin::cache_hit);
        EXPECT_EQ(second->frame_count(), first->frame_count());
    }
    EXPECT_EQ(files_with_extension(dir_ / "index", ".ffindex").size(), 2u);
}

TEST_F(FfmsSourceTest, DamagedCacheEntriesAreRebuilt)
{
    const std::vector<std::string> files = {material("ntsc_cut.m2v").string()};
    ASSERT_TRUE(open(files));
    const auto entry = files_with_extension(dir_ / "index", ".ffindex").at(0);
    const std::string good = read_file(entry);
    std::string flipped = good;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    for (const std::string& damage : {std::string(), std::string("junk"), good.substr(0, 20), flipped}) {
        write_file(entry, damage);
        auto source = open(files);
        ASSERT_TRUE(source) << last_error_;
        EXPECT_EQ(source->index_origin(), IndexOrigin::rebuilt_after_bad_cache);
        EXPECT_EQ(source->frame_count(), 30);
        EXPECT_EQ(open(files)->index_origin(), IndexOrigin::cache_hit);
    }
}

TEST_F(FfmsSourceTest, LongUnusedCacheEntriesAreRemoved)
{
    const auto index_dir = dir_ / "index";
    std::filesystem::create_directories(index_dir);
    const auto now = std::filesystem::file_time_type::clock::now();
    const auto age = [&](const std::string& name, int days) {
        write_file(index_dir / name, "x");
        std::filesystem::last_write_time(index_dir / name, now - std::chrono::hours(24 * days));
    };
    age("00000000000000000000000000000000.mpeg.ffindex", 200);
    age("11111111111111111111111111111111.mpeg.ffindex", 10);
    age("22222222222222222222222222222222.any.ffindex.tmp.99.0", 3);
    age("33333333333333333333333333333333.any.ffindex.tmp.99.1", 0);
    age("notes.txt", 400);
    ASSERT_TRUE(open({material("pal_tail.m2v").string()}));
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(index_dir))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left.size(), 4u);
    EXPECT_FALSE(left.contains("00000000000000000000000000000000.mpeg.ffindex"));
    EXPECT_FALSE(left.contains("22222222222222222222222222222222.any.ffindex.tmp.99.0"));
    EXPECT_TRUE(left.contains("11111111111111111111111111111111.mpeg.ffindex"));
    EXPECT_TRUE(left.contains("33333333333333333333333333333333.any.ffindex.tmp.99.1"));
    EXPECT_TRUE(left.contains("notes.txt"));
}

TEST_F(FfmsSourceTest, CacheKeyFollowsPathSizeAndTime)
{
    write_file(dir_ / "a", "12345");
    write_file(dir_ / "b", "12345");
    const std::string a = (dir_ / "a").string();
    const std::string b = (dir_ / "b").string();
    const std::string key = index_cache_key({a});
    EXPECT_EQ(key.size(), 32u);
    EXPECT_EQ(index_cache_key({a}), key);
    EXPECT_NE(index_cache_key({b}), key);
    EXPECT_NE(index_cache_key({a, b}), index_cache_key({b, a}));
    EXPECT_EQ(index_cache_key({(dir_ / "absent").string()}), "");

    struct timespec times[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
    const std::string old_time = index_cache_key({a});
    EXPECT_NE(old_time, key);
    times[1].tv_sec = 2000;
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
    EXPECT_NE(index_cache_key({a}), old_time);
    write_file(dir_ / "a", "123456");
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
    EXPECT_NE(index_cache_key({a}), old_time) << "size changed, time kept";
}

TEST_F(FfmsSourceTest, SizeAndRateComeFromTheSequenceHeader)
{
    const std::vector<std::tuple<std::string, int, int, int, int>> cases = {
        {"pal_count.m2v", 720, 576, 25, 1},
        {"ntsc_cut.m2v", 720, 480, 30000, 1001},
        {"pal_422.m2v", 720, 576, 25, 1},
        {"pal_vob.vob", 720, 576, 25, 1}};
    for (const auto& [name, width, height, num, den] : cases) {
        MpegSequence sequence;
        ASSERT_TRUE(read_mpeg_sequence_header(material(name), sequence)) << name;
        EXPECT_EQ(sequence.width, width) << name;
        EXPECT_EQ(sequence.height, height) << name;
        EXPECT_EQ(sequence.rate_num, num) << name;
        EXPECT_EQ(sequence.rate_den, den) << name;
    }
    MpegSequence sequence;
    EXPECT_FALSE(read_mpeg_sequence_header(material("tone.wav"), sequence));
    EXPECT_FALSE(read_mpeg_sequence_header(dir_ / "absent", sequence));
    // A start code without the marker bit is not a sequence header.
    std::string bytes = read_file(material("ntsc_cut.m2v")).substr(0, 12);
    bytes[10] = static_cast<char>(bytes[10] & ~0x20);
    write_file(dir_ / "no_marker.m2v", bytes);
    EXPECT_FALSE(read_mpeg_sequence_header(dir_ / "no_marker.m2v", sequence));
}

TEST_F(FfmsSourceTest, LongestRunOfBPicturesIsFound)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"pal_count.m2v", 2}, {"gop12_b3.m2v", 3}, {"no_b.m2v", 0},
        {"closed_gop.m2v", 2}, {"pal_vob.vob", 2}, {"tone.wav", -1}};
    for (const auto& [name, run] : cases)
        EXPECT_EQ(longest_mpeg_b_run(material(name)), run) << name;
}

TEST_F(FfmsSourceTest, OtherCodecsOpenOnlyWhenAllowed)
{
    const std::vector<std::string> avi = {material("clip_mpeg4.avi").string()};
    EXPECT_FALSE(open(avi, true));
    auto source = open(avi, false);
    ASSERT_TRUE(source) << last_error_;
    EXPECT_EQ(source->width(), 320);
    EXPECT_EQ(source->height(), 240);
    EXPECT_EQ(source->rate_num(), 25);
    EXPECT_EQ(source->rate_den(), 1);
    EXPECT_EQ(source->frame_count(), 5);
    EXPECT_FALSE(open({material("tone.wav").string()}, false));
}

TEST_F(FfmsSourceTest, StepsBackInAProgramStreamNeedNoFreshDecoder)
{
    auto source = open({material("cif_vob.vob").string()});
    ASSERT_TRUE(source) << last_error_;
    ASSERT_EQ(source->frame_count(), 80);
    const Reference ref(material("cif_vob.yuv"), 352, 288);
    std::string error;
    const auto expect_frame = [&](int n) {
        const std::uint8_t* frame = source->frame_packed(n, error);
        ASSERT_NE(frame, nullptr) << error;
        EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), 0.5) << n;
    };
    expect_frame(79);
    const int restarts = source->decoder_restarts();
    for (int n = 78; n >= 56; --n)  // the 24 frames up to 79 are kept
        expect_frame(n);
    EXPECT_EQ(source->decoder_restarts(), restarts);
    expect_frame(10);  // further back: a fresh decoder, then steps back again from there
    EXPECT_EQ(source->decoder_restarts(), restarts + 1);
    for (int n = 9; n >= 0; --n)
        expect_frame(n);
    expect_frame(60);
    EXPECT_EQ(source->decoder_restarts(), restarts + 1);
}

TEST_F(FfmsSourceTest, ProgramStreamsSeekThroughACopyOfTheirVideo)
{
    const std::vector<std::string> files = {material("cif_vob.vob").string()};
    const Reference ref(material("cif_vob.yuv"), 352, 288);
    OpenOptions options;
    options.cache_dir = dir_ / "index";
    options.mpeg_only = true;
    options.copy_program_stream_video = true;
    std::string error;
    auto source = FfmsSource::open(files, options, error);
    ASSERT_TRUE(source) << error;
    ASSERT_EQ(source->frame_count(), ref.frame_count());
    EXPECT_EQ(source->width(), 352);
    EXPECT_EQ(source->rate_num(), 25);
    EXPECT_TRUE(source->seeks());
    const auto copy = program_stream_copy_path(dir_ / "index", files);
    ASSERT_TRUE(std::filesystem::is_regular_file(copy));
    EXPECT_LT(std::filesystem::file_size(copy), std::filesystem::file_size(files.front()));

    // Every frame in a shuffled order, then long jumps backwards (each near or on a seek point):
    // all exact, and never by decoding again from the first frame.
    std::vector<int> order(static_cast<std::size_t>(ref.frame_count()));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    order.insert(order.end(), {79, 0, 79, 58, 57, 56, 44, 43, 42, 29, 28, 27, 15, 14, 13, 1});
    for (int n : order) {
        const std::uint8_t* frame = source->frame_packed(n, error);
        ASSERT_NE(frame, nullptr) << n << ": " << error;
        EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), 0.5) << n;
    }
    EXPECT_EQ(source->decoder_restarts(), 0);

    // Opened again, the copy and its index are reused as they are.
    const auto made = std::filesystem::last_write_time(copy);
    auto again = FfmsSource::open(files, options, error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->index_origin(), IndexOrigin::cache_hit);
    EXPECT_EQ(std::filesystem::last_write_time(copy), made);
    EXPECT_EQ(files_with_extension(dir_ / "index", ".m2v").size(), 1u);

    // Without a cache, or where the copy cannot be written, the program stream is decoded
    // linearly, as exact.
    write_file(dir_ / "not_a_folder", "x");
    for (const bool cache : {false, true}) {
        options.use_index_cache = cache;
        options.cache_dir = dir_ / "not_a_folder" / "index";
        auto linear = FfmsSource::open(files, options, error);
        ASSERT_TRUE(linear) << error;
        EXPECT_FALSE(linear->seeks());
        for (int n : {40, 12}) {
            const std::uint8_t* frame = linear->frame_packed(n, error);
            ASSERT_NE(frame, nullptr) << error;
            EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), 0.5) << n;
        }
    }
}

TEST_F(FfmsSourceTest, PlanesAndPackedFrameAgree)
{
    auto source = open({material("ntsc_cut.m2v").string()});
    ASSERT_TRUE(source) << last_error_;
    EXPECT_EQ(source->packed_frame_bytes(), 720u * 480u * 3u / 2u);
    std::string error;
    for (int n : {0, 14, 15, 29}) {
        FramePlanes planes;
        ASSERT_TRUE(source->frame_planes(n, planes, error)) << error;
        std::vector<std::uint8_t> copy;
        const int widths[3] = {720, 360, 360};
        const int heights[3] = {480, 240, 240};
        for (int p = 0; p < 3; ++p) {
            ASSERT_GE(planes.pitch[p], widths[p]);
            for (int row = 0; row < heights[p]; ++row)
                copy.insert(copy.end(), planes.data[p] + row * planes.pitch[p],
                            planes.data[p] + row * planes.pitch[p] + widths[p]);
        }
        const std::uint8_t* packed = source->frame_packed(n, error);
        ASSERT_NE(packed, nullptr) << error;
        EXPECT_EQ(std::memcmp(packed, copy.data(), copy.size()), 0) << n;
    }
    FramePlanes planes;
    EXPECT_FALSE(source->frame_planes(-1, planes, error));
    EXPECT_FALSE(source->frame_planes(30, planes, error));
    EXPECT_EQ(source->frame_packed(30, error), nullptr);
}

}  // namespace
