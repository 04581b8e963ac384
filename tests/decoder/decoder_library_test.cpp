// The decoder library as the program uses it: loaded with dlopen from the program directory,
// bound by name, opening hand-written index projects over streams made by ffmpeg.
#include "decoder_test_support.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <set>

using namespace qv::decoder_test;

namespace {

struct Record {
    std::int32_t width;
    std::int32_t height;
    std::int32_t rate_num;
    std::int32_t rate_den;
    std::int32_t frame_count;
    std::int32_t colour_format;
};
using OpenFn = Record* (*)(const char*);
using GetFn = unsigned char* (*)(int);
using CloseFn = void (*)();

const std::vector<std::string> LIBRARY_NAMES = {"DGDecode06.dll", "DGDecode10.dll",
                                                "DGDecode11.dll", "DGDecode12.dll",
                                                "DGDecode13.dll"};
const std::vector<int> VERSIONS = {6, 10, 11, 12, 13};
constexpr std::int32_t YV12 = static_cast<std::int32_t>(0xA0000008u);

std::filesystem::path library_path(const std::string& name)
{
    return std::filesystem::path(QV_PROGRAM_DIR) / "DGDecode" / name;
}

class Library {
public:
    explicit Library(const std::filesystem::path& path)
        : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
    {
        if (handle_ != nullptr) {
            open = reinterpret_cast<OpenFn>(::dlsym(handle_, "openMPEG2Source"));
            get = reinterpret_cast<GetFn>(::dlsym(handle_, "getFrame"));
            close = reinterpret_cast<CloseFn>(::dlsym(handle_, "closeVideo"));
        }
    }
    ~Library()
    {
        if (handle_ != nullptr)
            ::dlclose(handle_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool complete() const { return handle_ != nullptr && open && get && close; }

    OpenFn open = nullptr;
    GetFn get = nullptr;
    CloseFn close = nullptr;

private:
    void* handle_;
};

std::set<std::string> exported_symbols(const std::filesystem::path& library)
{
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + library.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        const auto blank = text.rfind(' ');
        names.insert(blank == std::string::npos ? text : text.substr(blank + 1));
    }
    return names;
}

struct Stream {
    std::string name;
    int width;
    int height;
    int rate_num;
    int rate_den;
    int frames;
};
const Stream PAL{"pal_count", 720, 576, 25, 1, 40};
const Stream PAL_TAIL{"pal_tail", 720, 576, 25, 1, 20};
const Stream NTSC{"ntsc_cut", 720, 480, 30000, 1001, 30};
const Stream PAL_422{"pal_422", 720, 576, 25, 1, 12};

std::string stream_path(const Stream& s) { return material(s.name + ".m2v").string(); }

Reference reference(const Stream& s)
{
    return Reference(material(s.name + ".yuv"), s.width, s.height);
}

class DecoderLibraryTest : public ::testing::Test {
protected:
    std::string project(int version, const std::vector<std::string>& files)
    {
        return project_with_text(project_text(version, files));
    }
    std::string project_with_text(const std::string& text)
    {
        const auto path = dir_ / ("project" + std::to_string(++projects_) + ".d2v");
        write_file(path, text);
        return path.string();
    }

