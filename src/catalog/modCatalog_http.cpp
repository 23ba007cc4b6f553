// Fetching from the publisher's server, and where that server is.
#include "catalog/PublisherDefault.h"
#include "catalog/modCatalog.h"
#include "core/PankorVersion.h"
#include "core/Text.h"
#include "startup/Pankor.h"

namespace pankor {

namespace {

HttpRequest PublisherRequest(const std::string& url, std::size_t maxBytes) {
    HttpRequest r;
    r.url = url;
    r.headers = {{"User-Agent", "Pankor/" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor)},
                 {"Cache-Control", "no-cache"},
                 {"Pragma", "no-cache"}};
    r.maxBodyBytes = maxBytes;
    return r;
}

bool IsLoopbackHost(std::string_view host) {
    return host == "127.0.0.1" || EqualsNoCase(host, "localhost") || host == "[::1]";
}

}  // namespace

std::optional<PublisherAddress> ParsePublisherAddress(std::string_view url, std::string& why) {
    std::string_view rest;
    bool https = false;
    if (FindNoCase(url, "https://") == 0) {
        https = true;
        rest = url.substr(8);
    } else if (FindNoCase(url, "http://") == 0) {
        rest = url.substr(7);
    } else {
        why = "not an https:// address";
        return std::nullopt;
    }
    while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    if (authority.find_first_of("@?#\\ ") != std::string_view::npos || rest.find_first_of("?# ") != std::string_view::npos) {
        why = "an address with credentials, a query or blanks";
        return std::nullopt;
    }
    std::string_view host = authority;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) {
            why = "a malformed host";
            return std::nullopt;
        }
        host = host.substr(0, close + 1);
    } else {
        host = host.substr(0, host.find(':'));
    }
    const std::string_view port = authority.substr(host.size());
    if (host.empty() || (!port.empty() && (port.size() < 2 || port.front() != ':' ||
                                           port.find_first_not_of("0123456789", 1) != std::string_view::npos))) {
        why = "a malformed host or port";
        return std::nullopt;
    }
    if (!https && !IsLoopbackHost(host)) {
        why = "plain http:// is only for loopback hosts";
        return std::nullopt;
    }
    return PublisherAddress{(https ? "https://" : "http://") + std::string(rest), std::string(host)};
}

void modCatalog::ConfigurePublisher() noexcept {
    try {
        std::string why;
        const auto fallback = ParsePublisherAddress(kPublisherDefault, why);
        publisherBase_ = fallback ? fallback->base : kPublisherDefault;
        publisherHost_ = fallback ? fallback->host : std::string();

        const std::string line = app_.platform.system.CommandLine();
        static constexpr std::string_view kSwitch = "/publisher=";
        const std::size_t at = FindNoCase(line, kSwitch);
        if (at == std::string::npos) return;
        std::string value = line.substr(at + kSwitch.size());
        value = value.substr(0, value.find(' '));
        std::erase(value, '"');
        if (UsePublisher(value, why)) {
            app_.main.DebugLog("publisher " + publisherBase_);
        } else {
            app_.main.DebugLog("REFUSED /publisher= " + value + " : " + why + "; keeping " + publisherBase_);
        }
    } catch (...) {
    }
}

bool modCatalog::UsePublisher(std::string_view url, std::string& why) noexcept {
    try {
        const auto chosen = ParsePublisherAddress(url, why);
        if (!chosen) return false;
        publisherBase_ = chosen->base;
        publisherHost_ = chosen->host;
        return true;
    } catch (...) {
        why = "out of memory";
        return false;
    }
}

std::string modCatalog::CatalogUrl() const {
    return (publisherBase_.empty() ? std::string(kPublisherDefault) : publisherBase_) + "/pankor/catalog.json";
}

std::string modCatalog::SignatureUrl() const { return CatalogUrl() + ".sig"; }

std::string modCatalog::HttpGet(const std::string& url) noexcept {
    try {
        const HttpResponse r = app_.platform.http.Get(PublisherRequest(url, kMaxSignatureBytes));
        if (!r.transportOk) {
            app_.main.DebugLog("HttpGet failed " + url + " : " + r.error);
            return {};
        }
        if (r.tooLarge) {
            app_.main.DebugLog("HttpGet " + url + " too large: more than " + std::to_string(kMaxSignatureBytes) + " bytes");
            return {};
        }
        if (r.status != 200) return {};
        return std::string(r.body.begin(), r.body.end());
    } catch (...) {
        app_.main.DebugLog("HttpGet failed " + url + " : out of memory");
        return {};
    }
}

bool modCatalog::HttpGetBytes(const std::string& url, Bytes& out) noexcept {
    try {
        HttpResponse r = app_.platform.http.Get(PublisherRequest(url, kMaxCatalogBytes));
        if (!r.transportOk) {
            app_.main.DebugLog("HttpGetBytes failed " + url + " : " + r.error);
            return false;
        }
        if (r.tooLarge) {
            app_.main.DebugLog("HttpGetBytes " + url + " too large: more than " + std::to_string(kMaxCatalogBytes) +
                               " bytes");
            return false;
        }
        if (r.status != 200) {
            app_.main.DebugLog("HttpGetBytes " + url + " status " + std::to_string(r.status));
            return false;
        }
        out = std::move(r.body);
        return !out.empty();
    } catch (...) {
        app_.main.DebugLog("HttpGetBytes failed " + url + " : out of memory");
        return false;
    }
}

std::string BytesToUtf8(ByteView bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark is not text
    return SanitizeUtf8(text);
}

}  // namespace pankor
