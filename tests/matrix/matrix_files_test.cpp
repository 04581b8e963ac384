#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "matrix/matrix_files.h"
#include "settings/core.h"
#include "tests/platform/test_dir.h"

namespace qv {
namespace {

using qv_test::read_bytes;
using qv_test::TempDir;
using qv_test::write_bytes;

std::string fixture(const std::string& name) {
    return read_bytes(std::string(QV_SOURCE_DIR) + "/tests/matrix/fixtures/" + name);
}

MatrixValues counting(int first) {
    MatrixValues v{};
    for (int k = 0; k < MATRIX_CELLS; ++k) v[static_cast<std::size_t>(k)] = first + k;
    return v;
}

// The text of a pair with the given separator between values and the given line end.
std::string mtx_lines(const MatrixValues& a, const MatrixValues& b, const char* eol) {
    std::string out;
    for (const MatrixValues* v : {&a, &b})
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col) out += std::to_string((*v)[static_cast<std::size_t>(row * 8 + col)]) + " ";
            out += eol;
        }
    return out;
}

// The 64 values of one array on one line, without a line end.
std::string one_line(const MatrixValues& v, const char* separator) {
    std::string out;
    for (int32_t x : v) out += (out.empty() ? "" : separator) + std::to_string(x);
    return out;
}

MatrixValues sixteens() {
    MatrixValues v{};
    v.fill(16);
    return v;
}

TEST(MatrixFileFormat, ChosenByTheLastThreeCharacters) {
    const std::pair<const char*, MatrixFileFormat> cases[] = {
        {"/m/a.mtx", MatrixFileFormat::mtx},  {"/m/a.MTX", MatrixFileFormat::mtx},
        {"/m/a.cqm", MatrixFileFormat::cqm},  {"/m/a.CqM", MatrixFileFormat::cqm},
        {"/m/amtx", MatrixFileFormat::mtx},   {"/m/a.cqm   ", MatrixFileFormat::cqm},
        {"/m/a.txt", MatrixFileFormat::unknown}, {"/m/a.mtx.bak", MatrixFileFormat::unknown},
        {"tx", MatrixFileFormat::unknown},    {"", MatrixFileFormat::unknown},
    };
    for (const auto& [path, format] : cases) EXPECT_EQ(matrix_file_format(path), format) << path;
}

TEST(MatrixWriters, InitialCustomPairBytes) {
    Core core;
    TempDir dir;
    ASSERT_TRUE(write_matrix_file_mtx(core, dir / "a.mtx"));
    ASSERT_TRUE(write_matrix_file_cqm(core, dir / "a.cqm"));
    std::string mtx = read_bytes(dir / "a.mtx");
    std::string cqm = read_bytes(dir / "a.cqm");
    EXPECT_EQ(mtx, fixture("initial_custom.mtx"));
    EXPECT_EQ(cqm, fixture("initial_custom.cqm"));
    EXPECT_EQ(mtx.substr(0, 33), "   8  16  19  22  26  27  29  34\n");
    EXPECT_EQ(mtx.substr(8 * 33, 1), "\n");  // line 9 is empty
    EXPECT_EQ(mtx.substr(8 * 33 + 1, 33), "  16  16  16  16  16  16  16  16\n");
    ASSERT_EQ(cqm.size(), 128u);
    EXPECT_EQ(cqm.substr(0, 4), std::string("\x08\x10\x13\x16"));
    EXPECT_EQ(cqm.substr(64), std::string(64, '\x10'));
}

