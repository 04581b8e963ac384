#include "companions/decoder/ffms_source.h"

#include <ffms.h>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <numeric>
#include <optional>

namespace qv::ffms {
namespace {

// One decoding thread: FFMS2 with frame threads is slower for MPEG-2 on a small machine and,
// worse, lands one frame off after a seek.
constexpr int DEFAULT_THREADS = 1;
constexpr int MAX_THREADS = 16;
// An index for hours of video is a few megabytes; anything far larger is not ours.
constexpr std::uintmax_t MAX_INDEX_FILE_BYTES = 512u * 1024u * 1024u;
// The sequence header of an MPEG stream lies at its very start; a program stream may put a few
// packs of other data first.
constexpr std::size_t SEQUENCE_SCAN_BYTES = 4u * 1024u * 1024u;
// Frames kept for stepping back in linearly decoded sources: 16 MiB, at most 24 frames (two
// steps of ten, or two dozen single steps, in the preview).
constexpr std::size_t KEPT_FRAME_BYTES = 16u * 1024u * 1024u;
constexpr std::size_t MAX_KEPT_FRAMES = 24;
constexpr auto CACHE_ENTRY_LIFETIME = std::chrono::hours(24 * 90);
constexpr auto TEMPORARY_FILE_LIFETIME = std::chrono::hours(24);
// Video copied out of a program stream is nearly as large as the source (gigabytes for a DVD), so
// it is kept for two weeks after it was made, and made only with this much room to spare.
constexpr auto STREAM_COPY_LIFETIME = std::chrono::hours(24 * 14);
constexpr std::uintmax_t STREAM_COPY_SPARE_BYTES = 256u * 1024u * 1024u;
constexpr const char* STREAM_COPY_SUFFIX = ".video.m2v";

void init_ffms_once()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FFMS_Init(0, 0);
        // The host program reports failures itself; libav's own chatter goes nowhere unless asked for.
        FFMS_SetLogLevel(std::getenv("QV_DECODER_LOG") != nullptr ? FFMS_LOG_INFO : FFMS_LOG_QUIET);
    });
}

struct ErrorBuffer {
    char text[1024] = {};
    FFMS_ErrorInfo info{FFMS_ERROR_SUCCESS, FFMS_ERROR_SUCCESS, static_cast<int>(sizeof text), text};
    std::string message(const char* what) const
    {
        std::string m = what;
        if (text[0] != '\0') {
            m += ": ";
            m += text;
        }
        return m;
    }
};

struct IndexDeleter {
    void operator()(FFMS_Index* index) const { FFMS_DestroyIndex(index); }
};
using IndexPtr = std::unique_ptr<FFMS_Index, IndexDeleter>;

int configured_threads(int requested)
{
    return std::clamp(requested <= 0 ? DEFAULT_THREADS : requested, 1, MAX_THREADS);
}

bool is_mpeg_video_codec(const char* name)
{
    return name != nullptr &&
           (std::strcmp(name, "mpeg2video") == 0 || std::strcmp(name, "mpeg1video") == 0);
}

std::uint64_t fnv1a(std::uint64_t hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || size > MAX_INDEX_FILE_BYTES)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size()))
        return std::nullopt;
    return bytes;
}

// Writes through a private temporary file and a rename, so a reader never sees half an index
// and two processes writing the same entry cannot interleave.
bool write_file_atomically(const std::filesystem::path& path, const std::uint8_t* data,
                           std::size_t size)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path temp =
        path.string() + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool is_cache_entry_name(const std::string& name)
{
    return name.ends_with(".ffindex") || name.find(".ffindex.tmp.") != std::string::npos ||
           name.ends_with(STREAM_COPY_SUFFIX) ||
           name.find(std::string(STREAM_COPY_SUFFIX) + ".tmp.") != std::string::npos;
}

// Entries unused for a long time (a source that changed or went away) and temporary files left
// by an interrupted write are removed whenever a new entry is written.
void prune_index_cache(const std::filesystem::path& dir, const std::filesystem::path& keep)
{
    std::error_code ec;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!is_cache_entry_name(name) || entry.path() == keep || !entry.is_regular_file(ec))
            continue;
        const auto written = entry.last_write_time(ec);
        if (ec)
            continue;
        const bool copy = name.ends_with(STREAM_COPY_SUFFIX);
        const bool temporary = !copy && !name.ends_with(".ffindex");
        const auto lifetime = copy        ? STREAM_COPY_LIFETIME
                              : temporary ? TEMPORARY_FILE_LIFETIME
                                          : CACHE_ENTRY_LIFETIME;
        if (now - written > lifetime)
            std::filesystem::remove(entry.path(), ec);
    }
}

