#pragma once
// Scripted HTTP answers, process lists and icons for unit tests.
#include <map>
#include <string>
#include <vector>

#include "platform/IHttp.h"
#include "platform/IIcons.h"
#include "platform/IProcesses.h"

namespace pankor::fakes {

class FakeHttp : public IHttp {
public:
    std::map<std::string, HttpResponse> answers;  // by URL; others fail as unreachable
    std::vector<HttpRequest> requests;

    void Serve(const std::string& url, const std::string& body, int status = 200) {
        HttpResponse r;
        r.status = status;
        r.body.assign(body.begin(), body.end());
        answers[url] = r;
    }
    Result<HttpResponse> Get(const HttpRequest& request) noexcept override {
        requests.push_back(request);
        const auto it = answers.find(request.url);
        if (it == answers.end()) return Result<HttpResponse>::Fail("The server name or address could not be resolved");
        HttpResponse r = it->second;
        if (request.maxBodyBytes != 0 && r.body.size() > request.maxBodyBytes) {
            r.tooLarge = true;
            r.body.clear();
        }
        return Result<HttpResponse>::Of(std::move(r));
    }
};

class FakeProcesses : public IProcesses {
public:
    std::vector<std::string> names;
    bool fail = false;
    bool wine = false;
    Result<std::vector<std::string>> ExecutableNames() noexcept override {
        if (fail) return Result<std::vector<std::string>>::Fail("snapshot failed");
        return Result<std::vector<std::string>>::Of(names);
    }
    bool IsWine() noexcept override { return wine; }
};

class FakeIcons : public IIcons {
public:
    std::map<std::string, Result<std::optional<Bytes>>> rendered;  // by path; others have no icon
    std::map<std::string, IconHandle> sized, byDefault;
    std::vector<IconHandle> destroyed;
    std::vector<std::pair<int, int>> sizesAsked;
    int largeIcon = 32, smallIcon = 16;

    IconHandle ExtractSized(const std::string& path, int w, int h) noexcept override {
        sizesAsked.emplace_back(w, h);
        const auto it = sized.find(path);
        return it == sized.end() ? 0 : it->second;
    }
    IconHandle ExtractDefault(const std::string& path) noexcept override {
        const auto it = byDefault.find(path);
        return it == byDefault.end() ? 1 : it->second;
    }
    void Destroy(IconHandle icon) noexcept override { destroyed.push_back(icon); }
    int SystemMetric(int index) noexcept override {
        return index == 11 ? largeIcon : smallIcon + (index == 50 ? 1 : 0);
    }
    Result<std::optional<Bytes>> RenderFirstIcon(const std::string& path, int, std::uint32_t) noexcept override {
        const auto it = rendered.find(path);
        return it == rendered.end() ? Result<std::optional<Bytes>>::Of(std::nullopt) : it->second;
    }
};

}  // namespace pankor::fakes
