// The keyword settings file shared by the writer and the reader: which file, the keyword codes,
// the keyword table with its match lengths and value windows, and the words of the word keywords.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

// The program's own QV.ini (settings.qv_ini_path) or the user's file (settings.user_ini_path).
enum class SettingsFile { program, user };

// Keyword codes: the index of each keyword's seen mark in settings.seen.
namespace kw {
inline constexpr int INFILE = 1;
inline constexpr int OUTFILE = 2;
inline constexpr int LOGFILE = 3;
inline constexpr int FRAMES = 4;
inline constexpr int CQ = 5;
inline constexpr int BITRATE = 6;
inline constexpr int MAXBITRATE = 7;
inline constexpr int PREVIEW = 8;
inline constexpr int PROFILE = 9;
inline constexpr int ASPECT = 10;
inline constexpr int CQ_MAXBITRATE = 11;
inline constexpr int LASTIFRAME = 12;
inline constexpr int CQ_PFACTOR = 13;
inline constexpr int CQ_BFACTOR = 14;
inline constexpr int ADAPTIVEMATRIX = 15;
inline constexpr int PULLDOWN = 16;
inline constexpr int CPU = 17;
inline constexpr int GOP = 18;
inline constexpr int DC_PREC = 19;
inline constexpr int SCANMETHOD = 20;
inline constexpr int TIMECODE = 21;
inline constexpr int MATRIX = 22;
inline constexpr int CUSTOMMATRIX = 23;
inline constexpr int BIAS = 24;
inline constexpr int CLOSEDGOPS = 25;
inline constexpr int NOVBV = 26;
inline constexpr int NOSCD = 27;
inline constexpr int CHAPTER = 28;
inline constexpr int INTERLACED = 29;
inline constexpr int TFF = 30;
inline constexpr int BFF = 31;
inline constexpr int WAIT = 32;
inline constexpr int NOSEQ_ENDCODE = 33;
inline constexpr int SHUTDOWN = 34;
inline constexpr int COUNT = 34;
}  // namespace kw

// Every record of the file is read into 512 columns; numbers are looked for up to column 80.
inline constexpr std::size_t RECORD_COLUMNS = 512;
inline constexpr std::size_t NUMBER_LAST_COLUMN = 80;
// A value written after a keyword starts in column 19.
inline constexpr std::size_t KEYWORD_FIELD = 18;

enum class ValueKind { flag, path, numbers, word, following };

struct WordInfo {
    const char* word;  // upper case, as searched
    int value;
};

struct KeywordInfo {
    int code;
    const char* match_text;  // the first `match` characters compared (upper case)
    std::size_t match;
    ValueKind kind;
    std::size_t first_column;  // 1-based value window
    std::size_t last_column;
    std::size_t word_limit;  // word keywords: a word must start within this many window columns
    const WordInfo* words;
    std::size_t word_count;
    const char* error_tag;  // number keywords: the 20-character tag of the error message
};

// The keyword table in its own order (the order lines are matched in).
extern const KeywordInfo KEYWORD_TABLE[kw::COUNT];

// The entry for a keyword code (1..kw::COUNT).
const KeywordInfo& keyword_info(int code);

// The keyword whose first characters begin an upper-cased record, or nullptr.
const KeywordInfo* match_keyword(std::string_view upper_record);

// Built-in matrix names by index 1..12, as the writer spells them and as the matrix list shows
// them.
std::string_view builtin_matrix_word(int index);   // "mpeg" ... "qvlow"; empty outside 1..12
std::string_view builtin_matrix_caption(int index);  // "MPEG" ... "QVLOW"; empty outside 1..12

}  // namespace qv
