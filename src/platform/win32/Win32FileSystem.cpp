#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Win32Windows.h"

#include <atomic>
#include <cstdint>

#include "base/TempFiles.h"
#include "base/UniqueHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Time.h"

namespace pankor {

using win32::CloseChecked;
using win32::ErrorFailure;
using win32::LastErrorFailure;
using win32::OutOfMemory;
using win32::UniqueFile;
using win32::WidePath;

namespace {

// A path the wide calls cannot take (a NUL inside, or text that does not convert).
Status BadPath() { return Status::Fail("The path cannot be used.", ERROR_INVALID_NAME); }

struct FindTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { FindClose(h); }
};
using UniqueFind = UniqueHandle<FindTraits>;

// Large texts go out in pieces: WriteFile takes a 32-bit length.
bool WriteAll(HANDLE file, std::string_view data) noexcept {
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

// "<target>.tmp-<pid>-<n>": unique per process and call, and the name
// start-up sweeps when a writer died.
std::wstring NextTempName(const std::wstring& target) {
    const std::wstring marker(kTempMarker.begin(), kTempMarker.end());
    return target + marker + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++g_tempCounter);
}

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
        const bool mayPass =
            (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) &&
            target != INVALID_FILE_ATTRIBUTES && !(target & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
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
        if (!wide) return BadPath();
        if (!CreateDirectoryW(wide->c_str(), nullptr)) return LastErrorFailure();
        return Status::Ok();
    } catch (...) {
        return OutOfMemory();
    }
}

Result<DateTime> Win32FileSystem::FolderCreated(const std::string& path) const noexcept {
    using R = Result<DateTime>;
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide || wide->empty()) return R::From(BadPath());
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) return R::From(LastErrorFailure());
        // Through SYSTEMTIME so the local offset is the one in force on that
        // date (FileTimeToLocalFileTime would apply today's daylight saving).
        SYSTEMTIME utc{}, local{};
        if (!FileTimeToSystemTime(&data.ftCreationTime, &utc)) return R::From(LastErrorFailure());
        if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return R::From(LastErrorFailure());
        return R::Of(DateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond});
    } catch (...) {
        return R::From(OutOfMemory());
    }
}

Result<std::vector<FolderEntry>> Win32FileSystem::ListFolder(const std::string& path) const noexcept {
    using R = Result<std::vector<FolderEntry>>;
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide || wide->empty()) return R::From(BadPath());
        std::wstring pattern = *wide;
        if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
        pattern += L'*';

        std::vector<FolderEntry> entries;
        WIN32_FIND_DATAW found{};
        // The standard level and no flags: the basic level and large fetches
        // are missing from older Windows versions.
        const UniqueFind find(
            FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0));
        if (!find) {
            const DWORD error = GetLastError();
            // A drive root has no "." entry, so an empty one matches nothing.
            const DWORD a = GetFileAttributesW(wide->c_str());
            if (error == ERROR_FILE_NOT_FOUND && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
                return R::Of(std::move(entries));
            return R::From(ErrorFailure(error));
        }
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::optional<std::string> utf8 = win32::FromWide(name);
            if (!utf8) return R::From(OutOfMemory());  // names are short: only memory can run out
            entries.push_back({std::move(*utf8), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               win32::UnixSeconds(found.ftLastWriteTime)});
        } while (FindNextFileW(find.Get(), &found));
        if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) return R::From(ErrorFailure(error));
        return R::Of(std::move(entries));
    } catch (...) {
        return R::From(OutOfMemory());
    }
}

