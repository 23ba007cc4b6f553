#include "catalog/modCatalog_model.h"

#include "base/Text.h"

namespace pankor {

namespace {

CatalogApp ReadEntry(const JsonValue& e, bool game) {
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
    return a;
}

}  // namespace

void ParseCatalog(const JsonValue& root, CatalogModel& m) {
    m.Apps.clear();
    m.Skins.clear();
    for (const bool game : {false, true}) {
        const JsonValue list = JsonObj(root, game ? "games" : "apps");
        for (int i = 1; i <= JsonCount(list); ++i) {
            CatalogApp a = ReadEntry(JsonItemObj(list, i), game);
            if (!a.slug.empty()) m.Apps.push_back(std::move(a));
        }
    }
    const JsonValue skins = JsonObj(root, "skins");
    for (int i = 1; i <= JsonCount(skins); ++i) {
        const JsonValue e = JsonItemObj(skins, i);
        CatalogSkin s{JsonStr(e, "name"), JsonStr(e, "forApp"), JsonStr(e, "author"), JsonStr(e, "shot"),
                      JsonStr(e, "url")};
        if (!s.name.empty()) m.Skins.push_back(std::move(s));
    }
    m.AppCount = static_cast<int>(m.Apps.size());
    m.SkinCount = static_cast<int>(m.Skins.size());
    const JsonValue self = JsonObj(root, "pankor");
    if (self.kind() == JsonValue::Kind::Object) {
        m.SelfVersion = JsonStr(self, "version");
        m.SelfUrl = JsonStr(self, "url");
        m.SelfSha = JsonStr(self, "sha");
    }
}

std::string BytesToUtf8(ByteView bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark is not text
    return SanitizeUtf8(text);
}

}  // namespace pankor