    TempDir dir_;
    ScopedEnv cache_{"XDG_CACHE_HOME", (dir_.path() / "cache").string()};
    Library lib_{library_path("DGDecode10.dll")};
    int projects_ = 0;
};

TEST_F(DecoderLibraryTest, ExportsExactlyTheEntryPoints)
{
    const std::set<std::string> three = {"closeVideo", "getFrame", "openMPEG2Source"};
    for (const auto& name : LIBRARY_NAMES)
        EXPECT_EQ(exported_symbols(library_path(name)), three) << name;
    EXPECT_EQ(exported_symbols(QV_DECODER_BROKEN_LIBRARY),
              (std::set<std::string>{"getFrame", "openMPEG2Source"}));

    Library broken(QV_DECODER_BROKEN_LIBRARY);
    EXPECT_FALSE(broken.complete());
    ASSERT_NE(broken.open, nullptr);
    ASSERT_NE(broken.get, nullptr);
    EXPECT_EQ(broken.close, nullptr);
    EXPECT_NE(broken.open(project(10, {stream_path(PAL)}).c_str()), nullptr);
}

TEST_F(DecoderLibraryTest, EveryLibraryCopyOpensEveryVersionWithItsProperties)
{
    for (const auto& name : LIBRARY_NAMES) {
        Library lib(library_path(name));
        ASSERT_TRUE(lib.complete()) << name << ": " << ::dlerror();
        for (int version : VERSIONS) {
            for (const Stream& s : {PAL, NTSC}) {
                SCOPED_TRACE(name + " version " + std::to_string(version) + " " + s.name);
                const Record* r = lib.open(project(version, {stream_path(s)}).c_str());
                ASSERT_NE(r, nullptr);
                EXPECT_EQ(r->width, s.width);
                EXPECT_EQ(r->height, s.height);
                EXPECT_EQ(r->rate_num, s.rate_num);
                EXPECT_EQ(r->rate_den, s.rate_den);
                EXPECT_EQ(r->frame_count, s.frames);
                EXPECT_EQ(r->colour_format, YV12);
                EXPECT_NE(lib.get(0), nullptr);
                lib.close();
                EXPECT_EQ(lib.get(0), nullptr);
            }
        }
    }
}

TEST_F(DecoderLibraryTest, ProjectLineVariantsAreRead)
{
    ASSERT_TRUE(lib_.complete());
    const std::string pal = stream_path(PAL);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"header ending in blank and 6", "Old Project  6\n1\n7 " + pal + "\n"},
        {"CR LF line ends and trailing blanks", "QVTestIndexProject11  \r\n1\r\n" + pal + "   \r\n"},
        {"version 6 line opening with blanks", "P06\n1\n   " + pal + "\n"},
        {"version 6 field and several blanks", "P06\n1\nabc    " + pal + "\n"},
        {"version 12 line with leading blanks", "P12\n1 files follow\n  " + pal + "\n"},
        {"no line end after the last line", "P13\n1\n" + pal},
    };
    for (const auto& [what, text] : cases) {
        const Record* r = lib_.open(project_with_text(text).c_str());
        ASSERT_NE(r, nullptr) << what;
        EXPECT_EQ(r->frame_count, PAL.frames) << what;
    }
}

TEST_F(DecoderLibraryTest, RelativeSourcePathsAreFoundBesideTheProject)
{
    ASSERT_TRUE(lib_.complete());
    std::filesystem::copy_file(stream_path(PAL_TAIL), dir_ / "part.m2v");
    const Record* r = lib_.open(project(11, {"part.m2v"}).c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frame_count, PAL_TAIL.frames);
}

TEST_F(DecoderLibraryTest, FramesMatchTheReferenceDecode)
{
    ASSERT_TRUE(lib_.complete());
    const std::vector<std::pair<Stream, double>> streams = {{PAL, 0.5}, {NTSC, 0.5}, {PAL_422, 2.0}};
    for (const auto& [s, tolerance] : streams) {
        SCOPED_TRACE(s.name);
        const Reference ref = reference(s);
        const Record* r = lib_.open(project(12, {stream_path(s)}).c_str());
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(r->frame_count, ref.frame_count());
        for (int n = 0; n < r->frame_count; ++n) {
            const unsigned char* frame = lib_.get(n);
            ASSERT_NE(frame, nullptr) << n;
            EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), tolerance) << n;
        }
    }
}

TEST_F(DecoderLibraryTest, EachFrameIsItsOwnAndNotANeighbour)
{
    ASSERT_TRUE(lib_.complete());
    const Reference ref = reference(PAL);
    const Record* r = lib_.open(project(10, {stream_path(PAL)}).c_str());
    ASSERT_NE(r, nullptr);
    for (int n = 0; n < r->frame_count; ++n) {
        const unsigned char* frame = lib_.get(n);
        ASSERT_NE(frame, nullptr);
        const double own = mean_abs_diff(frame, ref.frame(n), ref.frame_bytes());
        for (int other : {n - 1, n + 1}) {
            if (other >= 0 && other < r->frame_count) {
                EXPECT_GT(mean_abs_diff(frame, ref.frame(other), ref.frame_bytes()), own + 0.2)
                    << "frame " << n << " looks like frame " << other;
            }
        }
    }
}

