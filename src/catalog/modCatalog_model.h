#pragma once
// The catalog model and how it is read from the catalog's JSON: pure, with no
// look at this machine, so the publisher's kit checks a catalog with it.
#include <string>
#include <vector>

#include "base/Result.h"
#include "core/modJson.h"

namespace pankor {

struct CatalogApp {
    std::string slug, name, desc, exe, latest, page, url, headline, notes, installed, icon, kind, shot, requirements,
        sha;
    // "requirements" is the catalog's "requires" (a reserved word here).
};

struct CatalogSkin {
    std::string name, forApp, author, shot, url;
};

// Apps, then games, in catalog order; the skins; the manager's own release.
struct CatalogModel {
    std::vector<CatalogApp> Apps;
    int AppCount = 0;
    std::vector<CatalogSkin> Skins;
    int SkinCount = 0;
    std::string SelfVersion, SelfUrl, SelfSha;
};

// Refills the model's apps, games and skins from the catalog; entries without
// a slug (skins without a name) are left out, installed and icon stay empty.
// The manager's own release is replaced only when the catalog names one.
void ParseCatalog(const JsonValue& root, CatalogModel& model);

// The catalog's bytes as text: a byte-order mark dropped, invalid UTF-8 replaced.
std::string BytesToUtf8(ByteView bytes);

}  // namespace pankor
