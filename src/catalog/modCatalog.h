#pragma once
// The publisher's signed catalog: fetching it, checking it, and the model of
// apps, games, skins and the manager's own release that the rest reads.
#include <optional>
#include <string>
#include <string_view>

#include "apps/modIcons.h"
#include "apps/modProbe.h"
#include "catalog/modCatalog_model.h"
#include "core/modFile.h"
#include "core/modJson.h"
#include "core/modVersion.h"
#include "platform/IEnvironment.h"
#include "platform/IHttp.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"
#include "trust/modSign.h"

namespace pankor {

// Largest answers accepted: a hostile or broken server cannot fill memory.
inline constexpr std::size_t kMaxCatalogBytes = 8u << 20;
inline constexpr std::size_t kMaxSignatureBytes = 64u << 10;

// What the catalog module works with; the application object wires it.
struct CatalogDeps {
    IHttp& http;
    const ISystem& system;
    const IEnvironment& environment;
    const IFileSystem& fs;
    modFile& file;
    modJson& json;
    modSign& sign;
    const modVersion& version;
    modIcons& icons;
    modProbe& probe;
    const ProcessValues& process;
    const Log& log;
};

// Owns the model: every load empties and refills it.
class modCatalog : public CatalogModel {
public:
    explicit modCatalog(const CatalogDeps& deps) noexcept : d_(deps) {}

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

    std::string AppsJson() noexcept;
    std::string SkinsJson() const;
    std::string StatePath() const;
    // APPDATA + the entry's exe (a folder, a separator, the file name).
    std::string ExePath(const CatalogApp& a) const;

private:
    std::string InstalledVersion(const CatalogApp& a) const;

    CatalogDeps d_;
    std::string publisherBase_;
    std::string publisherHost_;
};

struct PublisherAddress {
    std::string base;  // scheme://host[:port][/path], no trailing slash
    std::string host;  // the host name alone, as users know it
};
// An https:// address, or http:// on a loopback host; nothing (and the reason) otherwise.
std::optional<PublisherAddress> ParsePublisherAddress(std::string_view url, std::string& why);

}  // namespace pankor