TEST_F(DecoderLibraryTest, SeveralSourceFilesPlayAsOneSequence)
{
    ASSERT_TRUE(lib_.complete());
    Reference joined = reference(PAL);
    joined.append(reference(PAL_TAIL));
    for (int version : {6, 13}) {
        SCOPED_TRACE(version);
        const Record* r = lib_.open(project(version, {stream_path(PAL), stream_path(PAL_TAIL)}).c_str());
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->width, 720);
        EXPECT_EQ(r->rate_num, 25);
        ASSERT_EQ(r->frame_count, PAL.frames + PAL_TAIL.frames);
        // Across the join both ways, then every frame in order.
        for (int n : {39, 40, 38, 41, 0, 59}) {
            const unsigned char* frame = lib_.get(n);
            ASSERT_NE(frame, nullptr);
            EXPECT_LE(mean_abs_diff(frame, joined.frame(n), joined.frame_bytes()), 0.5) << n;
        }
        for (int n = 0; n < r->frame_count; ++n) {
            const unsigned char* frame = lib_.get(n);
            ASSERT_NE(frame, nullptr);
            EXPECT_LE(mean_abs_diff(frame, joined.frame(n), joined.frame_bytes()), 0.5) << n;
        }
    }
    const Record* twice = lib_.open(project(11, {stream_path(PAL_TAIL), stream_path(PAL_TAIL)}).c_str());
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice->frame_count, 2 * PAL_TAIL.frames);
}

TEST_F(DecoderLibraryTest, LaterPartsOfAnotherSizeComeOutAtTheFirstSize)
{
    ASSERT_TRUE(lib_.complete());
    const Record* r = lib_.open(project(10, {stream_path(PAL_TAIL), stream_path(NTSC)}).c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->width, 720);
    EXPECT_EQ(r->height, 576);
    EXPECT_EQ(r->frame_count, PAL_TAIL.frames + NTSC.frames);
    for (int n : {0, 19, 20, 35, 49, 25, 2})
        EXPECT_NE(lib_.get(n), nullptr) << n;
}

TEST_F(DecoderLibraryTest, RandomAccessEqualsSequentialDecoding)
{
    ASSERT_TRUE(lib_.complete());
    const Record* r = lib_.open(project(10, {stream_path(PAL), stream_path(PAL_TAIL)}).c_str());
    ASSERT_NE(r, nullptr);
    const int count = r->frame_count;
    const std::size_t bytes = 720 * 576 * 3 / 2;
    std::vector<std::string> sequential;
    for (int n = 0; n < count; ++n) {
        const unsigned char* frame = lib_.get(n);
        ASSERT_NE(frame, nullptr);
        sequential.emplace_back(reinterpret_cast<const char*>(frame), bytes);
    }
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int n = count - 1; n >= 0; n -= 3)  // backwards, across every GOP
        order.push_back(n);
    for (int n : {14, 15, 16, 13, 29, 30, 31, 45, 44})  // around GOP starts
        order.push_back(n);
    for (int n : order) {
        const unsigned char* frame = lib_.get(n);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(std::memcmp(frame, sequential[static_cast<std::size_t>(n)].data(), bytes), 0) << n;
    }
    // A jump from the start straight to each frame.
    for (int n = 0; n < count; ++n) {
        ASSERT_NE(lib_.get(0), nullptr);
        const unsigned char* frame = lib_.get(n);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(std::memcmp(frame, sequential[static_cast<std::size_t>(n)].data(), bytes), 0) << n;
    }
}

