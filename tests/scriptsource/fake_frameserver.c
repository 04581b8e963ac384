/* Stand-ins for a frame-server library, for the binding's failure paths.
 *
 * Built without QV_FAKE_ENTRY_POINTS: a shared library that offers none of the frame server's
 * entry points. Built with it: every entry point, steered by the variable QV_FAKE_FRAMESERVER:
 *   "no-environment"  environment creation returns nothing;
 *   "env-error"       an environment is made but reports an error right away;
 *   "no-chroma"       a 64 x 48 YV12 clip of 2 frames whose frames report no chroma pitch;
 *   "wide-rows"       the same clip, but its frames' luma rows are wider than the clip. */
#include <stdlib.h>
#include <string.h>

#define QV_FRAMESERVER_BUILD
#include "sources/frameserver_interface.h"

#ifndef QV_FAKE_ENTRY_POINTS

QV_FS_API int qv_fake_not_a_frameserver(void) { return 1; }

#else

enum { W = 64, H = 48, FRAMES = 2, PITCH = 256 };

struct AVS_ScriptEnvironment { int unused; };
struct AVS_Clip { int unused; };
struct AVS_VideoFrame { int n; };

static struct AVS_ScriptEnvironment the_env;
static struct AVS_Clip the_clip;
static struct AVS_VideoFrame the_frame;
static AVS_VideoInfo the_info = {W, H, 25, 1, FRAMES, AVS_CS_YV12, 0, 0, 0, 0, 0};
static uint8_t luma[PITCH * H];

static const char* mode(void) {
    const char* m = getenv("QV_FAKE_FRAMESERVER");
    return m ? m : "";
}

AVS_ScriptEnvironment* avs_create_script_environment(int version) {
    (void)version;
    return strcmp(mode(), "no-environment") == 0 ? NULL : &the_env;
}
const char* avs_get_error(AVS_ScriptEnvironment* env) {
    (void)env;
    return strcmp(mode(), "env-error") == 0 ? "Fake frame server: interface version refused" : NULL;
}
void avs_delete_script_environment(AVS_ScriptEnvironment* env) { (void)env; }
AVS_Value avs_invoke(AVS_ScriptEnvironment* env, const char* name, AVS_Value args,
                     const char** arg_names) {
    AVS_Value v = avs_void_value();
    (void)env, (void)name, (void)args, (void)arg_names;
    v.type = 'c';
    v.d.clip = &the_clip;
    return v;
}
void avs_release_value(AVS_Value value) { (void)value; }
void avs_copy_value(AVS_Value* dest, AVS_Value src) { *dest = src; }
AVS_Clip* avs_take_clip(AVS_Value value, AVS_ScriptEnvironment* env) {
    (void)env;
    return value.type == 'c' ? &the_clip : NULL;
}
void avs_release_clip(AVS_Clip* clip) { (void)clip; }
const char* avs_clip_get_error(AVS_Clip* clip) {
    (void)clip;
    return NULL;
}
const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    (void)clip;
    return &the_info;
}
AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n) {
    (void)clip;
    the_frame.n = n;
    memset(luma, 100 + n, sizeof luma);
    return &the_frame;
}
void avs_release_video_frame(AVS_VideoFrame* frame) { (void)frame; }
const uint8_t* avs_get_read_ptr_p(const AVS_VideoFrame* frame, int plane) {
    (void)frame;
    return plane == AVS_PLANAR_Y ? luma : NULL;
}
int avs_get_pitch_p(const AVS_VideoFrame* frame, int plane) {
    (void)frame;
    return plane == AVS_PLANAR_Y ? PITCH : 0;
}
int avs_get_row_size_p(const AVS_VideoFrame* frame, int plane) {
    (void)frame;
    if (plane != AVS_PLANAR_Y) return 0;
    return strcmp(mode(), "wide-rows") == 0 ? PITCH : W;
}
int avs_get_height_p(const AVS_VideoFrame* frame, int plane) {
    (void)frame;
    return plane == AVS_PLANAR_Y ? H : 0;
}
int avs_get_version(AVS_Clip* clip) {
    (void)clip;
    return AVS_INTERFACE_VERSION;
}

#endif
