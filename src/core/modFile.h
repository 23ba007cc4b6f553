#pragma once
// File tests, whole-file text writes, and the flat key=value files
// (state.ini, telemetry.ini, an app's options.ini).
#include <optional>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace pankor {

class Pankor;

class modFile {
public:
    explicit modFile(Pankor& app) noexcept : app_(app) {}

    bool FileExists(const std::string& path) const noexcept;
    bool DirExists(const std::string& path) const noexcept;
    void EnsureFolder(const std::string& path) noexcept;
    DateTime DirCreated(const std::string& path) const noexcept;
    // Replaces the file atomically: a failed write leaves the old content.
    void WriteTextFile(const std::string& path, std::string_view text) noexcept;
    std::string IniRead(const std::string& path, std::string_view key, const std::string& defaultValue) const noexcept;
    void IniWrite(const std::string& path, std::string_view key, std::string_view value) noexcept;
    std::string ParentFolder(const std::string& path) const;

private:
    Pankor& app_;
};

// The key-file rules on text already read: the first matching entry's value,
// or nothing when no entry has the key.
std::optional<std::string> IniLookup(std::string_view text, std::string_view key);
// The whole file text after setting key to value.
std::string IniRewrite(std::string_view text, std::string_view key, std::string_view value);

}  // namespace pankor
