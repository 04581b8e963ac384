#include "preview/scene_scan.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "preview/bitmap.h"
#include "preview/chapter_list.h"
#include "preview/plane_sad.h"
#include "settings/text.h"
#include "sources/frame_fetch.h"

namespace qv {

namespace {

// Everything the scan keeps between its start and its end, owned by core.scan_job.
struct ScanState {
    ScanOptions options;
    std::thread worker;
    std::atomic<bool> stop{false};
    std::mutex mutex;       // guards the hand-over of the closing steps
    bool closing = false;   // the worker ran to the end and does the closing steps itself
    std::vector<uint8_t> frame_copy;  // the compared frame while the next one is prefetched

    ScanState() = default;
    ScanState(const ScanState&) = delete;
    ScanState& operator=(const ScanState&) = delete;
    ~ScanState() { halt(); }

    // Asks the worker to stop at its next frame boundary and waits for it. True when the worker
    // had already taken the closing steps on itself (it ran to the end); false when it was
    // stopped, or when there was no worker to stop.
    bool halt() {
        if (!worker.joinable()) return false;
        bool finished;
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
            finished = closing;
        }
        worker.join();
        return finished;
    }
};

ScanState& scan_state(Core& core) {
    if (!core.scan_job) core.scan_job = std::make_shared<ScanState>();
    return *static_cast<ScanState*>(core.scan_job.get());
}

void set_locked_controls(Core& core, bool enabled) {
    for (int id : SCAN_LOCKED_CONTROLS) core.ui.preview.set_enabled(id, enabled);
}

// Decodes frames on a second thread, one request at a time, into the frame store.
class Prefetcher {
public:
    explicit Prefetcher(Core& core) : core_(core), thread_([this] { run(); }) {}
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;
    ~Prefetcher() {
        wait();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void request(int n) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            frame_ = n;
            busy_ = true;
        }
        wake_.notify_all();
    }

    // Until the requested frame is in the store (at once when none is pending).
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return !busy_; });
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || (busy_ && frame_ >= 0); });
            if (quit_) return;
            int n = frame_;
            frame_ = -1;
            lock.unlock();
            fetch_frame(core_, n);
            lock.lock();
            busy_ = false;
            done_.notify_all();
        }
    }

    Core& core_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    int frame_ = -1;
    bool busy_ = false;
    bool quit_ = false;
    std::thread thread_;  // last: started once the rest is set up
};

// What one step of the loop needs.
struct ScanContext {
    Core& core;
    const std::atomic<bool>& stop;
    SceneDetector detector;
    int32_t frame_count = 0;
    int32_t luma_size = 0;
    int32_t chroma_size = 0;
    int level = 0;
    int32_t last_progress = 0;

    // Frame n (planes y, u, v) against the frame before it (py, pu, pv).
    void compare(int32_t n, const uint8_t* y, const uint8_t* u, const uint8_t* v, const uint8_t* py,
                 const uint8_t* pu, const uint8_t* pv) {
        judge(n, plane_sad(y, py, luma_size, level), plane_sad(u, pu, chroma_size, level),
              plane_sad(v, pv, chroma_size, level), y, u, v);
    }

    // The differences of frames n - 1 and n: progress, score, and at a mark the chapter n - 1 and
    // frame n (y, u, v) in the preview.
    void judge(int32_t n, uint32_t sad_y, uint32_t sad_u, uint32_t sad_v, const uint8_t* y,
               const uint8_t* u, const uint8_t* v) {
        int32_t p = scan_progress(n, frame_count);
        if (p > last_progress) {
            core.ui.preview.set_position(prv::SLIDER, p);
            core.ui.preview.set_text(prv::CURRENT_FRAME, int_text(n));
            last_progress = p;
        }

        if (detector.step(sad_y, sad_u, sad_v, luma_size, chroma_size) >= SCENE_THRESHOLD) {
            // n only grows, so appending keeps the list ascending and free of duplicates.
            Settings& s = core.settings;
            const auto next = static_cast<std::size_t>(s.chapter_count) + 1;
            if (s.chapter_count < MAX_CHAPTERS && next < s.chapters.size()) {
                s.chapters[next] = n - 1;
                s.chapter_count = static_cast<int32_t>(next);
            }
            render_preview_planes(core, y, u, v);
        }
    }

