#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Closes now; false when close reports a failure (a delayed write error).
    bool reset() {
        if (fd_ < 0) return true;
        int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

bool write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool copy_contents(int in, int out) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!write_all(out, buffer.data(), static_cast<size_t>(n))) return false;
    }
}

std::string directory_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    return path.substr(0, slash + 1);
}

}  // namespace

bool file_exists(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    return !S_ISDIR(st.st_mode);
}

bool delete_file(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool copy_file_replace(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in.ok()) return false;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // Reading a regular file never blocks; the flag was only there for the open.
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);

    std::string temp = directory_of(to) + ".qvcopy.XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    FileDescriptor out(::mkostemp(name.data(), O_CLOEXEC));
    if (!out.ok()) return false;
    std::string temp_path(name.data());

    bool ok = copy_contents(in.get(), out.get()) && ::fchmod(out.get(), st.st_mode & 07777) == 0;
    ok = out.reset() && ok;
    if (ok && ::rename(temp_path.c_str(), to.c_str()) == 0) return true;
    ::unlink(temp_path.c_str());
    return false;
}

bool write_file_atomic(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::string temp = directory_of(path) + ".qvwrite.XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    FileDescriptor out(::mkostemp(name.data(), O_CLOEXEC));
    if (!out.ok()) return false;
    std::string temp_path(name.data());

    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            out.reset();
            ::unlink(temp_path.c_str());
            return false;
        }
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    bool ok = write_all(out.get(), bytes.data(), bytes.size()) && ::fchmod(out.get(), mode) == 0;
    ok = out.reset() && ok;
    if (ok && ::rename(temp_path.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp_path.c_str());
    return false;
}

bool read_file(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    if (path.empty()) return false;
    FileDescriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in.ok()) return false;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (static_cast<std::size_t>(st.st_size) > limit) return false;
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (out.size() + static_cast<std::size_t>(n) > limit) return false;
        out.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

bool file_birth_time(const std::string& path, std::int64_t& seconds_since_epoch) {
    seconds_since_epoch = 0;
    if (path.empty()) return false;
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
        if (sx.stx_mask & STATX_BTIME) {
            seconds_since_epoch = sx.stx_btime.tv_sec;
            return true;
        }
        if (sx.stx_mask & STATX_MTIME) {
            seconds_since_epoch = sx.stx_mtime.tv_sec;
            return true;
        }
    }
    // statx may be refused (old kernels, seccomp filters): plain stat has the modification time.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    seconds_since_epoch = st.st_mtime;
    return true;
}

}  // namespace qv
