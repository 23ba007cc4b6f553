#include "platform/linux/LinuxProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "core/Text.h"
#include "platform/linux/PosixError.h"

namespace pankor {

namespace {

std::string BaseName(const std::string& path) {
    const std::size_t p = path.find_last_of("/\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

bool EndsWithExe(const std::string& name) {
    return name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".exe");
}

}  // namespace

std::string ProcessFileName(const std::string& argv0, const std::string& exeLink) {
    const std::string fromArgs = BaseName(argv0);
    if (EndsWithExe(fromArgs)) return fromArgs;
    const std::string fromLink = BaseName(exeLink);
    return fromLink.empty() ? fromArgs : fromLink;
}

Result<std::vector<std::string>> LinuxProcesses::ExecutableNames() noexcept {
    try {
        DIR* proc = opendir("/proc");
        if (proc == nullptr) return Result<std::vector<std::string>>::Fail(ErrnoText());
        std::vector<std::string> names;
        while (const dirent* e = readdir(proc)) {
            const std::string pid = e->d_name;
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
            // Plain system calls: this runs for every process, every two seconds.
            char buf[4096];
            ssize_t n = 0;
            const int fd = openat(dirfd(proc), (pid + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                n = read(fd, buf, sizeof buf - 1);
                close(fd);
            }
            const std::string argv0(buf, n > 0 ? strnlen(buf, static_cast<std::size_t>(n)) : 0);
            std::string exe;
            if (!EndsWithExe(argv0)) {  // the link is needed only when the first argument does not tell
                const ssize_t len = readlinkat(dirfd(proc), (pid + "/exe").c_str(), buf, sizeof buf - 1);
                if (len > 0) exe.assign(buf, static_cast<std::size_t>(len));
            }
            const std::string name = ProcessFileName(argv0, exe);
            if (!name.empty()) names.push_back(name);  // kernel threads have neither
        }
        closedir(proc);
        return Result<std::vector<std::string>>::Of(std::move(names));
    } catch (...) {
        return Result<std::vector<std::string>>::Fail("out of memory");
    }
}

}  // namespace pankor
