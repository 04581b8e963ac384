// A frame-accurate video source over FFMS2: one or more files played as one byte stream, with
// the FFMS2 index kept in a per-user cache, and frames delivered as 8-bit 4:2:0 planes.
//
// Shared by the MPEG-2 decoder library and the frame server, so it depends on nothing else of
// the project. Not thread-safe: one caller at a time per source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qv::ffms {

struct OpenOptions {
    // Decoder threads; 0 means the default, 1. More threads are not frame-exact after a seek.
    int threads = 0;
    // Refuse anything that is not MPEG-1/MPEG-2 video.
    bool mpeg_only = false;
    // Keep and reuse FFMS2 indexes on disk.
    bool use_index_cache = true;
    // Empty: default_index_cache_dir().
    std::filesystem::path cache_dir;
    // Program streams (VOB) are decoded linearly: FFMS2 does not seek in them frame-exactly.
    // With this set, the video of a program stream is copied once, unchanged, into an elementary
    // stream in the cache folder (about the size of the source), which seeks like any other;
    // without a usable cache folder or room on its disk the source stays linear.
    bool copy_program_stream_video = false;
};

// Three 8-bit planes of one frame; valid until the next frame request or the source's end.
struct FramePlanes {
    const std::uint8_t* data[3] = {nullptr, nullptr, nullptr};
    int pitch[3] = {0, 0, 0};
};

// What happened to the index during the last open, for diagnostics and tests.
enum class IndexOrigin { built, cache_hit, rebuilt_after_bad_cache };

class FfmsSource {
public:
    // Opens the files in order as one stream. Returns nullptr and sets `error` on failure.
    static std::unique_ptr<FfmsSource> open(const std::vector<std::string>& files,
                                            const OpenOptions& options, std::string& error);
    ~FfmsSource();
    FfmsSource(const FfmsSource&) = delete;
    FfmsSource& operator=(const FfmsSource&) = delete;

    // Width and height are even: an odd last column or row is dropped so that the chroma planes
    // are exactly (width/2) x (height/2).
    int width() const { return width_; }
    int height() const { return height_; }
    int rate_num() const { return rate_num_; }
    int rate_den() const { return rate_den_; }
    int frame_count() const { return frame_count_; }
    IndexOrigin index_origin() const { return index_origin_; }
    // Bytes of one packed frame: width*height + 2 * (width/2)*(height/2).
    std::size_t packed_frame_bytes() const;

    // Frame n (0-based, must be in range) as planes; false on a decoding error.
    bool frame_planes(int n, FramePlanes& out, std::string& error);
    // Frame n packed as Y, U, V without padding; nullptr on error or n out of range.
    // Valid until the next call.
    const std::uint8_t* frame_packed(int n, std::string& error);

    // Times the decoder started again from the first frame (a step backwards in a source that
    // is decoded linearly), for diagnostics.
    int decoder_restarts() const { return decoder_restarts_; }
    // Whether a jump goes through a seek point (about one GOP of decoding) rather than decoding
    // every frame from the current one or from the start.
    bool seeks() const { return seeking_; }

private:
    FfmsSource() = default;
    int seek_point_at_or_before(int n) const;
    bool decode_exactly(int n, std::string& error);
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int width_ = 0;
    int height_ = 0;
    int rate_num_ = 0;
    int rate_den_ = 0;
    int frame_count_ = 0;
    IndexOrigin index_origin_ = IndexOrigin::built;
    // Frame numbers FFMS2 treats as seek points, ascending.
    std::vector<int> seek_points_;
    // After a seek FFMS2 may label the open-GOP B pictures that follow a seek point with the
    // wrong content; frames closer than this to their seek point are reached from further back.
    int unsafe_after_seek_ = 0;
    // Whether FFMS2 may seek at all (it is kept linear where its seeking is not exact).
    bool seeking_ = true;
    // The frame FFMS2 delivered last, -1 when unknown.
    int decoder_position_ = -1;
    int decoder_restarts_ = 0;
    // The packed frames returned last, newest at ring_next_ - 1. Linearly decoded sources keep
    // a few dozen so that stepping back needs no fresh decoder; others keep one.
    struct PackedFrame {
        int n = -1;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<PackedFrame> ring_;
    std::size_t ring_next_ = 0;
    std::size_t ring_capacity_ = 1;
    const std::uint8_t* kept_frame(int n) const;
    std::uint8_t* slot_for(int n);
};

// ${XDG_CACHE_HOME:-$HOME/.cache}/qvgui/index; empty when neither variable is usable.
std::filesystem::path default_index_cache_dir();

// The cache file name for a list of sources: a hash of their absolute paths, sizes and
// modification times. Empty when a file cannot be examined.
std::string index_cache_key(const std::vector<std::string>& files);

// The elementary stream kept in `cache_dir` for a program stream made of `files`; empty when the
// files cannot be examined.
std::filesystem::path program_stream_copy_path(const std::filesystem::path& cache_dir,
                                               const std::vector<std::string>& files);

// The longest run of B pictures in coding order among the first pictures of an MPEG-1/2
// stream; -1 when the file shows no MPEG picture headers.
int longest_mpeg_b_run(const std::filesystem::path& file);

struct MpegSequence {
    int width = 0;
    int height = 0;
    // The nominal frame rate: frame_rate_code with the MPEG-2 extension factors.
    int rate_num = 0;
    int rate_den = 0;
};

// The first MPEG-1/2 sequence header within the first megabytes of a file. False when there is
// none.
bool read_mpeg_sequence_header(const std::filesystem::path& file, MpegSequence& sequence);

}  // namespace qv::ffms