// Marks an entry as still in use, at most once a day so that reading stays cheap.
void refresh_cache_entry(const std::filesystem::path& file)
{
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    const auto now = std::filesystem::file_time_type::clock::now();
    if (!ec && now - written > std::chrono::hours(24))
        std::filesystem::last_write_time(file, now, ec);
}

void write_index_cache(const std::filesystem::path& file, FFMS_Index* index)
{
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec)
        return;
    ErrorBuffer err;
    std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
    if (FFMS_WriteIndexToBuffer(&buffer, &size, index, &err.info) != 0 || buffer == nullptr)
        return;
    write_file_atomically(file, buffer, size);
    FFMS_FreeIndexBuffer(&buffer);
    prune_index_cache(file.parent_path(), file);
}

// A cached index is used only when it reads back whole and still matches the source.
IndexPtr read_index_cache(const std::filesystem::path& file, const std::string& source_url,
                          bool& was_bad)
{
    was_bad = false;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return nullptr;
    was_bad = true;
    const auto bytes = read_whole_file(file);
    if (!bytes)
        return nullptr;
    ErrorBuffer err;
    IndexPtr index(FFMS_ReadIndexFromBuffer(bytes->data(), bytes->size(), &err.info));
    if (!index)
        return nullptr;
    if (FFMS_IndexBelongsToFile(index.get(), source_url.c_str(), &err.info) != 0)
        return nullptr;
    was_bad = false;
    refresh_cache_entry(file);
    return index;
}

IndexPtr build_index(const std::string& source_url, bool mpeg_only, std::string& error)
{
    ErrorBuffer err;
    // Only local files (and their concatenation) may be read, whatever the data asks for; MPEG
    // sources are read only by the MPEG demuxers (program, elementary and transport streams).
    const FFMS_KeyValuePair options[] = {{"protocol_whitelist", "file,concat"},
                                         {"format_whitelist", "mpeg,mpegvideo,mpegts"}};
    FFMS_Indexer* indexer =
        FFMS_CreateIndexer2(source_url.c_str(), options, mpeg_only ? 2 : 1, &err.info);
    if (indexer == nullptr) {
        error = err.message("cannot read the video file");
        return nullptr;
    }
    int video_track = -1;
    const int tracks = FFMS_GetNumTracksI(indexer);
    for (int t = 0; t < tracks; ++t) {
        if (FFMS_GetTrackTypeI(indexer, t) == FFMS_TYPE_VIDEO) {
            video_track = t;
            break;
        }
    }
    if (video_track < 0) {
        FFMS_CancelIndexing(indexer);
        error = "the file holds no video";
        return nullptr;
    }
    if (mpeg_only && !is_mpeg_video_codec(FFMS_GetCodecNameI(indexer, video_track))) {
        FFMS_CancelIndexing(indexer);
        error = "the file holds no MPEG-1/MPEG-2 video";
        return nullptr;
    }
    FFMS_TrackTypeIndexSettings(indexer, FFMS_TYPE_AUDIO, 0, 0);
    FFMS_TrackIndexSettings(indexer, video_track, 1, 0);
    IndexPtr index(FFMS_DoIndexing2(indexer, FFMS_IEH_ABORT, &err.info));
    if (!index)
        error = err.message("indexing failed");
    return index;
}

std::vector<unsigned char> read_head(const std::filesystem::path& file, std::size_t bytes)
{
    std::vector<unsigned char> data;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return data;
    data.resize(bytes);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return data;
}

// Position of the next MPEG start code prefix (00 00 01) at or after `from`, or the size.
std::size_t next_start_code(const std::vector<unsigned char>& data, std::size_t from)
{
    while (from + 3 <= data.size()) {
        const void* one = std::memchr(data.data() + from + 2, 1, data.size() - from - 2);
        if (one == nullptr)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const unsigned char*>(one) - data.data());
        if (data[at - 1] == 0 && data[at - 2] == 0)
            return at - 2;
        from = at - 1;
    }
    return data.size();
}

