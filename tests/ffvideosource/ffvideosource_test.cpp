// FFVideoSource: a script opens a video file and sees its properties and frames as YV12.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>
#include <vector>

#include "decoder_test_support.h"
#include "frameserver_api.h"

using namespace qv::decoder_test;

namespace {

// Mean absolute difference between a plane of a fetched frame and a packed reference plane.
double plane_diff(const fstest::Frame& f, int plane, const std::uint8_t* ref, int width, int rows) {
    double sum = 0.0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) sum += std::abs(f.at(plane, x, y) - ref[y * width + x]);
    return sum / (static_cast<double>(width) * rows);
}

// Frame n of a session against frame m of a reference decode, plane by plane.
void expect_frame_matches(const fstest::Session& s, int n, const Reference& ref, int m, int width,
                          int height, double tolerance) {
    SCOPED_TRACE("frame " + std::to_string(n));
    auto f = s.frame(n);
    ASSERT_TRUE(f->ok()) << s.clip_error();
    ASSERT_EQ(f->row_size(AVS_PLANAR_Y), width);
    ASSERT_EQ(f->height(AVS_PLANAR_Y), height);
    ASSERT_EQ(f->row_size(AVS_PLANAR_U), width / 2);
    ASSERT_EQ(f->height(AVS_PLANAR_V), height / 2);
    const std::uint8_t* r = ref.frame(m);
    const int luma = width * height, chroma = luma / 4;
    EXPECT_LE(plane_diff(*f, AVS_PLANAR_Y, r, width, height), tolerance);
    EXPECT_LE(plane_diff(*f, AVS_PLANAR_U, r + luma, width / 2, height / 2), tolerance);
    EXPECT_LE(plane_diff(*f, AVS_PLANAR_V, r + luma + chroma, width / 2, height / 2), tolerance);
}

class FFVideoSourceTest : public ::testing::Test {
protected:
    TempDir cache_dir_;
    ScopedEnv cache_{"XDG_CACHE_HOME", cache_dir_.path().string()};
    fstest::Session session_;
};

TEST_F(FFVideoSourceTest, AStreamBesideTheScriptHasItsPropertiesAndFrames) {
    std::filesystem::copy_file(material("pal_count.m2v"), fstest::temp_dir() + "/x.m2v",
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(session_.run("FFVideoSource(\"x.m2v\")\n")) << session_.error();
    const AVS_VideoInfo& vi = session_.info();
    EXPECT_EQ(vi.width, 720);
    EXPECT_EQ(vi.height, 576);
    EXPECT_EQ(vi.fps_numerator, 25u);
    EXPECT_EQ(vi.fps_denominator, 1u);
    EXPECT_EQ(vi.num_frames, 40);
    EXPECT_EQ(vi.pixel_type, AVS_CS_YV12);

    const Reference ref(material("pal_count.yuv"), 720, 576);
    std::vector<int> order(40);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    order.insert(order.end(), {0, 1, 2, 39, 38, 13});
    for (int n : order) expect_frame_matches(session_, n, ref, n, 720, 576, 0.5);
}

TEST_F(FFVideoSourceTest, OtherStreamsAndChromaLayoutsComeOutAsYV12) {
    struct Case {
        const char* stream;
        int width, height;
        unsigned num, den;
        int frames;
        double tolerance;
    };
    for (const Case& c : {Case{"ntsc_cut", 720, 480, 30000, 1001, 30, 0.5},
                          Case{"pal_422", 720, 576, 25, 1, 12, 2.0}}) {
        SCOPED_TRACE(c.stream);
        const std::string path = material(std::string(c.stream) + ".m2v").string();
        ASSERT_TRUE(session_.run("v = FFVideoSource(source=\"" + path + "\", cache=false)\nv\n"))
            << session_.error();
        const AVS_VideoInfo& vi = session_.info();
        EXPECT_EQ(vi.width, c.width);
        EXPECT_EQ(vi.height, c.height);
        EXPECT_EQ(vi.fps_numerator, c.num);
        EXPECT_EQ(vi.fps_denominator, c.den);
        EXPECT_EQ(vi.num_frames, c.frames);
        EXPECT_EQ(vi.pixel_type, AVS_CS_YV12);
        const Reference ref(material(std::string(c.stream) + ".yuv"), c.width, c.height);
        for (int n = 0; n < c.frames; ++n)
            expect_frame_matches(session_, n, ref, n, c.width, c.height, c.tolerance);
    }

    // Not MPEG-2 at all.
    ASSERT_TRUE(session_.run("FFVideoSource(\"" + material("clip_mpeg4.avi").string() + "\")\n"))
        << session_.error();
    EXPECT_EQ(session_.info().width, 320);
    EXPECT_EQ(session_.info().height, 240);
    EXPECT_EQ(session_.info().num_frames, 5);
    EXPECT_EQ(session_.info().fps_numerator, 25u);
    EXPECT_EQ(session_.info().fps_denominator, 1u);
    EXPECT_TRUE(session_.frame(4)->ok()) << session_.clip_error();
}

TEST_F(FFVideoSourceTest, AnOutputRateRepeatsOrDropsFrames) {
    const Reference ref(material("ntsc_cut.yuv"), 720, 480);
    const std::string path = material("ntsc_cut.m2v").string();
    // Double rate: every source frame twice.
    ASSERT_TRUE(session_.run("FFVideoSource(\"" + path + "\", fpsnum=60000, fpsden=1001)\n"))
        << session_.error();
    EXPECT_EQ(session_.info().num_frames, 60);
    EXPECT_EQ(session_.info().fps_numerator, 60000u);
    EXPECT_EQ(session_.info().fps_denominator, 1001u);
    for (int n : {0, 1, 29, 30, 31, 59}) expect_frame_matches(session_, n, ref, n / 2, 720, 480, 0.5);
    // Half rate, by position: every second source frame.
    ASSERT_TRUE(session_.run("FFVideoSource(\"" + path + "\", -1, true, \"\", 15000, 1001)\n"))
        << session_.error();
    EXPECT_EQ(session_.info().num_frames, 15);
    for (int n : {0, 7, 8, 14}) expect_frame_matches(session_, n, ref, 2 * n, 720, 480, 0.5);
}

TEST_F(FFVideoSourceTest, FilesItCannotReadAreScriptErrors) {
    const std::string tone = material("tone.wav").string();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"FFVideoSource(\"missing.m2v\")", "FFVideoSource: can't open \"missing.m2v\""},
        {"FFVideoSource(\"" + tone + "\")", "FFVideoSource: can't open \"" + tone + "\""},
        {"FFVideoSource(\"\")", "FFVideoSource: no file named"},
        {"FFVideoSource(\"" + material("pal_count.m2v").string() + "\", track=1)",
         "FFVideoSource: only the first video track"},
        {"FFVideoSource(\"" + material("pal_count.m2v").string() + "\", fpsnum=25, fpsden=0)",
         "FFVideoSource: fpsden must be positive"},
    };
    for (const auto& [script, error] : cases) {
        SCOPED_TRACE(script);
        EXPECT_FALSE(session_.run(script + "\n"));
        EXPECT_EQ(session_.error().rfind(error, 0), 0u) << session_.error();
    }
}

}  // namespace