TEST_F(DecoderLibraryTest, SystemStreamsAreExactInAnyOrder)
{
    ASSERT_TRUE(lib_.complete());
    // A program stream whole, cut in two at a pack boundary as a DVD cuts its VOB files, and a
    // transport stream.
    const std::string vob = read_file(material("pal_vob.vob"));
    const std::size_t cut = vob.size() / 2 / 2048 * 2048;
    write_file(dir_ / "VTS_01_1.VOB", vob.substr(0, cut));
    write_file(dir_ / "VTS_01_2.VOB", vob.substr(cut));
    const std::vector<std::pair<std::string, std::vector<std::string>>> projects = {
        {"pal_vob", {material("pal_vob.vob").string()}},
        {"pal_vob", {(dir_ / "VTS_01_1.VOB").string(), (dir_ / "VTS_01_2.VOB").string()}},
        {"pal_ts", {material("pal_ts.mpegts").string()}}};
    for (const auto& [reference_name, files] : projects) {
        SCOPED_TRACE(files.front());
        const Reference ref(material(reference_name + ".yuv"), 720, 576);
        ASSERT_EQ(ref.frame_count(), 40);
        const Record* r = lib_.open(project(12, files).c_str());
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->width, 720);
        EXPECT_EQ(r->height, 576);
        EXPECT_EQ(r->rate_num, 25);
        EXPECT_EQ(r->rate_den, 1);
        ASSERT_EQ(r->frame_count, ref.frame_count());
        std::vector<int> order(static_cast<std::size_t>(r->frame_count));
        std::iota(order.begin(), order.end(), 0);
        std::vector<int> shuffled = order;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
        order.insert(order.end(), shuffled.begin(), shuffled.end());
        order.insert(order.end(), {0, 39, 0, 14, 13, 0});
        for (int n : order) {
            const unsigned char* frame = lib_.get(n);
            ASSERT_NE(frame, nullptr) << n;
            EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), 0.5) << n;
        }
    }
}

TEST_F(DecoderLibraryTest, EveryFrameIsReachedExactlyWhateverTheGopStructure)
{
    ASSERT_TRUE(lib_.complete());
    for (const Stream& s : {Stream{"gop12_b3", 352, 240, 30000, 1001, 40},
                            Stream{"closed_gop", 352, 288, 25, 1, 40},
                            Stream{"no_b", 352, 288, 25, 1, 40}}) {
        SCOPED_TRACE(s.name);
        const Reference ref = reference(s);
        const Record* r = lib_.open(project(11, {stream_path(s)}).c_str());
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(r->frame_count, s.frames);
        EXPECT_EQ(r->rate_num, s.rate_num);
        EXPECT_EQ(r->rate_den, s.rate_den);
        // Straight from the start, straight back from the end, and single steps backwards.
        for (int from : {0, s.frames - 1}) {
            for (int n = 0; n < s.frames; ++n) {
                ASSERT_NE(lib_.get(from), nullptr);
                const unsigned char* frame = lib_.get(n);
                ASSERT_NE(frame, nullptr);
                EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), 0.5)
                    << n << " from " << from;
            }
        }
        for (int n = s.frames - 1; n >= 0; --n)
            EXPECT_LE(mean_abs_diff(lib_.get(n), ref.frame(n), ref.frame_bytes()), 0.5) << n;
    }
}

TEST_F(DecoderLibraryTest, FrameNumbersOutsideTheRangeAreClamped)
{
    ASSERT_TRUE(lib_.complete());
    EXPECT_EQ(lib_.get(0), nullptr) << "no project open yet";
    const Record* r = lib_.open(project(12, {stream_path(NTSC)}).c_str());
    ASSERT_NE(r, nullptr);
    const std::size_t bytes = 720 * 480 * 3 / 2;
    const std::string first(reinterpret_cast<const char*>(lib_.get(0)), bytes);
    const std::string last(reinterpret_cast<const char*>(lib_.get(r->frame_count - 1)), bytes);
    ASSERT_NE(first, last);
    for (int n : {-1, INT_MIN}) {
        const unsigned char* frame = lib_.get(n);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(frame), bytes), first) << n;
    }
    for (int n : {r->frame_count, r->frame_count + 1, INT_MAX}) {
        const unsigned char* frame = lib_.get(n);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(frame), bytes), last) << n;
    }
}

