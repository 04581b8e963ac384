#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/settings_reader.h"
#include "settings/settings_writer.h"
#include "test_support.h"

namespace qv {
namespace {

using testing_support::prepare;
using testing_support::read_text;
using testing_support::ScratchDir;
using testing_support::write_text;
using namespace std::string_literals;

constexpr const char* OK_NO_INPUT = " USER ini file successfully processed, WARNING, input file not found";

std::string error_message(const std::string& keyword) {
    std::string tag = ": " + keyword;
    return " error processing ini file:" + tag;  // the tag's trailing blanks are not shown
}

// Loads `text` as a user file into a fresh core.
struct Loaded {
    ScratchDir dir;
    Core core;
    LoadResult result = LoadResult::processed;

    explicit Loaded(const std::string& text) {
        prepare(core, dir);
        write_text(dir.file("user.ini"), text);
        core.settings.user_ini_path = dir.file("user.ini");
        result = load_settings(core, SettingsFile::user);
    }
    // The message line as one line (the display breaks long lines).
    std::string message() const {
        std::string text = core.message.message_text();
        for (char& c : text)
            if (c == '\n') c = ' ';
        return text;
    }
    std::string written() {
        core.settings.user_ini_path = dir.file("back.ini");
        write_settings(core, SettingsFile::user);
        return read_text(dir.file("back.ini"));
    }
};

// The page settings are all at their defaults.
void expect_defaults(const Settings& s) {
    EXPECT_EQ(s.avg_bitrate, "4000");
    EXPECT_EQ(s.max_bitrate, "8000");
    EXPECT_EQ(s.profile, Profile::normal);
    EXPECT_FALSE(s.constant_quant);
    EXPECT_TRUE(s.auto_gop);
    EXPECT_FALSE(s.interlaced);
    EXPECT_EQ(s.vbr_bias, "0");
    EXPECT_FALSE(s.output_set);
    EXPECT_FALSE(s.input_valid);
}

struct ReaderCase {
    const char* name;
    std::string text;
    std::string message;
    std::function<void(Loaded&)> check;
};

std::string pad_to(std::string text, std::size_t columns) {
    text.resize(columns, ' ');
    return text;
}

TEST(LoadSettings, LineGrammarAndKeywords) {
    const ReaderCase cases[] = {
        {"keywords ignore case", "*bitrate 5000\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.avg_bitrate, "5000"); }},
        {"a leading blank hides the keyword", " *BITRATE 5000\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.avg_bitrate, "4000"); }},
        {"comments, misspellings and empty lines are skipped",
         "; comment\n\n*BITRAT 1\nBITRATE 2\n*WAITS 7\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.avg_bitrate, "4000");
             EXPECT_EQ(l.core.settings.wait_seconds, "7");  // *WAIT matches by its first 5
         }},
        {"number up to column 80 is read", pad_to("*BITRATE", 76) + "6000\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.avg_bitrate, "6000"); }},
        {"number after column 80 is not seen", pad_to("*BITRATE", 80) + "6000\n",
         error_message("*BITRATE"), [](Loaded& l) { expect_defaults(l.core.settings); }},
        {"missing number", "*PROFILE best\n*BITRATE\n", error_message("*BITRATE"),
         [](Loaded& l) {
             expect_defaults(l.core.settings);
             EXPECT_EQ(l.result, LoadResult::processing_error);
         }},
        {"one number short", "*FRAMES 100\n", error_message("*FRAMES"), nullptr},
        {"malformed number", "*GOP 12 x\n", error_message("*GOP"), nullptr},
        {"an integer keyword rejects a real", "*WAIT 2.5\n", error_message("*WAIT"), nullptr},
        {"*CQ needs its blank", "*CQ_MAXBITRATE 4\n*CQ\n", error_message("*CQ"), nullptr},
        {"numbers after the needed ones are ignored", "*FRAMES 5, 900, 77 junk\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.start_frame, "5");
             EXPECT_EQ(l.core.settings.end_frame, "900");
             EXPECT_EQ(l.core.settings.frames_to_encode, 896);
         }},
        {"profile words", "*PROFILE Normal quality\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.profile, Profile::normal); }},
        {"leftmost word wins", "*PROFILE best of fast\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.profile, Profile::best); }},
        {"word within the start limit", "*PROFILE" + std::string(67, ' ') + "FAST\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.profile, Profile::fast); }},
        {"word past the start limit", "*PROFILE" + std::string(68, ' ') + "FAST\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.profile, Profile::normal);
             EXPECT_FALSE(l.core.settings.seen[kw::PROFILE]);
         }},
        {"aspect 16:9 is read", "*ASPECT 16:9\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.aspect_ratio, AspectRatio::sixteen_nine); }},
        {"aspect 1:2.21", "*ASPECT 1:2.21\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.aspect_ratio, AspectRatio::two_two_one); }},
        {"aspect 2.21:1", "*ASPECT 2.21:1\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.aspect_ratio, AspectRatio::two_two_one); }},
        {"qvlow before qv", "*MATRIX qvlow\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.builtin_matrix, 12);
             EXPECT_EQ(l.core.ui.matrix.text(mtx::COMBO), "QVLOW");
             EXPECT_EQ(l.core.ui.matrix.selection(mtx::COMBO), 5);
         }},
        {"hvsbetter before hvsbest", "*MATRIX HVSBETTER\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.builtin_matrix, 8); }},
        {"a matrix name nobody knows selects mpeg", "*MATRIX qlb\n*MATRIX nonsense\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.builtin_matrix, 1);
             EXPECT_EQ(l.core.settings.matrix_mode, MatrixMode::builtin);
         }},
        {"scan method and cpu words", "*SCANMETHOD alt\n*CPU SSE3\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.scan_method, ScanMethod::alternate);
             EXPECT_EQ(l.core.settings.cpu, Cpu::sse3);
         }},
        {"the last occurrence wins", "*BITRATE 3000\n*BITRATE 3500\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.avg_bitrate, "3500"); }},
        {"error tag of a late line", "*BITRATE 3000\n*TIMECODE 1 2 3\n", error_message("*TIMECODE"),
         [](Loaded& l) {
             expect_defaults(l.core.settings);
             for (bool seen : l.core.settings.seen) EXPECT_FALSE(seen);
         }},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l(c.text);
        EXPECT_EQ(l.message(), c.message);
        if (c.check) c.check(l);
    }
}

TEST(LoadSettings, ClampsAndApplyOrder) {
    const ReaderCase cases[] = {
        {"clamps", "*TIMECODE 30 75 10 99\n*BIAS 250\n*WAIT -3\n*GOP 40 5\n", OK_NO_INPUT,
         [](Loaded& l) {
             const Settings& s = l.core.settings;
             EXPECT_EQ(s.timecode_hours, "23");
             EXPECT_EQ(s.timecode_minutes, "59");
             EXPECT_EQ(s.timecode_seconds, "10");
             EXPECT_EQ(s.timecode_frames, "59");
             EXPECT_EQ(s.vbr_bias, "100");
             EXPECT_EQ(s.wait_seconds, "0");
             EXPECT_FALSE(s.auto_gop);
             EXPECT_EQ(s.gop_length, "36");
             EXPECT_EQ(s.b_frames, "2");
             EXPECT_EQ(l.core.ui.advanced.position(adv::GOP_SPIN), 36);
             EXPECT_TRUE(l.core.ui.advanced.enabled(adv::GOP_SPIN));
             EXPECT_TRUE(l.core.ui.advanced.enabled(adv::B_FRAMES));
         }},
        {"gop low clamp", "*GOP 0 -1\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.gop_length, "1");
             EXPECT_EQ(l.core.settings.b_frames, "0");
             EXPECT_EQ(l.core.ui.advanced.position(adv::B_FRAMES_SPIN), 0);
         }},
        {"pulldown overrides interlaced", "*PULLDOWN\n*TFF\n*SCANMETHOD alt\n*INTERLACED\n",
         OK_NO_INPUT,
         [](Loaded& l) {
             const Settings& s = l.core.settings;
             EXPECT_TRUE(s.pulldown);
             EXPECT_FALSE(s.interlaced);
             EXPECT_EQ(s.scan_method, ScanMethod::zigzag);
             EXPECT_EQ(s.field_order, FieldOrder::bottom_first);
             EXPECT_FALSE(l.core.ui.main.enabled(mainp::INTERLACED));
             EXPECT_FALSE(l.core.ui.advanced.enabled(adv::TFF));
         }},
        {"interlaced alone", "*INTERLACED\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.scan_method, ScanMethod::alternate);
             EXPECT_EQ(l.core.settings.field_order, FieldOrder::top_first);
             EXPECT_TRUE(l.core.ui.advanced.enabled(adv::BFF));
             EXPECT_EQ(l.written(),
                       "*BITRATE          4000\n*INTERLACED\n*TFF\n*MATRIX           mpeg\n");
         }},
        {"scan and field order override what interlaced implies",
         "*BFF\n*SCANMETHOD zigzag\n*INTERLACED\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.scan_method, ScanMethod::zigzag);
             EXPECT_EQ(l.core.settings.field_order, FieldOrder::bottom_first);
         }},
        {"custom matrix overrides matrix", "*CUSTOMMATRIX\n" + [] {
             std::string v;
             for (int i = 1; i <= 128; ++i) v += std::to_string(i) + (i % 10 == 0 ? "\n\n" : " ");
             return v + "\n";
         }() + "*MATRIX notch\n",
         OK_NO_INPUT,
         [](Loaded& l) {
             const Settings& s = l.core.settings;
             EXPECT_EQ(s.matrix_mode, MatrixMode::custom);
             EXPECT_EQ(s.builtin_matrix, CUSTOM_MATRIX);
             EXPECT_EQ(s.custom_intra[1], 2);
             EXPECT_EQ(s.custom_intra[63], 64);
             EXPECT_EQ(s.custom_non_intra[0], 65);
             EXPECT_EQ(s.custom_non_intra[63], 128);
             EXPECT_FALSE(l.core.ui.matrix.enabled(mtx::COMBO));
             EXPECT_TRUE(l.core.ui.matrix.enabled(mtx::SAVE_CQM));
         }},
        {"custom matrix short of values", "*CUSTOMMATRIX\n1 2 3\n", error_message("*CUSTOMMATRIX"),
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.custom_intra, default_intra_matrix);  // left as it was
         }},
        {"max bitrate raised to the bitrate (after)", "*MAXBITRATE 3000\n*BITRATE 5000\n",
         OK_NO_INPUT, [](Loaded& l) { EXPECT_EQ(l.core.settings.max_bitrate, "5000"); }},
        {"max bitrate raised to the bitrate (before)", "*BITRATE 5000\n*MAXBITRATE 3000\n",
         OK_NO_INPUT, [](Loaded& l) { EXPECT_EQ(l.core.settings.max_bitrate, "5000"); }},
        {"max bitrate above the bitrate", "*BITRATE 5000\n*MAXBITRATE 9000\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.max_bitrate, "9000"); }},
        {"bitrate too wide for its entry", "*BITRATE 12345678\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.avg_bitrate, "******"); }},
        {"constant quantization", "*CQ 4.5\n*CQ_PFACTOR 1.27\n*CQ_BFACTOR 0.55\n*BIAS 20\n",
         OK_NO_INPUT,
         [](Loaded& l) {
             const Settings& s = l.core.settings;
             EXPECT_TRUE(s.constant_quant);
             EXPECT_EQ(s.cq_value, "4.500");
             EXPECT_EQ(s.cq_p_factor, "1.250");
             EXPECT_EQ(l.core.ui.advanced.position(adv::P_FACTOR_SPIN), 14);
             EXPECT_EQ(s.cq_b_factor, "0.500");  // halfway: the lower factor
             EXPECT_EQ(l.core.ui.advanced.position(adv::B_FACTOR_SPIN), 1);
             EXPECT_TRUE(l.core.ui.advanced.enabled(adv::QUANT_VALUE));
             EXPECT_TRUE(l.core.ui.advanced.enabled(adv::P_FACTOR_SPIN));
             EXPECT_FALSE(l.core.ui.advanced.enabled(adv::VBR_BIAS));
             EXPECT_FALSE(s.max_bitrate_enabled);
             EXPECT_FALSE(l.core.ui.main.enabled(mainp::AVG_KBPS));
             EXPECT_FALSE(l.core.ui.window.enabled(win::ENCODE));
         }},
        {"factors clamped to the table", "*CQ 5\n*CQ_PFACTOR 9\n*CQ_BFACTOR 0.1\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.cq_p_factor, "4.000");
             EXPECT_EQ(l.core.ui.advanced.position(adv::P_FACTOR_SPIN), 32);
             EXPECT_EQ(l.core.settings.cq_b_factor, "0.500");
         }},
        {"cq with max bitrate overrides cq", "*CQ_MAXBITRATE 6\n*CQ 3\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.cq_value, "6.000");
             EXPECT_TRUE(l.core.settings.cq_max_bitrate);
             EXPECT_TRUE(l.core.settings.max_bitrate_enabled);
         }},
        {"quantizer too wide becomes asterisks and the write aborts", "*CQ 150\n", OK_NO_INPUT,
         [](Loaded& l) {
             EXPECT_EQ(l.core.settings.cq_value, "******");
             EXPECT_EQ(l.written(), "");
             EXPECT_EQ(l.core.message.message_text(),
                       " QV.ini write aborted, invalid CQ value, not a number");
         }},
        {"flags", "*NOSEQ_ENDCODE\n*NOVBV\n*NOSCD\n*CLOSEDGOPS\n*SHUTDOWN\n*PREVIEW\n*LASTIFRAME\n"
                  "*ADAPTIVEMATRIX\n*DC_PREC 11\n",
         OK_NO_INPUT,
         [](Loaded& l) {
             const Settings& s = l.core.settings;
             EXPECT_FALSE(s.seq_endcode);
             EXPECT_FALSE(s.vbv_check);
             EXPECT_FALSE(s.scene_change);
             EXPECT_TRUE(s.closed_gops && s.shutdown && s.preview && s.last_iframe);
             EXPECT_TRUE(s.adaptive_matrix);
             EXPECT_EQ(s.dc_precision, 11);
             EXPECT_NE(l.written().find("*NOSEQ_ENDCODE\n"), std::string::npos);
         }},
        {"dc precision out of range keeps the default", "*DC_PREC 12\n", OK_NO_INPUT,
         [](Loaded& l) { EXPECT_EQ(l.core.settings.dc_precision, 9); }},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l(c.text);
        EXPECT_EQ(l.message(), c.message);
        if (c.check) c.check(l);
    }
}

TEST(LoadSettings, Chapters) {
    {
        Loaded l("*CHAPTER 3\n100\n\n200 300\n*BITRATE 4500\n");
        EXPECT_EQ(l.message(), OK_NO_INPUT);
        EXPECT_EQ(l.core.settings.chapter_count, 3);
        EXPECT_EQ(l.core.settings.chapters[1], 100);
        EXPECT_EQ(l.core.settings.chapters[3], 300);
        EXPECT_EQ(l.core.settings.avg_bitrate, "4500");
    }
    {
        Loaded l("*CHAPTER 2\n5 6\n*CHAPTER 3\n100\n200\n");
        EXPECT_EQ(l.message(), error_message("*CHAPTER"));
        // The failing block leaves the list read before it.
        EXPECT_EQ(l.core.settings.chapter_count, 2);
        EXPECT_EQ(l.core.settings.chapters[2], 6);
    }
    {
        Loaded l("*CHAPTER 2\n5 *BITRATE\n");
        EXPECT_EQ(l.message(), error_message("*CHAPTER"));
    }
    {
        Loaded l("*CHAPTER -4\n*BITRATE 4100\n");
        EXPECT_EQ(l.message(), OK_NO_INPUT);
        EXPECT_EQ(l.core.settings.chapter_count, 0);
        EXPECT_EQ(l.core.settings.avg_bitrate, "4100");
    }
    {
        // A count above the limit reads the limit's worth.
        std::string text = "*CHAPTER 700000\n";
        for (int i = 0; i < MAX_CHAPTERS; ++i) text += std::to_string(i) + "\n";
        Loaded l(text + "*WAIT 9\n");
        EXPECT_EQ(l.message(), OK_NO_INPUT);
        EXPECT_EQ(l.core.settings.chapter_count, MAX_CHAPTERS);
        EXPECT_EQ(l.core.settings.chapters[MAX_CHAPTERS], MAX_CHAPTERS - 1);
        EXPECT_EQ(l.core.settings.wait_seconds, "9");
    }
}

TEST(LoadSettings, MaxBitrateIsRaisedToTheLastBitrateOfTheRun) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    core.settings.user_ini_path = dir.file("a.ini");
    write_text(dir.file("a.ini"), "*BITRATE 6000\n");
    load_settings(core, SettingsFile::user);
    write_text(dir.file("a.ini"), "*MAXBITRATE 3000\n");
    load_settings(core, SettingsFile::user);
    EXPECT_EQ(core.settings.avg_bitrate, "4000");
    EXPECT_EQ(core.settings.max_bitrate, "6000");
}

TEST(LoadSettings, PathsLineEndsAndLongLines) {
    ScratchDir dir;
    write_text(dir.file("Movie.avs"), "Version()\n");
    const std::string input = dir.file("Movie.avs");
    {
        // CR LF line ends read like LF.
        Loaded l("*INFILE " + input + "\r\n*OUTFILE   /out/My Movie.M2V  \r\n*LOGFILE x.log\r\n"
                 "*BITRATE 5000\r\n*MATRIX qv\r\n");
        EXPECT_EQ(l.message(), " USER ini file successfully processed");
        const Settings& s = l.core.settings;
        EXPECT_TRUE(s.input_valid);
        EXPECT_EQ(s.input_path, input);  // as written, case kept
        EXPECT_TRUE(l.core.source.is_script);
        EXPECT_EQ(s.output_path, "/out/My Movie.M2V");
        EXPECT_EQ(s.log_path, "x.log");
        EXPECT_TRUE(s.output_chosen);
        EXPECT_EQ(l.core.ui.main.text(mainp::OUTPUT), "output: /out/My Movie.M2V");
        EXPECT_EQ(l.core.ui.main.text(mainp::LOG), "log: x.log");
        EXPECT_EQ(l.core.ui.main.text(mainp::INPUT), "input: " + shorten_path(input));
        EXPECT_TRUE(l.core.ui.main.enabled(mainp::LOG));
        EXPECT_EQ(s.avg_bitrate, "5000");
        EXPECT_EQ(s.builtin_matrix, 4);
    }
    {
        // A path must start within 99 columns of its window.
        Loaded l("*OUTFILE " + std::string(98, ' ') + "/a.m2v\n*LOGFILE " + std::string(99, ' ') +
                 "/b.log\n");
        EXPECT_TRUE(l.core.settings.output_set);
        EXPECT_EQ(l.core.settings.output_path, "/a.m2v");
        EXPECT_FALSE(l.core.settings.log_set);
    }
    {
        // The part of a line beyond column 512 is not seen; the next line reads normally.
        std::string long_path = "/" + std::string(600, 'p');
        Loaded l("*OUTFILE " + long_path + "\n*BITRATE 4200\n");
        EXPECT_EQ(l.core.settings.output_path, long_path.substr(0, 500));
        EXPECT_EQ(l.core.settings.avg_bitrate, "4200");
    }
    {
        Loaded l("*INFILE " + dir.file("missing.avs") + "\n");
        EXPECT_EQ(l.message(), OK_NO_INPUT);
        EXPECT_FALSE(l.core.settings.input_valid);
        EXPECT_EQ(l.core.ui.main.text(mainp::INPUT), "input file name (*.d2v, *.avs)");
    }
    {
        // Binary junk and NUL bytes: skipped or reported, never more.
        std::string junk = "\x00\xff\xfe*BITRATE\x00 5\n\x80\x81*\n*INFILE \x00/etc/passwd\n"s;
        Loaded l(junk + "*WAIT 8\n");
        EXPECT_EQ(l.message(), OK_NO_INPUT);
        EXPECT_EQ(l.core.settings.wait_seconds, "8");
        EXPECT_FALSE(l.core.settings.input_valid);
        Loaded bad("*BITRATE \x00 5\n"s);
        EXPECT_EQ(bad.message(), error_message("*BITRATE"));
    }
}

TEST(LoadSettings, ProjectProblemsAreReported) {
    ScratchDir dir;
    write_text(dir.file("movie.d2v"), "DGIndexProjectFile16\n1\n" + dir.file("gone.vob") + "\n");
    write_text(dir.file("old.d2v"), "DGIndexProjectFile07\n0\n");
    {
        // The version is checked before the source files: an unsupported version is reported
        // even though the listed file is missing too.
        Loaded l("*INFILE " + dir.file("movie.d2v") + "\n*OUTFILE /o.m2v\n");
        EXPECT_EQ(l.core.settings.d2v_problem, 1);
        EXPECT_TRUE(l.core.settings.output_set);
    }
    write_text(dir.file("movie.d2v"), "DGIndexProjectFile12\n1\n" + dir.file("gone.vob") + "\n");
    {
        Loaded l("*INFILE " + dir.file("movie.d2v") + "\n");
        EXPECT_EQ(l.message(), " USER ini file successfully processed, ERROR, invalid D2V project, "
                               "can't find the VOB/MPEG files");
        EXPECT_EQ(l.core.settings.d2v_problem, 2);
        EXPECT_TRUE(l.core.settings.input_path.empty());
        EXPECT_FALSE(l.core.settings.input_valid);
        EXPECT_FALSE(l.core.source.is_project);
    }
    {
        Loaded l("*INFILE " + dir.file("old.d2v") + "\n");
        EXPECT_EQ(l.message(),
                  " USER ini file successfully processed, ERROR, invalid D2V project, "
                  "DGIndex/DGDecode mismatch, D2V project must be file format version 6, 10, 11 or 12");
        EXPECT_EQ(l.core.settings.d2v_problem, 1);
    }
}

TEST(LoadSettings, FilesThatCannotBeRead) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    core.settings.profile = Profile::best;
    EXPECT_EQ(load_settings(core, SettingsFile::program), LoadResult::not_found);
    EXPECT_EQ(core.message.message_text(), " QV.ini not found, using default GUI settings");
    EXPECT_EQ(core.settings.profile, Profile::normal);