// MPEG program streams (DVD VOB files): FFMS2 numbers their frames by decoding time stamps, in
// coding order, so after a seek in them it labels the frames one off (and more near a seek point).
bool is_mpeg_program_stream(const std::filesystem::path& file)
{
    const auto head = read_head(file, 4);
    return head.size() == 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0xBA;
}

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

bool write_all(int fd, const std::uint8_t* data, std::size_t size)
{
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the MPEG-1/2 video packets of a program stream (`url`: one file or a concat: list),
// byte for byte, into an elementary stream at `target`, through a temporary file and a rename.
bool copy_program_stream_video(const std::string& url, const std::filesystem::path& target,
                               std::string& error)
{
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file,concat", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, url.c_str(), av_find_input_format("mpeg"), &options);
    av_dict_free(&options);
    if (opened < 0) {
        error = "cannot read the program stream";
        return false;
    }
    std::unique_ptr<AVFormatContext, FormatContextCloser> context(raw);
    if (avformat_find_stream_info(context.get(), nullptr) < 0) {
        error = "cannot read the program stream";
        return false;
    }
    // The first video stream, as the index takes it.
    int stream = -1;
    for (unsigned i = 0; i < context->nb_streams && stream < 0; ++i)
        if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            stream = static_cast<int>(i);
    if (stream < 0 ||
        (context->streams[stream]->codecpar->codec_id != AV_CODEC_ID_MPEG2VIDEO &&
         context->streams[stream]->codecpar->codec_id != AV_CODEC_ID_MPEG1VIDEO)) {
        error = "the program stream holds no MPEG-1/MPEG-2 video";
        return false;
    }
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    if (!packet) {
        error = "out of memory";
        return false;
    }
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path temp = target.string() + ".tmp." + std::to_string(::getpid()) +
                                       "." + std::to_string(counter++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + temp.string();
        return false;
    }
    bool ok = true;
    std::uintmax_t bytes = 0;
    int status = 0;
    while (ok && (status = av_read_frame(context.get(), packet.get())) >= 0) {
        if (packet->stream_index == stream && packet->size > 0) {
            ok = write_all(fd, packet->data, static_cast<std::size_t>(packet->size));
            bytes += static_cast<std::uintmax_t>(packet->size);
        }
        av_packet_unref(packet.get());
    }
    if (ok && status != AVERROR_EOF)
        ok = false;
    ok = ok && bytes > 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        error = "cannot copy the video of the program stream";
    }
    return ok;
}

// The elementary stream copy of a program stream, made when missing; empty when there is no
// usable cache folder, not room enough for it, or the copy fails (the caller then decodes the
// program stream itself).
std::filesystem::path program_stream_copy(const std::filesystem::path& dir,
                                          const std::vector<std::string>& files,
                                          const std::string& url)
{
    const auto target = program_stream_copy_path(dir, files);
    if (target.empty())
        return {};
    std::error_code ec;
    if (std::filesystem::is_regular_file(target, ec) &&
        std::filesystem::file_size(target, ec) > 0 && !ec)
        return target;
    std::filesystem::create_directories(dir, ec);
    std::uintmax_t needed = STREAM_COPY_SPARE_BYTES;
    for (const auto& file : files) {
        needed += std::filesystem::file_size(file, ec);
        if (ec)
            return {};
    }
    struct statvfs fs {};
    if (::statvfs(dir.c_str(), &fs) != 0 ||
        static_cast<std::uintmax_t>(fs.f_bavail) * fs.f_frsize < needed) {
        if (std::getenv("QV_DECODER_LOG") != nullptr)
            std::fprintf(stderr, "no room to copy the video of %s\n", files.front().c_str());
        return {};
    }
    std::string error;
    if (!copy_program_stream_video(url, target, error)) {
        if (std::getenv("QV_DECODER_LOG") != nullptr)
            std::fprintf(stderr, "%s: %s\n", files.front().c_str(), error.c_str());
        return {};
    }
    return target;
}

}  // namespace

