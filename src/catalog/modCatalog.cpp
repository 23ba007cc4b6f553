#include "catalog/modCatalog.h"

#include <cmath>

#include "core/Text.h"
#include "startup/Pankor.h"

namespace pankor {

std::string modCatalog::StatePath() const { return app_.main.JoinPath(app_.main.DataDir, "state.ini"); }

std::string modCatalog::ExePath(const CatalogApp& a) const {
    // The catalog writes Windows paths; other hosts use their own separator.
    std::string relative = a.exe;
    for (char& c : relative)
        if (c == '\\') c = app_.platform.fs.Separator();
    return app_.main.JoinPath(app_.platform.environment.Get("APPDATA").value_or(""), relative);
}

std::string modCatalog::InstalledVersion(const CatalogApp& a) const {
    return a.exe.empty() ? std::string() : app_.version.FileVersion(ExePath(a));
}

CatalogApp modCatalog::ReadEntry(const JsonValue& e, bool game) const {
    CatalogApp a;
    a.slug = JsonStr(e, "slug");
    a.name = JsonStr(e, "name");
    a.desc = JsonStr(e, "desc");
    a.exe = JsonStr(e, "exe");
    a.latest = JsonStr(e, "latest");
    a.page = JsonStr(e, "page");
    a.url = JsonStr(e, "url");
    a.headline = JsonStr(e, "headline");
    a.notes = JsonStr(e, "notes");
    a.sha = JsonStr(e, "sha");
    if (game) {
        a.kind = "game";
        a.shot = JsonStr(e, "shot");
        a.requirements = JsonStr(e, "requires");
    }
    a.installed = InstalledVersion(a);
    return a;
}

void modCatalog::FillModel(const JsonValue& root) {
    for (const bool game : {false, true}) {
        const JsonValue list = JsonObj(root, game ? "games" : "apps");
        for (int i = 1; i <= JsonCount(list); ++i) {
            CatalogApp a = ReadEntry(JsonItemObj(list, i), game);
            if (a.slug.empty()) continue;  // a dropped entry leaves nothing behind
            // Games get their icons from the next refresh, as they are installed.
            if (!game && !a.installed.empty())
                a.icon = app_.icons.ExtractAppIcon(ExePath(a), a.slug);
            Apps.push_back(std::move(a));
            AppCount = static_cast<int>(Apps.size());
        }
    }
    const JsonValue skins = JsonObj(root, "skins");
    for (int i = 1; i <= JsonCount(skins); ++i) {
        const JsonValue e = JsonItemObj(skins, i);
        CatalogSkin s{JsonStr(e, "name"), JsonStr(e, "forApp"), JsonStr(e, "author"), JsonStr(e, "shot"), JsonStr(e, "url")};
        if (s.name.empty()) continue;
        Skins.push_back(std::move(s));
        SkinCount = static_cast<int>(Skins.size());
    }
    const JsonValue self = JsonObj(root, "pankor");
    if (self.kind() == JsonValue::Kind::Object) {
        SelfVersion = JsonStr(self, "version");
        SelfUrl = JsonStr(self, "url");
        SelfSha = JsonStr(self, "sha");
    }
}

bool modCatalog::LoadCatalog() noexcept {
    try {
        Apps.clear();
        Skins.clear();
        AppCount = SkinCount = 0;

        Bytes bytes;
        if (!HttpGetBytes(CatalogUrl(), bytes)) return false;
        const std::string signature = HttpGet(SignatureUrl());
        if (!app_.sign.VerifyCatalogSig(bytes, signature)) {
            app_.main.DebugLog("catalog REFUSED: signature did not verify");
            return false;
        }
        const std::string text = BytesToUtf8(bytes);
        if (text.empty()) return false;
        const JsonValue root = app_.json.JsonParseObject(text);
        if (!app_.json.JsonError().empty()) {
            app_.main.DebugLog("LoadCatalog error: " + app_.json.JsonError());
            return false;
        }
        if (!app_.json.JsonOk() || root.kind() == JsonValue::Kind::Empty) {
            app_.main.DebugLog("catalog did not parse");
            return false;
        }

        const double serial = LenientNumber(JsonStr(root, "serial"));
        const double seen = LenientNumber(app_.file.IniRead(StatePath(), "catalogserial", "0"));
        if (serial < seen) {
            app_.main.DebugLog("catalog REFUSED: serial " + NumberText(serial) + " is older than the " +
                               NumberText(seen) + " already seen");
            return false;
        }
        if (serial > seen) app_.file.IniWrite(StatePath(), "catalogserial", NumberText(std::nearbyint(serial)));

        FillModel(root);
        app_.main.DebugLog("catalog loaded apps=" + std::to_string(AppCount) + " skins=" + std::to_string(SkinCount));
        return AppCount >= 1;
    } catch (const std::exception& e) {
        app_.main.DebugLog(std::string("LoadCatalog error: ") + e.what());
    } catch (...) {
        app_.main.DebugLog("LoadCatalog error: unknown error");
    }
    return false;
}

bool modCatalog::RefreshInstalled() noexcept {
    bool changed = false;
    try {
        for (int i = 0; i < AppCount; ++i) {
            CatalogApp& a = Apps[static_cast<std::size_t>(i)];
            const std::string before = a.installed;
            if (!a.exe.empty()) {
                a.installed = InstalledVersion(a);
                if (!a.installed.empty() && a.icon.empty())
                    a.icon = app_.icons.ExtractAppIcon(ExePath(a), a.slug);
            }
            changed = changed || a.installed != before;
        }
    } catch (...) {
    }
    return changed;
}

int modCatalog::FindApp(std::string_view slug) const noexcept {
    for (int i = 0; i < AppCount; ++i)
        if (!slug.empty() && EqualsNoCase(Apps[static_cast<std::size_t>(i)].slug, slug)) return i;
    return -1;
}

}  // namespace pankor
