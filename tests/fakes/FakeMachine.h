#pragma once
// Scripted HTTP answers, processes and icons for unit tests.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Quiet.h"
#include "platform/IHttp.h"
#include "platform/IIcons.h"
#include "platform/IProcesses.h"

namespace pankor::fakes {

class FakeHttp : public IHttp {
public:
    std::map<std::string, HttpResponse> answers;   // by URL; others fail as unreachable
    std::map<std::string, std::string> failures;   // by URL: the transport failure's text
    std::map<std::string, int> waitsBeforeAnswer;  // by URL: Wait calls until the answer is complete
    std::vector<HttpRequest> requests;

    void Serve(const std::string& url, const std::string& body, int status = 200) {
        answers[url] = {.status = status, .tooLarge = false, .headers = {}, .body = Bytes(body.begin(), body.end())};
    }
    std::unique_ptr<IHttpTransfer> Begin(const HttpRequest& request) noexcept override {
        requests.push_back(request);
        const auto waits = waitsBeforeAnswer.find(request.url);
        return std::make_unique<Transfer>(*this, request, waits == waitsBeforeAnswer.end() ? 0 : waits->second);
    }

private:
    class Transfer : public IHttpTransfer {
    public:
        Transfer(FakeHttp& http, HttpRequest request, int waits)
            : http_(http), request_(std::move(request)), waitsLeft_(waits) {}

        bool Wait(int) noexcept override {
            if (waitsLeft_ <= 0) return finished_ = true;
            --waitsLeft_;
            ++waited_;
            return false;
        }
        HttpProgress Progress() const noexcept override {
            if (!http_.answers.count(request_.url)) return {};
            const std::uint64_t size = http_.answers.at(request_.url).body.size();
            const std::uint64_t steps = static_cast<std::uint64_t>(waited_ + waitsLeft_);
            return {finished_ || steps == 0 ? size : size * static_cast<std::uint64_t>(waited_) / steps, size};
        }
        Result<HttpResponse> Take() noexcept override {
            if (!finished_) return Result<HttpResponse>::Fail("the transfer has not finished");
            if (const auto f = http_.failures.find(request_.url); f != http_.failures.end())
                return Result<HttpResponse>::Fail(f->second, 12002);
            if (!http_.answers.count(request_.url))
                return Result<HttpResponse>::Fail("The server name or address could not be resolved", 12007);
            HttpResponse r = http_.answers.at(request_.url);
            if (request_.maxBodyBytes != 0 && r.body.size() > request_.maxBodyBytes) {
                r.tooLarge = true;
                r.body.clear();
            }
            return Result<HttpResponse>::Of(std::move(r));
        }

    private:
        FakeHttp& http_;
        HttpRequest request_;
        int waitsLeft_;
        int waited_ = 0;
        bool finished_ = false;
    };
};

class FakeProcesses : public IProcesses {
public:
    struct Started {
        std::string commandLine;
        bool hidden;
    };
    std::vector<std::string> names;
    bool fail = false;
    std::vector<Started> started;
    std::string startFailure;                         // when set, Start fails with this text
    int waitsUntilExit = 0;                           // WaitExit calls before a started program ends; -1: never
    std::function<void(const std::string&)> onStart;  // runs as a program starts (an installer's work)
    std::vector<std::string> opened;
    std::string openFailure;  // when set, OpenUrl fails with this text

    Result<std::vector<std::string>> ExecutableNames() noexcept override {
        const Quiet quiet;
        if (fail) return Result<std::vector<std::string>>::Fail("snapshot failed");
        return Result<std::vector<std::string>>::Of(names);
    }
    bool IsWine() noexcept override { return false; }
    Result<std::unique_ptr<IProcess>> Start(const std::string& commandLine, bool hidden) noexcept override {
        using R = Result<std::unique_ptr<IProcess>>;
        if (!startFailure.empty()) return R::Fail(startFailure, 2);
        started.push_back({commandLine, hidden});
        if (onStart) onStart(commandLine);
        return R::Of(std::make_unique<Process>(waitsUntilExit, static_cast<std::uint32_t>(1000 + started.size())));
    }
    Status OpenUrl(const std::string& url) noexcept override {
        if (!openFailure.empty()) return Status::Fail(openFailure, 2);
        opened.push_back(url);
        return Status::Ok();
    }

private:
    class Process : public IProcess {
    public:
        Process(int waits, std::uint32_t id) : waits_(waits), id_(id) {}
        bool WaitExit(int) noexcept override {
            if (waits_ == 0) return true;
            if (waits_ > 0) --waits_;
            return false;
        }
        std::uint32_t Id() const noexcept override { return id_; }

    private:
        int waits_;
        std::uint32_t id_;
    };
};

class FakeIcons : public IIcons {
public:
    std::map<std::string, Result<std::optional<Bytes>>> rendered;  // by path; others have no icon
    std::map<std::string, IconHandle> sized, byDefault;
    std::vector<IconHandle> destroyed;
    std::vector<std::pair<int, int>> sizesAsked;
    int largeIcon = 32;

    IconHandle ExtractSized(const std::string& path, int w, int h) noexcept override {
        sizesAsked.emplace_back(w, h);
        return sized.count(path) ? sized.at(path) : 0;
    }
    IconHandle ExtractDefault(const std::string& path) noexcept override {
        return byDefault.count(path) ? byDefault.at(path) : 1;
    }
    void Destroy(IconHandle icon) noexcept override { destroyed.push_back(icon); }
    int SystemMetric(int index) noexcept override { return index == 11 ? largeIcon : 16 + (index == 50 ? 1 : 0); }
    Result<std::optional<Bytes>> RenderFirstIcon(const std::string& path, int, std::uint32_t) noexcept override {
        return rendered.count(path) ? rendered.at(path) : Result<std::optional<Bytes>>::Of(std::nullopt);
    }
};

}  // namespace pankor::fakes
