/* A stand-in decoder library for the tests of the program's project binding: it exports the
 * three entry points and reports whatever the "project" file says, so the tests can produce
 * properties no real stream has (zero frames, a zero rate, frames larger than the store).
 *
 * Project file: one line "width height rate_num rate_den frame_count colour_format [blank]".
 * With "blank" getFrame delivers nothing. Frames are allocated at exactly the packed size so
 * that a sanitizer sees any read past them; only frames 0 .. frame_count-1 are delivered.
 * closeVideo aborts: the program must never call it. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static int32_t record[6];
static int deliver_frames;
static unsigned char* frame;

EXPORT const int32_t* openMPEG2Source(const char* path) {
    FILE* f = fopen(path, "r");
    char mode[16] = "";
    int fields;
    if (!f) return NULL;
    fields = fscanf(f, "%d %d %d %d %d %d %15s", &record[0], &record[1], &record[2], &record[3],
                    &record[4], &record[5], mode);
    fclose(f);
    if (fields < 6) return NULL;
    deliver_frames = strcmp(mode, "blank") != 0;
    return record;
}

EXPORT const unsigned char* getFrame(int n) {
    int64_t luma = (int64_t)record[0] * record[1];
    int64_t chroma = luma >> 2;
    int64_t i;
    if (!deliver_frames || n < 0 || n >= record[4] || luma <= 0) return NULL;
    free(frame);
    frame = malloc((size_t)(luma + 2 * chroma));
    if (!frame) return NULL;
    /* Every plane gets its own pattern, shifted by the frame number. */
    for (i = 0; i < luma; ++i) frame[i] = (unsigned char)(i * 3 + n);
    for (i = 0; i < chroma; ++i) frame[luma + i] = (unsigned char)(i * 5 + n + 1);
    for (i = 0; i < chroma; ++i) frame[luma + chroma + i] = (unsigned char)(i * 7 + n + 2);
    return frame;
}

EXPORT void closeVideo(void) { abort(); }

__attribute__((destructor)) static void release_frame(void) { free(frame); }
