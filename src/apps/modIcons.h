#pragma once
// The manager's own icons for its windows, and each installed app's icon as
// a 64 x 64 bitmap in the data folder for the page.
#include <string>

#include "core/modFile.h"
#include "platform/IIcons.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"

namespace pankor {

inline constexpr int kAppIconSize = 64;
inline constexpr std::uint32_t kIconBackground = 0x0D1119;  // the page's dark card colour

class modIcons {
public:
    modIcons(IIcons& icons, IFileSystem& fs, modFile& file, const ISystem& system, const ProcessValues& process,
             const Log& log) noexcept
        : icons_(icons), fs_(fs), file_(file), system_(system), process_(process), log_(log) {}

    IconHandle OwnIcon(int width, int height) noexcept;
    IconHandle OwnSmallIcon() noexcept;
    IconHandle OwnLargeIcon() noexcept;
    void ReleaseIcon(IconHandle& icon) noexcept;
    // "file:///" address of the app's icon bitmap, or "".
    std::string ExtractAppIcon(const std::string& exePath, const std::string& slug) noexcept;

private:
    IIcons& icons_;
    IFileSystem& fs_;
    modFile& file_;
    const ISystem& system_;
    const ProcessValues& process_;
    const Log& log_;
};

// "file:///" + the path with forward slashes; nothing else is encoded. A
// POSIX path gives "file:///home/…", a Windows network path "file://///srv/…".
std::string FileUrlOf(const std::string& path);

}  // namespace pankor
