// The one settings record: every encoder option, the file names, the chapter list, the matrices
// and the run-time state of the pages. Entries are held as the text the user sees; check boxes
// are booleans; radio groups are enumerations. A page control whose option has a field here
// shows that field directly (see settings/pages.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

inline constexpr int MAX_CHAPTERS = 640000;
inline constexpr int SEEN_MARKS = 128;
inline constexpr int MATRIX_CELLS = 64;
inline constexpr int CUSTOM_MATRIX = 99;

enum class Profile { fast, normal, best };
// The numeric form is the one the settings file and the Main page use (1 = 1:1 ... 4 = 2.21:1).
enum class AspectRatio { square = 1, four_three = 2, sixteen_nine = 3, two_two_one = 4 };
enum class BitrateMode { average_bitrate, file_length };
enum class FieldOrder { top_first, bottom_first };
enum class ScanMethod { zigzag, alternate };
enum class Cpu { automatic, mmx, sse2, sse3 };
enum class MatrixMode { builtin, custom };

using MatrixValues = std::array<int32_t, MATRIX_CELLS>;

// The factors of the P- and B-factor spins, positions 1..32 (index 0 unused).
extern const std::array<double, 33> cq_factor_table;
inline constexpr int CQ_FACTOR_POSITIONS = 32;
inline constexpr int CQ_FACTOR_DEFAULT_POSITION = 9;

// The MPEG-2 default intra quantizer matrix, row by row.
extern const MatrixValues default_intra_matrix;

struct Settings {
    Settings();

    // Files.
    std::string input_path;
    bool input_valid = false;
    std::string output_path;
    bool output_set = false;
    std::string log_path;
    bool log_set = false;
    std::string qv_ini_path;    // the program's own QV.ini (fixed at start-up)
    std::string user_ini_path;  // the user's settings file ("load/save ini file")
    std::string chapter_file_path;
    std::string matrix_file_path;

    // Main page.
    Profile profile = Profile::normal;
    AspectRatio aspect_ratio = AspectRatio::sixteen_nine;
    BitrateMode bitrate_mode = BitrateMode::average_bitrate;
    std::string avg_bitrate = "4000";
    std::string max_bitrate = "8000";
    bool max_bitrate_enabled = false;
    std::string file_length_kb;
    std::string start_frame;
    std::string end_frame;
    bool interlaced = false;
    bool pulldown = false;
    bool scene_change = true;
    bool auto_gop = true;
    bool closed_gops = false;
    bool preview = false;
    bool shutdown = false;
    int dc_precision = 9;  // 8..11

    // Numeric copies the Main page keeps beside its entry texts; the frame range is -1 (unset)
    // until a source is open.
    int32_t file_length_kb_value = 0;
    int32_t avg_bitrate_value = 4000;
    int32_t max_bitrate_value = 8000;
    int32_t start_frame_value = -1;
    int32_t end_frame_value = -1;

    // Advanced page.
    FieldOrder field_order = FieldOrder::bottom_first;
    ScanMethod scan_method = ScanMethod::zigzag;
    std::string timecode_hours = "0";
    std::string timecode_minutes = "0";
    std::string timecode_seconds = "0";
    std::string timecode_frames = "0";
    std::string vbr_bias = "0";
    std::string wait_seconds = "5";
    bool seq_endcode = true;
    bool last_iframe = false;
    bool vbv_check = true;
    std::string gop_length = "15";
    std::string b_frames = "2";
    Cpu cpu = Cpu::automatic;
    bool constant_quant = false;
    std::string cq_value = "5.000";
    bool cq_max_bitrate = false;
    std::string cq_p_factor = "1.00";
    std::string cq_b_factor = "1.00";
    double cq_value_on_focus = 5.0;  // the quantizer remembered when "Quant value" got the focus
    // The last value of each integer entry of the Advanced page (hour, min, sec, frame, VBR bias,
    // wait): taken when the entry gains the focus and after each correction; an entry that no
    // longer reads as a number gets it back.
    std::array<int32_t, 6> advanced_entry_values{0, 0, 0, 0, 0, 5};

    // Matrix page.
    MatrixMode matrix_mode = MatrixMode::builtin;
    int builtin_matrix = 1;  // 1..12 a built-in pair, 99 the custom pair
    MatrixValues custom_intra{};
    MatrixValues custom_non_intra{};
    MatrixValues displayed_intra{};  // what the 128 cells of the Matrix page show
    MatrixValues displayed_non_intra{};
    bool adaptive_matrix = false;

    // Chapters: positions 1..chapter_count of `chapters` are in use (index 0 is never used).
    // Preallocated once for the largest list, so adding never allocates.
    int32_t chapter_count = 0;
    std::vector<int32_t> chapters;

    // Run-time state, not written to the settings file.
    bool input_opened = false;
    bool input_exists = false;
    int d2v_problem = 0;  // 0 none, 1 version not supported, 2 video files missing
    bool ini_write_ok = false;
    bool output_chosen = false;
    int32_t frames_to_encode = 0;
    // The average bitrate of the most recent *BITRATE line read since start-up (0: none yet); a
    // lower *MAXBITRATE is raised to it. Kept across loads, never reset.
    int32_t last_read_bitrate = 0;
    // Which keywords the last settings-file load has seen (numbered as the reader's table).
    std::array<bool, SEEN_MARKS> seen{};
};

}  // namespace qv