Result<Bytes> Win32FileSystem::ReadFile(const std::string& path) const noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return Result<Bytes>::From(BadPath());
        // Share everything: a reader must never block a writer's rename or delete.
        const UniqueFile file(CreateFileW(wide->c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Result<Bytes>::From(LastErrorFailure());

        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size)) return Result<Bytes>::From(LastErrorFailure());
        if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(PTRDIFF_MAX / 2))
            return Result<Bytes>::From(ErrorFailure(ERROR_NOT_ENOUGH_MEMORY));

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
                return Result<Bytes>::From(LastErrorFailure());
            if (got == 0) break;
            used += got;
        }
        bytes.resize(used);
        return Result<Bytes>::Of(std::move(bytes));
    } catch (...) {
        return Result<Bytes>::From(OutOfMemory());
    }
}

Status Win32FileSystem::ReplaceFile(const std::string& path, std::string_view data) noexcept {
    try {
        const std::optional<std::wstring> target = WidePath(path);
        if (!target || target->empty()) return BadPath();

        // CREATE_NEW never reuses a leftover of a process that died, so the
        // next number is tried instead.
        std::wstring temp;
        UniqueFile file;
        for (int attempt = 0; attempt < 16 && !file; ++attempt) {
            temp = NextTempName(*target);
            file.Reset(
                CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (!file) return LastErrorFailure();

        bool ok = WriteAll(file.Get(), data) && FlushFileBuffers(file.Get());
        DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (!CloseChecked(file) && ok) {
            ok = false;
            error = GetLastError();
        }
        if (ok && !MoveOver(temp, *target)) {
            ok = false;
            error = GetLastError();
        }
        if (!ok) {
            DeleteFileW(temp.c_str());  // best effort: a leftover is swept at a later start
            return ErrorFailure(error);
        }
        return Status::Ok();
    } catch (...) {
        return OutOfMemory();
    }
}

Status Win32FileSystem::AppendFile(const std::string& path, const std::string& data) noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return BadPath();
        // Append-only access makes every write land at the current end, also
        // when another process appends to the same file at the same time.
        UniqueFile file(CreateFileW(wide->c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return LastErrorFailure();
        if (!WriteAll(file.Get(), data)) return LastErrorFailure();
        if (!CloseChecked(file)) return LastErrorFailure();
        return Status::Ok();
    } catch (...) {
        return OutOfMemory();
    }
}

Status Win32FileSystem::DeleteFile(const std::string& path) noexcept {
    try {
        const std::optional<std::wstring> wide = WidePath(path);
        if (!wide) return BadPath();
        if (!DeleteFileW(wide->c_str())) return LastErrorFailure();
        return Status::Ok();
    } catch (...) {
        return OutOfMemory();
    }
}

Status Win32FileSystem::CopyFile(const std::string& from, const std::string& to) noexcept {
    try {
        const std::optional<std::wstring> source = WidePath(from);
        const std::optional<std::wstring> target = WidePath(to);
        if (!source || !target || source->empty() || target->empty()) return BadPath();

        std::wstring temp;
        bool copied = false;
        for (int attempt = 0; attempt < 16 && !copied; ++attempt) {
            temp = NextTempName(*target);
            copied = CopyFileW(source->c_str(), temp.c_str(), TRUE) != FALSE;
            if (!copied && GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (!copied) return LastErrorFailure();

        // The copy is on disk before it takes the target's name. A read-only
        // source made a read-only copy, which cannot be opened to flush it.
        const DWORD attributes = GetFileAttributesW(temp.c_str());
        const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
        if (readOnly) SetFileAttributesW(temp.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        UniqueFile written(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
        bool ok = written && FlushFileBuffers(written.Get());
        DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (!CloseChecked(written) && ok) {
            ok = false;
            error = GetLastError();
        }
        if (readOnly) SetFileAttributesW(temp.c_str(), attributes);
        if (ok && !MoveOver(temp, *target)) {
            ok = false;
            error = GetLastError();
        }
        if (!ok) {
            SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only source made a read-only copy
            DeleteFileW(temp.c_str());
            return ErrorFailure(error);
        }
        return Status::Ok();
    } catch (...) {
        return OutOfMemory();
    }
}

}  // namespace pankor