std::filesystem::path program_stream_copy_path(const std::filesystem::path& cache_dir,
                                               const std::vector<std::string>& files)
{
    const auto key = index_cache_key(files);
    if (cache_dir.empty() || key.empty())
        return {};
    return cache_dir / (key + STREAM_COPY_SUFFIX);
}

int longest_mpeg_b_run(const std::filesystem::path& file)
{
    const std::vector<unsigned char> data = read_head(file, SEQUENCE_SCAN_BYTES);
    int longest = -1;
    int run = 0;
    for (std::size_t i = next_start_code(data, 0); i + 6 <= data.size();
         i = next_start_code(data, i + 3)) {
        if (data[i + 3] != 0x00)
            continue;
        // temporal_reference (10 bits), then picture_coding_type (3 bits): 3 is a B picture.
        const int type = (data[i + 5] >> 3) & 7;
        if (type < 1 || type > 4)
            continue;
        run = type == 3 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

struct FfmsSource::Impl {
    FFMS_VideoSource* video = nullptr;
    IndexPtr index;
    std::string url;
    int track = 0;
    int threads = 1;
    int seek_mode = FFMS_SEEK_NORMAL;
    int output_width = 0;
    int output_height = 0;

    ~Impl() { destroy(); }
    void destroy()
    {
        if (video != nullptr)
            FFMS_DestroyVideoSource(video);
        video = nullptr;
    }
    // (Re)creates the decoder at frame 0, delivering 8-bit 4:2:0 at the output size once that
    // is known.
    bool create(std::string& error)
    {
        destroy();
        ErrorBuffer err;
        video = FFMS_CreateVideoSource(url.c_str(), track, index.get(), threads, seek_mode, &err.info);
        if (video == nullptr) {
            error = err.message("cannot open the video");
            return false;
        }
        return output_width == 0 || set_output(error);
    }
    bool set_output(std::string& error)
    {
        ErrorBuffer err;
        const int formats[] = {FFMS_GetPixFmt("yuv420p"), -1};
        if (FFMS_SetOutputFormatV2(video, formats, output_width, output_height,
                                   FFMS_RESIZER_BICUBIC, &err.info) != 0) {
            error = err.message("cannot convert the video to 4:2:0");
            return false;
        }
        return true;
    }
};

std::filesystem::path default_index_cache_dir()
{
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        base = std::filesystem::path(home) / ".cache";
    else
        return {};
    return base / "qvgui" / "index";
}

std::string index_cache_key(const std::vector<std::string>& files)
{
    std::uint64_t h1 = 0xcbf29ce484222325ull;
    std::uint64_t h2 = 0x84222325cbf29ce4ull;
    const auto mix = [&](const void* data, std::size_t size) {
        h1 = fnv1a(h1, data, size);
        h2 = fnv1a(h2, data, size);
        const char separator = '\0';
        h1 = fnv1a(h1, &separator, 1);
        h2 = fnv1a(h2, &separator, 1);
    };
    const std::string format = "qv-ffindex-2";
    mix(format.data(), format.size());
    const int version = FFMS_GetVersion();
    mix(&version, sizeof version);
    for (const auto& file : files) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0)
            return {};
        const std::int64_t size = st.st_size;
        const std::int64_t mtime_s = st.st_mtim.tv_sec;
        const std::int64_t mtime_ns = st.st_mtim.tv_nsec;
        const std::int64_t inode = static_cast<std::int64_t>(st.st_ino);
        mix(file.data(), file.size());
        mix(&size, sizeof size);
        mix(&mtime_s, sizeof mtime_s);
        mix(&mtime_ns, sizeof mtime_ns);
        mix(&inode, sizeof inode);
    }
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(h1),
                  static_cast<unsigned long long>(h2));
    return text;
}

