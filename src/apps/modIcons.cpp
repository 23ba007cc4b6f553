#include "apps/modIcons.h"

#include "startup/Pankor.h"
#include "startup/modInstance.h"

namespace pankor {

namespace {
constexpr int kSmCxIcon = 11, kSmCxSmIcon = 49, kSmCySmIcon = 50;
}

IconHandle modIcons::OwnIcon(int width, int height) noexcept {
    try {
        const std::string path = app_.main.JoinPath(app_.main.RunDir, app_.main.ExeBaseName() + ".exe");
        if (!app_.file.FileExists(path)) return 0;
        if (const IconHandle h = app_.platform.icons.ExtractSized(path, width, height); h > 1) return h;
        const IconHandle h = app_.platform.icons.ExtractDefault(path);
        return h > 1 ? h : 0;
    } catch (...) {
        return 0;
    }
}

IconHandle modIcons::OwnSmallIcon() noexcept {
    return OwnIcon(app_.platform.icons.SystemMetric(kSmCxSmIcon), app_.platform.icons.SystemMetric(kSmCySmIcon));
}

IconHandle modIcons::OwnLargeIcon() noexcept {
    const int side = app_.platform.icons.SystemMetric(kSmCxIcon);  // square, by the width metric
    return OwnIcon(side, side);
}

void modIcons::ReleaseIcon(IconHandle& icon) noexcept {
    if (icon > 1) app_.platform.icons.Destroy(icon);
    icon = 0;
}

std::string FileUrlOf(const std::string& path) {
    std::string url = "file:///" + path;
    for (char& c : url)
        if (c == '\\') c = '/';
    // A POSIX path already starts with its own slash.
    if (url.compare(0, 9, "file:////") == 0) url.erase(7, 1);
    return url;
}

std::string modIcons::ExtractAppIcon(const std::string& exePath, const std::string& slug) noexcept {
    try {
        if (!app_.file.FileExists(exePath)) return {};
        // The slug names a file: anything but a plain one could point outside the icons folder.
        if (!IsPlainSlug(slug)) {
            app_.main.DebugLog("ExtractAppIcon(" + slug + ") failed: not a plain slug");
            return {};
        }
        const RenderedIcon icon = app_.platform.icons.RenderFirstIcon(exePath, kAppIconSize, kIconBackground);
        if (!icon.error.empty()) {
            app_.main.DebugLog("ExtractAppIcon(" + slug + ") failed: " + icon.error);
            return {};
        }
        if (!icon.hasIcon) return {};
        const std::string folder = app_.main.JoinPath(app_.main.DataDir, "icons");
        app_.file.EnsureFolder(folder);
        const std::string bmp = app_.main.JoinPath(folder, slug + ".bmp");
        const Status written = app_.platform.fs.ReplaceFile(bmp, std::string(icon.bmp.begin(), icon.bmp.end()));
        if (!written.ok) {
            app_.main.DebugLog("ExtractAppIcon(" + slug + ") failed: " + written.error);
            return {};
        }
        return app_.file.FileExists(bmp) ? FileUrlOf(bmp) : std::string();
    } catch (const std::exception& e) {
        app_.main.DebugLog("ExtractAppIcon(" + slug + ") failed: " + e.what());
    } catch (...) {
        app_.main.DebugLog("ExtractAppIcon(" + slug + ") failed: unknown error");
    }
    return {};
}

}  // namespace pankor
