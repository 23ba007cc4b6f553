// check: reads a catalog with the manager's own reader and model, shows what
// the manager would make of it, and warns about what would quietly go wrong.
#include <cstdio>
#include <exception>
#include <map>
#include <vector>

#include "Publish.h"
#include "base/Loopback.h"
#include "base/Text.h"
#include "catalog/modCatalog.h"
#include "catalog/modCatalog_model.h"
#include "core/modJson.h"
#include "startup/modInstance.h"

namespace pankor::publish {

namespace {

constexpr const char* kCheckUsage =
    "usage: pankor-publish check CATALOG [--strict]\n"
    "  Reads CATALOG with the manager's own JSON reader and catalog model and\n"
    "  prints what the manager would show: the serial, the apps, games and\n"
    "  skins, and the manager's own release. Then it warns about entries the\n"
    "  manager drops, repeated or unusable slugs, apps that cannot be updated\n"
    "  in place, versions that do not compare as dotted numbers, malformed\n"
    "  \"sha\" values, an \"exe\" that is absolute or climbs out with \"..\",\n"
    "  installer addresses that are not https (http:// on this machine\n"
    "  aside), a byte-order mark and invalid UTF-8.\n"
    "  Exit code 0 when the manager can read it (1 with --strict when there\n"
    "  are warnings), 1 when it cannot, 2 on bad usage.\n";

// Gathered while checking, printed after the summary.
class Warnings {
public:
    void Add(const std::string& text) { lines_.push_back(text); }
    int Count() const noexcept { return static_cast<int>(lines_.size()); }
    void Print() const {
        for (const auto& line : lines_) std::printf("warning: %s\n", line.c_str());
    }

private:
    std::vector<std::string> lines_;
};

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string Label(const CatalogApp& a) { return (a.kind == "game" ? "game " : "app ") + Quoted(a.slug); }

// What the manager compares part by part: every part must begin with a digit,
// or it silently counts as 0.
bool IsDottedVersion(std::string_view v) {
    for (std::size_t start = 0;;) {
        const std::size_t dot = v.find('.', start);
        if (start >= v.size() || v[start] < '0' || v[start] > '9') return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

bool IsHash(std::string_view sha) {
    sha = TrimSpaces(sha);  // the manager's comparison trims blanks too
    if (sha.size() != 64) return false;
    for (char c : sha)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

// An exe the manager would look for outside the application-data folder, or
// outside the app's own folder in it; "" when it stays inside.
std::string ExeEscape(std::string_view exe) {
    if (!exe.empty() && (exe[0] == '\\' || exe[0] == '/')) return "is absolute";
    if (exe.size() >= 2 && exe[1] == ':') return "is absolute";
    for (std::size_t start = 0; start <= exe.size();) {
        std::size_t end = exe.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = exe.size();
        if (exe.substr(start, end - start) == "..") return "climbs out of its folder with \"..\"";
        start = end + 1;
    }
    return {};
}

// Installers come over https; plain http only from this machine, for tests.
bool IsSecureInstallerUrl(std::string_view url) {
    if (StartsWithNoCase(url, "https://")) return true;
    if (!StartsWithNoCase(url, "http://")) return false;
    std::string_view host = url.substr(7);
    host = host.substr(0, host.find_first_of("/?#"));
    if (!host.empty() && host.front() == '[')
        host = host.substr(0, host.find(']') + 1);
    else
        host = host.substr(0, host.find(':'));
    return IsLoopbackHost(host);
}

void CheckEncoding(const std::string& bytes, Warnings& w) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) w.Add("the file starts with a UTF-8 byte-order mark; save it without one");
    const std::string clean = SanitizeUtf8(bytes);
    if (clean != bytes) {
        std::size_t at = 0;
        while (at < bytes.size() && at < clean.size() && bytes[at] == clean[at]) ++at;
        w.Add("invalid UTF-8 at byte " + std::to_string(at) + ": the manager shows such text garbled");
    }
}

// Entries the model leaves out without a word: they are only visible here.
void CheckDropped(const JsonValue& root, Warnings& w) {
    struct Section {
        const char* key;
        const char* required;
    };
    for (const Section s : {Section{"apps", "slug"}, Section{"games", "slug"}, Section{"skins", "name"}}) {
        const JsonValue& member = JsonMember(root, s.key);
        if (member.kind() == JsonValue::Kind::Empty) continue;
        if (member.kind() != JsonValue::Kind::Array) {
            w.Add(Quoted(s.key) + " is not an array: the manager reads no entry from it");
            continue;
        }
        const int count = JsonCount(member);
        for (int i = 1; i <= count; ++i) {
            const JsonValue& item = JsonItem(member, i);
            const std::string where = std::string(s.key) + " #" + std::to_string(i);
            if (item.kind() != JsonValue::Kind::Object)
                w.Add(where + " is not an object: the manager drops it");
            else if (JsonStr(item, s.required).empty())
                w.Add(where + " has no " + Quoted(s.required) + ": the manager drops it");
        }
    }
}

void CheckApps(const CatalogModel& catalog, Warnings& w) {
    std::map<std::string, const CatalogApp*> seen;
    for (int i = 0; i < catalog.AppCount; ++i) {
        const CatalogApp& a = catalog.Apps[static_cast<std::size_t>(i)];
        const auto [first, fresh] = seen.emplace(LowerAscii(a.slug), &a);
        if (!fresh)
            w.Add(Label(a) + " has the slug of " + Label(*first->second) +
                  " before it: the manager only ever finds the first");
        if (!IsPlainSlug(a.slug))
            w.Add(Label(a) +
                  ": the slug is not plain (letters, digits and '-', at most 32): it can never be "
                  "handed an \"/installed=\" request");
        if (const std::string why = ExeEscape(a.exe); !why.empty())
            w.Add(Label(a) + ": \"exe\" " + Quoted(a.exe) + " " + why +
                  ": it must name a folder and a file inside the application-data folder");
        if (!a.url.empty() && !IsSecureInstallerUrl(a.url))
            w.Add(Label(a) + ": the installer \"url\" " + Quoted(a.url) + " is not https");
        if (a.url.empty() || a.sha.empty())
            w.Add(Label(a) + " has no " +
                  (a.url.empty() && a.sha.empty() ? "\"url\" and no \"sha\""
                   : a.url.empty()                ? "\"url\""
                                                  : "\"sha\"") +
                  ": it cannot be updated in place");
        if (!a.latest.empty() && !IsDottedVersion(a.latest))
            w.Add(Label(a) + ": \"latest\" " + Quoted(a.latest) +
                  " does not compare as a dotted version (every part must start with a digit)");
        if (!a.sha.empty() && !IsHash(a.sha))
            w.Add(Label(a) + ": \"sha\" is not 64 hexadecimal digits, so no installer will ever match it");
    }
}

void CheckSelf(const CatalogModel& catalog, Warnings& w) {
    if (!catalog.SelfUrl.empty() && !IsSecureInstallerUrl(catalog.SelfUrl))
        w.Add("\"pankor\": the installer \"url\" " + Quoted(catalog.SelfUrl) + " is not https");
    if (!catalog.SelfVersion.empty() && !IsDottedVersion(catalog.SelfVersion))
        w.Add("\"pankor\": \"version\" " + Quoted(catalog.SelfVersion) +
              " does not compare as a dotted version (every part must start with a digit)");
    if (!catalog.SelfSha.empty() && !IsHash(catalog.SelfSha))
        w.Add("\"pankor\": \"sha\" is not 64 hexadecimal digits, so no installer will ever match it");
}

void Show(const JsonValue& root, const CatalogModel& catalog) {
    const std::string serial = JsonStr(root, "serial");
    std::printf("serial: %s\n", serial.empty() ? "none (counts as 0)" : NumberText(LenientNumber(serial)).c_str());
    int games = 0;
    for (int i = 0; i < catalog.AppCount; ++i)
        if (catalog.Apps[static_cast<std::size_t>(i)].kind == "game") ++games;
    std::printf("apps: %d, games: %d, skins: %d\n", catalog.AppCount - games, games, catalog.SkinCount);
    for (int i = 0; i < catalog.AppCount; ++i) {
        const CatalogApp& a = catalog.Apps[static_cast<std::size_t>(i)];
        std::printf("  %-5s %-20s %s, latest %s\n", a.kind == "game" ? "game" : "app", a.slug.c_str(),
                    Quoted(a.name).c_str(), a.latest.empty() ? "none" : a.latest.c_str());
    }
    for (int i = 0; i < catalog.SkinCount; ++i) {
        const CatalogSkin& s = catalog.Skins[static_cast<std::size_t>(i)];
        std::printf("  skin  %s for %s\n", Quoted(s.name).c_str(),
                    s.forApp.empty() ? "no app" : Quoted(s.forApp).c_str());
    }
    if (catalog.SelfVersion.empty() && catalog.SelfUrl.empty() && catalog.SelfSha.empty()) {
        std::printf("pankor: none\n");
        return;
    }
    std::printf("pankor: version %s\n        url %s\n        sha %s\n",
                catalog.SelfVersion.empty() ? "none" : catalog.SelfVersion.c_str(),
                catalog.SelfUrl.empty() ? "none" : catalog.SelfUrl.c_str(),
                catalog.SelfSha.empty() ? "none" : catalog.SelfSha.c_str());
}

}  // namespace

int Check(const Args& args) {
    if (WantsHelp(args)) return Help(kCheckUsage);
    std::string path;
    bool strict = false;
    for (const auto& a : args) {
        if (a == "--strict")
            strict = true;
        else if (path.empty() && !a.empty() && a.rfind("--", 0) != 0)
            path = a;
        else
            return Usage(kCheckUsage);
    }
    if (path.empty()) return Usage(kCheckUsage);

    try {
        std::string bytes;
        if (!ReadWholeFile(path, bytes)) return Fail("cannot read " + path);
        if (bytes.empty()) return Fail(path + " is empty: the manager never accepts an empty catalog");
        if (bytes.size() > kMaxCatalogBytes)
            return Fail(path + " is " + std::to_string(bytes.size()) + " bytes; the manager refuses more than " +
                        std::to_string(kMaxCatalogBytes));

        std::printf("catalog: %s (%zu bytes)\n", path.c_str(), bytes.size());
        Warnings w;
        CheckEncoding(bytes, w);
        const std::string text =
            BytesToUtf8(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        modJson json;
        const JsonValue root = json.JsonParseObject(text);
        if (!json.JsonOk() || !root.IsContainer()) {
            w.Print();
            const std::string& why = json.JsonError();
            return Fail(path + (why.empty() ? " does not parse as JSON" : " does not parse: " + why) +
                        ", so the manager loads nothing from it");
        }
        // The catalog as published: nothing of this machine is looked at.
        CatalogModel catalog;
        ParseCatalog(root, catalog);
        Show(root, catalog);

        if (root.kind() != JsonValue::Kind::Object)
            w.Add("the top level is not an object: the manager reads nothing from it");
        CheckDropped(root, w);
        if (catalog.AppCount == 0) w.Add("no app or game: the manager treats the catalog check as failed");
        CheckApps(catalog, w);
        CheckSelf(catalog, w);

        w.Print();
        const int n = w.Count();
        if (n == 0) {
            std::printf("no warnings\n");
            return 0;
        }
        std::printf("%d warning%s%s\n", n, n == 1 ? "" : "s", strict ? " (--strict: failed)" : "");
        return strict ? 1 : 0;
    } catch (const std::exception& e) {
        return Fail("check failed: " + std::string(e.what()));
    }
}

}  // namespace pankor::publish
