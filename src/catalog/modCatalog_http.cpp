// Fetching from the publisher's server, and where that server is.
#include "base/Loopback.h"
#include "base/Switches.h"
#include "base/Text.h"
#include "catalog/PublisherDefault.h"
#include "catalog/modCatalog.h"
#include "core/PankorVersion.h"

namespace pankor {

namespace {

HttpRequest PublisherRequest(const std::string& url, std::size_t maxBytes) {
    HttpRequest r;
    r.url = url;
    r.headers = {{"User-Agent", UserAgent()},
                 {"Cache-Control", "no-cache"},
                 {"Pragma", "no-cache"}};
    r.maxBodyBytes = maxBytes;
    return r;
}

}  // namespace

std::optional<PublisherAddress> ParsePublisherAddress(std::string_view url, std::string& why) {
    std::string_view rest;
    bool https = false;
    if (StartsWithNoCase(url, "https://")) {
        https = true;
        rest = url.substr(8);
    } else if (StartsWithNoCase(url, "http://")) {
        rest = url.substr(7);
    } else {
        why = "not an https:// address";
        return std::nullopt;
    }
    while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    if (authority.find_first_of("@?#\\ ") != std::string_view::npos ||
        rest.find_first_of("?# ") != std::string_view::npos) {
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
    d_.log.Guard("ConfigurePublisher failed: ", [&] {
        std::string why;
        const auto fallback = ParsePublisherAddress(kPublisherDefault, why);
        publisherBase_ = fallback ? fallback->base : kPublisherDefault;
        publisherHost_ = fallback ? fallback->host : std::string();

        const std::optional<std::string> value = SwitchWord(d_.system.CommandLine(), "/publisher=");
        if (!value) return;
        if (UsePublisher(*value, why))
            d_.log.DebugLog("publisher " + publisherBase_);
        else
            d_.log.DebugLog("REFUSED /publisher= " + *value + " : " + why + "; keeping " + publisherBase_);
    });
}

bool modCatalog::UsePublisher(std::string_view url, std::string& why) noexcept {
    return d_.log.Guard("UsePublisher failed: ", false, [&] {
        const auto chosen = ParsePublisherAddress(url, why);
        if (!chosen) return false;
        publisherBase_ = chosen->base;
        publisherHost_ = chosen->host;
        return true;
    });
}

std::string modCatalog::CatalogUrl() const {
    return (publisherBase_.empty() ? std::string(kPublisherDefault) : publisherBase_) + "/pankor/catalog.json";
}

std::string modCatalog::SignatureUrl() const { return CatalogUrl() + ".sig"; }

std::string modCatalog::HttpGet(const std::string& url) noexcept {
    const auto failed = [&](const std::string& why) { return "HttpGet failed " + url + " : " + why; };
    return d_.log.Guard(failed, std::string(), [&]() -> std::string {
        const Result<HttpResponse> r = d_.http.Get(PublisherRequest(url, kMaxSignatureBytes));
        if (!r.ok()) {
            d_.log.DebugLog(failed(r.error()));
            return {};
        }
        if (r->tooLarge) {
            d_.log.DebugLog("HttpGet " + url + " too large: more than " + std::to_string(kMaxSignatureBytes) +
                            " bytes");
            return {};
        }
        if (r->status != 200) return {};
        return std::string(r->body.begin(), r->body.end());
    });
}

bool modCatalog::HttpGetBytes(const std::string& url, Bytes& out) noexcept {
    const auto failed = [&](const std::string& why) { return "HttpGetBytes failed " + url + " : " + why; };
    return d_.log.Guard(failed, false, [&] {
        Result<HttpResponse> r = d_.http.Get(PublisherRequest(url, kMaxCatalogBytes));
        if (!r.ok()) {
            d_.log.DebugLog(failed(r.error()));
            return false;
        }
        if (r->tooLarge) {
            d_.log.DebugLog("HttpGetBytes " + url + " too large: more than " + std::to_string(kMaxCatalogBytes) +
                            " bytes");
            return false;
        }
        if (r->status != 200) {
            d_.log.DebugLog("HttpGetBytes " + url + " status " + std::to_string(r->status));
            return false;
        }
        out = std::move(r->body);
        return !out.empty();
    });
}

}  // namespace pankor
