#include "platform/linux/LinuxProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "base/Paths.h"
#include "base/Text.h"
#include "platform/linux/PosixError.h"
#include "platform/linux/UniqueFd.h"

namespace pankor {

namespace {

bool EndsWithExe(const std::string& name) {
    return name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".exe");
}

}  // namespace

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
