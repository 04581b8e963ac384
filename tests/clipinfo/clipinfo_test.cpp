// The clip information library as another program sees it: loaded with dlopen from the program
// directory, asked through its five exports.
#include "avi_builder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using avitest::Bytes;

namespace {

using Query = std::int32_t (*)(const char*, void*);
using Values = std::array<std::int32_t, 5>; // frames, width, height, scale, rate

constexpr const char* EXPORTS[5] = {"GetFrames", "GetWidth", "GetHeight", "GetScale", "GetRate"};
constexpr const char* OPEN_FAILURE = "Damned!: Unable to open this AVI-File!\n";

struct Library {
    void* handle = nullptr;
    std::array<Query, 5> query{};

    static Library& get() {
        static Library lib = [] {
            Library l;
            l.handle = dlopen(QV_PROGRAM_DIR "/libclipinfo.so", RTLD_NOW | RTLD_LOCAL);
            if (l.handle)
                for (int i = 0; i < 5; ++i)
                    l.query[i] = reinterpret_cast<Query>(dlsym(l.handle, EXPORTS[i]));
            return l;
        }();
        return lib;
    }
};

// Collects what the library writes to standard error while it lives.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = dup(2);
        dup2(fileno(file_), 2);
    }
    ~StderrCapture() { restore(); if (file_) std::fclose(file_); }
    std::string text() {
        restore();
        std::string out;
        std::rewind(file_);
        char buf[512];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0) out.append(buf, n);
        return out;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

Values query_all(const char* path, std::string* messages = nullptr, void* window = nullptr) {
    auto& lib = Library::get();
    Values v{};
    StderrCapture capture;
    for (int i = 0; i < 5; ++i) v[i] = lib.query[i](path, window);
    const std::string text = capture.text();
    if (messages) *messages = text;
    return v;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "clipinfo-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name, const Bytes& bytes) const {
        const std::string p = (path_ / name).string();
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    fs::path path() const { return path_; }

private:
    fs::path path_;
};

Bytes read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string media(const std::string& name) { return std::string(CLIPINFO_MEDIA_DIR "/") + name + ".avi"; }

// A plain one-stream clip: 320 x 240 at 25 frames per second, `frames` frames.
avitest::File clip(std::uint32_t frames = 3) {
    avitest::File f;
    avitest::Stream v;
    v.length = frames;
    v.rect[2] = 320;
    v.rect[3] = 240;
    v.width = 320;
    v.height = 240;
    f.streams = {v};
    f.data.assign(frames, "00dc");
    return f;
}

class ClipInfo : public ::testing::Test {
protected:
    void SetUp() override {
        auto& lib = Library::get();
        ASSERT_NE(lib.handle, nullptr) << dlerror();
        for (int i = 0; i < 5; ++i) ASSERT_NE(lib.query[i], nullptr) << EXPORTS[i];
    }
    TempDir dir_;
};

TEST_F(ClipInfo, ExportsOnlyTheFiveQueries) {
    auto* handle = Library::get().handle;
    for (const char* internal : {"_ZN8clipinfo8read_aviERNS_10ByteSourceE",
                                 "_ZN8clipinfo13read_avi_fileEPKc"})
        EXPECT_EQ(dlsym(handle, internal), nullptr) << internal;
}

struct MediaCase {
    const char* name;
    Values expected;
};

