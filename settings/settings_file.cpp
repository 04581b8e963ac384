#include "settings/settings_file.h"

#include <cstring>

namespace qv {

namespace {

constexpr WordInfo PROFILE_WORDS[] = {{"FAST", 1}, {"NORM", 2}, {"GOOD", 2}, {"BEST", 4}};
constexpr WordInfo ASPECT_WORDS[] = {{"1:1", 1},  {"3:4", 2},    {"4:3", 2},   {"9:16", 3},
                                     {"16:9", 3}, {"2:21", 4},   {"1:2.21", 4}, {"2.21:1", 4}};
constexpr WordInfo CPU_WORDS[] = {{"AUTO", 0}, {"MMX", 1}, {"SSE2", 2}, {"SSE3", 3}};
constexpr WordInfo SCAN_WORDS[] = {{"ZIGZAG", 0}, {"ALT", 1}};
// "QVLOW" before "QV" and "HVSBETTER" before "HVSBEST", so the longer name wins.
constexpr WordInfo MATRIX_WORDS[] = {{"MPEG", 1},     {"QLB", 2},       {"NOTCH", 3},
                                     {"QVLOW", 12},   {"QV", 4},        {"TERN1", 5},
                                     {"MORVA1CD", 6}, {"HVSGOOD", 7},   {"HVSBETTER", 8},
                                     {"HVSBEST", 9},  {"AVAMAT6", 10},  {"AVAMAT7", 11}};

constexpr KeywordInfo flag(int code, const char* text) {
    return {code, text, std::char_traits<char>::length(text), ValueKind::flag, 0, 0, 0, nullptr, 0,
            nullptr};
}
constexpr KeywordInfo path(int code, const char* text, std::size_t first, std::size_t last) {
    return {code,  text,    std::char_traits<char>::length(text), ValueKind::path, first, last, 0,
            nullptr, 0, nullptr};
}
constexpr KeywordInfo numbers(int code, const char* text, std::size_t first, const char* tag,
                              ValueKind kind = ValueKind::numbers) {
    return {code, text, std::char_traits<char>::length(text), kind, first, NUMBER_LAST_COLUMN, 0,
            nullptr, 0, tag};
}
template <std::size_t N>
constexpr KeywordInfo word(int code, const char* text, std::size_t first, std::size_t limit,
                           const WordInfo (&words)[N]) {
    return {code, text, std::char_traits<char>::length(text), ValueKind::word, first, 79, limit,
            words, N, nullptr};
}

}  // namespace

const KeywordInfo KEYWORD_TABLE[kw::COUNT] = {
    path(kw::INFILE, "*INFILE", 9, 508),
    path(kw::OUTFILE, "*OUTFILE", 10, 509),
    path(kw::LOGFILE, "*LOGFILE", 10, 509),
    numbers(kw::FRAMES, "*FRAMES", 9, ": *FRAMES           "),
    numbers(kw::CQ, "*CQ ", 5, ": *CQ               "),
    numbers(kw::BITRATE, "*BITRATE", 10, ": *BITRATE          "),
    numbers(kw::MAXBITRATE, "*MAXBITRATE", 13, ": *MAXBITRATE       "),
    flag(kw::PREVIEW, "*PREVIEW"),
    word(kw::PROFILE, "*PROFILE", 10, 67, PROFILE_WORDS),
    word(kw::ASPECT, "*ASPECT", 9, 66, ASPECT_WORDS),
    numbers(kw::CQ_MAXBITRATE, "*CQ_MAXBITRATE", 16, ": *CQ_MAXBITRATE    "),
    flag(kw::LASTIFRAME, "*LASTIFRAME"),
    numbers(kw::CQ_PFACTOR, "*CQ_PFACTOR", 13, ": *CQ_PFACTOR       "),
    numbers(kw::CQ_BFACTOR, "*CQ_BFACTOR", 13, ": *CQ_BFACTOR       "),
    flag(kw::ADAPTIVEMATRIX, "*ADAPTIVEMATRIX"),
    flag(kw::PULLDOWN, "*PULLDOWN"),
    word(kw::CPU, "*CPU", 5, 67, CPU_WORDS),
    numbers(kw::GOP, "*GOP", 6, ": *GOP              "),
    numbers(kw::DC_PREC, "*DC_PREC", 10, ": *DC_PREC          "),
    word(kw::SCANMETHOD, "*SCANMETHOD", 12, 62, SCAN_WORDS),
    numbers(kw::TIMECODE, "*TIMECODE", 11, ": *TIMECODE         "),
    word(kw::MATRIX, "*MATRIX", 8, 65, MATRIX_WORDS),
    {kw::CUSTOMMATRIX, "*CUSTOMMATRIX", 13, ValueKind::following, 0, 0, 0, nullptr, 0,
     ": *CUSTOMMATRIX     "},
    numbers(kw::BIAS, "*BIAS", 7, ": *BIAS             "),
    flag(kw::CLOSEDGOPS, "*CLOSEDGOPS"),
    flag(kw::NOVBV, "*NOVBV"),
    flag(kw::NOSCD, "*NOSCD"),
    numbers(kw::CHAPTER, "*CHAPTER", 9, ": *CHAPTER          ", ValueKind::following),
    flag(kw::INTERLACED, "*INTERLACED"),
    flag(kw::TFF, "*TFF"),
    flag(kw::BFF, "*BFF"),
    numbers(kw::WAIT, "*WAIT", 7, ": *WAIT             "),
    flag(kw::NOSEQ_ENDCODE, "*NOSEQ_ENDCODE"),
    flag(kw::SHUTDOWN, "*SHUTDOWN"),
};

const KeywordInfo& keyword_info(int code) { return KEYWORD_TABLE[code - 1]; }

const KeywordInfo* match_keyword(std::string_view upper_record) {
    if (upper_record.empty() || upper_record[0] != '*') return nullptr;
    for (const KeywordInfo& k : KEYWORD_TABLE) {
        if (upper_record.size() >= k.match &&
            std::memcmp(upper_record.data(), k.match_text, k.match) == 0)
            return &k;
    }
    return nullptr;
}

namespace {
constexpr const char* FILE_NAMES[13] = {"",        "mpeg",     "qlb",     "notch",  "qv",
                                        "tern1",   "morva1cd", "hvsgood", "hvsbetter",
                                        "hvsbest", "avamat6",  "avamat7", "qvlow"};
constexpr const char* SHOWN_NAMES[13] = {"",        "MPEG",     "QLB",     "NOTCH",  "QV",
                                         "TERN1",   "MORVA1CD", "HVSGOOD", "HVSBETTER",
                                         "HVSBEST", "AVAMAT6",  "AVAMAT7", "QVLOW"};
}  // namespace

std::string_view builtin_matrix_word(int index) {
    return (index >= 1 && index <= 12) ? FILE_NAMES[index] : std::string_view();
}

std::string_view builtin_matrix_caption(int index) {
    return (index >= 1 && index <= 12) ? SHOWN_NAMES[index] : std::string_view();
}

}  // namespace qv
