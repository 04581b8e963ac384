#include "clipinfo/avi_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipinfo {
namespace {

constexpr std::uint32_t fourcc(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

constexpr std::uint32_t ID_RIFF = fourcc("RIFF");
constexpr std::uint32_t ID_AVI = fourcc("AVI ");
constexpr std::uint32_t ID_LIST = fourcc("LIST");
constexpr std::uint32_t ID_HDRL = fourcc("hdrl");
constexpr std::uint32_t ID_AVIH = fourcc("avih");
constexpr std::uint32_t ID_STRL = fourcc("strl");
constexpr std::uint32_t ID_STRH = fourcc("strh");
constexpr std::uint32_t ID_STRF = fourcc("strf");
constexpr std::uint32_t ID_MOVI = fourcc("movi");
constexpr std::uint32_t ID_IDX1 = fourcc("idx1");
constexpr std::uint32_t ID_VIDS = fourcc("vids");

// Layout of the stream header ("strh") and the start of the video format ("strf").
constexpr std::size_t STRH_BYTES = 56;
constexpr std::size_t STRH_TYPE = 0;
constexpr std::size_t STRH_SCALE = 20;
constexpr std::size_t STRH_RATE = 24;
constexpr std::size_t STRH_LENGTH = 32;
constexpr std::size_t STRH_FRAME = 48; // left, top, right, bottom as 16-bit signed values
constexpr std::size_t BITMAP_HEAD_BYTES = 12; // size, width, height
constexpr std::size_t INDEX_ENTRY_BYTES = 16;

// Lists of the header never hold this many chunks; a longer walk means a damaged file.
constexpr unsigned MAX_HEADER_CHUNKS = 65536;
constexpr std::size_t BLOCK_BYTES = 64 * 1024;

std::uint32_t get_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t get_i32(const std::uint8_t* p) { return static_cast<std::int32_t>(get_u32(p)); }

std::int16_t get_i16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | p[1] << 8));
}

// Chunk identifiers are four printable characters; anything else is damage or a hole of zeros,
// where walking on would only crawl through garbage eight bytes at a time.
bool printable(std::uint32_t id) {
    for (int i = 0; i < 4; ++i) {
        const unsigned c = (id >> (8 * i)) & 0xFFu;
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// A data chunk of the first stream: "00" and a two-letter type, except palette changes.
bool first_stream_data(std::uint32_t id) {
    const char c0 = static_cast<char>(id & 0xFF);
    const char c1 = static_cast<char>((id >> 8) & 0xFF);
    const char c2 = static_cast<char>((id >> 16) & 0xFF);
    const char c3 = static_cast<char>((id >> 24) & 0xFF);
    return c0 == '0' && c1 == '0' && !(c2 == 'p' && c3 == 'c');
}

struct Chunk {
    std::uint32_t id = 0;
    std::uint32_t list_type = 0; // for LIST chunks with a body of at least four bytes
    std::uint64_t body = 0;      // offset of the body
    std::uint64_t end = 0;       // offset just past the body
    std::uint64_t next = 0;      // offset of the following chunk (bodies are padded to even)
};

struct StreamSummary {
    bool have_header = false;
    std::array<std::uint8_t, STRH_BYTES> header{};
    bool have_format = false;
    std::int32_t format_width = 0;
    std::int32_t format_height = 0;
};

std::uint32_t magnitude(std::int64_t v) { return static_cast<std::uint32_t>(v < 0 ? -v : v); }

class AviReader {
public:
    explicit AviReader(ByteSource& source) : source_(source), size_(source.size()) {}

    ReadResult run();

private:
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out);
    bool read_exact(std::uint64_t offset, std::span<std::uint8_t> out) {
        return read(offset, out) == out.size();
    }
    // Reads the chunk header at `pos`; false if it does not fit below `limit`.
    bool chunk_at(std::uint64_t pos, std::uint64_t limit, Chunk& chunk);
    bool read_header_list(std::uint64_t begin, std::uint64_t end);
    bool read_stream_list(std::uint64_t begin, std::uint64_t end);
    void add_stream(const StreamSummary& stream);
    bool count_index(std::uint64_t begin, std::uint64_t end, std::uint64_t& count);
    bool count_data(std::uint64_t begin, std::uint64_t end, std::uint64_t& count);

    ByteSource& source_;
    std::uint64_t size_;
    std::vector<std::uint8_t> block_;
    std::uint64_t block_offset_ = 0;
    std::size_t block_length_ = 0;
    bool block_valid_ = false;
    ClipInfo info_;
};

std::size_t AviReader::read(std::uint64_t offset, std::span<std::uint8_t> out) {
    // Reads go through one aligned block, so walking many small chunks costs few calls.
    if (block_.empty()) block_.resize(BLOCK_BYTES);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t at = offset + done;
        if (at >= size_) break;
        const std::uint64_t start = at - at % BLOCK_BYTES;
        if (!block_valid_ || start != block_offset_) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(BLOCK_BYTES, size_ - start));
            block_length_ = source_.read(start, std::span(block_.data(), want));
            block_offset_ = start;
            block_valid_ = true;
        }
        const auto in_block = static_cast<std::size_t>(at - start);
        if (in_block >= block_length_) break;
        const std::size_t n = std::min(out.size() - done, block_length_ - in_block);
        std::memcpy(out.data() + done, block_.data() + in_block, n);
        done += n;
    }
    return done;
}

