#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Win32Windows.h"

#include <atomic>
#include <cstdint>

#include "platform/win32/Win32Text.h"

namespace pankor {

using win32::LastErrorText;
using win32::WidePath;

namespace {

constexpr const char* kBadPath = "The path cannot be used.";

class FileHandle {
public:
    explicit FileHandle(HANDLE h) noexcept : h_(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    bool Valid() const noexcept { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const noexcept { return h_; }
    // Closing can report a failed delayed write, so callers that care check it.
    bool Close() noexcept {
        if (!Valid()) return true;
        const BOOL ok = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE h_;
};

// Large texts go out in pieces: WriteFile takes a 32-bit length.
bool WriteAll(HANDLE file, const std::string& data) noexcept {
    constexpr std::size_t kChunk = 1u << 20;
    for (std::size_t done = 0; done < data.size();) {
        const DWORD want = static_cast<DWORD>(data.size() - done < kChunk ? data.size() - done : kChunk);
        DWORD written = 0;
        if (!::WriteFile(file, data.data() + done, want, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

std::atomic<unsigned long> g_tempCounter{0};

// A file that is open, even by a reader that shares deletion, cannot be
// replaced by a rename. Readers hold files only for the moment of a read,
// so a refused rename is retried for a short while before it counts.
bool MoveOver(const std::wstring& from, const std::wstring& to) noexcept {
    constexpr int kAttempts = 20;
    constexpr DWORD kPauseMs = 50;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        const DWORD target = GetFileAttributesW(to.c_str());
        // Only an open file goes away by waiting; a folder or a read-only file does not.
        const bool mayPass = (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                              error == ERROR_LOCK_VIOLATION) &&
                             target != INVALID_FILE_ATTRIBUTES &&
                             !(target & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
        if (!mayPass || attempt == kAttempts) {
            SetLastError(error);
            return false;
        }
        Sleep(kPauseMs);
    }
}

}  // namespace

FileAttributes Win32FileSystem::Attributes(const std::string& path) const noexcept {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide || wide->empty()) return {};
    const DWORD a = GetFileAttributesW(wide->c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return {};
    return FileAttributes{true, (a & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

Status Win32FileSystem::CreateFolder(const std::string& path) noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return Status::Fail(kBadPath);
        if (!CreateDirectoryW(wide->c_str(), nullptr)) return Status::Fail(LastErrorText());
        return Status::Ok();
    } catch (...) {
        return Status{false, {}};
    }
}

std::optional<DateTime> Win32FileSystem::FolderCreated(const std::string& path) const noexcept {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    // Through SYSTEMTIME so the local offset is the one in force on that
    // date (FileTimeToLocalFileTime would apply today's daylight saving).
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&data.ftCreationTime, &utc)) return std::nullopt;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return std::nullopt;
    return DateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

Result<Bytes> Win32FileSystem::ReadFile(const std::string& path) const noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return Result<Bytes>::Fail(kBadPath);
        // Share everything: a reader must never block a writer's rename or delete.
        FileHandle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return Result<Bytes>::Fail(LastErrorText());

        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size)) return Result<Bytes>::Fail(LastErrorText());
        if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(PTRDIFF_MAX / 2))
            return Result<Bytes>::Fail(win32::ErrorText(ERROR_NOT_ENOUGH_MEMORY));

        // Read to the end rather than to the size seen at open: a shared file may change meanwhile.
        Bytes bytes(static_cast<std::size_t>(size.QuadPart));
        std::size_t used = 0;
        for (;;) {
            if (used == bytes.size()) bytes.resize(bytes.size() + 4096);
            constexpr std::size_t kChunk = 1u << 20;
            const std::size_t room = bytes.size() - used;
            DWORD got = 0;
            if (!::ReadFile(file.Get(), bytes.data() + used, static_cast<DWORD>(room < kChunk ? room : kChunk), &got,
                            nullptr))
                return Result<Bytes>::Fail(LastErrorText());
            if (got == 0) break;
            used += got;
        }
        bytes.resize(used);
        return Result<Bytes>::Of(std::move(bytes));
    } catch (...) {
        return Result<Bytes>{std::nullopt, {}};
    }
}

Status Win32FileSystem::ReplaceFile(const std::string& path, const std::string& data) noexcept {
    try {
        const std::optional<std::wstring> target = WidePath(path);
        if (!target || target->empty()) return Status::Fail(kBadPath);

        // Unique per process and call; CREATE_NEW never reuses a leftover of a
        // process that died, so the next number is tried instead.
        std::wstring temp;
        HANDLE created = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 16 && created == INVALID_HANDLE_VALUE; ++attempt) {
            temp = *target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++g_tempCounter) +
                   L".tmp";
            created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (created == INVALID_HANDLE_VALUE) return Status::Fail(LastErrorText());

        FileHandle file(created);
        bool ok = WriteAll(file.Get(), data) && FlushFileBuffers(file.Get());
        DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (!file.Close() && ok) {
            ok = false;
            error = GetLastError();
        }
        if (ok && !MoveOver(temp, *target)) {
            ok = false;
            error = GetLastError();
        }
        if (!ok) {
            DeleteFileW(temp.c_str());
            return Status::Fail(win32::ErrorText(error));
        }
        return Status::Ok();
    } catch (...) {
        return Status{false, {}};
    }
}

Status Win32FileSystem::AppendFile(const std::string& path, const std::string& data) noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return Status::Fail(kBadPath);
        // Append-only access makes every write land at the current end, also
        // when another process appends to the same file at the same time.
        FileHandle file(CreateFileW(wide->c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return Status::Fail(LastErrorText());
        if (!WriteAll(file.Get(), data)) return Status::Fail(LastErrorText());
        if (!file.Close()) return Status::Fail(LastErrorText());
        return Status::Ok();
    } catch (...) {
        return Status{false, {}};
    }
}

Status Win32FileSystem::DeleteFile(const std::string& path) noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return Status::Fail(kBadPath);
        if (!DeleteFileW(wide->c_str())) return Status::Fail(LastErrorText());
        return Status::Ok();
    } catch (...) {
        return Status{false, {}};
    }
}

}  // namespace pankor