bool read_mpeg_sequence_header(const std::filesystem::path& file, MpegSequence& sequence)
{
    const std::vector<unsigned char> data = read_head(file, SEQUENCE_SCAN_BYTES);
    const std::size_t size = data.size();
    static constexpr std::array<std::array<int, 2>, 9> RATES = {{{0, 0},
                                                                  {24000, 1001},
                                                                  {24, 1},
                                                                  {25, 1},
                                                                  {30000, 1001},
                                                                  {30, 1},
                                                                  {50, 1},
                                                                  {60000, 1001},
                                                                  {60, 1}}};
    for (std::size_t i = next_start_code(data, 0); i + 12 <= size; i = next_start_code(data, i + 3)) {
        if (data[i + 3] != 0xB3)
            continue;
        const int code = data[i + 7] & 0x0F;
        // The marker bit after the bit rate guards against start codes split across packets.
        if (code < 1 || code > 8 || (data[i + 10] & 0x20) == 0)
            continue;
        sequence.width = (data[i + 4] << 4) | (data[i + 5] >> 4);
        sequence.height = ((data[i + 5] & 0x0F) << 8) | data[i + 6];
        long long n = RATES[static_cast<std::size_t>(code)][0];
        long long d = RATES[static_cast<std::size_t>(code)][1];
        // An MPEG-2 sequence extension follows closely and may scale the rate.
        for (std::size_t j = i + 12; j + 10 <= size && j < i + 12 + 256; ++j) {
            if (data[j] != 0 || data[j + 1] != 0 || data[j + 2] != 1)
                continue;
            if (data[j + 3] == 0xB5 && (data[j + 4] >> 4) == 1) {
                const int ext_n = (data[j + 9] >> 5) & 3;
                const int ext_d = data[j + 9] & 31;
                n *= ext_n + 1;
                d *= ext_d + 1;
            }
            break;
        }
        const long long g = std::gcd(n, d);
        sequence.rate_num = static_cast<int>(n / g);
        sequence.rate_den = static_cast<int>(d / g);
        return true;
    }
    return false;
}

