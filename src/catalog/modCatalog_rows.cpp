// The app and skin rows the page draws its cards from. The text must be the
// same for an unchanged model: the live check compares it with the last sent.
#include "base/Paths.h"
#include "catalog/modCatalog.h"
#include "startup/Encoders.h"

namespace pankor {

std::string modCatalog::AppsJson() noexcept {
    return d_.log.Guard("AppsJson failed: ", std::string("[]"), [&] {
        d_.probe.SnapshotProcesses();
        std::string out = "[";
        for (int i = 0; i < AppCount; ++i) {
            const CatalogApp& a = Apps[static_cast<std::size_t>(i)];
            const bool running = !a.installed.empty() && !a.exe.empty() && d_.probe.IsRunning(FileNameOf(a.exe));
            if (i > 0) out += ',';
            out += "{\"slug\":\"" + JsonEscape(a.slug) + "\",\"name\":\"" + JsonEscape(a.name) + "\",\"desc\":\"" +
                   JsonEscape(a.desc) + "\",\"installed\":\"" + JsonEscape(a.installed) + "\",\"latest\":\"" +
                   JsonEscape(a.latest) + "\",\"headline\":\"" + JsonEscape(a.headline) +
                   "\",\"running\":" + (running ? "true" : "false") + ",\"icon\":\"" + JsonEscape(a.icon) +
                   "\",\"kind\":\"" + JsonEscape(a.kind) + "\",\"shot\":\"" + JsonEscape(a.shot) +
                   "\",\"requires\":\"" + JsonEscape(a.requirements) + "\"}";
        }
        return out + "]";
    });
}

std::string modCatalog::SkinsJson() const {
    std::string out = "[";
    for (int i = 0; i < SkinCount; ++i) {
        const CatalogSkin& s = Skins[static_cast<std::size_t>(i)];
        if (i > 0) out += ',';
        out += "{\"name\":\"" + JsonEscape(s.name) + "\",\"forApp\":\"" + JsonEscape(s.forApp) + "\",\"author\":\"" +
               JsonEscape(s.author) + "\",\"shot\":\"" + JsonEscape(s.shot) + "\",\"url\":\"" + JsonEscape(s.url) +
               "\"}";
    }
    return out + "]";
}

}  // namespace pankor
