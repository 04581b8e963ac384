/* A C program that links the clip information library directly and prints the five values of
 * each file named, as clipinfo does; the test compares the two. */
#include "clipinfo/clipinfo.h"

#include <stdio.h>

int main(int argc, char** argv) {
    static const ClipInfoQuery queries[5] = {GetFrames, GetWidth, GetHeight, GetScale, GetRate};
    for (int i = 1; i < argc; ++i) {
        int32_t v[5];
        for (int q = 0; q < 5; ++q) v[q] = queries[q](argv[i], NULL);
        printf("frames=%d width=%d height=%d scale=%d rate=%d %s\n", (int)v[0], (int)v[1], (int)v[2],
               (int)v[3], (int)v[4], argv[i]);
    }
    return 0;
}
