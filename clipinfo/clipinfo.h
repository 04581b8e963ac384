/* The clip information library: five questions about an AVI file.
 *
 * Each function opens the file named by `path` (NUL-terminated), reads its headers, closes it
 * again and returns one value. `window` owns the error message on systems with a window
 * system; it may be null and is not used on Linux.
 *
 * Result: the value; 0 when the file opened but its information could not be read; 4 when the
 * file could not be opened (after "Unable to open this AVI-File!" was reported). */
#ifndef CLIPINFO_CLIPINFO_H
#define CLIPINFO_CLIPINFO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int32_t GetFrames(const char* path, void* window); /* length in units of scale / rate */
int32_t GetWidth(const char* path, void* window);  /* frame width in pixels */
int32_t GetHeight(const char* path, void* window); /* frame height in pixels */
int32_t GetScale(const char* path, void* window);  /* frames per second = rate / scale */
int32_t GetRate(const char* path, void* window);

/* The type of every export, for callers that look them up at run time. */
typedef int32_t (*ClipInfoQuery)(const char* path, void* window);

#ifdef __cplusplus
}
#endif

#endif