TEST_F(DecoderLibraryTest, BadInputIsRefusedWithoutHarm)
{
    ASSERT_TRUE(lib_.complete());
    const std::string pal_bytes = read_file(stream_path(PAL));
    const auto stream_file = [&](const std::string& name, const std::string& bytes) {
        write_file(dir_ / name, bytes);
        return (dir_ / name).string();
    };
    // Sequence header and extensions up to the first picture, then the end code: no frames.
    const std::string headers = pal_bytes.substr(0, pal_bytes.find(std::string("\0\0\1\0", 4)));
    const std::string no_pictures = stream_file("headers_only.m2v", headers + std::string("\0\0\1\xB7", 4));

    std::string junk(4096, '\0');
    std::mt19937 random(3);
    for (auto& c : junk)
        c = static_cast<char>(random());

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"text as stream", project(10, {stream_file("text.m2v", "hello, not video\n")})},
        {"sound only", project(10, {material("tone.wav").string()})},
        {"MPEG-4 video", project(11, {material("clip_mpeg4.avi").string()})},
        {"empty stream", project(12, {stream_file("empty.m2v", "")})},
        {"stream cut in its header", project(13, {stream_file("cut10.m2v", pal_bytes.substr(0, 10))})},
        {"stream cut after 30 bytes", project(6, {stream_file("cut30.m2v", pal_bytes.substr(0, 30))})},
        {"stream without pictures", project(10, {no_pictures})},
        {"missing stream", project(10, {(dir_ / "absent.m2v").string()})},
        {"second stream missing", project(10, {stream_path(PAL), (dir_ / "absent.m2v").string()})},
        {"folder as stream", project(10, {dir_.path().string()})},
        {"missing project", (dir_ / "absent.d2v").string()},
        {"project is a folder", dir_.path().string()},
        {"empty project", project_with_text("")},
        {"binary junk", project_with_text(junk)},
        {"junk after a good header", project_with_text("P10\n1\n" + junk)},
        {"huge line", project_with_text(std::string(100000, 'a') + "10\n1\n" + stream_path(PAL) + "\n")},
        {"huge path line", project_with_text("P10\n1\n" + std::string(600, '/') + stream_path(PAL) + "\n")},
        {"header only", project_with_text("P10\n")},
        {"no file count", project_with_text("P10\nfiles\n" + stream_path(PAL) + "\n")},
        {"zero files", project_with_text("P10\n0\n" + stream_path(PAL) + "\n")},
        {"negative file count", project_with_text("P10\n-1\n" + stream_path(PAL) + "\n")},
        {"fewer lines than files", project_with_text("P10\n3\n" + stream_path(PAL) + "\n")},
        {"huge file count", project_with_text("P10\n99999999999999\n" + stream_path(PAL) + "\n")},
        {"header ending in letters", project_with_text("Project1x\n1\n" + stream_path(PAL) + "\n")},
        {"version 10 line in version 6 layout", project_with_text("P10\n1\n1 " + stream_path(PAL) + "\n")},
        {"version 6 line without field", project_with_text("P06\n1\n" + stream_path(PAL) + "\n")},
        {"empty file line", project_with_text("P11\n1\n   \n")},
    };
    for (const auto& [what, path] : cases) {
        EXPECT_EQ(lib_.open(path.c_str()), nullptr) << what;
        EXPECT_EQ(lib_.get(0), nullptr) << what;
    }
    for (int version : {0, 5, 7, 8, 9, 14, 16, 99})
        EXPECT_EQ(lib_.open(project(version, {stream_path(PAL)}).c_str()), nullptr) << version;
    EXPECT_EQ(lib_.open(nullptr), nullptr);
    EXPECT_EQ(lib_.open(""), nullptr);

    // A failed open also ends the project that was open before it.
    ASSERT_NE(lib_.open(project(10, {stream_path(PAL)}).c_str()), nullptr);
    EXPECT_EQ(lib_.open((dir_ / "absent.d2v").c_str()), nullptr);
    EXPECT_EQ(lib_.get(0), nullptr);
    // And the library is still sound.
    const Record* r = lib_.open(project(10, {stream_path(PAL)}).c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frame_count, PAL.frames);
}