    write_text(dir.file("QV.ini"), "*BITRATE 4400\n");
    EXPECT_EQ(load_settings(core, SettingsFile::program), LoadResult::processed);
    EXPECT_EQ(core.message.message_text(),
              " QV.ini successfully processed, WARNING, input file not found");

    for (std::string path : {dir.file("nothing.ini"), dir.path(), std::string()}) {
        core.settings.user_ini_path = path;
        EXPECT_EQ(load_settings(core, SettingsFile::user), LoadResult::open_failed);
        EXPECT_EQ(core.message.message_text(), " error openening ini file");
        EXPECT_EQ(core.settings.avg_bitrate, "4000");
    }
    if (::geteuid() != 0) {
        write_text(dir.file("locked.ini"), "*BITRATE 4400\n");
        ::chmod(dir.file("locked.ini").c_str(), 0);
        core.settings.user_ini_path = dir.file("locked.ini");
        EXPECT_EQ(load_settings(core, SettingsFile::user), LoadResult::open_failed);
    }
}

TEST(LoadSettings, WrittenFilesReadBackTheSame) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    const std::string text = testing_support::golden("interlaced_tff.ini");
    std::string adjusted = text;
    // Point the input at a real file.
    write_text(dir.file("Movie One.avs"), "x\n");
    auto at = adjusted.find("/video/Movie One.avs");
    adjusted.replace(at, std::string("/video/Movie One.avs").size(), dir.file("Movie One.avs"));
    write_text(dir.file("in.ini"), adjusted);
    core.settings.user_ini_path = dir.file("in.ini");
    EXPECT_EQ(load_settings(core, SettingsFile::user), LoadResult::processed);
    // As the program would after opening the input.
    core.settings.input_opened = true;
    update_bitrate_enabling(core);
    core.settings.user_ini_path = dir.file("out.ini");
    write_settings(core, SettingsFile::user);
    // *INTERLACED with TFF, alternate scan: the same lines come back.
    EXPECT_EQ(read_text(dir.file("out.ini")), adjusted);
}

}  // namespace
}  // namespace qv