    // The plain loop. Frame n is fetched over the current planes, compared with the previous
    // planes and copied over them in the same pass, so it is the previous frame of step n + 1.
    bool run_plain() {
        FrameStore& f = *core.frames;
        fetch_frame(core, 0);
        std::memcpy(f.prev_y, f.y, static_cast<std::size_t>(luma_size));
        std::memcpy(f.prev_u, f.u, static_cast<std::size_t>(chroma_size));
        std::memcpy(f.prev_v, f.v, static_cast<std::size_t>(chroma_size));
        for (int32_t n = 1; n < frame_count; ++n) {
            if (stop) return false;
            fetch_frame(core, n);
            const uint32_t sad_y = plane_sad_and_copy(f.y, f.prev_y, luma_size, level);
            const uint32_t sad_u = plane_sad_and_copy(f.u, f.prev_u, chroma_size, level);
            const uint32_t sad_v = plane_sad_and_copy(f.v, f.prev_v, chroma_size, level);
            judge(n, sad_y, sad_u, sad_v, f.y, f.u, f.v);
        }
        return true;
    }

    // The same with frame n + 1 decoded into the store while frame n (copied out of it) is
    // compared. The previous frame alternates between the store's previous planes and `copy`.
    bool run_prefetched(std::vector<uint8_t>& copy) {
        FrameStore& f = *core.frames;
        const auto luma = static_cast<std::size_t>(luma_size);
        const auto chroma = static_cast<std::size_t>(chroma_size);
        uint8_t* planes[2][3] = {{f.prev_y, f.prev_u, f.prev_v},
                                 {copy.data(), copy.data() + luma, copy.data() + luma + chroma}};
        int prev = 0;
        auto take = [&](uint8_t* const dest[3]) {
            std::memcpy(dest[0], f.y, luma);
            std::memcpy(dest[1], f.u, chroma);
            std::memcpy(dest[2], f.v, chroma);
        };

        Prefetcher prefetcher(core);  // first: if its thread cannot start, nothing has happened
        fetch_frame(core, 0);
        take(planes[prev]);
        prefetcher.request(1);
        for (int32_t n = 1; n < frame_count; ++n) {
            if (stop) return false;  // the prefetcher's destructor waits for its frame
            prefetcher.wait();
            const int cur = 1 - prev;
            take(planes[cur]);
            if (n + 1 < frame_count) prefetcher.request(n + 1);
            compare(n, planes[cur][0], planes[cur][1], planes[cur][2], planes[prev][0],
                    planes[prev][1], planes[prev][2]);
            prev = cur;
        }
        return true;
    }
};

void restore_controls(Core& core) {
    core.ui.preview.set_text(prv::SCAN, SCAN_CAPTION);
    set_locked_controls(core, true);
}

// The thread body.
void scene_scan_worker(Core& core, ScanState& state) {
    const bool encode_enabled = core.ui.window.enabled(win::ENCODE);
    clear_chapters(core);

    ScanContext scan{core, state.stop, SceneDetector{}};
    scan.frame_count = core.source.frame_count;
    scan.luma_size = core.source.luma_size;
    scan.chroma_size = core.source.chroma_size;
    scan.level = core.vector_level;
    const bool sizes_fit = scan.luma_size > 0 && scan.luma_size <= MAX_PLANE_BYTES &&
                           scan.chroma_size >= 0 && scan.chroma_size <= MAX_PLANE_BYTES;

    bool completed = true;
    // Fewer than two frames: nothing to compare.
    if (sizes_fit && scan.frame_count >= 2) {
        const std::size_t need = static_cast<std::size_t>(scan.luma_size) +
                                 2u * static_cast<std::size_t>(scan.chroma_size);
        bool plain = !state.options.prefetch || state.frame_copy.size() < need;
        if (!plain) {
            try {
                completed = scan.run_prefetched(state.frame_copy);
            } catch (const std::system_error&) {
                plain = true;  // no second thread to be had: scan on this one alone
            }
        }
        if (plain) completed = scan.run_plain();
    }

    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!completed || state.stop) return;  // stopped: the window thread closes
        state.closing = true;
    }
    fill_chapter_list_box(core);
    core.show(core.settings.chapter_count > 0 ? " scene change chapters put into list"
                                              : " no scene change found");
    core.scan_running = false;
    restore_controls(core);
    core.ui.window.set_enabled(win::ENCODE, encode_enabled);
}