bool AviReader::chunk_at(std::uint64_t pos, std::uint64_t limit, Chunk& chunk) {
    if (pos > limit || limit - pos < 8) return false;
    std::array<std::uint8_t, 12> head{};
    const std::size_t got = read(pos, head);
    if (got < 8) return false;
    chunk.id = get_u32(head.data());
    const std::uint32_t size = get_u32(head.data() + 4);
    chunk.body = pos + 8;
    chunk.end = chunk.body + size;
    chunk.next = chunk.end + (size & 1u);
    chunk.list_type = (chunk.id == ID_LIST && size >= 4 && got == 12) ? get_u32(head.data() + 8) : 0;
    return true;
}

ReadResult AviReader::run() {
    ReadResult result;
    std::array<std::uint8_t, 12> riff{};
    if (size_ < riff.size() || !read_exact(0, riff)) return result;
    if (get_u32(riff.data()) != ID_RIFF || get_u32(riff.data() + 8) != ID_AVI) return result;

    // A RIFF size that is too small or runs past the file (a file cut short, or one written
    // without going back to fill in the size) is taken as "to the end of the file".
    const std::uint32_t riff_size = get_u32(riff.data() + 4);
    std::uint64_t riff_end = 8 + static_cast<std::uint64_t>(riff_size);
    if (riff_size < 4 || riff_end > size_) riff_end = size_;

    bool have_headers = false;
    bool have_movi = false;
    bool have_index = false;
    std::uint64_t movi_begin = 0, movi_end = 0, index_begin = 0, index_end = 0;

    std::uint64_t pos = 12;
    Chunk chunk;
    for (unsigned n = 0; n < MAX_HEADER_CHUNKS && chunk_at(pos, riff_end, chunk); ++n) {
        if (!printable(chunk.id)) break;
        if (chunk.id == ID_LIST && chunk.list_type == ID_HDRL && !have_headers) {
            // The headers must be complete: a file cut inside them does not open.
            if (chunk.end > size_ || !read_header_list(chunk.body + 4, chunk.end)) return result;
            have_headers = true;
        } else if (chunk.id == ID_LIST && chunk.list_type == ID_MOVI && !have_movi) {
            have_movi = true;
            movi_begin = chunk.body + 4;
            movi_end = std::min(chunk.end, size_);
        } else if (chunk.id == ID_IDX1 && have_movi) {
            have_index = true;
            index_begin = chunk.body;
            index_end = std::min(chunk.end, size_);
            break;
        }
        pos = chunk.next;
    }
    if (!have_headers) return result;
    if (source_.error()) {
        result.status = ReadStatus::unreadable;
        return result;
    }

    // Where the index (or, without one, the data list) holds more chunks for the first stream
    // than its header claims, the chunks count.
    std::uint64_t count = 0;
    bool complete = true;
    if (info_.streams > 0) {
        if (have_index)
            complete = count_index(index_begin, index_end, count);
        else if (have_movi)
            complete = count_data(movi_begin, movi_end, count);
    }
    if (!complete) {
        result.status = ReadStatus::unreadable;
        return result;
    }
    if (count > info_.frames) info_.frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, UINT32_MAX));
    result.status = ReadStatus::ok;
    result.info = info_;
    return result;
}

bool AviReader::read_header_list(std::uint64_t begin, std::uint64_t end) {
    bool have_main_header = false;
    std::uint64_t pos = begin;
    Chunk chunk;
    for (unsigned n = 0; n < MAX_HEADER_CHUNKS && chunk_at(pos, end, chunk); ++n) {
        if (!printable(chunk.id)) break;
        if (chunk.end > end) return false; // a header chunk runs out of its list
        if (chunk.id == ID_AVIH) {
            have_main_header = true;
        } else if (chunk.id == ID_LIST && chunk.list_type == ID_STRL) {
            if (!read_stream_list(chunk.body + 4, chunk.end)) return false;
        }
        pos = chunk.next;
    }
    return have_main_header && !source_.error();
}

