#include "apps/modIcons.h"

#include "base/Paths.h"
#include "startup/modInstance.h"

namespace pankor {

namespace {
constexpr int kSmCxIcon = 11, kSmCxSmIcon = 49, kSmCySmIcon = 50;
}

IconHandle modIcons::OwnIcon(int width, int height) noexcept {
    return log_.Guard("OwnIcon failed: ", IconHandle{0}, [&]() -> IconHandle {
        const std::string path = OwnExePath(process_, system_.ExecutablePath(), fs_.Separator());
        if (!file_.FileExists(path)) return 0;
        if (const IconHandle h = icons_.ExtractSized(path, width, height); h > 1) return h;
        const IconHandle h = icons_.ExtractDefault(path);
        return h > 1 ? h : 0;
    });
}

IconHandle modIcons::OwnSmallIcon() noexcept {
    return OwnIcon(icons_.SystemMetric(kSmCxSmIcon), icons_.SystemMetric(kSmCySmIcon));
}

IconHandle modIcons::OwnLargeIcon() noexcept {
    const int side = icons_.SystemMetric(kSmCxIcon);  // square, by the width metric
    return OwnIcon(side, side);
}

void modIcons::ReleaseIcon(IconHandle& icon) noexcept {
    if (icon > 1) icons_.Destroy(icon);
    icon = 0;
}

std::string FileUrlOf(const std::string& path) {
    // A POSIX path brings its own leading slash; a network path's two stay.
    const bool posix = !path.empty() && path[0] == '/' && (path.size() < 2 || (path[1] != '/' && path[1] != '\\'));
    std::string url = (posix ? "file://" : "file:///") + path;
    for (char& c : url)
        if (c == '\\') c = '/';
    return url;
}

std::string modIcons::ExtractAppIcon(const std::string& exePath, const std::string& slug) noexcept {
    const auto failed = [&](const std::string& why) { return "ExtractAppIcon(" + slug + ") failed: " + why; };
    return log_.Guard(failed, std::string(), [&]() -> std::string {
        if (!file_.FileExists(exePath)) return {};
        // The slug names a file: anything but a plain one could point outside the icons folder.
        if (!IsPlainSlug(slug)) {
            log_.DebugLog(failed("not a plain slug"));
            return {};
        }
        const Result<std::optional<Bytes>> icon = icons_.RenderFirstIcon(exePath, kAppIconSize, kIconBackground);
        if (!icon.ok()) {
            log_.DebugLog(failed(icon.error()));
            return {};
        }
        if (!icon->has_value()) return {};
        const std::string folder = JoinPath(process_.DataDir, "icons", fs_.Separator());
        file_.EnsureFolder(folder);
        const std::string bmp = JoinPath(folder, slug + ".bmp", fs_.Separator());
        const Bytes& bits = **icon;
        const Status written = fs_.ReplaceFile(bmp, std::string(bits.begin(), bits.end()));
        if (!written.ok()) {
            log_.DebugLog(failed(written.error()));
            return {};
        }
        return file_.FileExists(bmp) ? FileUrlOf(bmp) : std::string();
    });
}

}  // namespace pankor