TEST_F(DecoderLibraryTest, TruncatedStreamGivesTheFramesItHolds)
{
    ASSERT_TRUE(lib_.complete());
    const std::string bytes = read_file(stream_path(PAL));
    const Reference ref = reference(PAL);
    for (std::size_t cut : {std::size_t{60}, std::size_t{3000}, bytes.size() / 2, bytes.size() - 100}) {
        SCOPED_TRACE(cut);
        const auto file = dir_ / ("cut" + std::to_string(cut) + ".m2v");
        write_file(file, bytes.substr(0, cut));
        const Record* r = lib_.open(project(10, {file.string()}).c_str());
        if (r == nullptr)
            continue;  // refusing is fine; what it offers must be sound
        EXPECT_EQ(r->width, 720);
        EXPECT_LE(r->frame_count, PAL.frames);
        EXPECT_EQ(r->rate_num, 25);
        for (int n = 0; n < r->frame_count; ++n)
            (void)lib_.get(n);  // any frame may be damaged, none may crash
        // Frames well before the cut are the stream's own.
        for (int n = 0; n < r->frame_count / 2; ++n) {
            const unsigned char* frame = lib_.get(n);
            ASSERT_NE(frame, nullptr) << n;
            EXPECT_LE(mean_abs_diff(frame, ref.frame(n), ref.frame_bytes()), 0.5) << n;
        }
    }
}

TEST_F(DecoderLibraryTest, IndexCacheIsReusedAndRenewedWhenTheSourceChanges)
{
    ASSERT_TRUE(lib_.complete());
    const auto cache_dir = dir_ / "cache" / "qvgui" / "index";
    const auto source = dir_ / "movie.m2v";
    std::filesystem::copy_file(stream_path(PAL), source);
    const std::string proj = project(10, {source.string()});
    const Reference ref = reference(PAL);

    ASSERT_NE(lib_.open(proj.c_str()), nullptr);
    auto entries = files_with_extension(cache_dir, ".ffindex");
    ASSERT_EQ(entries.size(), 1u);
    const auto cache_file = entries.front();
    const auto written = std::filesystem::last_write_time(cache_file);
    const std::string content = read_file(cache_file);

    // Opened again: the cache entry is read, not written again.
    ASSERT_NE(lib_.open(proj.c_str()), nullptr);
    EXPECT_EQ(files_with_extension(cache_dir, ".ffindex").size(), 1u);
    EXPECT_EQ(std::filesystem::last_write_time(cache_file), written);

    // A damaged entry is ignored and written anew.
    write_file(cache_file, content.substr(0, content.size() / 2));
    const Record* r = lib_.open(proj.c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frame_count, PAL.frames);
    EXPECT_LE(mean_abs_diff(lib_.get(5), ref.frame(5), ref.frame_bytes()), 0.5);
    EXPECT_EQ(read_file(cache_file), content);

    // A changed source gets an index of its own: replace the stream by another one.
    std::filesystem::remove(source);
    std::filesystem::copy_file(stream_path(PAL_TAIL), source);
    r = lib_.open(proj.c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frame_count, PAL_TAIL.frames);
    EXPECT_EQ(files_with_extension(cache_dir, ".ffindex").size(), 2u);
    const Reference tail = reference(PAL_TAIL);
    EXPECT_LE(mean_abs_diff(lib_.get(7), tail.frame(7), tail.frame_bytes()), 0.5);

    // No temporary files are left behind.
    for (const auto& entry : std::filesystem::directory_iterator(cache_dir))
        EXPECT_EQ(entry.path().extension(), ".ffindex") << entry.path();
}

TEST_F(DecoderLibraryTest, IndexCacheFallsBackToTheHomeFolder)
{
    ASSERT_TRUE(lib_.complete());
    ::unsetenv("XDG_CACHE_HOME");
    ScopedEnv home("HOME", (dir_ / "home").string());
    ASSERT_NE(lib_.open(project(10, {stream_path(NTSC)}).c_str()), nullptr);
    EXPECT_EQ(files_with_extension(dir_ / "home" / ".cache" / "qvgui" / "index", ".ffindex").size(), 1u);
}

TEST_F(DecoderLibraryTest, UnwritableCacheStillDecodes)
{
    ASSERT_TRUE(lib_.complete());
    std::filesystem::create_directories(dir_ / "cache");
    write_file(dir_ / "cache" / "qvgui", "a file where the folder should be");
    const Record* r = lib_.open(project(10, {stream_path(NTSC)}).c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frame_count, NTSC.frames);
    EXPECT_NE(lib_.get(3), nullptr);
}

}  // namespace