std::unique_ptr<FfmsSource> FfmsSource::open(const std::vector<std::string>& files,
                                             const OpenOptions& options, std::string& error)
{
    init_ffms_once();
    if (files.empty()) {
        error = "no video file";
        return nullptr;
    }
    std::vector<std::string> absolute;
    for (const auto& name : files) {
        std::error_code ec;
        const auto path = std::filesystem::absolute(name, ec);
        if (ec || !std::filesystem::is_regular_file(path, ec)) {
            error = "cannot find the video file " + name;
            return nullptr;
        }
        absolute.push_back(path.string());
    }
    // Several files are one stream cut into pieces (as on a DVD), so they are read as one byte
    // stream: a GOP may run across a file boundary.
    std::string url;
    if (absolute.size() == 1) {
        url = absolute.front();
    } else {
        url = "concat:";
        for (std::size_t i = 0; i < absolute.size(); ++i) {
            if (absolute[i].find('|') != std::string::npos) {
                error = "cannot join video files whose names hold '|': " + absolute[i];
                return nullptr;
            }
            url += (i == 0 ? "" : "|") + absolute[i];
        }
    }

    auto source = std::unique_ptr<FfmsSource>(new FfmsSource());
    source->impl_ = std::make_unique<Impl>();

    const auto dir = options.cache_dir.empty() ? default_index_cache_dir() : options.cache_dir;
    // FFMS2 does not seek frame-exactly in a program stream, but does in the same video as an
    // elementary stream: with a copy of it, the program stream is read no further.
    if (options.copy_program_stream_video && options.use_index_cache && !dir.empty() &&
        is_mpeg_program_stream(absolute.front())) {
        const auto copy = program_stream_copy(dir, absolute, url);
        if (!copy.empty()) {
            absolute = {copy.string()};
            url = absolute.front();
        }
    }

    std::filesystem::path cache_file;
    if (options.use_index_cache) {
        const auto key = index_cache_key(absolute);
        if (!dir.empty() && !key.empty())
            cache_file = dir / (key + (options.mpeg_only ? ".mpeg" : ".any") + ".ffindex");
    }
    IndexPtr index;
    bool cache_was_bad = false;
    if (!cache_file.empty())
        index = read_index_cache(cache_file, url, cache_was_bad);
    if (index) {
        source->index_origin_ = IndexOrigin::cache_hit;
    } else {
        index = build_index(url, options.mpeg_only, error);
        if (!index)
            return nullptr;
        source->index_origin_ =
            cache_was_bad ? IndexOrigin::rebuilt_after_bad_cache : IndexOrigin::built;
        if (!cache_file.empty())
            write_index_cache(cache_file, index.get());
    }

    ErrorBuffer err;
    const int track = FFMS_GetFirstIndexedTrackOfType(index.get(), FFMS_TYPE_VIDEO, &err.info);
    if (track < 0) {
        error = err.message("the file holds no video");
        return nullptr;
    }
    if (FFMS_GetNumFrames(FFMS_GetTrackFromIndex(index.get(), track)) <= 0) {
        error = "the video holds no frames";
        return nullptr;
    }
    const FFMS_Track* indexed = FFMS_GetTrackFromIndex(index.get(), track);
    for (int n = 0, count = FFMS_GetNumFrames(const_cast<FFMS_Track*>(indexed)); n < count; ++n) {
        const FFMS_FrameInfo* info = FFMS_GetFrameInfo(const_cast<FFMS_Track*>(indexed), n);
        if (info != nullptr && info->KeyFrame != 0)
            source->seek_points_.push_back(n);
    }
    // Elementary and transport streams seek exactly except for the B pictures just after a seek
    // point; program streams are decoded linearly, and a step backwards starts a fresh decoder.
    source->seeking_ = !is_mpeg_program_stream(absolute.front());
    source->unsafe_after_seek_ = longest_mpeg_b_run(absolute.front()) + 1;
    Impl& impl = *source->impl_;
    impl.url = url;
    impl.track = track;
    impl.threads = configured_threads(options.threads);
    impl.seek_mode = source->seeking_ ? FFMS_SEEK_NORMAL : FFMS_SEEK_LINEAR;
    impl.index = std::move(index);  // kept for fresh decoders
    if (!impl.create(error))
        return nullptr;
    const FFMS_VideoProperties* props = FFMS_GetVideoProperties(impl.video);
    source->frame_count_ = props->NumFrames;

    const FFMS_Frame* first = FFMS_GetFrame(impl.video, 0, &err.info);
    source->decoder_position_ = first == nullptr ? -1 : 0;
    if (first == nullptr) {
        error = err.message("cannot decode the first frame");
        return nullptr;
    }
    source->width_ = first->EncodedWidth & ~1;
    source->height_ = first->EncodedHeight & ~1;
    if (source->width_ < 2 || source->height_ < 2 || source->frame_count_ <= 0) {
        error = "the video has no usable picture size";
        return nullptr;
    }
    // Every frame comes out 8-bit 4:2:0 at the first frame's size, whatever the stream does later.
    impl.output_width = first->EncodedWidth;
    impl.output_height = first->EncodedHeight;
    if (!impl.set_output(error))
        return nullptr;

    // The rate the stream declares; FFMS2 derives its rate from time stamps, which an
    // elementary stream does not have.
    int num = 0;
    int den = 0;
    MpegSequence sequence;
    if (read_mpeg_sequence_header(absolute.front(), sequence) &&
        sequence.width == impl.output_width && sequence.height == impl.output_height) {
        num = sequence.rate_num;
        den = sequence.rate_den;
    } else {
        num = props->FPSNumerator;
        den = props->FPSDenominator;
        if (num > 0 && den > 0) {
            const int g = std::gcd(num, den);
            num /= g;
            den /= g;
        }
    }
    if (num <= 0 || den <= 0) {
        error = "the video has no frame rate";
        return nullptr;
    }
    source->rate_num_ = num;
    source->rate_den_ = den;
    if (!source->seeking_) {
        source->ring_capacity_ = std::clamp<std::size_t>(
            KEPT_FRAME_BYTES / source->packed_frame_bytes(), 1, MAX_KEPT_FRAMES);
    }
    return source;
}

FfmsSource::~FfmsSource() = default;

std::size_t FfmsSource::packed_frame_bytes() const
{
    const auto luma = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    return luma + 2 * (luma / 4);
}

bool FfmsSource::frame_planes(int n, FramePlanes& out, std::string& error)
{
    if (n < 0 || n >= frame_count_) {
        error = "frame number out of range";
        return false;
    }
    if (!decode_exactly(n, error))
        return false;
    ErrorBuffer err;
    const FFMS_Frame* frame = FFMS_GetFrame(impl_->video, n, &err.info);  // decoded just now
    if (frame == nullptr || frame->Data[0] == nullptr || frame->Data[1] == nullptr ||
        frame->Data[2] == nullptr || frame->ScaledWidth < width_ || frame->ScaledHeight < height_) {
        error = err.message("cannot decode the frame");
        return false;
    }
    for (int p = 0; p < 3; ++p) {
        out.data[p] = frame->Data[p];
        out.pitch[p] = frame->Linesize[p];
    }
    return true;
}

