#pragma once
// Starting a companion program and waiting for it to end.
//
// The encoder is started the way it expects on every platform: its own path is the whole
// argument vector (no further arguments), it inherits the front end's environment and working
// directory, it reads nothing from us (standard input is /dev/null), it inherits no other open
// descriptor of ours, and it runs in a session of its own so that signals from the terminal the
// front end may have been started from (Ctrl-C, hang-up) do not reach it.
#include <string>
#include <sys/types.h>

namespace qv {

// A started child process; valid from a successful start_process until wait_process reaps it.
struct ProcessHandle {
    pid_t pid = -1;
    bool valid() const { return pid > 0; }
};

// How a child process ended.
struct ProcessExit {
    enum class Kind {
        exited,     // ended normally; `status` holds its exit status (0-255)
        signalled,  // killed by a signal; `signal` holds the signal number
        not_waited  // no valid handle, or the child could not be waited for; `error` holds errno
    };
    Kind kind = Kind::not_waited;
    int status = 0;
    int signal = 0;
    int error = 0;
};

// Starts the program at `path` as described above. Returns 0 and fills `out` when the program
// runs; otherwise returns the errno value of the failure (ENOENT: not found, EACCES: not
// executable or a directory, ENOEXEC: not a program, ...) and leaves `out` invalid. A program
// that cannot be executed is always reported here, never as an exit of a child.
int start_process(const std::string& path, ProcessHandle& out);

// Blocks until the child ends, without a time limit, and reaps it (interrupted waits are
// resumed). The handle is invalid afterwards. `not_waited` after a valid handle means the child
// was reaped elsewhere (for example with SIGCHLD ignored); it has ended all the same.
ProcessExit wait_process(ProcessHandle& handle);

}  // namespace qv
