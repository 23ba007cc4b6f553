#pragma once
// The manager's own icons for its windows, and each installed app's icon as
// a 64 x 64 bitmap in the data folder for the page.
#include <string>

#include "platform/IIcons.h"

namespace pankor {

class Pankor;

inline constexpr int kAppIconSize = 64;
inline constexpr std::uint32_t kIconBackground = 0x0D1119;  // the page's dark card colour

class modIcons {
public:
    explicit modIcons(Pankor& app) noexcept : app_(app) {}

    IconHandle OwnIcon(int width, int height) noexcept;
    IconHandle OwnSmallIcon() noexcept;
    IconHandle OwnLargeIcon() noexcept;
    void ReleaseIcon(IconHandle& icon) noexcept;
    // "file:///" address of the app's icon bitmap, or "".
    std::string ExtractAppIcon(const std::string& exePath, const std::string& slug) noexcept;

private:
    Pankor& app_;
};

// "file:///" + the path with forward slashes; nothing else is encoded.
std::string FileUrlOf(const std::string& path);

}  // namespace pankor