void start_scan(Core& core) {
    ScanState& state = scan_state(core);
    state.halt();  // a worker that ended by itself is only joined
    clear_chapters(core);
    core.ui.preview.set_text(prv::SCAN, SCAN_STOP_CAPTION);
    set_locked_controls(core, false);

    state.stop = false;
    state.closing = false;
    const std::size_t need = static_cast<std::size_t>(std::max(core.source.luma_size, 0)) +
                             2u * static_cast<std::size_t>(std::max(core.source.chroma_size, 0));
    try {
        if (state.options.prefetch && state.frame_copy.size() < need) state.frame_copy.resize(need);
    } catch (const std::bad_alloc&) {
        state.frame_copy = {};  // the plain loop needs no extra memory
    }
    core.scan_running = true;
    try {
        state.worker = std::thread([&core, &state] { scene_scan_worker(core, state); });
    } catch (const std::system_error&) {
        core.scan_running = false;
        restore_controls(core);
        core.show(" scene change detection scan could not be started");
    }
}

void stop_scan(Core& core) {
    ScanState& state = scan_state(core);
    if (state.halt()) {
        // The worker reached the end first and closed the scan itself.
        core.scan_running = false;
        return;
    }
    restore_controls(core);
    fill_chapter_list_box(core);
    core.show(" scanning interrupted, found scene change chapters put into list");
    core.scan_running = false;
}

}  // namespace

int32_t SceneDetector::step(uint32_t sad_y, uint32_t sad_u, uint32_t sad_v, int32_t luma_size,
                            int32_t chroma_size) {
    const int64_t weight = SCENE_CHROMA_WEIGHT;
    const int64_t d[3] = {
        luma_size > 0 ? static_cast<int64_t>(sad_y) / luma_size : 0,
        chroma_size > 0 ? weight * static_cast<int64_t>(sad_u) / chroma_size : 0,
        chroma_size > 0 ? weight * static_cast<int64_t>(sad_v) / chroma_size : 0,
    };
    double score = 0.0;
    for (int p = 0; p < 3; ++p) {
        int32_t* h = history_[p];
        h[0] = std::max(h[1], SCENE_HISTORY_FLOOR);
        h[1] = std::max(h[2], SCENE_HISTORY_FLOOR);
        h[2] = static_cast<int32_t>(std::max<int64_t>(d[p], SCENE_HISTORY_FLOOR));
        score += std::abs(static_cast<double>(h[1] - h[0])) / h[0];
        score += std::abs(static_cast<double>(h[1] - h[2])) / h[2];
    }
    return static_cast<int32_t>(std::lround(score));
}

int32_t scan_progress(int32_t n, int32_t frame_count) {
    if (frame_count <= 0) return 0;
    // n * 1000 / frame_count rounded half away from zero (both are non-negative here).
    const int64_t num = 2 * static_cast<int64_t>(n) * SCAN_PROGRESS_RANGE + frame_count;
    return static_cast<int32_t>(num / (2 * static_cast<int64_t>(frame_count)));
}

void toggle_scene_scan(Core& core) {
    if (core.ui.preview.text(prv::SCAN) == SCAN_STOP_CAPTION)
        stop_scan(core);
    else
        start_scan(core);
}

bool scan_running(const Core& core) { return core.scan_running; }

void stop_scene_scan(Core& core) {
    if (!core.scan_job) return;
    scan_state(core).halt();
    core.scan_running = false;
}

void wait_scene_scan(Core& core) {
    if (!core.scan_job) return;
    ScanState& state = scan_state(core);
    if (state.worker.joinable()) state.worker.join();
}

void set_scan_options(Core& core, ScanOptions options) { scan_state(core).options = options; }

}  // namespace qv
