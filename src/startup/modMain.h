#pragma once
// Process entry and the process-wide values every module reads: switches, run
// and data folders, the debug log; plus the start-up module's text encoders.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pankor {

class Pankor;

class modMain {
public:
    explicit modMain(Pankor& app) noexcept : app_(app) {}

    // Runs the start-up sequence. True for the first copy, which then loads
    // its main window; a second copy has handed its request over and ends.
    bool Main() noexcept;

    std::string GetRunDir() const noexcept;
    void DebugLog(std::string_view text) const noexcept;
    void SetBrowserFeatures() noexcept;
    int DpiPercent() const noexcept;
    // A case-insensitive switch anywhere in the raw command line.
    bool HasSwitch(std::string_view name) const noexcept;
    // The executable's file name without folder and extension.
    std::string ExeBaseName() const noexcept;
    // folder + separator + name.
    std::string JoinPath(std::string_view folder, std::string_view name) const;

    bool DebugMode = false;
    std::string RunDir;
    std::string DataDir;
    std::string PendingCommand;
    // Where log lines go instead of debug.log (the publisher's kit prints them).
    std::function<void(std::string_view)> LogSink;

private:
    Pankor& app_;
};

// Escapes a text for a double-quoted JavaScript or JSON string literal.
std::string JsonEscape(std::string_view s);
// Decodes a command argument; nothing when an escape is malformed. Escaped
// bytes are read as UTF-8; an invalid sequence becomes U+FFFD.
std::optional<std::string> UrlDecode(std::string_view s);

}  // namespace pankor
