// The scene-change scan: a worker thread decodes every frame of the open source, measures how
// much each frame differs from the one before (per plane, normalised to the plane size), and
// marks a chapter where that difference stands out sharply from both of its neighbours. The
// "create SCD chapter list" button starts and stops it; the chapters found so far stay in the
// list when it is stopped.
//
// Threads: the worker writes the chapter list, the frame store, the preview bitmap and some
// controls of the Preview/Chapters page; while core.scan_running is true the window thread
// leaves them alone (the controls that would fetch a frame or change the list are off, the tab
// cannot change, encoding cannot start). A stop request is noticed between two frames, and the
// window thread waits for the worker to leave its loop, so every recorded chapter is valid.
// The worker lives in core.scan_job; destroying the Core stops and joins it.
#pragma once

#include <cstdint>

#include "settings/core.h"

namespace qv {

inline constexpr int SCENE_THRESHOLD = 18;   // a score at or above this marks a chapter
inline constexpr int SCENE_HISTORY_FLOOR = 1;
inline constexpr int SCENE_CHROMA_WEIGHT = 4;
inline constexpr int SCAN_PROGRESS_RANGE = 1000;

// The Preview/Chapters controls that are off while a scan runs.
inline constexpr int SCAN_LOCKED_CONTROLS[15] = {
    prv::IMPORT,   prv::EXPORT,   prv::CLEAR,    prv::ADD,   prv::REMOVE,
    prv::SET_START, prv::SET_END, prv::FWD_1,    prv::FWD_10, prv::FWD_100,
    prv::BACK_1,   prv::BACK_10,  prv::BACK_100, prv::CURRENT_FRAME, prv::SLIDER};

// The history and score of the detector, one step per frame pair.
class SceneDetector {
public:
    // Takes the three plane differences of frames n-1 and n (sums of absolute differences) and
    // the plane sizes; returns the score (the six neighbour ratios summed, rounded half away
    // from zero).
    int32_t step(uint32_t sad_y, uint32_t sad_u, uint32_t sad_v, int32_t luma_size,
                 int32_t chroma_size);

private:
    int32_t history_[3][3] = {};  // per plane Y, U, V: h0, h1, h2, oldest first
};

// Progress of frame n out of frame_count on the 0..1000 scale, rounded half away from zero.
int32_t scan_progress(int32_t n, int32_t frame_count);

// The button's click: starts a scan (caption "create SCD chapter list") or stops the running one
// (caption "stop scanning").
void toggle_scene_scan(Core& core);

// True while the worker runs (core.scan_running).
bool scan_running(const Core& core);

// The close box: asks the worker to stop at its next frame boundary and waits for it, without
// the closing steps (no caption, list or message changes). Nothing happens when no scan runs.
void stop_scene_scan(Core& core);

// Waits until a worker that ends by itself has ended (command line, tests).
void wait_scene_scan(Core& core);

// How the worker fetches frames. Plain (the default): fetch frame n, then compare it with the
// previous frame and copy it over that in one pass. With prefetch, frame n + 1 is decoded on a
// second thread while frame n, copied out of the store, is compared; the chapters are the same
// either way. The decoder is the bottleneck and the copy out of the store cannot overlap it, so
// the second thread only pays for its hand-overs; the option stays for measurements. Kept for
// later scans.
struct ScanOptions {
    bool prefetch = false;
};
void set_scan_options(Core& core, ScanOptions options);

}  // namespace qv