bool AviReader::read_stream_list(std::uint64_t begin, std::uint64_t end) {
    StreamSummary stream;
    std::uint64_t pos = begin;
    Chunk chunk;
    for (unsigned n = 0; n < MAX_HEADER_CHUNKS && chunk_at(pos, end, chunk); ++n) {
        if (!printable(chunk.id)) break;
        if (chunk.end > end) return false;
        const std::uint64_t length = chunk.end - chunk.body;
        if (chunk.id == ID_STRH && !stream.have_header) {
            // Older writers store a shorter header without the frame rectangle; the rest reads
            // as zero.
            const auto n_read = static_cast<std::size_t>(std::min<std::uint64_t>(length, STRH_BYTES));
            if (!read_exact(chunk.body, std::span(stream.header.data(), n_read))) return false;
            stream.have_header = true;
        } else if (chunk.id == ID_STRF && !stream.have_format && length >= BITMAP_HEAD_BYTES) {
            std::array<std::uint8_t, BITMAP_HEAD_BYTES> head{};
            if (!read_exact(chunk.body, head)) return false;
            stream.have_format = true;
            stream.format_width = get_i32(head.data() + 4);
            stream.format_height = get_i32(head.data() + 8);
        }
        pos = chunk.next;
    }
    if (!stream.have_header) return false; // a stream without its header is a broken file
    add_stream(stream);
    return true;
}

void AviReader::add_stream(const StreamSummary& stream) {
    const std::uint8_t* h = stream.header.data();
    if (info_.streams == 0) {
        // The file's time base and length are those of its first stream, as stored.
        info_.scale = get_u32(h + STRH_SCALE);
        info_.rate = get_u32(h + STRH_RATE);
        info_.frames = get_u32(h + STRH_LENGTH);
    }
    ++info_.streams;
    if (get_u32(h + STRH_TYPE) != ID_VIDS) return;

    std::int64_t left = get_i16(h + STRH_FRAME);
    std::int64_t top = get_i16(h + STRH_FRAME + 2);
    std::int64_t right = get_i16(h + STRH_FRAME + 4);
    std::int64_t bottom = get_i16(h + STRH_FRAME + 6);
    if (right <= left || bottom <= top) {
        // An empty rectangle stands for the whole picture of the video format. A negative
        // height marks a top-down picture; its size is the magnitude.
        if (!stream.have_format) return;
        left = top = 0;
        right = stream.format_width;
        bottom = stream.format_height;
    }
    info_.width = std::max(info_.width, magnitude(right - left));
    info_.height = std::max(info_.height, magnitude(bottom - top));
}

bool AviReader::count_index(std::uint64_t begin, std::uint64_t end, std::uint64_t& count) {
    constexpr std::size_t ENTRIES_PER_READ = 4096;
    std::vector<std::uint8_t> entries(ENTRIES_PER_READ * INDEX_ENTRY_BYTES);
    std::uint64_t pos = begin;
    while (pos < end && end - pos >= INDEX_ENTRY_BYTES) {
        const std::uint64_t whole = (end - pos) / INDEX_ENTRY_BYTES * INDEX_ENTRY_BYTES;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(whole, entries.size()));
        const std::size_t got = source_.read(pos, std::span(entries.data(), want));
        for (std::size_t i = 0; i + INDEX_ENTRY_BYTES <= got; i += INDEX_ENTRY_BYTES)
            if (first_stream_data(get_u32(entries.data() + i))) ++count;
        if (got < want) break;
        pos += want;
    }
    return !source_.error();
}

bool AviReader::count_data(std::uint64_t begin, std::uint64_t end, std::uint64_t& count) {
    // Without an index the data list is walked by its chunk headers; record lists ("rec ")
    // are entered in place rather than descended into, so nesting costs nothing.
    std::uint64_t pos = begin;
    Chunk chunk;
    while (chunk_at(pos, end, chunk)) {
        if (!printable(chunk.id)) break;
        if (chunk.id == ID_LIST) {
            pos = chunk.body + 4;
            continue;
        }
        if (first_stream_data(chunk.id)) ++count;
        pos = chunk.next;
    }
    return !source_.error();
}

class FileSource final : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool error() const override { return error_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                      static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error_ = true;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

private:
    int fd_;
    std::uint64_t size_;
    bool error_ = false;
};

} // namespace

ReadResult read_avi(ByteSource& source) {
    AviReader reader(source);
    return reader.run();
}

ReadResult read_avi_file(const char* path) {
    if (path == nullptr || *path == '\0') return {};
    // Non-blocking, so that a named pipe given by mistake cannot hang the caller in open().
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    ReadResult result;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        FileSource source(fd, static_cast<std::uint64_t>(st.st_size));
        result = read_avi(source);
    }
    ::close(fd);
    return result;
}

} // namespace clipinfo
