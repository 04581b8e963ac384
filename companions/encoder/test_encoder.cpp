// Test stand-in for the encoder program "QVenc_019.exe".
//
// It does no encoding. It records how it was started, in a plain "key=value" report, so that
// tests of the front end can check the start contract, and then behaves as its test-only
// environment variables ask:
//
//   QV_TEST_ENCODER_REPORT=path     where to write the report (default: "QVenc_report.txt"
//                                   beside this program)
//   QV_TEST_ENCODER_LEAVE_DBS=1     leave a "QV.dbs" beside this program, as a real encode may
//   QV_TEST_ENCODER_SLEEP_MS=N      run for N milliseconds before ending
//   QV_TEST_ENCODER_CRASH=1         end by a segmentation fault (a crashed encode)
//   QV_TEST_ENCODER_EXIT=N          end with exit status N (default 0)
//   QV_TEST_ENCODER_ENV_PROBE=text  echoed into the report, to show the environment was passed
//
// Report keys: argc, argv[i], cwd, program_dir, qv_ini_exists, qv_ini_size, qv_ini_fnv1a64,
// dgdecode_dll_exists, dgdecode_dll_size, dgdecode_dll_fnv1a64, stdin (dev_null, closed,
// other), pid, sid, own_session, open_fds, env_probe. Digests are FNV-1a 64 of the file's bytes
// in 16 lower-case hex digits; sizes and digests are empty when the file is missing.
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const TEST_ENV_REPORT = "QV_TEST_ENCODER_REPORT";
const char* const TEST_ENV_LEAVE_DBS = "QV_TEST_ENCODER_LEAVE_DBS";
const char* const TEST_ENV_SLEEP_MS = "QV_TEST_ENCODER_SLEEP_MS";
const char* const TEST_ENV_CRASH = "QV_TEST_ENCODER_CRASH";
const char* const TEST_ENV_EXIT = "QV_TEST_ENCODER_EXIT";
const char* const TEST_ENV_PROBE = "QV_TEST_ENCODER_ENV_PROBE";

const char* const TEST_DEFAULT_REPORT_NAME = "QVenc_report.txt";

std::string program_directory() {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return "./";
    std::string path(buffer.data(), static_cast<size_t>(n));
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string current_directory() {
    std::vector<char> buffer(4096);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return std::string();
    return buffer.data();
}

struct FileFacts {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t digest = 0;
};

FileFacts examine(const std::string& path) {
    FileFacts facts;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return facts;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return facts;
    }
    facts.exists = true;
    std::uint64_t hash = 0xcbf29ce484222325ull;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            hash ^= buffer[static_cast<size_t>(i)];
            hash *= 0x100000001b3ull;
        }
        facts.size += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    facts.digest = hash;
    return facts;
}

std::string describe_stdin() {
    struct stat in {};
    if (::fstat(STDIN_FILENO, &in) != 0) return "closed";
    struct stat null {};
    if (::stat("/dev/null", &null) == 0 && S_ISCHR(in.st_mode) && in.st_rdev == null.st_rdev)
        return "dev_null";
    return "other";
}

std::string open_descriptors() {
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return list;
    std::vector<long> fds;
    while (dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == ::dirfd(dir)) continue;
        fds.push_back(fd);
    }
    ::closedir(dir);
    for (size_t i = 0; i < fds.size(); ++i) {
        // readdir gives no order; a simple insertion sort keeps the list readable
        for (size_t j = i; j > 0 && fds[j - 1] > fds[j]; --j) std::swap(fds[j - 1], fds[j]);
    }
    for (long fd : fds) {
        if (!list.empty()) list.push_back(',');
        list.append(std::to_string(fd));
    }
    return list;
}

std::string hex64(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

void add_file_facts(std::string& report, const char* key, const FileFacts& facts) {
    report += std::string(key) + "_exists=" + (facts.exists ? "yes" : "no") + "\n";
    report += std::string(key) + "_size=" + (facts.exists ? std::to_string(facts.size) : "") + "\n";
    report += std::string(key) + "_fnv1a64=" + (facts.exists ? hex64(facts.digest) : "") + "\n";
}

bool env_flag(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// A whole decimal number from the environment, or false.
bool env_number(const char* name, long& out) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return false;
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(value, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = number;
    return true;
}

bool write_file(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

void sleep_ms(long ms) {
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

[[noreturn]] void crash() {
    // A real fault, not one caught and turned into an exit by a sanitizer runtime; no core file.
    rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = program_directory();

    std::string report;
    report += "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i)
        report += "argv[" + std::to_string(i) + "]=" + (argv[i] ? argv[i] : "") + "\n";
    report += "cwd=" + current_directory() + "\n";
    report += "program_dir=" + dir + "\n";
    add_file_facts(report, "qv_ini", examine(dir + "QV.ini"));
    add_file_facts(report, "dgdecode_dll", examine(dir + "DGDecode.dll"));
    report += "stdin=" + describe_stdin() + "\n";
    const pid_t pid = ::getpid();
    const pid_t sid = ::getsid(0);
    report += "pid=" + std::to_string(pid) + "\n";
    report += "sid=" + std::to_string(sid) + "\n";
    report += std::string("own_session=") + (sid == pid ? "yes" : "no") + "\n";
    report += "open_fds=" + open_descriptors() + "\n";
    const char* probe = std::getenv(TEST_ENV_PROBE);
    report += std::string("env_probe=") + (probe ? probe : "") + "\n";

    const char* report_env = std::getenv(TEST_ENV_REPORT);
    const std::string report_path =
        report_env && *report_env ? std::string(report_env) : dir + TEST_DEFAULT_REPORT_NAME;
    if (!write_file(report_path, report))
        std::fprintf(stderr, "test encoder: cannot write report %s\n", report_path.c_str());

    if (env_flag(TEST_ENV_LEAVE_DBS) && !write_file(dir + "QV.dbs", "test encoder leftover\n"))
        std::fprintf(stderr, "test encoder: cannot write %sQV.dbs\n", dir.c_str());

    long sleep_for = 0;
    if (env_number(TEST_ENV_SLEEP_MS, sleep_for) && sleep_for > 0) sleep_ms(sleep_for);

    if (env_flag(TEST_ENV_CRASH)) crash();

    long status = 0;
    if (env_number(TEST_ENV_EXIT, status)) return static_cast<int>(status & 0xff);
    return 0;
}
