/* The frame server's C interface, as QVgui uses it.
 *
 * Written from the frame server's public documentation of its C interface (interface version 6):
 * the value record, the video information record, the colour format codes, the plane selectors
 * and the entry points the program looks up at run time. The bundled frame server
 * (companions/frameserver) exports exactly these entry points; an installed frame server offers
 * them too, with the same layouts, so the program's binding works against either.
 *
 * Plain C; usable from C and C++. */
#ifndef QV_SOURCES_FRAMESERVER_INTERFACE_H
#define QV_SOURCES_FRAMESERVER_INTERFACE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Exported entry points carry default visibility when the frame server itself is built. */
#if defined(QV_FRAMESERVER_BUILD) && defined(__GNUC__)
#define QV_FS_API __attribute__((visibility("default")))
#else
#define QV_FS_API
#endif

/* The interface version the program asks for. */
enum { AVS_INTERFACE_VERSION = 6 };

/* Colour format building blocks and the formats the program meets. */
enum {
    AVS_CS_BGR = 1 << 28,
    AVS_CS_YUV = 1 << 29,
    AVS_CS_INTERLEAVED = 1 << 30,
    AVS_CS_PLANAR = (int)(1u << 31)
};
#define AVS_CS_UNKNOWN 0
#define AVS_CS_BGR24 ((int)0x50000001u) /* packed B, G, R; rows stored bottom-up */
#define AVS_CS_BGR32 ((int)0x50000002u) /* packed B, G, R, A; rows stored bottom-up */
#define AVS_CS_YUY2 ((int)0x60000004u)  /* packed 4:2:2, bytes Y0 U Y1 V */
#define AVS_CS_YV12 ((int)0xA0000008u)  /* planar 4:2:0 */
#define AVS_CS_I420 ((int)0xA0000010u)  /* planar 4:2:0, U plane first in memory */

/* Plane selectors for the per-plane frame accessors. */
enum { AVS_PLANAR_Y = 1 << 0, AVS_PLANAR_U = 1 << 1, AVS_PLANAR_V = 1 << 2 };

/* Audio sample types. */
enum {
    AVS_SAMPLE_INT8 = 1 << 0,
    AVS_SAMPLE_INT16 = 1 << 1,
    AVS_SAMPLE_INT24 = 1 << 2,
    AVS_SAMPLE_INT32 = 1 << 3,
    AVS_SAMPLE_FLOAT = 1 << 4
};

/* Field-based / parity flags of image_type. */
enum { AVS_IT_BFF = 1 << 0, AVS_IT_TFF = 1 << 1, AVS_IT_FIELDBASED = 1 << 2 };

/* Video (and audio) properties of a clip. Only the first six fields matter to the program;
 * width 0 means the clip has no video. */
typedef struct AVS_VideoInfo {
    int width;
    int height;
    unsigned fps_numerator;
    unsigned fps_denominator;
    int num_frames;
    int pixel_type;
    int audio_samples_per_second; /* 0 means no audio */
    int sample_type;
    int64_t num_audio_samples;
    int nchannels;
    int image_type;
} AVS_VideoInfo;

/* Opaque handles. */
typedef struct AVS_ScriptEnvironment AVS_ScriptEnvironment;
typedef struct AVS_Clip AVS_Clip;
typedef struct AVS_VideoFrame AVS_VideoFrame;

/* A script value, passed by value: a type character, an element count for arrays, and the
 * payload. Types: 'v' void, 'c' clip, 'b' bool, 'i' int, 'f' float, 's' string, 'a' array,
 * 'e' error (the string is the message). */
typedef struct AVS_Value AVS_Value;
struct AVS_Value {
    short type;
    short array_size;
    union {
        void* clip;
        char boolean;
        int integer;
        float floating_pt;
        const char* string;
        const AVS_Value* array;
    } d;
};

