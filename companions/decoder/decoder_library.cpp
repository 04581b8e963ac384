#include "companions/decoder/decoder_library.h"

#include "companions/decoder/ffms_source.h"
#include "companions/decoder/project_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace {

// The program calls from its window thread and from its scan worker, one at a time; the lock
// keeps a stray overlap from tearing the decoder state.
std::mutex g_lock;
std::unique_ptr<qv::ffms::FfmsSource> g_source;
QvProjectRecord g_record{};

void report(const std::string& what)
{
    if (std::getenv("QV_DECODER_LOG") != nullptr)
        std::fprintf(stderr, "DGDecode: %s\n", what.c_str());
}

}  // namespace

extern "C" {

QvProjectRecord* openMPEG2Source(const char* project_path)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_source.reset();
    g_record = QvProjectRecord{};
    if (project_path == nullptr || project_path[0] == '\0')
        return nullptr;
    std::string error;
    qv::decoder::ProjectFile project;
    if (!qv::decoder::read_project_file(project_path, project, error)) {
        report(error);
        return nullptr;
    }
    qv::ffms::OpenOptions options;
    options.mpeg_only = true;
    options.copy_program_stream_video = true;
    auto source = qv::ffms::FfmsSource::open(project.files, options, error);
    if (!source) {
        report(error);
        return nullptr;
    }
    g_record.width = source->width();
    g_record.height = source->height();
    g_record.rate_num = source->rate_num();
    g_record.rate_den = source->rate_den();
    g_record.frame_count = source->frame_count();
    g_record.colour_format = qv::decoder::COLOUR_FORMAT_YV12;
    g_source = std::move(source);
    return &g_record;
}

unsigned char* getFrame(int n)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_source)
        return nullptr;
    // The program may ask for one past the last frame (a chapter at the very end).
    n = std::clamp(n, 0, g_source->frame_count() - 1);
    std::string error;
    const std::uint8_t* frame = g_source->frame_packed(n, error);
    if (frame == nullptr)
        report(error);
    return const_cast<unsigned char*>(frame);
}

#ifndef QV_DECODER_WITHOUT_CLOSE
void closeVideo()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_source.reset();
    g_record = QvProjectRecord{};
}
#endif
}
