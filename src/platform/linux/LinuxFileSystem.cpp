#include "platform/linux/LinuxFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <functional>

#include "base/TempFiles.h"
#include "platform/linux/PosixError.h"
#include "platform/linux/UniqueFd.h"

namespace pankor {

namespace {

bool WriteAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A NUL inside a path would end the system's string early and name another file.
bool HasNul(const std::string& path) noexcept { return path.find('\0') != std::string::npos; }

std::string FolderOf(const std::string& path) {
    const std::size_t p = path.rfind('/');
    if (p == std::string::npos) return ".";
    return p == 0 ? "/" : path.substr(0, p);
}

}  // namespace

FileAttributes LinuxFileSystem::Attributes(const std::string& path) const noexcept {
    struct stat st {};
    if (path.empty() || HasNul(path) || stat(path.c_str(), &st) != 0) return {};
    return {true, S_ISDIR(st.st_mode)};
}

Status LinuxFileSystem::CreateFolder(const std::string& path) noexcept {
    try {
        if (HasNul(path)) return ErrnoFailure(EINVAL);
        if (mkdir(path.c_str(), 0777) != 0) return ErrnoFailure();
        return Status::Ok();
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

Result<DateTime> LinuxFileSystem::FolderCreated(const std::string& path) const noexcept {
    std::time_t when = 0;
    struct statx sx {};
    if (HasNul(path)) return Result<DateTime>::From(ErrnoFailure(EINVAL));
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &sx) != 0)
        return Result<DateTime>::From(ErrnoFailure());
    // Not every file system records a birth time; the change time stands in.
    when = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    std::tm tm{};
    if (localtime_r(&when, &tm) == nullptr) return Result<DateTime>::Fail("the time cannot be read");
    return Result<DateTime>::Of({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

Result<std::vector<FolderEntry>> LinuxFileSystem::ListFolder(const std::string& path) const noexcept {
    using R = Result<std::vector<FolderEntry>>;
    try {
        if (HasNul(path)) return R::From(ErrnoFailure(EINVAL));
        const UniqueDir dir(opendir(path.c_str()));
        if (!dir) return R::From(ErrnoFailure());
        std::vector<FolderEntry> entries;
        while (const dirent* e = readdir(dir.Get())) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            // An entry that vanished between listing and looking is no entry.
            if (fstatat(dirfd(dir.Get()), name.c_str(), &st, 0) != 0) continue;
            entries.push_back({name, S_ISDIR(st.st_mode), static_cast<std::int64_t>(st.st_mtime)});
        }
        return R::Of(std::move(entries));
    } catch (...) {
        return R::Fail("out of memory");
    }
}

Result<Bytes> LinuxFileSystem::ReadFile(const std::string& path) const noexcept {
    try {
        if (HasNul(path)) return Result<Bytes>::From(ErrnoFailure(EINVAL));
        const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd) return Result<Bytes>::From(ErrnoFailure());
        Bytes out;
        std::uint8_t buf[65536];
        while (true) {
            const ssize_t n = read(fd.Get(), buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                return Result<Bytes>::From(ErrnoFailure());
            }
            if (n == 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return Result<Bytes>::Of(std::move(out));
    } catch (...) {
        return Result<Bytes>::Fail("out of memory");
    }
}

namespace {

// Fills a temporary file beside path, flushes it to disk and renames it over
// path; mode applies when path does not exist yet (an existing file keeps its own).
Status ReplaceAtomically(const std::string& path, mode_t mode, const std::function<int(int fd)>& fill) {
    if (HasNul(path)) return ErrnoFailure(EINVAL);
    std::string temp = path + std::string(kTempMarker) + "XXXXXX";
    UniqueFd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (!fd) return ErrnoFailure();
    struct stat old {};
    fchmod(fd.Get(), stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : mode);

    int err = fill(fd.Get());
    if (err == 0 && fsync(fd.Get()) != 0) err = errno;
    if (close(fd.Release()) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        unlink(temp.c_str());
        return ErrnoFailure(err);
    }
    // Make the rename itself durable.
    const UniqueFd dir(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) fsync(dir.Get());
    return Status::Ok();
}

// Copies everything from one descriptor to another; 0 or the errno.
int CopyAll(int from, int to) {
    bool kernelCopy = true;
    for (;;) {
        ssize_t n = 0;
        if (kernelCopy) {
            n = copy_file_range(from, nullptr, to, nullptr, 1u << 30, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;  // not between these file systems: copy through a buffer
                continue;
            }
        } else {
            char buf[65536];
            n = read(from, buf, sizeof buf);
            if (n > 0 && !WriteAll(to, std::string_view(buf, static_cast<std::size_t>(n)))) return errno;
        }
        if (n == 0) return 0;
        if (n < 0 && errno != EINTR) return errno;
    }
}

}  // namespace

Status ReplaceFileAtomically(const std::string& path, std::string_view data) noexcept {
    try {
        return ReplaceAtomically(path, 0644, [&](int fd) { return WriteAll(fd, data) ? 0 : errno; });
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

Status LinuxFileSystem::CopyFile(const std::string& from, const std::string& to) noexcept {
    try {
        if (HasNul(from)) return ErrnoFailure(EINVAL);
        const UniqueFd source(open(from.c_str(), O_RDONLY | O_CLOEXEC));
        if (!source) return ErrnoFailure();
        struct stat st {};
        if (fstat(source.Get(), &st) != 0) return ErrnoFailure();
        if (S_ISDIR(st.st_mode)) return ErrnoFailure(EISDIR);
        return ReplaceAtomically(to, st.st_mode & 0777, [&](int fd) { return CopyAll(source.Get(), fd); });
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

Status LinuxFileSystem::ReplaceFile(const std::string& path, std::string_view data) noexcept {
    return ReplaceFileAtomically(path, data);
}

Status LinuxFileSystem::AppendFile(const std::string& path, const std::string& data) noexcept {
    if (HasNul(path)) return ErrnoFailure(EINVAL);
    const UniqueFd fd(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!fd) return ErrnoFailure();
    if (!WriteAll(fd.Get(), data)) return ErrnoFailure();
    return Status::Ok();
}

Status LinuxFileSystem::DeleteFile(const std::string& path) noexcept {
    if (HasNul(path)) return ErrnoFailure(EINVAL);
    if (unlink(path.c_str()) != 0) return ErrnoFailure();
    return Status::Ok();
}

}  // namespace pankor