TEST_F(ClipInfo, ClipsWrittenByFfmpeg) {
    const MediaCase cases[] = {
        {"pal_mpeg4_10", {10, 320, 240, 1, 25}},
        {"ntsc_mjpeg_4", {4, 176, 144, 1001, 30000}},
        {"film_ntsc_ffv1_100", {100, 64, 48, 1001, 24000}},
        {"film_raw_1", {1, 64, 48, 1, 24}},
        {"r15_huffyuv_10", {10, 160, 120, 1, 15}},
        {"r50_mpeg4_mp2_4", {4, 352, 288, 1, 50}},
        {"ntsc60_mjpeg_pcm_100", {100, 128, 96, 1001, 60000}},
        {"pal_msmpeg4_pcm_1", {1, 720, 576, 1, 25}},
        {"ntsc_raw_gray_100", {100, 32, 16, 1001, 30000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!fs::exists(media(c.name))) {
            GTEST_SKIP() << "ffmpeg did not make " << media(c.name);
        }
        std::string messages;
        EXPECT_EQ(query_all(media(c.name).c_str(), &messages), c.expected);
        EXPECT_EQ(messages, "");
    }
}

TEST_F(ClipInfo, TimeBaseComesBackAsStoredNeverReduced) {
    const std::pair<std::uint32_t, std::uint32_t> bases[] = {
        {1000, 25000}, {1001, 30000}, {2002, 60000}, {1, 25}, {100, 2997},
        {0, 0}, {0, 25}, {1001, 0}, {0xFFFFFFFFu, 0x80000000u}};
    for (const auto& [scale, rate] : bases) {
        SCOPED_TRACE(std::to_string(scale) + "/" + std::to_string(rate));
        auto f = clip(7);
        f.streams[0].scale = scale;
        f.streams[0].rate = rate;
        const std::string path = dir_.file("base.avi", avitest::build(f));
        std::string messages;
        EXPECT_EQ(query_all(path.c_str(), &messages),
                  (Values{7, 320, 240, static_cast<std::int32_t>(scale), static_cast<std::int32_t>(rate)}));
        EXPECT_EQ(messages, "");
    }
}

struct SizeCase {
    const char* what;
    avitest::File file;
    Values expected;
};

avitest::Stream video(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b, std::int32_t w,
                      std::int32_t h) {
    avitest::Stream s;
    s.rect[0] = l, s.rect[1] = t, s.rect[2] = r, s.rect[3] = b;
    s.width = w;
    s.height = h;
    s.length = 2;
    return s;
}

avitest::Stream audio() {
    avitest::Stream s;
    s.type = "auds";
    s.scale = 4;
    s.rate = 176400;
    s.length = 88200;
    s.width = 0;
    return s;
}

TEST_F(ClipInfo, FrameSizeIsTheLargestVideoRectangleOrTheFormatPicture) {
    auto f = [](std::vector<avitest::Stream> streams) {
        avitest::File file;
        file.streams = std::move(streams);
        file.data = {"00dc", "00dc"};
        return file;
    };
    auto short_header = video(0, 0, 0, 0, 352, 288);
    short_header.with_rect = false;
    auto no_format = video(0, 0, 0, 0, 352, 288);
    no_format.with_format = false;
    const SizeCase cases[] = {
        {"rectangle wins over the format", f({video(0, 0, 320, 240, 640, 480)}), {2, 320, 240, 1, 25}},
        {"offset rectangle", f({video(10, 20, 110, 70, 640, 480)}), {2, 100, 50, 1, 25}},
        {"empty rectangle: format size", f({video(0, 0, 0, 0, 720, 576)}), {2, 720, 576, 1, 25}},
        {"inverted rectangle counts as empty", f({video(50, 50, 10, 10, 720, 480)}), {2, 720, 480, 1, 25}},
        {"top-down picture", f({video(0, 0, 0, 0, 720, -576)}), {2, 720, 576, 1, 25}},
        {"header without rectangle", f({short_header}), {2, 352, 288, 1, 25}},
        {"no format, empty rectangle", f({no_format}), {2, 0, 0, 1, 25}},
        {"largest of each among video streams",
         f({video(0, 0, 320, 240, 0, 0), video(0, 0, 640, 200, 0, 0)}), {2, 640, 240, 1, 25}},
        {"audio after video", f({video(0, 0, 0, 0, 160, 120), audio()}), {2, 160, 120, 1, 25}},
        {"audio first: its time base, video size", f({audio(), video(0, 0, 0, 0, 160, 120)}),
         {88200, 160, 120, 4, 176400}},
        {"audio only", f({audio()}), {88200, 0, 0, 4, 176400}},
        {"no streams", f({}), {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_.file("size.avi", avitest::build(c.file));
        std::string messages;
        EXPECT_EQ(query_all(path.c_str(), &messages), c.expected);
        EXPECT_EQ(messages, "");
    }
}

TEST_F(ClipInfo, IndexCountsWhereItHoldsMoreFramesThanTheHeader) {
    struct Case {
        const char* what;
        std::uint32_t header;
        std::vector<std::string> data;
        std::vector<std::string> index;
        bool with_index;
        std::int32_t frames;
    };
    const std::vector<std::string> five(5, "00dc");
    const Case cases[] = {
        {"index longer than header", 3, five, {}, true, 5},
        {"header longer than index", 10, five, {}, true, 10},
        {"other streams and palette changes do not count", 1, five,
         {"00dc", "01wb", "00pc", "00db", "01wb", "00dc", "ix00", "rec "}, true, 3},
        {"no index: the data list counts", 2, {"00dc", "01wb", "00dc", "00db", "JUNK", "00dc"}, {},
         false, 4},
        {"no index and empty data list", 6, {}, {}, false, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto f = clip(c.header);
        f.streams.push_back(audio());
        f.data = c.data;
        f.index = c.index;
        f.with_index = c.with_index;
        const std::string path = dir_.file("index.avi", avitest::build(f));
        EXPECT_EQ(query_all(path.c_str()), (Values{c.frames, 320, 240, 1, 25}));
    }

    // An ffmpeg clip whose header claims one frame: its index of ten counts.
    if (!fs::exists(media("pal_mpeg4_10"))) {
        GTEST_SKIP() << "ffmpeg did not make the clip";
    }
    Bytes bytes = read_bytes(media("pal_mpeg4_10"));
    const std::size_t strh = avitest::find_id(bytes, "strh");
    ASSERT_NE(strh, std::string::npos);
    avitest::patch32(bytes, strh + 8 + 32, 1);
    const std::string patched = dir_.file("patched.avi", bytes);
    EXPECT_EQ(query_all(patched.c_str()), (Values{10, 320, 240, 1, 25}));
}

TEST_F(ClipInfo, FilesThatDoNotOpenGiveFourAndTheMessageFromEachExport) {
    std::vector<std::pair<std::string, std::string>> paths; // what, path
    paths.emplace_back("missing path", (dir_.path() / "no-such-file.avi").string());
    paths.emplace_back("directory", dir_.path().string());
    paths.emplace_back("empty path", "");
    paths.emplace_back("0-byte file", dir_.file("empty.avi", {}));
    paths.emplace_back("11 bytes", dir_.file("short.avi", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I'}));
    paths.emplace_back("text", dir_.file("text.avi", Bytes(300, 'x')));
    auto wave = avitest::build(clip());
    std::copy_n("WAVE", 4, wave.begin() + 8);
    paths.emplace_back("RIFF WAVE", dir_.file("wave.avi", wave));
    auto rifx = avitest::build(clip());
    rifx[3] = 'X';
    paths.emplace_back("RIFX", dir_.file("rifx.avi", rifx));
    auto no_main = clip();
    no_main.with_main_header = false;
    paths.emplace_back("no main header", dir_.file("nomain.avi", avitest::build(no_main)));
    auto no_strh = clip();
    no_strh.streams[0].with_header = false;
    paths.emplace_back("stream without header", dir_.file("nostrh.avi", avitest::build(no_strh)));
    paths.emplace_back("no header list",
                       dir_.file("nohdrl.avi", avitest::list("RIFF", "AVI ", {avitest::data_list(clip())})));
    auto huge_hdrl = avitest::build(clip());
    avitest::patch32(huge_hdrl, 16, 0xFFFFFFF0u);
    paths.emplace_back("header list past the end", dir_.file("hugehdrl.avi", huge_hdrl));
    auto huge_strh = avitest::build(clip());
    avitest::patch32(huge_strh, avitest::find_id(huge_strh, "strh") + 4, 0x7FFFFFFFu);
    paths.emplace_back("stream header past its list", dir_.file("hugestrh.avi", huge_strh));
    auto huge_strl = avitest::build(clip());
    avitest::patch32(huge_strl, avitest::find_id(huge_strl, "strl") - 4, 0x7FFFFFFFu);
    paths.emplace_back("stream list past the header list", dir_.file("hugestrl.avi", huge_strl));
    const std::string fifo = (dir_.path() / "pipe.avi").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.emplace_back("named pipe", fifo);

    for (const auto& [what, path] : paths) {
        SCOPED_TRACE(what);
        std::string messages;
        EXPECT_EQ(query_all(path.c_str(), &messages), (Values{4, 4, 4, 4, 4}));
        EXPECT_EQ(messages, repeat(OPEN_FAILURE, 5));
    }
    std::string messages;
    {
        StderrCapture capture;
        EXPECT_EQ(Library::get().query[0](nullptr, nullptr), 4);
        messages = capture.text();
    }
    EXPECT_EQ(messages, OPEN_FAILURE);
}

TEST_F(ClipInfo, FileCutInsideItsHeadersDoesNotOpenCutLaterKeepsTheHeaderValues) {
    struct Source {
        std::string what;
        Bytes bytes;
        Values full;
    };
    std::vector<Source> sources;
    auto two = clip(4);
    two.streams.push_back(audio());
    two.data = {"00dc", "01wb", "00dc", "01wb", "00dc", "00dc"};
    sources.push_back({"built", avitest::build(two), {4, 320, 240, 1, 25}});
    if (fs::exists(media("ntsc60_mjpeg_pcm_100")))
        sources.push_back({"ffmpeg", read_bytes(media("ntsc60_mjpeg_pcm_100")), {100, 128, 96, 1001, 60000}});

    for (const auto& s : sources) {
        SCOPED_TRACE(s.what);
        ASSERT_EQ(avitest::find_id(s.bytes, "hdrl"), 20u);
        const std::size_t header_end = 20 + (s.bytes[16] | s.bytes[17] << 8 | s.bytes[18] << 16 |
                                             static_cast<std::size_t>(s.bytes[19]) << 24);
        ASSERT_LT(header_end, s.bytes.size());
        const std::string path = (dir_.path() / "cut.avi").string();
        // Every cut through the first bytes and around the end of the headers; a sample of the rest.
        auto next_cut = [&](std::size_t cut) -> std::size_t {
            if (cut < 600 || (cut + 8 >= header_end && cut < header_end + 64)) return cut + 1;
            if (cut < header_end) return std::min(cut + 7, header_end - 8);
            return cut + 397;
        };
        for (std::size_t cut = 0; cut < s.bytes.size(); cut = next_cut(cut)) {
            dir_.file("cut.avi", Bytes(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
            std::string messages;
            const Values got = query_all(path.c_str(), &messages);
            if (cut < header_end) {
                ASSERT_EQ(got, (Values{4, 4, 4, 4, 4})) << "cut at " << cut;
                ASSERT_EQ(messages, repeat(OPEN_FAILURE, 5));
            } else {
                ASSERT_EQ(got, s.full) << "cut at " << cut;
                ASSERT_EQ(messages, "");
            }
        }
    }
}

TEST_F(ClipInfo, HostileStructureGivesDefinedValues) {
    // Data chunks nested in record lists this deep, with no index.
    constexpr std::uint32_t DEPTH = 20000;
    Bytes nested;
    for (std::uint32_t i = 0; i < DEPTH; ++i) {
        avitest::put_id(nested, "LIST");
        avitest::put32(nested, 4 + 12 * (DEPTH - 1 - i) + 10);
        avitest::put_id(nested, "rec ");
    }
    avitest::append(nested, avitest::chunk("00dc", Bytes{1, 2}));
    auto deep = clip(1);
    deep.with_index = false;
    Bytes deep_bytes = avitest::list(
        "RIFF", "AVI ", {avitest::header_list(deep), avitest::list("LIST", "movi", {nested, nested})});

    // Lists inside the stream list, and junk between the headers.
    Bytes odd_header = avitest::list(
        "LIST", "hdrl",
        {avitest::chunk("avih", avitest::main_header(clip())),
         avitest::chunk("JUNK", Bytes(33, 0)),
         avitest::list("LIST", "strl",
                       {avitest::list("LIST", "xxxx", {avitest::list("LIST", "strl", {})}),
                        avitest::chunk("strh", avitest::stream_header(clip(9).streams[0])),
                        avitest::chunk("strf", avitest::stream_format(clip().streams[0]))}),
         avitest::list("LIST", "odml", {avitest::chunk("dmlh", Bytes(248, 0))})});
    Bytes odd = avitest::list("RIFF", "AVI ", {odd_header, avitest::data_list(clip(2))});

    // The data list and the index claim sizes far past the end of the file.
    Bytes huge_movi = avitest::build(clip(3));
    avitest::patch32(huge_movi, avitest::find_id(huge_movi, "movi") - 4, 0xFFFFFFFFu);
    auto long_index = clip(3);
    long_index.index.assign(8, "00dc");
    Bytes huge_index = avitest::build(long_index);
    avitest::patch32(huge_index, avitest::find_id(huge_index, "idx1") + 4, 0xFFFFFFF0u);
    Bytes riff_size_zero = avitest::build(clip(3));
    avitest::patch32(riff_size_zero, 4, 0);

    // Zeros and noise after the headers.
    auto headers_only = clip(5);
    Bytes zeros = avitest::list("RIFF", "AVI ", {avitest::header_list(headers_only)});
    zeros.resize(zeros.size() + 100000, 0);
    avitest::patch32(zeros, 4, static_cast<std::uint32_t>(zeros.size() - 8));
    Bytes noise = avitest::list("RIFF", "AVI ", {avitest::header_list(headers_only)});
    std::uint32_t seed = 12345;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.push_back(static_cast<std::uint8_t>(seed >> 16));
    }

    const std::pair<const char*, std::pair<Bytes, Values>> cases[] = {
        {"deeply nested record lists", {deep_bytes, {2, 320, 240, 1, 25}}},
        {"lists inside the stream list", {odd, {9, 320, 240, 1, 25}}},
        {"data list past the end", {huge_movi, {3, 320, 240, 1, 25}}},
        {"index past the end", {huge_index, {8, 320, 240, 1, 25}}},
        {"RIFF size zero", {riff_size_zero, {3, 320, 240, 1, 25}}},
        {"zeros after the headers", {zeros, {5, 320, 240, 1, 25}}},
        {"noise after the headers", {noise, {5, 320, 240, 1, 25}}},
    };
    for (const auto& [what, c] : cases) {
        SCOPED_TRACE(what);
        const std::string path = dir_.file("hostile.avi", c.first);
        std::string messages;
        EXPECT_EQ(query_all(path.c_str(), &messages), c.second);
        EXPECT_EQ(messages, "");
    }
}

long peak_rss_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(ClipInfo, LargeOpenDmlFileIsReadThroughItsHeadersOnly) {
    // A sparse file of over 4 GB: a first RIFF list of almost 4 GB whose data list is mostly a
    // hole, its index at the end, then an extension RIFF list.
    auto f = clip(2);
    const Bytes header = avitest::header_list(f);
    constexpr std::uint64_t MOVI_SIZE = 0xF0000000ull; // 3.75 GB
    Bytes head;
    avitest::put_id(head, "RIFF");
    avitest::put32(head, 0); // patched below
    avitest::put_id(head, "AVI ");
    avitest::append(head, header);
    const std::uint64_t movi_at = head.size();
    avitest::put_id(head, "LIST");
    avitest::put32(head, static_cast<std::uint32_t>(MOVI_SIZE));
    avitest::put_id(head, "movi");
    avitest::append(head, avitest::chunk("00dc", Bytes{1, 2, 3}));
    const std::uint64_t index_at = movi_at + 8 + MOVI_SIZE;
    f.index.assign(7, "00dc");
    const Bytes index = avitest::index_chunk(f);
    const std::uint64_t riff_end = index_at + index.size();
    avitest::patch32(head, 4, static_cast<std::uint32_t>(riff_end - 8));
    Bytes extension = avitest::list("RIFF", "AVIX", {avitest::list("LIST", "movi", {avitest::chunk("00dc", Bytes(64, 9))})});
    avitest::patch32(extension, 4, 0x40000000u);

    for (const bool with_index : {true, false}) {
        SCOPED_TRACE(with_index ? "with index" : "without index");
        const std::string path = (dir_.path() / "large.avi").string();
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        if (with_index) {
            ASSERT_EQ(pwrite(fd, index.data(), index.size(), static_cast<off_t>(index_at)),
                      static_cast<ssize_t>(index.size()));
        }
        ASSERT_EQ(pwrite(fd, extension.data(), extension.size(), static_cast<off_t>(riff_end)),
                  static_cast<ssize_t>(extension.size()));
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(riff_end + 8 + 0x40000000ull)), 0);
        close(fd);
        ASSERT_GT(fs::file_size(path), 0x100000000ull);

        const long before = peak_rss_kb();
        std::string messages;
        EXPECT_EQ(query_all(path.c_str(), &messages), (Values{with_index ? 7 : 2, 320, 240, 1, 25}));
        EXPECT_EQ(messages, "");
        EXPECT_LT(peak_rss_kb() - before, 64 * 1024) << "the file was loaded, not walked";
    }
}

std::size_t open_descriptors() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(ClipInfo, EveryCallOpensTheFileAfreshAndClosesIt) {
    auto first = clip(5);
    const std::string path = dir_.file("changing.avi", avitest::build(first));
    EXPECT_EQ(query_all(path.c_str()), (Values{5, 320, 240, 1, 25}));

    // Replaced between two calls: the second call sees the new file.
    auto second = clip(9);
    second.streams[0].scale = 1001;
    second.streams[0].rate = 30000;
    dir_.file("changing.avi", avitest::build(second));
    EXPECT_EQ(query_all(path.c_str()), (Values{9, 320, 240, 1001, 30000}));

    // Removed: the next call does not open it.
    fs::remove(path);
    std::string messages;
    EXPECT_EQ(query_all(path.c_str(), &messages), (Values{4, 4, 4, 4, 4}));
    EXPECT_EQ(messages, repeat(OPEN_FAILURE, 5));

    // No descriptor is left behind, and the window handle changes nothing.
    const std::string kept = dir_.file("kept.avi", avitest::build(first));
    const std::size_t before = open_descriptors();
    int window = 0;
    for (int i = 0; i < 50; ++i) ASSERT_EQ(query_all(kept.c_str(), nullptr, &window), (Values{5, 320, 240, 1, 25}));
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(ClipInfo, CommandLineFrontEndPrintsTheFiveValues) {
    const std::string good = dir_.file("good.avi", avitest::build(clip(4)));
    const std::string missing = (dir_.path() / "missing.avi").string();
    const std::string out = (dir_.path() / "out.txt").string();
    const std::string err = (dir_.path() / "err.txt").string();
    auto run = [&](const std::string& args) {
        const int status = std::system(("'" QV_PROGRAM_DIR "/clipinfo' " + args + " >'" + out + "' 2>'" + err + "'").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto text = [](const std::string& p) {
        const Bytes b = read_bytes(p);
        return std::string(b.begin(), b.end());
    };

    EXPECT_EQ(run("'" + good + "' '" + good + "'"), 0);
    const std::string line = "frames=4 width=320 height=240 scale=1 rate=25 " + good + "\n";
    EXPECT_EQ(text(out), line + line);
    EXPECT_EQ(text(err), "");

    EXPECT_EQ(run("'" + missing + "' '" + good + "'"), 1);
    EXPECT_EQ(text(out), line);
    EXPECT_EQ(text(err), "clipinfo: " + missing + ": Unable to open this AVI-File!\n");

    EXPECT_EQ(run(""), 2);
    EXPECT_NE(text(err).find("usage: clipinfo FILE..."), std::string::npos);
}

} // namespace