int FfmsSource::seek_point_at_or_before(int n) const
{
    const auto after = std::upper_bound(seek_points_.begin(), seek_points_.end(), n);
    return after == seek_points_.begin() ? 0 : *(after - 1);
}

// FFMS2 either decodes forward from where it stands or seeks to the seek point at or before the
// target. After such a seek the open-GOP B pictures right behind the seek point come out wrong,
// so those targets are reached one frame at a time: from the current position when it is close
// behind, else from a frame before the seek point that a seek reaches exactly. A request for the
// frame right after the current one never seeks.
bool FfmsSource::decode_exactly(int n, std::string& error)
{
    const auto fetch = [&](int m) {
        ErrorBuffer err;
        if (FFMS_GetFrame(impl_->video, m, &err.info) == nullptr) {
            decoder_position_ = -1;
            error = err.message("cannot decode the frame");
            return false;
        }
        decoder_position_ = m;
        return true;
    };
    if (!seeking_) {
        if (decoder_position_ < 0 || n < decoder_position_) {
            decoder_position_ = -1;
            ++decoder_restarts_;
            if (!impl_->create(error))
                return false;
        }
        return fetch(n);
    }
    const int key = seek_point_at_or_before(n);
    if (key > 0 && n - key < unsafe_after_seek_ && n != decoder_position_) {
        int start = 0;
        if (decoder_position_ >= 0 && decoder_position_ < n && n - decoder_position_ <= 10) {
            start = decoder_position_ + 1;
        } else {
            start = key - 1;
            while (start > 0) {
                const int start_key = seek_point_at_or_before(start);
                if (start_key == 0 || start - start_key >= unsafe_after_seek_)
                    break;
                start = start_key - 1;
            }
            start = std::max(start, 0);
        }
        for (int m = start; m < n; ++m)
            if (!fetch(m))
                return false;
    }
    return fetch(n);
}

const std::uint8_t* FfmsSource::kept_frame(int n) const
{
    for (const auto& frame : ring_)
        if (frame.n == n)
            return frame.bytes.data();
    return nullptr;
}

std::uint8_t* FfmsSource::slot_for(int n)
{
    if (ring_.size() < ring_capacity_) {
        ring_.emplace_back();
        ring_next_ = ring_.size() % ring_capacity_;
        ring_.back().n = n;
        ring_.back().bytes.resize(packed_frame_bytes());
        return ring_.back().bytes.data();
    }
    PackedFrame& slot = ring_[ring_next_];
    ring_next_ = (ring_next_ + 1) % ring_capacity_;
    slot.n = n;
    return slot.bytes.data();
}

const std::uint8_t* FfmsSource::frame_packed(int n, std::string& error)
{
    if (n < 0 || n >= frame_count_) {
        error = "frame number out of range";
        return nullptr;
    }
    if (const std::uint8_t* kept = kept_frame(n))
        return kept;
    // A linearly decoded source also keeps the frames just before n, decoded on the way anyway.
    int first = n;
    if (!seeking_) {
        first = std::max(0, n - static_cast<int>(ring_capacity_) + 1);
        if (decoder_position_ >= 0 && decoder_position_ < n)
            first = std::max(first, decoder_position_ + 1);
    }
    const int widths[3] = {width_, width_ / 2, width_ / 2};
    const int heights[3] = {height_, height_ / 2, height_ / 2};
    for (int m = first; m <= n; ++m) {
        if (m < n && kept_frame(m) != nullptr)
            continue;
        FramePlanes planes;
        if (!frame_planes(m, planes, error))
            return nullptr;
        std::uint8_t* dst = slot_for(m);
        for (int p = 0; p < 3; ++p) {
            const std::uint8_t* src = planes.data[p];
            for (int row = 0; row < heights[p]; ++row) {
                std::memcpy(dst, src, static_cast<std::size_t>(widths[p]));
                dst += widths[p];
                src += planes.pitch[p];
            }
        }
    }
    return kept_frame(n);
}

}  // namespace qv::ffms
