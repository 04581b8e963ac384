#include "settings/record_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

RecordReader::RecordReader(std::size_t columns) : columns_(columns), buffer_(1 << 16) {}

RecordReader::~RecordReader() { close(); }

bool RecordReader::open(const std::string& path) {
    close();
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    // Non-blocking only for the open itself, so a pipe's name cannot hang the program.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    pos_ = len_ = 0;
    eof_ = false;
    return true;
}

void RecordReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RecordReader::fill() {
    for (;;) {
        ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        pos_ = 0;
        len_ = static_cast<std::size_t>(n);
        if (n == 0) eof_ = true;
        return true;
    }
}

RecordReader::Status RecordReader::next(std::string_view& record) {
    record = {};
    if (fd_ < 0) return Status::error;
    // One column more than the record holds, so that a CR right after the last column can still
    // be recognised as part of the line end.
    const std::size_t keep = columns_ + 1;
    line_.clear();
    bool any = false;
    bool ended = false;
    std::size_t total = 0;
    while (!ended) {
        if (pos_ == len_) {
            if (eof_) break;
            if (!fill()) return Status::error;
            if (eof_) break;
        }
        any = true;
        const char* start = buffer_.data() + pos_;
        std::size_t avail = len_ - pos_;
        const char* nl = static_cast<const char*>(std::memchr(start, '\n', avail));
        std::size_t chunk = nl ? static_cast<std::size_t>(nl - start) : avail;
        if (line_.size() < keep) line_.append(start, std::min(chunk, keep - line_.size()));
        total += chunk;
        pos_ += chunk + (nl ? 1 : 0);
        ended = nl != nullptr;
    }
    if (!any) return Status::end;
    if (total == line_.size() && !line_.empty() && line_.back() == '\r') line_.pop_back();
    if (line_.size() > columns_) line_.resize(columns_);
    record = line_;
    return Status::record;
}

}  // namespace qv
