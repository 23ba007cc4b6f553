#include "catalog/modCatalog.h"

#include <cmath>

#include "base/Paths.h"
#include "base/Text.h"

namespace pankor {

std::string modCatalog::StatePath() const { return JoinPath(d_.process.DataDir, "state.ini", d_.fs.Separator()); }

std::string modCatalog::ExePath(const CatalogApp& a) const {
    // The catalog writes Windows paths; other hosts use their own separator.
    std::string relative = a.exe;
    for (char& c : relative)
        if (c == '\\') c = d_.fs.Separator();
    return JoinPath(d_.environment.Get("APPDATA").value_or(""), relative, d_.fs.Separator());
}

std::string modCatalog::InstalledVersion(const CatalogApp& a) const {
    return a.exe.empty() ? std::string() : d_.version.FileVersion(ExePath(a));
}

bool modCatalog::LoadCatalog() noexcept {
    return d_.log.Guard("LoadCatalog error: ", false, [&] {
        Apps.clear();
        Skins.clear();
        AppCount = SkinCount = 0;

        Bytes bytes;
        if (!HttpGetBytes(CatalogUrl(), bytes)) return false;
        const std::string signature = HttpGet(SignatureUrl());
        if (!d_.sign.VerifyCatalogSig(bytes, signature)) {
            d_.log.DebugLog("catalog REFUSED: signature did not verify");
            return false;
        }
        const std::string text = BytesToUtf8(bytes);
        if (text.empty()) return false;
        const JsonValue root = d_.json.JsonParseObject(text);
        if (!d_.json.JsonError().empty()) {
            d_.log.DebugLog("LoadCatalog error: " + d_.json.JsonError());
            return false;
        }
        if (!d_.json.JsonOk() || root.kind() == JsonValue::Kind::Empty) {
            d_.log.DebugLog("catalog did not parse");
            return false;
        }

        const double serial = LenientNumber(JsonStr(root, "serial"));
        const double seen = LenientNumber(d_.file.IniRead(StatePath(), "catalogserial", "0"));
        if (serial < seen) {
            d_.log.DebugLog("catalog REFUSED: serial " + NumberText(serial) + " is older than the " + NumberText(seen) +
                            " already seen");
            return false;
        }
        if (serial > seen) d_.file.IniWrite(StatePath(), "catalogserial", NumberText(std::nearbyint(serial)));

        ParseCatalog(root, *this);
        for (CatalogApp& a : Apps) {
            a.installed = InstalledVersion(a);
            // Games get their icons from the next refresh, as they are installed.
            if (a.kind != "game" && !a.installed.empty()) a.icon = d_.icons.ExtractAppIcon(ExePath(a), a.slug);
        }
        d_.log.DebugLog("catalog loaded apps=" + std::to_string(AppCount) + " skins=" + std::to_string(SkinCount));
        return AppCount >= 1;
    });
}

bool modCatalog::RefreshInstalled() noexcept {
    bool changed = false;
    d_.log.Guard("RefreshInstalled failed: ", [&] {
        for (CatalogApp& a : Apps) {
            const std::string before = a.installed;
            if (!a.exe.empty()) {
                a.installed = InstalledVersion(a);
                if (!a.installed.empty() && a.icon.empty()) a.icon = d_.icons.ExtractAppIcon(ExePath(a), a.slug);
            }
            changed = changed || a.installed != before;
        }
    });
    return changed;
}

int modCatalog::FindApp(std::string_view slug) const noexcept {
    for (int i = 0; i < AppCount; ++i)
        if (!slug.empty() && EqualsNoCase(Apps[static_cast<std::size_t>(i)].slug, slug)) return i;
    return -1;
}

}  // namespace pankor
