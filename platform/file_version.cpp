#include "platform/file_version.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

// Limits that keep a hostile or merely huge file from costing much time or memory.
constexpr std::uint64_t MAX_TABLE_ENTRIES = 1u << 20;     // section or program headers examined
constexpr std::uint64_t MAX_NOTE_AREA_BYTES = 1u << 20;   // read of one note section or segment
constexpr std::uint64_t MAX_NOTE_BYTES_TOTAL = 8u << 20;  // all note areas of one file together
constexpr std::size_t TABLE_CHUNK_ENTRIES = 256;

constexpr std::uint32_t SHT_NOTE_TYPE = 7;
constexpr std::uint32_t PT_NOTE_TYPE = 4;
constexpr std::uint16_t PN_XNUM_VALUE = 0xffff;

constexpr char NOTE_OWNER[] = "QVgui";  // with its terminating NUL: 6 bytes
constexpr std::uint32_t NOTE_OWNER_SIZE = sizeof(NOTE_OWNER);
constexpr std::uint32_t NOTE_TYPE_VERSION = 1;
constexpr std::uint32_t NOTE_DESC_SIZE = 8;

// Random access to the bytes of an image; a read outside the image fails.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    virtual bool read_at(std::uint64_t offset, void* dst, std::size_t length) const = 0;