TEST(MatrixWriters, LowBytesAndWideValues) {
    MatrixValues a = counting(250);  // 250..313
    MatrixValues b{};
    b.fill(-1);
    std::string bytes = cqm_bytes(a, b);
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 255);
    EXPECT_EQ(static_cast<unsigned char>(bytes[6]), 0);    // 256
    EXPECT_EQ(static_cast<unsigned char>(bytes[63]), 57);  // 313
    EXPECT_EQ(static_cast<unsigned char>(bytes[64]), 255);
    std::string text = mtx_text(a, b);
    EXPECT_EQ(text.substr(0, 8), " 250 251");
    EXPECT_NE(text.find("  -1  -1"), std::string::npos);
    MatrixValues wide{};
    wide.fill(-2147483647 - 1);
    wide[1] = 12345;
    EXPECT_EQ(mtx_text(wide, b).substr(0, 25), " -2147483648 12345 -21474");
    MatrixValues intra{}, non_intra{};
    ASSERT_TRUE(parse_mtx_text(mtx_text(wide, b), intra, non_intra));
    EXPECT_EQ(intra, wide);
}

TEST(MatrixWriters, FailedWriteKeepsTheOldFileAndLeavesNothing) {
    Core core;
    TempDir dir;
    EXPECT_FALSE(write_matrix_file_mtx(core, dir / "missing/a.mtx"));
    EXPECT_FALSE(write_matrix_file_cqm(core, dir / "missing/a.cqm"));
    std::filesystem::create_directory(dir / "taken.cqm");  // a folder where the file should go
    EXPECT_FALSE(write_matrix_file_cqm(core, dir / "taken.cqm"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.cqm"));
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // no temporary file left behind
}

struct ReadCase {
    const char* name;     // file name in the scratch folder (its ending picks the format)
    std::string content;  // written unless `create` is false
    bool create;
    const char* message;  // expected message line, or nullptr when the read succeeds
};

TEST(ReadMatrixFile, GoodAndBadFiles) {
    const MatrixValues a = counting(1);
    const MatrixValues b = counting(101);
    const std::string two_lines = mtx_lines(a, b, "\n");
    std::string first_64_then_rest_of_line = two_lines;
    // Numbers after the 64th value on its line are not read.
    first_64_then_rest_of_line.insert(first_64_then_rest_of_line.find("64 ") + 3, " 999 junk");
    std::string huge = two_lines;
    huge.replace(huge.find("101 "), 3, "4294967397");
    std::string nul = two_lines;
    nul[nul.find("120")] = '\0';
    std::string giant_line;
    for (int i = 0; i < 200000; ++i) giant_line += "12 ";

    const ReadCase cases[] = {
        {"good.mtx", two_lines, true, nullptr},
        {"crlf.mtx", mtx_lines(a, b, "\r\n"), true, nullptr},
        {"rest_of_line.mtx", first_64_then_rest_of_line, true, nullptr},
        {"commas.mtx", one_line(a, ",") + "\n\n \n" + mtx_lines(b, b, "\n").substr(0, 8 * 33), true,
         nullptr},
        {"sixteen_lines.mtx", fixture("sixteen_lines.mtx"), true, nullptr},
        {"initial.cqm", fixture("initial_custom.cqm"), true, nullptr},
        {"long.cqm", fixture("initial_custom.cqm") + "extra bytes", true, nullptr},
        {"one_line.mtx", fixture("one_line.mtx"), true, "error reading matrix file"},
        {"no_line_after.mtx", one_line(a, " "), true, "error reading matrix file"},
        {"nothing_after.mtx", one_line(a, " ") + "\n", true, "error reading matrix file"},
        {"short.mtx", two_lines.substr(0, two_lines.rfind("164")), true, "error reading matrix file"},
        {"empty.mtx", "", true, "error reading matrix file"},
        {"junk.mtx", "hello world\n" + two_lines, true, "error reading matrix file"},
        {"real.mtx", "1.5 " + two_lines, true, "error reading matrix file"},
        {"huge.mtx", huge, true, "error reading matrix file"},
        {"nul.mtx", nul, true, "error reading matrix file"},
        {"giant.mtx", giant_line, true, "error reading matrix file"},
        {"short.cqm", fixture("initial_custom.cqm").substr(0, 127), true, "error reading matrix file"},
        {"empty.cqm", "", true, "error reading matrix file"},
        {"absent.mtx", "", false, "error reading matrix file"},
        {"absent.cqm", "", false, "error reading matrix file"},
        {"absent.txt", "", false, "unknown format matrix file"},
        {"good.txt", two_lines, true, "unknown format matrix file"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        Core core;
        TempDir dir;
        if (c.create) write_bytes(dir / c.name, c.content);
        core.show(" before");
        MatrixValues intra_before = core.settings.custom_intra;
        bool ok = read_matrix_file(core, dir / c.name);
        EXPECT_EQ(ok, c.message == nullptr);
        if (c.message) {
            EXPECT_EQ(core.message.message_text(), c.message);
            EXPECT_EQ(core.settings.custom_intra, intra_before);
            EXPECT_EQ(core.settings.custom_non_intra, sixteens());
        } else {
            EXPECT_EQ(core.message.message_text(), " before");  // success reports nothing here
        }
    }
}

TEST(ReadMatrixFile, ValuesAreTakenAsTheyCome) {
    Core core;
    TempDir dir;
    const MatrixValues a = counting(1);
    const MatrixValues b = counting(101);
    write_bytes(dir / "pair.mtx", mtx_lines(a, b, "\n"));
    ASSERT_TRUE(read_matrix_file(core, dir / "pair.mtx"));
    EXPECT_EQ(core.settings.custom_intra, a);  // element 0 stays 1 until the pair is shown
    EXPECT_EQ(core.settings.custom_non_intra, b);

    MatrixValues wide = counting(-10);
    wide[3] = 300;
    write_bytes(dir / "wide.mtx", mtx_lines(wide, wide, "\n"));
    ASSERT_TRUE(read_matrix_file(core, dir / "wide.mtx"));
    EXPECT_EQ(core.settings.custom_intra[3], 300);
    EXPECT_EQ(core.settings.custom_intra[0], -10);

    ASSERT_TRUE(read_matrix_file(core, std::string(QV_SOURCE_DIR) + "/tests/matrix/fixtures/sixteen_lines.mtx"));
    EXPECT_EQ(core.settings.custom_intra, default_intra_matrix);
    EXPECT_EQ(core.settings.custom_non_intra, b);

    std::string bytes(128, '\0');
    for (int k = 0; k < 128; ++k) bytes[static_cast<std::size_t>(k)] = static_cast<char>(k * 2);
    write_bytes(dir / "UPPER.CQM", bytes);
    ASSERT_TRUE(read_matrix_file(core, dir / "UPPER.CQM"));
    EXPECT_EQ(core.settings.custom_intra[0], 0);
    EXPECT_EQ(core.settings.custom_intra[63], 126);
    EXPECT_EQ(core.settings.custom_non_intra[0], 128);
    EXPECT_EQ(core.settings.custom_non_intra[63], 254);
}

TEST(ReadMatrixFile, WhatCannotBeOpened) {
    Core core;
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.mtx");
    EXPECT_FALSE(read_matrix_file(core, dir / "folder.mtx"));
    EXPECT_EQ(core.message.message_text(), "error opening matrix file");
}

TEST(ReadMatrixFile, WriterOutputReadsBack) {
    Core core;
    TempDir dir;
    core.settings.custom_intra = counting(8);
    core.settings.custom_non_intra = counting(192);
    ASSERT_TRUE(write_matrix_file_mtx(core, dir / "x.mtx"));
    ASSERT_TRUE(write_matrix_file_cqm(core, dir / "x.cqm"));
    for (const char* name : {"x.mtx", "x.cqm"}) {
        Core other;
        ASSERT_TRUE(read_matrix_file(other, dir / name)) << name;
        EXPECT_EQ(other.settings.custom_intra, core.settings.custom_intra) << name;
        EXPECT_EQ(other.settings.custom_non_intra, core.settings.custom_non_intra) << name;
    }
}

}  // namespace
}  // namespace qv
