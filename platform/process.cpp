#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qv {

namespace {

// posix_spawn attribute and file-action objects, released on every path.
class SpawnSetup {
public:
    SpawnSetup() {
        attr_ok_ = posix_spawnattr_init(&attr_) == 0;
        actions_ok_ = posix_spawn_file_actions_init(&actions_) == 0;
    }
    ~SpawnSetup() {
        if (attr_ok_) posix_spawnattr_destroy(&attr_);
        if (actions_ok_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Returns 0 or an errno value.
    int prepare() {
        if (!attr_ok_ || !actions_ok_) return ENOMEM;
        // A session of its own; every signal at its default action and none blocked, whatever
        // the calling thread has blocked or ignored.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (int rc = posix_spawnattr_setflags(&attr_, flags)) return rc;
        if (int rc = posix_spawnattr_setsigmask(&attr_, &none)) return rc;
        if (int rc = posix_spawnattr_setsigdefault(&attr_, &all)) return rc;
        if (int rc = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null",
                                                      O_RDONLY, 0))
            return rc;
        // Standard output and error stay shared so the encoder's own log remains visible;
        // nothing else of ours is handed on.
        if (int rc = posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1))
            return rc;
        return 0;
    }

    const posix_spawnattr_t* attr() const { return &attr_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attr_{};
    posix_spawn_file_actions_t actions_{};
    bool attr_ok_ = false;
    bool actions_ok_ = false;
};

}  // namespace

int start_process(const std::string& path, ProcessHandle& out) {
    out = ProcessHandle{};
    if (path.empty()) return ENOENT;
    if (path.find('\0') != std::string::npos) return EINVAL;

    SpawnSetup setup;
    if (int rc = setup.prepare()) return rc;

    // The argument vector is the program's own path and nothing else.
    std::string arg0 = path;
    char* argv[] = {arg0.data(), nullptr};

    // glibc's posix_spawn reports a failed exec (missing file, no execute permission, not a
    // program) as its own result; the short-lived child never counts as a started program.
    pid_t pid = -1;
    int rc = posix_spawn(&pid, path.c_str(), setup.actions(), setup.attr(), argv, environ);
    if (rc != 0) return rc;
    out.pid = pid;
    return 0;
}

ProcessExit wait_process(ProcessHandle& handle) {
    ProcessExit result;
    if (!handle.valid()) {
        result.error = ECHILD;
        return result;
    }
    int wstatus = 0;
    pid_t rc;
    do {
        rc = waitpid(handle.pid, &wstatus, 0);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        result.error = errno;
        handle.pid = -1;
        return result;
    }
    handle.pid = -1;
    if (WIFEXITED(wstatus)) {
        result.kind = ProcessExit::Kind::exited;
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.kind = ProcessExit::Kind::signalled;
        result.signal = WTERMSIG(wstatus);
    }
    return result;
}

}  // namespace qv
