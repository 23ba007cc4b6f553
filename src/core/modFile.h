#pragma once
// File tests, whole-file text writes, and the flat key=value files
// (state.ini, telemetry.ini, an app's options.ini).
#include <optional>
#include <string>
#include <string_view>

#include "platform/DateTime.h"
#include "platform/IFileSystem.h"
#include "platform/ISystem.h"
#include "startup/Log.h"

namespace pankor {

class modFile {
public:
    modFile(IFileSystem& fs, const ISystem& system, const Log& log) noexcept : fs_(fs), system_(system), log_(log) {}

    bool FileExists(const std::string& path) const noexcept;
    bool DirExists(const std::string& path) const noexcept;
    void EnsureFolder(const std::string& path) noexcept;
    DateTime DirCreated(const std::string& path) const noexcept;
    // Replaces the file atomically: a failed write leaves the old content.
    void WriteTextFile(const std::string& path, std::string_view text) noexcept;
    std::string IniRead(const std::string& path, std::string_view key, const std::string& defaultValue) const noexcept;
    void IniWrite(const std::string& path, std::string_view key, std::string_view value) noexcept;
    // A text file in the ANSI code page on Windows, as UTF-8.
    Result<std::string> ReadTextFile(const std::string& path) const noexcept;
    // Deletes what writers killed in the middle of a replace left in the
    // folder, once it is old enough not to be in use. Quiet.
    void RemoveLeftoverTempFiles(const std::string& folder) noexcept;

private:
    IFileSystem& fs_;
    const ISystem& system_;
    const Log& log_;
};

// The key-file rules on text already read: the first matching entry's value,
// or nothing when no entry has the key.
std::optional<std::string> IniLookup(std::string_view text, std::string_view key);
// The whole file text after setting key to value.
std::string IniRewrite(std::string_view text, std::string_view key, std::string_view value);

}  // namespace pankor
