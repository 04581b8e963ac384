#include "platform/file_version.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "elf_builder.h"
#include "platform/files.h"
#include "test_dir.h"

namespace {

using qv::FileVersion;
using qv_test::ElfLayout;
using qv_test::TempDir;

const std::string ENCODER = std::string(QV_PROGRAM_DIR) + "/QVenc_019.exe";
const FileVersion BUILT_VERSION = {0x0102, 0x0304, 0xa0b0, 0xfffe};
const FileVersion ZERO{};

bool note_of(const std::vector<std::uint8_t>& image, FileVersion& version) {
    // An exactly sized heap copy, so that any read past the end is caught by the sanitizers.
    std::vector<std::uint8_t> copy(image);
    return qv::find_version_note(copy.data(), copy.size(), version);
}

TEST(FileVersion, TestEncoderCarriesItsVersionNote) {
    FileVersion v{9, 9, 9, 9};
    ASSERT_EQ(qv::read_file_version(ENCODER, v), 0);
    EXPECT_EQ(v, (FileVersion{0, 19, 0, 0}));
    EXPECT_EQ(qv::format_file_version(v), "0.19.0.0");
}

TEST(FileVersion, NoteFoundInEveryLayout) {
    for (bool is64 : {false, true})
        for (bool big : {false, true})
            for (int reach = 0; reach < 3; ++reach)  // sections, segments, both
                for (std::uint32_t align : {4u, 8u})
                    for (bool extended : {false, true})
                        for (bool other_first : {false, true}) {
                            ElfLayout layout;
                            layout.is64 = is64;
                            layout.big_endian = big;
                            layout.section_headers = reach != 1;
                            layout.program_headers = reach != 0;
                            layout.note_align = align;
                            layout.extended_section_count = extended && layout.section_headers;
                            layout.extended_segment_count = extended && layout.program_headers;
                            layout.other_note_first = other_first;
                            SCOPED_TRACE(testing::Message()
                                         << "64-bit " << is64 << " big " << big << " reach "
                                         << reach << " align " << align << " extended "
                                         << extended << " other first " << other_first);
                            FileVersion v{};
                            EXPECT_TRUE(note_of(qv_test::build_elf(layout), v));
                            EXPECT_EQ(v, BUILT_VERSION);
                        }
}

TEST(FileVersion, ForeignOrMalformedNotesAreNotVersions) {
    struct Case {
        const char* what;
        void (*change)(ElfLayout&);
    };
    const Case cases[] = {
        {"other owner", [](ElfLayout& s) { s.owner = std::string("QVguj", 6); }},
        {"owner without NUL", [](ElfLayout& s) { s.owner = "QVgui"; }},
        {"other type", [](ElfLayout& s) { s.type = 2; }},
        {"no headers at all",
         [](ElfLayout& s) {
             s.section_headers = false;
             s.program_headers = false;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ElfLayout layout;
        c.change(layout);
        FileVersion v{1, 1, 1, 1};
        EXPECT_FALSE(note_of(qv_test::build_elf(layout), v));
        EXPECT_EQ(v, ZERO);
    }
}

// Every prefix of a valid image, and hostile header fields, are handled without reading out of
// bounds; a result, if any, is the true version.
TEST(FileVersion, TruncatedAndCorruptedImagesFailSafely) {
    for (bool is64 : {false, true}) {
        ElfLayout layout;
        layout.is64 = is64;
        const std::vector<std::uint8_t> full = qv_test::build_elf(layout);
        for (std::size_t n = 0; n < full.size(); ++n) {
            std::vector<std::uint8_t> prefix(full.begin(), full.begin() + static_cast<long>(n));
            FileVersion v{};
            if (note_of(prefix, v)) {
                EXPECT_EQ(v, BUILT_VERSION) << "prefix " << n;
            } else {
                EXPECT_EQ(v, ZERO) << "prefix " << n;
            }
        }
        // Where the version words sit (little-endian image).
        const std::uint8_t words[] = {0x02, 0x01, 0x04, 0x03, 0xb0, 0xa0, 0xfe, 0xff};
        const auto hit = std::search(full.begin(), full.end(), std::begin(words), std::end(words));
        ASSERT_NE(hit, full.end());
        const std::size_t desc = static_cast<std::size_t>(hit - full.begin());
        // Overwrite each 4-byte group of the image with extreme values.
        for (std::size_t at = 0; at + 4 <= full.size(); at += 2)
            for (std::uint32_t junk : {0xffffffffu, 0x80000000u, 0u, 1u, 0x7fffffffu}) {
                std::vector<std::uint8_t> bad(full);
                std::memcpy(bad.data() + at, &junk, 4);
                FileVersion v{};
                const bool found = note_of(bad, v);
                const bool hit_words = at < desc + 8 && desc < at + 4;
                if (!found) {
                    EXPECT_EQ(v, ZERO) << "at " << at;
                } else if (!hit_words) {
                    EXPECT_EQ(v, BUILT_VERSION) << "at " << at;
                }
            }
    }
    FileVersion v{};
    EXPECT_FALSE(qv::find_version_note(nullptr, 0, v));
}

TEST(FileVersion, LibraryNameNumbers) {
    struct Case {
        const char* name;
        bool ok;
        FileVersion version;
    };
    const Case cases[] = {
        {"libX.so.3.7.3", true, {3, 7, 3, 0}},
        {"libX.so.3", true, {3, 0, 0, 0}},
        {"/usr/lib/libX.so.1.2.3.4", true, {1, 2, 3, 4}},
        {"libX.so.0.65535", true, {0, 65535, 0, 0}},
        {"libX.so.007", true, {7, 0, 0, 0}},
        {"libX.so.1.2.3.4.5", false, {}},
        {"libX.so.65536", false, {}},
        {"libX.so.99999999999999999999", false, {}},
        {"libX.so", false, {}},
        {"libX.so.", false, {}},
        {"libX.so.3.", false, {}},
        {"libX.so.1..2", false, {}},
        {"libX.so.3a", false, {}},
        {"libX.so.-3", false, {}},
        {".so.3", false, {}},
        {"DGDecode10.dll", false, {}},
        {"libX.so.3/plain", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        FileVersion v{5, 5, 5, 5};
        EXPECT_EQ(qv::version_from_library_name(c.name, v), c.ok) << c.name;
        EXPECT_EQ(v, c.version) << c.name;
    }
}

// Real shared libraries as the build makes them, reached through their development links.
TEST(FileVersion, BuiltSharedLibraries) {
    FileVersion v{};
    EXPECT_EQ(qv::read_file_version(QV_PROBE_STAMPED, v), 0) << QV_PROBE_STAMPED;
    EXPECT_EQ(v, (FileVersion{1, 2, 3, 4}));  // the note, not the name's 9.8.7
    EXPECT_EQ(qv::read_file_version(QV_PROBE_PLAIN, v), 0) << QV_PROBE_PLAIN;
    EXPECT_EQ(v, (FileVersion{3, 7, 3, 0}));
}

// libfoo.so -> libfoo.so.3 -> libfoo.so.3.7.3, a shared library without our note.
TEST(FileVersion, VersionedLibraryNameAfterResolvingLinks) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // Any ELF file without our note will do: this test program is one.
    ASSERT_TRUE(qv::copy_file_replace("/proc/self/exe", dir / "libfoo.so.3.7.3"));
    ASSERT_EQ(::symlink("libfoo.so.3.7.3", (dir / "libfoo.so.3").c_str()), 0);
    ASSERT_EQ(::symlink("libfoo.so.3", (dir / "libfoo.so").c_str()), 0);
    for (const char* name : {"libfoo.so", "libfoo.so.3", "libfoo.so.3.7.3"}) {
        FileVersion v{};
        EXPECT_EQ(qv::read_file_version(dir / name, v), 0) << name;
        EXPECT_EQ(v, (FileVersion{3, 7, 3, 0})) << name;
    }
    ASSERT_TRUE(qv::copy_file_replace("/proc/self/exe", dir / "libbar.so.3"));
    FileVersion v{};
    EXPECT_EQ(qv::read_file_version(dir / "libbar.so.3", v), 0);
    EXPECT_EQ(v, (FileVersion{3, 0, 0, 0}));

    // The note wins over the name.
    ASSERT_TRUE(qv::copy_file_replace(ENCODER, dir / "libenc.so.5.1"));
    EXPECT_EQ(qv::read_file_version(dir / "libenc.so.5.1", v), 0);
    EXPECT_EQ(v, (FileVersion{0, 19, 0, 0}));

    // A name alone does not make a library: junk under a versioned name has no version.
    qv_test::write_bytes(dir / "libjunk.so.1.2", "not a library at all");
    v = FileVersion{1, 1, 1, 1};
    EXPECT_EQ(qv::read_file_version(dir / "libjunk.so.1.2", v), qv::FILE_VERSION_NOT_FOUND);
    EXPECT_EQ(v, ZERO);
    // An unversioned library name gives nothing either.
    ASSERT_TRUE(qv::copy_file_replace("/proc/self/exe", dir / "libplain.so"));
    EXPECT_EQ(qv::read_file_version(dir / "libplain.so", v), qv::FILE_VERSION_NOT_FOUND);
}

TEST(FileVersion, UnusableFilesFailCleanly) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string encoder = qv_test::read_bytes(ENCODER);
    ASSERT_GT(encoder.size(), 4096u);

    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>((i * 7919 + 13) & 0xff));
    const Case cases[] = {
        {"empty", ""},
        {"junk", junk},
        {"magic only", "\x7f" "ELF"},
        {"ident only", encoder.substr(0, 16)},
        {"header cut short", encoder.substr(0, 40)},
        {"header only", encoder.substr(0, 64)},
        {"program headers cut", encoder.substr(0, 80)},
        {"ELF magic then junk", "\x7f" "ELF" + junk},
    };
    for (const Case& c : cases) {
        const std::string path = dir / c.name;
        qv_test::write_bytes(path, c.bytes);
        FileVersion v{1, 2, 3, 4};
        EXPECT_EQ(qv::read_file_version(path, v), qv::FILE_VERSION_NOT_FOUND) << c.name;
        EXPECT_EQ(v, ZERO) << c.name;
    }

    // The head of a real program without its section headers: found through its PT_NOTE.
    const std::string head = dir / "head";
    qv_test::write_bytes(head, encoder.substr(0, 4096));
    FileVersion v{};
    EXPECT_EQ(qv::read_file_version(head, v), 0);
    EXPECT_EQ(v, (FileVersion{0, 19, 0, 0}));

    v = FileVersion{1, 2, 3, 4};
    EXPECT_EQ(qv::read_file_version(dir.path(), v), EISDIR);
    EXPECT_EQ(v, ZERO);
    EXPECT_EQ(qv::read_file_version(dir / "missing", v), ENOENT);
    EXPECT_EQ(qv::read_file_version("", v), ENOENT);
    // A FIFO must not block the reader.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(qv::read_file_version(dir / "fifo", v), qv::FILE_VERSION_NOT_FOUND);
}

}  // namespace
