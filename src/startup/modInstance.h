#pragma once
// One running copy per session: the named lock, and the handoff file through
// which a later start passes its request to the running copy.
#include <optional>
#include <string>
#include <string_view>

#include "core/modFile.h"
#include "platform/DateTime.h"
#include "platform/IInstanceLock.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"

namespace pankor {

inline constexpr const char* kInstanceMutexName = "Local\\Pankor.SingleInstance.v1";
inline constexpr int kHandoffMaxAgeSeconds = 30;

// What a handoff line says once read against the current time.
struct HandoffLine {
    bool valid = false;  // false: no separator, or nothing before it
    bool fresh = false;  // at most kHandoffMaxAgeSeconds old (or unreadable stamp)
    long long ageSeconds = 0;
    std::string command;  // trimmed when fresh; as written otherwise
};

class modInstance {
public:
    modInstance(IInstanceLock& lock, ISystem& system, IFileSystem& fs, modFile& file, const ProcessValues& process,
                const Log& log) noexcept
        : lock_(lock), system_(system), fs_(fs), file_(file), process_(process), log_(log) {}

    bool AcquireMutex() noexcept;
    std::string HandoffPath() const noexcept;
    std::string ParseInstalledArg() const noexcept;
    void PostHandoff(std::string_view command) noexcept;
    std::string TakeHandoff() noexcept;

private:
    IInstanceLock& lock_;
    ISystem& system_;
    IFileSystem& fs_;
    modFile& file_;
    const ProcessValues& process_;
    const Log& log_;
    // A handoff file that could be read but not deleted: taken once, then
    // passed over while it still says the same.
    std::string undeletable_;
};

bool IsPlainSlug(std::string_view s) noexcept;
std::string FormatHandoffLine(const DateTime& now, std::string_view command);
HandoffLine ParseHandoffLine(std::string_view line, const DateTime& now);
// Reads "yyyy-mm-dd hh:nn:ss"; nothing when the text is not such a stamp.
std::optional<DateTime> ParseStamp(std::string_view text) noexcept;

}  // namespace pankor
