#pragma once
// The publisher's signed catalog: fetching it, checking it, and the model of
// apps, games, skins and the manager's own release that the rest reads.
#include <string>
#include <string_view>
#include <vector>

#include "core/modJson.h"
#include "platform/ICrypto.h"

namespace pankor {

class Pankor;

struct CatalogApp {
    std::string slug, name, desc, exe, latest, page, url, headline, notes, installed, icon, kind, shot, requirements, sha;
    // "requirements" is the catalog's "requires" (a reserved word here).
};

struct CatalogSkin {
    std::string name, forApp, author, shot, url;
};

// Largest answers accepted: a hostile or broken server cannot fill memory.
inline constexpr std::size_t kMaxCatalogBytes = 8u << 20;
inline constexpr std::size_t kMaxSignatureBytes = 64u << 10;

class modCatalog {
public:
    explicit modCatalog(Pankor& app) noexcept : app_(app) {}

    // Publisher address: the build's default, or a "/publisher=" override.
    void ConfigurePublisher() noexcept;
    // Uses this address when it is acceptable; false (and the reason) otherwise.
    bool UsePublisher(std::string_view url, std::string& why) noexcept;
    const std::string& PublisherBase() const noexcept { return publisherBase_; }
    const std::string& PublisherHost() const noexcept { return publisherHost_; }
    std::string CatalogUrl() const;
    std::string SignatureUrl() const;

    std::string HttpGet(const std::string& url) noexcept;
    bool HttpGetBytes(const std::string& url, Bytes& out) noexcept;

    bool LoadCatalog() noexcept;
    bool RefreshInstalled() noexcept;
    int FindApp(std::string_view slug) const noexcept;
    // Fills the model from a parsed catalog (the apps, games, skins and
    // "pankor" steps of a load); also what the publisher's kit checks with.
    void FillModel(const JsonValue& root);

    std::string AppsJson() noexcept;
    std::string SkinsJson() const;
    std::string StatePath() const;

    std::vector<CatalogApp> Apps;
    int AppCount = 0;
    std::vector<CatalogSkin> Skins;
    int SkinCount = 0;
    std::string SelfVersion, SelfUrl, SelfSha;

private:
    std::string ExePath(const CatalogApp& a) const;
    std::string InstalledVersion(const CatalogApp& a) const;
    CatalogApp ReadEntry(const JsonValue& entry, bool game) const;

    Pankor& app_;
    std::string publisherBase_;
    std::string publisherHost_;
};

std::string BytesToUtf8(ByteView bytes);
std::string FileNameOf(std::string_view path);

struct PublisherAddress {
    std::string base;  // scheme://host[:port][/path], no trailing slash
    std::string host;  // the host name alone, as users know it
};
// An https:// address, or http:// on a loopback host; nothing (and the reason) otherwise.
std::optional<PublisherAddress> ParsePublisherAddress(std::string_view url, std::string& why);

}  // namespace pankor
