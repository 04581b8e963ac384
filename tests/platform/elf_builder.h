#pragma once
// Builds small synthetic ELF images carrying a version note, for the version reader's tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qv_test {

struct ElfLayout {
    bool is64 = true;
    bool big_endian = false;
    bool section_headers = true;   // note reachable through a SHT_NOTE section
    bool program_headers = true;   // note reachable through a PT_NOTE segment
    std::uint32_t note_align = 4;  // 4, or 8 as GNU property notes use
    bool extended_section_count = false;  // e_shnum 0, real count in section 0
    bool extended_segment_count = false;  // e_phnum 0xffff, real count in section 0
    bool other_note_first = true;         // a foreign note precedes ours in the same area
    std::string owner = std::string("QVgui", 6);  // with its NUL
    std::uint32_t type = 1;
    std::uint16_t version[4] = {0x0102, 0x0304, 0xa0b0, 0xfffe};
};

class ElfBytes {
public:
    explicit ElfBytes(bool big) : big_(big) {}
    std::vector<std::uint8_t> bytes;
    void fit(std::size_t end) {
        if (bytes.size() < end) bytes.resize(end, 0);
    }
    void put(std::size_t at, std::uint64_t value, int width) {
        fit(at + static_cast<std::size_t>(width));
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (big_ ? width - 1 - i : i);
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
        }
    }
    void put_raw(std::size_t at, const void* data, std::size_t size) {
        fit(at + size);
        if (size) std::memcpy(bytes.data() + at, data, size);
    }

private:
    bool big_;
};

inline std::size_t round_up(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

inline std::vector<std::uint8_t> build_elf(const ElfLayout& layout) {
    ElfBytes e(layout.big_endian);
    const bool w = layout.is64;
    const std::size_t ehsize = w ? 64 : 52, shentsize = w ? 64 : 40, phentsize = w ? 56 : 32;
    const std::size_t a = layout.note_align;

    // Note area.
    const std::size_t notes = round_up(ehsize, 8);
    std::size_t pos = notes;
    if (layout.other_note_first) {
        e.put(pos, 4, 4);
        e.put(pos + 4, 16, 4);
        e.put(pos + 8, 3, 4);
        e.put_raw(pos + 12, "GNU", 4);
        pos = pos + 12 + round_up(4, a);
        e.fit(pos + 16);
        pos += round_up(16, a);
    }
    e.put(pos, layout.owner.size(), 4);
    e.put(pos + 4, 8, 4);
    e.put(pos + 8, layout.type, 4);
    e.put_raw(pos + 12, layout.owner.data(), layout.owner.size());
    pos = pos + 12 + round_up(layout.owner.size(), a);
    for (int i = 0; i < 4; ++i) e.put(pos + 2 * static_cast<std::size_t>(i), layout.version[i], 2);
    pos += round_up(8, a);
    const std::size_t notes_size = pos - notes;

    // Program headers: a harmless PT_LOAD, then the PT_NOTE.
    std::size_t phoff = 0, phnum = 0;
    if (layout.program_headers) {
        phoff = round_up(pos, 8);
        phnum = 2;
        for (std::size_t i = 0; i < phnum; ++i) {
            const std::size_t p = phoff + i * phentsize;
            const std::uint32_t type = i == 0 ? 1 : 4;
            e.put(p, type, 4);
            if (w) {
                e.put(p + 8, i == 0 ? 0 : notes, 8);
                e.put(p + 32, i == 0 ? 0 : notes_size, 8);
                e.put(p + 48, i == 0 ? 0x1000 : a, 8);
            } else {
                e.put(p + 4, i == 0 ? 0 : notes, 4);
                e.put(p + 16, i == 0 ? 0 : notes_size, 4);
                e.put(p + 28, i == 0 ? 0x1000 : a, 4);
            }
        }
        pos = phoff + phnum * phentsize;
    }

    // Section headers: the null section, a PROGBITS section, the SHT_NOTE section.
    std::size_t shoff = 0, shnum = 0;
    const bool need_section0 = layout.extended_segment_count && layout.program_headers;
    if (layout.section_headers || need_section0) {
        shoff = round_up(pos, 8);
        shnum = layout.section_headers ? 3 : 1;
        e.fit(shoff + shnum * shentsize);
        for (std::size_t i = 1; i < shnum; ++i) {
            const std::size_t s = shoff + i * shentsize;
            e.put(s + 4, i == 1 ? 1 : 7, 4);
            if (w) {
                e.put(s + 24, i == 1 ? 0 : notes, 8);
                e.put(s + 32, i == 1 ? 0 : notes_size, 8);
                e.put(s + 48, i == 1 ? 1 : a, 8);
            } else {
                e.put(s + 16, i == 1 ? 0 : notes, 4);
                e.put(s + 20, i == 1 ? 0 : notes_size, 4);
                e.put(s + 32, i == 1 ? 1 : a, 4);
            }
        }
        if (layout.extended_section_count) {
            if (w) e.put(shoff + 32, shnum, 8);
            else e.put(shoff + 20, shnum, 4);
        }
        if (layout.extended_segment_count && layout.program_headers) {
            if (w) e.put(shoff + 44, phnum, 4);
            else e.put(shoff + 28, phnum, 4);
        }
    }

    // File header.
    const std::uint8_t ident[16] = {0x7f, 'E', 'L', 'F', static_cast<std::uint8_t>(w ? 2 : 1),
                                    static_cast<std::uint8_t>(layout.big_endian ? 2 : 1), 1};
    e.put_raw(0, ident, sizeof ident);
    e.put(16, 3, 2);   // ET_DYN
    e.put(18, 62, 2);  // machine: any
    e.put(20, 1, 4);
    const std::uint64_t e_phnum = layout.extended_segment_count && phnum ? 0xffff : phnum;
    const std::uint64_t e_shnum = layout.extended_section_count ? 0 : shnum;
    if (w) {
        e.put(32, phoff, 8);
        e.put(40, shoff, 8);
        e.put(52, ehsize, 2);
        e.put(54, phentsize, 2);
        e.put(56, e_phnum, 2);
        e.put(58, shentsize, 2);
        e.put(60, e_shnum, 2);
    } else {
        e.put(28, phoff, 4);
        e.put(32, shoff, 4);
        e.put(40, ehsize, 2);
        e.put(42, phentsize, 2);
        e.put(44, e_phnum, 2);
        e.put(46, shentsize, 2);
        e.put(48, e_shnum, 2);
    }
    return e.bytes;
}

}  // namespace qv_test
