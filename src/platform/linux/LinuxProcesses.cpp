#include "platform/linux/LinuxProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/CommandLine.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "platform/linux/PosixError.h"
#include "platform/linux/UniqueFd.h"

namespace pankor {

namespace {

bool EndsWithExe(const std::string& name) {
    return name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".exe");
}

// The full path of a program found on PATH, or "".
std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool IsPeImage(const std::string& program) {
    const std::string file = program.find('/') == std::string::npos ? FindOnPath(program) : program;
    const UniqueFd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    char magic[2] = {};
    return fd && read(fd.Get(), magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

// A child that nobody waits for any more is reaped in the background, so it
// never lingers as a zombie.
void ReapLater(pid_t pid) noexcept {
    try {
        std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    } catch (...) {
        // No thread to spare: the zombie stays until this process ends.
    }
}

class LinuxProcess final : public IProcess {
public:
    explicit LinuxProcess(pid_t pid) noexcept
        : pid_(pid), pidfd_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {}
    ~LinuxProcess() override {
        if (!reaped_) ReapLater(pid_);
    }
    LinuxProcess(const LinuxProcess&) = delete;
    LinuxProcess& operator=(const LinuxProcess&) = delete;

    bool WaitExit(int milliseconds) noexcept override {
        if (reaped_ || Reaped()) return true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            if (left.count() <= 0) return Reaped();
            if (pidfd_) {
                pollfd p{pidfd_.Get(), POLLIN, 0};
                poll(&p, 1, static_cast<int>(left.count()));
            } else {  // kernels before 5.3: look every few milliseconds
                std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
            }
            if (Reaped()) return true;
        }
    }
    std::uint32_t Id() const noexcept override { return static_cast<std::uint32_t>(pid_); }

private:
    bool Reaped() noexcept {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        // ECHILD: someone else reaped it; it has ended either way.
        if (r == pid_ || (r < 0 && errno == ECHILD)) reaped_ = true;
        return reaped_;
    }

    pid_t pid_;
    UniqueFd pidfd_;
    bool reaped_ = false;
};

// Starts argv with the environment of this process; only the three standard
// descriptors are passed on, and the child gets a session and default
// signal handling of its own, as a program started on Windows would.
Result<pid_t> Spawn(const std::vector<std::string>& argv, bool quiet) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> copy(argv);
    std::vector<char*> args;
    args.reserve(copy.size() + 1);
    for (std::string& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int err = copy[0].find('/') == std::string::npos
                        ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
                        : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) return Result<pid_t>::From(ErrnoFailure(err));
    return Result<pid_t>::Of(pid);
}

}  // namespace

std::vector<std::string> HostArguments(const std::string& commandLine, const std::string& wine) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) return {};
    if (!wine.empty() && IsPeImage(args[0])) args.insert(args.begin(), wine);
    return args;
}

Result<std::unique_ptr<IProcess>> LinuxProcesses::Start(const std::string& commandLine, bool hidden) noexcept {
    using R = Result<std::unique_ptr<IProcess>>;
    try {
        const std::vector<std::string> argv = HostArguments(commandLine, FindOnPath("wine"));
        if (argv.empty()) return R::Fail("The command line names no program.", ENOENT);
        const Result<pid_t> pid = Spawn(argv, hidden);
        if (!pid.ok()) return R::From(pid.status());
        return R::Of(std::make_unique<LinuxProcess>(*pid));
    } catch (...) {
        return R::Fail("out of memory");
    }
}

Status LinuxProcesses::OpenUrl(const std::string& url) noexcept {
    try {
        const Result<pid_t> pid = Spawn({"xdg-open", url}, true);
        if (!pid.ok()) return pid.status();
        ReapLater(*pid);
        return Status::Ok();
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

std::string ProcessFileName(const std::string& argv0, const std::string& exeLink) {
    std::string fromArgs = FileNameOf(argv0);
    if (EndsWithExe(fromArgs)) return fromArgs;
    const std::string fromLink = FileNameOf(exeLink);
    return fromLink.empty() ? fromArgs : fromLink;
}

Result<std::vector<std::string>> LinuxProcesses::ExecutableNames() noexcept {
    try {
        const UniqueDir proc(opendir("/proc"));
        if (!proc) return Result<std::vector<std::string>>::From(ErrnoFailure());
        std::vector<std::string> names;
        while (const dirent* e = readdir(proc.Get())) {
            const std::string pid = e->d_name;
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
            // Plain system calls: this runs for every process, every two seconds.
            char buf[4096];
            ssize_t n = 0;
            if (const UniqueFd fd(openat(dirfd(proc.Get()), (pid + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC)); fd)
                n = read(fd.Get(), buf, sizeof buf - 1);
            const std::string argv0(buf, n > 0 ? strnlen(buf, static_cast<std::size_t>(n)) : 0);
            std::string exe;
            if (!EndsWithExe(argv0)) {  // the link is needed only when the first argument does not tell
                const ssize_t len = readlinkat(dirfd(proc.Get()), (pid + "/exe").c_str(), buf, sizeof buf - 1);
                if (len > 0) exe.assign(buf, static_cast<std::size_t>(len));
            }
            const std::string name = ProcessFileName(argv0, exe);
            if (!name.empty()) names.push_back(name);  // kernel threads have neither
        }
        return Result<std::vector<std::string>>::Of(std::move(names));
    } catch (...) {
        return Result<std::vector<std::string>>::Fail("out of memory");
    }
}

}  // namespace pankor
