#include "platform/linux/LinuxProcesses.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

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
            std::ifstream in("/proc/" + pid + "/cmdline", std::ios::binary);
            std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const std::string argv0 = args.substr(0, args.find('\0'));
            char link[4096];
            const ssize_t n = readlink(("/proc/" + pid + "/exe").c_str(), link, sizeof link - 1);
            const std::string exe = n > 0 ? std::string(link, static_cast<std::size_t>(n)) : std::string();
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
