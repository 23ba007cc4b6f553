#include "platform/linux/LinuxFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/PosixError.h"

namespace pankor {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& data) {
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

std::string FolderOf(const std::string& path) {
    const std::size_t p = path.rfind('/');
    if (p == std::string::npos) return ".";
    return p == 0 ? "/" : path.substr(0, p);
}

}  // namespace

FileAttributes LinuxFileSystem::Attributes(const std::string& path) const noexcept {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) return {};
    return {true, S_ISDIR(st.st_mode)};
}

Status LinuxFileSystem::CreateFolder(const std::string& path) noexcept {
    try {
        if (mkdir(path.c_str(), 0777) != 0) return Status::Fail(ErrnoText());
        return Status::Ok();
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

std::optional<DateTime> LinuxFileSystem::FolderCreated(const std::string& path) const noexcept {
    std::time_t when = 0;
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &sx) != 0) return std::nullopt;
    // Not every file system records a birth time; the change time stands in.
    when = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    std::tm tm{};
    if (localtime_r(&when, &tm) == nullptr) return std::nullopt;
    return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

Result<Bytes> LinuxFileSystem::ReadFile(const std::string& path) const noexcept {
    try {
        Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) return Result<Bytes>::Fail(ErrnoText());
        Bytes out;
        std::uint8_t buf[65536];
        while (true) {
            const ssize_t n = read(fd.get(), buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                return Result<Bytes>::Fail(ErrnoText());
            }
            if (n == 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return Result<Bytes>::Of(std::move(out));
    } catch (...) {
        return Result<Bytes>::Fail("out of memory");
    }
}

Status ReplaceFileAtomically(const std::string& path, const std::string& data) noexcept {
    try {
        std::string temp = path + ".tmp-XXXXXX";
        Fd fd(mkostemp(temp.data(), O_CLOEXEC));
        if (fd.get() < 0) return Status::Fail(ErrnoText());
        struct stat old {};
        // Keep the permissions of the file being replaced; new files get the usual ones.
        fchmod(fd.get(), stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

        int err = 0;
        if (!WriteAll(fd.get(), data) || fsync(fd.get()) != 0) err = errno;
        if (close(fd.release()) != 0 && err == 0) err = errno;
        if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
        if (err != 0) {
            unlink(temp.c_str());
            return Status::Fail(ErrnoText(err));
        }
        // Make the rename itself durable.
        Fd dir(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0) fsync(dir.get());
        return Status::Ok();
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

Status LinuxFileSystem::ReplaceFile(const std::string& path, const std::string& data) noexcept {
    return ReplaceFileAtomically(path, data);
}

Status LinuxFileSystem::AppendFile(const std::string& path, const std::string& data) noexcept {
    Fd fd(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0) return Status::Fail(ErrnoText());
    if (!WriteAll(fd.get(), data)) return Status::Fail(ErrnoText());
    return Status::Ok();
}

Status LinuxFileSystem::DeleteFile(const std::string& path) noexcept {
    if (unlink(path.c_str()) != 0) return Status::Fail(ErrnoText());
    return Status::Ok();
}

}  // namespace pankor
