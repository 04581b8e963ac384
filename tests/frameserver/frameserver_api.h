// Test access to the built frame server library through its C interface only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sources/frameserver_interface.h"

namespace fstest {

// The library's entry points, looked up by name once per test program.
struct Api {
    avs_create_script_environment_func create_script_environment;
    avs_get_error_func get_error;
    avs_delete_script_environment_func delete_script_environment;
    avs_invoke_func invoke;
    avs_release_value_func release_value;
    avs_take_clip_func take_clip;
    avs_release_clip_func release_clip;
    avs_clip_get_error_func clip_get_error;
    avs_get_video_info_func get_video_info;
    avs_get_frame_func get_frame;
    avs_release_video_frame_func release_video_frame;
    avs_get_read_ptr_p_func get_read_ptr_p;
    avs_get_pitch_p_func get_pitch_p;
    avs_get_row_size_p_func get_row_size_p;
    avs_get_height_p_func get_height_p;
};

// Loads QV_PROGRAM_DIR/frameserver/libavisynth.so; fails the test program if it cannot.
const Api& api();

// A fetched frame, released on destruction.
class Frame {
public:
    explicit Frame(AVS_VideoFrame* f) : f_(f) {}
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    bool ok() const { return f_ != nullptr; }
    const uint8_t* ptr(int plane) const { return api().get_read_ptr_p(f_, plane); }
    int pitch(int plane) const { return api().get_pitch_p(f_, plane); }
    int row_size(int plane) const { return api().get_row_size_p(f_, plane); }
    int height(int plane) const { return api().get_height_p(f_, plane); }
    // Byte at column x (in bytes) of stored row y of a plane.
    int at(int plane, int x, int y) const { return ptr(plane)[y * pitch(plane) + x]; }

private:
    AVS_VideoFrame* f_;
};

// One script environment and, after an import, the clip it produced.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    AVS_ScriptEnvironment* env() const { return env_; }

    // Imports a script file; true when the result is a clip (then clip() and info() work).
    bool import(const std::string& path);
    // Writes the text into a fresh file and imports it.
    bool run(const std::string& text);
    std::string error() const { return error_; }   // the error text of the last import
    char result_type() const { return type_; }     // the type letter of the last result
    int result_int() const { return int_; }
    const std::string& script_path() const { return path_; }

    AVS_Clip* clip() const { return clip_; }
    const AVS_VideoInfo& info() const { return *api().get_video_info(clip_); }
    std::unique_ptr<Frame> frame(int n) const;
    std::string clip_error() const;

private:
    void drop_clip();

    AVS_ScriptEnvironment* env_ = nullptr;
    AVS_Clip* clip_ = nullptr;
    std::string error_;
    char type_ = 'v';
    int int_ = 0;
    std::string path_;
    std::string dir_;
    int counter_ = 0;
};

std::string sample(const std::string& name);  // path of a sample script in the source tree
std::string temp_dir();                        // a fresh folder for this test program

}  // namespace fstest