/* Small helpers; inline, never exported. */
static inline AVS_Value avs_void_value(void) {
    AVS_Value v;
    v.type = 'v';
    v.array_size = 0;
    v.d.clip = 0;
    return v;
}
static inline int avs_defined(AVS_Value v) { return v.type != 'v'; }
static inline int avs_is_clip(AVS_Value v) { return v.type == 'c'; }
static inline int avs_is_bool(AVS_Value v) { return v.type == 'b'; }
static inline int avs_is_int(AVS_Value v) { return v.type == 'i'; }
static inline int avs_is_float(AVS_Value v) { return v.type == 'f' || v.type == 'i'; }
static inline int avs_is_string(AVS_Value v) { return v.type == 's'; }
static inline int avs_is_array(AVS_Value v) { return v.type == 'a'; }
static inline int avs_is_error(AVS_Value v) { return v.type == 'e'; }
static inline const char* avs_as_error(AVS_Value v) { return v.type == 'e' ? v.d.string : 0; }
static inline const char* avs_as_string(AVS_Value v) {
    return (v.type == 's' || v.type == 'e') ? v.d.string : 0;
}
static inline int avs_as_int(AVS_Value v) { return v.d.integer; }
static inline int avs_as_bool(AVS_Value v) { return v.d.boolean; }
static inline float avs_as_float(AVS_Value v) {
    return v.type == 'i' ? (float)v.d.integer : v.d.floating_pt;
}
static inline int avs_array_size(AVS_Value v) { return v.type == 'a' ? v.array_size : 1; }
static inline AVS_Value avs_array_elt(AVS_Value v, int index) {
    return v.type == 'a' ? v.d.array[index] : v;
}
static inline AVS_Value avs_new_value_string(const char* s) {
    AVS_Value v;
    v.type = 's';
    v.array_size = 0;
    v.d.string = s;
    return v;
}
static inline AVS_Value avs_new_value_int(int i) {
    AVS_Value v;
    v.type = 'i';
    v.array_size = 0;
    v.d.clip = 0;
    v.d.integer = i;
    return v;
}
static inline AVS_Value avs_new_value_float(float f) {
    AVS_Value v;
    v.type = 'f';
    v.array_size = 0;
    v.d.clip = 0;
    v.d.floating_pt = f;
    return v;
}
static inline AVS_Value avs_new_value_bool(int b) {
    AVS_Value v;
    v.type = 'b';
    v.array_size = 0;
    v.d.clip = 0;
    v.d.boolean = b ? 1 : 0;
    return v;
}
static inline AVS_Value avs_new_value_array(const AVS_Value* elements, int size) {
    AVS_Value v;
    v.type = 'a';
    v.array_size = (short)size;
    v.d.array = elements;
    return v;
}

/* Entry points. Texts returned by the environment (error texts, avs_get_error) stay valid until
 * the next call on that environment; avs_clip_get_error's text until the next call on that clip. */
QV_FS_API AVS_ScriptEnvironment* avs_create_script_environment(int version);
QV_FS_API const char* avs_get_error(AVS_ScriptEnvironment* env);
QV_FS_API void avs_delete_script_environment(AVS_ScriptEnvironment* env);
QV_FS_API AVS_Value avs_invoke(AVS_ScriptEnvironment* env, const char* name, AVS_Value args,
                               const char** arg_names);
QV_FS_API void avs_release_value(AVS_Value value);
QV_FS_API void avs_copy_value(AVS_Value* dest, AVS_Value src);
QV_FS_API AVS_Clip* avs_take_clip(AVS_Value value, AVS_ScriptEnvironment* env);
QV_FS_API void avs_release_clip(AVS_Clip* clip);
QV_FS_API const char* avs_clip_get_error(AVS_Clip* clip);
QV_FS_API const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip);
QV_FS_API AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n);
QV_FS_API void avs_release_video_frame(AVS_VideoFrame* frame);
QV_FS_API const uint8_t* avs_get_read_ptr_p(const AVS_VideoFrame* frame, int plane);
QV_FS_API int avs_get_pitch_p(const AVS_VideoFrame* frame, int plane);
QV_FS_API int avs_get_row_size_p(const AVS_VideoFrame* frame, int plane);
QV_FS_API int avs_get_height_p(const AVS_VideoFrame* frame, int plane);
QV_FS_API int avs_get_version(AVS_Clip* clip);

/* The same entry points as pointer types, for a binding that looks them up at run time. */
typedef AVS_ScriptEnvironment* (*avs_create_script_environment_func)(int version);
typedef const char* (*avs_get_error_func)(AVS_ScriptEnvironment* env);
typedef void (*avs_delete_script_environment_func)(AVS_ScriptEnvironment* env);
typedef AVS_Value (*avs_invoke_func)(AVS_ScriptEnvironment* env, const char* name, AVS_Value args,
                                     const char** arg_names);
typedef void (*avs_release_value_func)(AVS_Value value);
typedef void (*avs_copy_value_func)(AVS_Value* dest, AVS_Value src);
typedef AVS_Clip* (*avs_take_clip_func)(AVS_Value value, AVS_ScriptEnvironment* env);
typedef void (*avs_release_clip_func)(AVS_Clip* clip);
typedef const char* (*avs_clip_get_error_func)(AVS_Clip* clip);
typedef const AVS_VideoInfo* (*avs_get_video_info_func)(AVS_Clip* clip);
typedef AVS_VideoFrame* (*avs_get_frame_func)(AVS_Clip* clip, int n);
typedef void (*avs_release_video_frame_func)(AVS_VideoFrame* frame);
typedef const uint8_t* (*avs_get_read_ptr_p_func)(const AVS_VideoFrame* frame, int plane);
typedef int (*avs_get_pitch_p_func)(const AVS_VideoFrame* frame, int plane);
typedef int (*avs_get_row_size_p_func)(const AVS_VideoFrame* frame, int plane);
typedef int (*avs_get_height_p_func)(const AVS_VideoFrame* frame, int plane);
typedef int (*avs_get_version_func)(AVS_Clip* clip);

#ifdef __cplusplus
}
#endif

#endif