protected:
    bool in_range(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read_at(std::uint64_t offset, void* dst, std::size_t length) const override {
        if (!in_range(offset, length)) return false;
        if (length > 0) std::memcpy(dst, data_ + offset, length);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

class FileSource final : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read_at(std::uint64_t offset, void* dst, std::size_t length) const override {
        if (!in_range(offset, length) || offset > static_cast<std::uint64_t>(LLONG_MAX))
            return false;
        auto* out = static_cast<char*>(dst);
        while (length > 0) {
            ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // error, or the file shrank under us
            out += n;
            offset += static_cast<std::uint64_t>(n);
            length -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_;
};

// Field access in the image's byte order.
class Decoder {
public:
    explicit Decoder(bool big_endian) : big_(big_endian) {}
    std::uint16_t u16(const std::uint8_t* p) const {
        return big_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                    : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(const std::uint8_t* p) const {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | p[big_ ? i : 3 - i];
        return v;
    }
    std::uint64_t u64(const std::uint8_t* p) const {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | p[big_ ? i : 7 - i];
        return v;
    }

private:
    bool big_;
};

std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// The fields of the ELF file header that the search needs, for either class.
struct ElfLayout {
    bool is64 = false;
    bool big_endian = false;
    std::uint64_t phoff = 0, shoff = 0;
    std::uint64_t phnum = 0, shnum = 0;
    std::uint16_t phentsize = 0, shentsize = 0;
};

constexpr std::size_t EI_NIDENT_SIZE = 16;
constexpr std::size_t EHDR32_SIZE = 52, EHDR64_SIZE = 64;
constexpr std::size_t SHDR32_SIZE = 40, SHDR64_SIZE = 64;
constexpr std::size_t PHDR32_SIZE = 32, PHDR64_SIZE = 56;

bool read_elf_layout(const ByteSource& src, ElfLayout& layout) {
    std::uint8_t h[EHDR64_SIZE] = {};
    if (!src.read_at(0, h, EI_NIDENT_SIZE)) return false;
    if (h[0] != 0x7f || h[1] != 'E' || h[2] != 'L' || h[3] != 'F') return false;
    if (h[4] != 1 && h[4] != 2) return false;  // ELFCLASS32 / ELFCLASS64
    if (h[5] != 1 && h[5] != 2) return false;  // ELFDATA2LSB / ELFDATA2MSB
    if (h[6] != 1) return false;               // EV_CURRENT
    layout.is64 = h[4] == 2;
    layout.big_endian = h[5] == 2;
    const std::size_t header_size = layout.is64 ? EHDR64_SIZE : EHDR32_SIZE;
    if (!src.read_at(0, h, header_size)) return false;
    Decoder d(layout.big_endian);
    if (layout.is64) {
        layout.phoff = d.u64(h + 32);
        layout.shoff = d.u64(h + 40);
        layout.phentsize = d.u16(h + 54);
        layout.phnum = d.u16(h + 56);
        layout.shentsize = d.u16(h + 58);
        layout.shnum = d.u16(h + 60);
    } else {
        layout.phoff = d.u32(h + 28);
        layout.shoff = d.u32(h + 32);
        layout.phentsize = d.u16(h + 42);
        layout.phnum = d.u16(h + 44);
        layout.shentsize = d.u16(h + 46);
        layout.shnum = d.u16(h + 48);
    }
    const std::size_t min_sh = layout.is64 ? SHDR64_SIZE : SHDR32_SIZE;
    const std::size_t min_ph = layout.is64 ? PHDR64_SIZE : PHDR32_SIZE;
    if (layout.shoff == 0 || layout.shentsize < min_sh) layout.shnum = 0;
    if (layout.phoff == 0 || layout.phentsize < min_ph) layout.phnum = 0;

    // Extended numbering: a count that does not fit the header lives in section header 0.
    const bool sections_extended = layout.shoff != 0 && layout.shentsize >= min_sh &&
                                   layout.shnum == 0;
    const bool segments_extended = layout.phnum == PN_XNUM_VALUE;
    if (sections_extended || segments_extended) {
        std::uint8_t s[SHDR64_SIZE] = {};
        if (layout.shoff != 0 && layout.shentsize >= min_sh &&
            src.read_at(layout.shoff, s, min_sh)) {
            if (sections_extended)
                layout.shnum = layout.is64 ? d.u64(s + 32) : d.u32(s + 20);
            if (segments_extended) layout.phnum = layout.is64 ? d.u32(s + 44) : d.u32(s + 28);
        } else if (segments_extended) {
            layout.phnum = 0;
        }
    }
    return true;
}

// Scans one note area (a SHT_NOTE section or a PT_NOTE segment) for our version note.
bool scan_notes(const std::uint8_t* area, std::uint64_t size, std::uint64_t alignment,
                const Decoder& d, FileVersion& version) {
    std::uint64_t pos = 0;
    while (pos <= size && size - pos >= 12) {
        const std::uint32_t namesz = d.u32(area + pos);
        const std::uint32_t descsz = d.u32(area + pos + 4);
        const std::uint32_t type = d.u32(area + pos + 8);
        const std::uint64_t name_at = pos + 12;
        if (namesz > size - name_at) return false;
        const std::uint64_t desc_at = name_at + align_up(namesz, alignment);
        if (desc_at > size || descsz > size - desc_at) return false;
        if (namesz == NOTE_OWNER_SIZE && type == NOTE_TYPE_VERSION && descsz == NOTE_DESC_SIZE &&
            std::memcmp(area + name_at, NOTE_OWNER, NOTE_OWNER_SIZE) == 0) {
            for (int i = 0; i < 4; ++i) version[i] = d.u16(area + desc_at + 2 * i);
            return true;
        }
        pos = desc_at + align_up(descsz, alignment);
    }
    return false;
}

class NoteSearch {
public:
    NoteSearch(const ByteSource& src, const ElfLayout& layout)
        : src_(src), layout_(layout), d_(layout.big_endian) {}

    bool run(FileVersion& version) {
        return search_sections(version) || search_segments(version);
    }

private:
    // Reads a note area (capped) and scans it; alignment 8 only where the area asks for it.
    bool scan_area(std::uint64_t offset, std::uint64_t size, std::uint64_t declared_alignment,
                   FileVersion& version) {
        if (size < 12 || budget_ == 0) return false;
        size = std::min({size, MAX_NOTE_AREA_BYTES, budget_});
        budget_ -= size;
        if (offset > src_.size()) return false;
        size = std::min(size, src_.size() - offset);
        std::vector<std::uint8_t> area(static_cast<std::size_t>(size));
        if (!src_.read_at(offset, area.data(), area.size())) return false;
        return scan_notes(area.data(), size, declared_alignment == 8 ? 8 : 4, d_, version);
    }

    // Visits the entries of a header table in chunks; `visit` returns true to stop.
    template <typename Visit>
    bool walk_table(std::uint64_t offset, std::uint64_t count, std::uint16_t entsize,
                    Visit visit) {
        count = std::min(count, MAX_TABLE_ENTRIES);
        std::vector<std::uint8_t> chunk;
        for (std::uint64_t first = 0; first < count; first += TABLE_CHUNK_ENTRIES) {
            const std::uint64_t n = std::min<std::uint64_t>(TABLE_CHUNK_ENTRIES, count - first);
            const std::uint64_t at = offset + first * entsize;
            if (at < offset) return false;  // wrapped around
            chunk.resize(static_cast<std::size_t>(n * entsize));
            if (!src_.read_at(at, chunk.data(), chunk.size())) return false;
            for (std::uint64_t i = 0; i < n; ++i)
                if (visit(chunk.data() + i * entsize)) return true;
        }
        return false;
    }

    bool search_sections(FileVersion& version) {
        if (layout_.shnum == 0) return false;
        return walk_table(layout_.shoff, layout_.shnum, layout_.shentsize,
                          [&](const std::uint8_t* s) {
                              if (d_.u32(s + 4) != SHT_NOTE_TYPE) return false;
                              std::uint64_t offset, size, alignment;
                              if (layout_.is64) {
                                  offset = d_.u64(s + 24);
                                  size = d_.u64(s + 32);
                                  alignment = d_.u64(s + 48);
                              } else {
                                  offset = d_.u32(s + 16);
                                  size = d_.u32(s + 20);
                                  alignment = d_.u32(s + 32);
                              }
                              return scan_area(offset, size, alignment, version);
                          });
    }

    bool search_segments(FileVersion& version) {
        if (layout_.phnum == 0) return false;
        return walk_table(layout_.phoff, layout_.phnum, layout_.phentsize,
                          [&](const std::uint8_t* p) {
                              if (d_.u32(p) != PT_NOTE_TYPE) return false;
                              std::uint64_t offset, size, alignment;
                              if (layout_.is64) {
                                  offset = d_.u64(p + 8);
                                  size = d_.u64(p + 32);
                                  alignment = d_.u64(p + 48);
                              } else {
                                  offset = d_.u32(p + 4);
                                  size = d_.u32(p + 16);
                                  alignment = d_.u32(p + 28);
                              }
                              return scan_area(offset, size, alignment, version);
                          });
    }

    const ByteSource& src_;
    const ElfLayout& layout_;
    Decoder d_;
    std::uint64_t budget_ = MAX_NOTE_BYTES_TOTAL;
};

bool find_note_in(const ByteSource& src, FileVersion& version, bool& is_elf) {
    version = FileVersion{};
    ElfLayout layout;
    is_elf = read_elf_layout(src, layout);
    if (!is_elf) return false;
    FileVersion found{};
    if (!NoteSearch(src, layout).run(found)) return false;
    version = found;
    return true;
}

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd_;
};

std::string resolved_name(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                      &std::free);
    std::string full = real ? std::string(real.get()) : path;
    size_t slash = full.find_last_of('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

}  // namespace

bool find_version_note(const std::uint8_t* data, std::size_t size, FileVersion& version) {
    version = FileVersion{};
    if (data == nullptr) return false;
    bool is_elf = false;
    return find_note_in(MemorySource(data, size), version, is_elf);
}

bool version_from_library_name(const std::string& file_name, FileVersion& version) {
    version = FileVersion{};
    size_t slash = file_name.find_last_of('/');
    const std::string name = slash == std::string::npos ? file_name : file_name.substr(slash + 1);
    const size_t so = name.rfind(".so.");
    if (so == std::string::npos || so == 0) return false;
    FileVersion parsed{};
    size_t pos = so + 4;
    for (int part = 0;; ++part) {
        if (part == 4) return false;  // more numbers than a version has
        size_t end = pos;
        std::uint32_t value = 0;
        while (end < name.size() && name[end] >= '0' && name[end] <= '9') {
            value = value * 10 + static_cast<std::uint32_t>(name[end] - '0');
            if (value > 0xffff) return false;
            ++end;
        }
        if (end == pos) return false;  // empty or non-numeric part
        parsed[part] = static_cast<std::uint16_t>(value);
        if (end == name.size()) break;
        if (name[end] != '.') return false;
        pos = end + 1;
    }
    version = parsed;
    return true;
}

std::string format_file_version(const FileVersion& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

int read_file_version(const std::string& path, FileVersion& version) {
    version = FileVersion{};
    if (path.empty()) return ENOENT;
    // Non-blocking so that a FIFO or device under that name cannot hold us up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    FdCloser closer(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return FILE_VERSION_NOT_FOUND;

    FileSource src(fd, static_cast<std::uint64_t>(st.st_size));
    bool is_elf = false;
    if (find_note_in(src, version, is_elf)) return 0;
    // A shared library without our note: the numbers of its real (link-resolved) file name.
    if (is_elf && version_from_library_name(resolved_name(path), version)) return 0;
    return FILE_VERSION_NOT_FOUND;
}

}  // namespace qv
