#include "update/modUpdate.h"

#include <memory>

#include "base/Text.h"
#include "core/modVersion.h"

namespace pankor {

bool modUpdate::FetchPumping(const std::string& url, Bytes& bytes, const DownloadProgress& progress) noexcept {
    const auto failed = [&](const std::string& why) { return "FetchPumping " + url + ": " + why; };
    return d_.log.Guard(failed, false, [&] {
        HttpRequest request;
        request.url = url;
        request.headers = {{"User-Agent", UserAgent()}};
        request.resolveTimeoutMs = 8000;
        request.connectTimeoutMs = 8000;
        request.sendTimeoutMs = 30000;
        request.receiveTimeoutMs = 300000;
        request.maxBodyBytes = limits_.maxDownloadBytes;
        const std::unique_ptr<IHttpTransfer> transfer = d_.http.Begin(request);
        if (!transfer) {
            d_.log.DebugLog(failed("out of memory"));
            return false;
        }

        const std::int64_t start = d_.system.MonotonicMs();
        std::int64_t reported = start;
        bool arrived = false;
        for (;;) {
            arrived = transfer->Wait(kFetchPollMs);
            d_.pump.Pump();
            const std::int64_t now = d_.system.MonotonicMs();
            if (progress && now - reported >= kProgressEveryMs) {
                reported = now;
                const HttpProgress p = transfer->Progress();
                progress(p.received, p.total);
            }
            if (arrived || now - start > limits_.fetchMs) break;
        }
        if (!arrived) {
            d_.log.DebugLog("FetchPumping timed out: " + url);
            return false;  // dropping the transfer abandons it
        }

        Result<HttpResponse> answer = transfer->Take();
        if (!answer.ok()) {
            // A client time-out of its own at the limit is the same time-out.
            if (d_.system.MonotonicMs() - start >= limits_.fetchMs)
                d_.log.DebugLog("FetchPumping timed out: " + url);
            else
                d_.log.DebugLog(failed(answer.error()));
            return false;
        }
        if (answer->tooLarge) {
            d_.log.DebugLog("FetchPumping " + url + " too large: more than " +
                            std::to_string(limits_.maxDownloadBytes) + " bytes");
            return false;
        }
        if (answer->status != 200) {
            d_.log.DebugLog("FetchPumping " + url + " status " + std::to_string(answer->status));
            return false;
        }
        bytes = std::move(answer->body);
        return !bytes.empty();
    });
}

bool modUpdate::WriteBytes(const std::string& path, ByteView bytes) noexcept {
    const auto failed = [&](const std::string& why) { return "WriteBytes " + path + ": " + why; };
    return d_.log.Guard(failed, false, [&] {
        const Status written =
            d_.fs.ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!written.ok()) {
            d_.log.DebugLog(failed(written.error()));
            return false;
        }
        return true;
    });
}

bool modUpdate::RunAndWait(const std::string& commandLine) noexcept {
    return d_.log.Guard("RunAndWait: ", false, [&] {
        const Result<std::unique_ptr<IProcess>> started = d_.processes.Start(commandLine, true);
        if (!started.ok()) {
            d_.log.DebugLog("RunAndWait: " + started.error());
            return false;
        }
        // The exit code is not looked at: ended, or waited for long enough.
        const std::int64_t start = d_.system.MonotonicMs();
        while (!(*started)->WaitExit(kRunPollMs)) {
            d_.pump.Pump();
            if (d_.system.MonotonicMs() - start > limits_.runMs) break;
        }
        return true;
    });
}

void modUpdate::OpenUrl(const std::string& url) noexcept {
    d_.log.Guard("OpenUrl error: ", [&] {
        if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) {
            d_.log.DebugLog("refused non-http url: " + FirstCharacters(url, 120));
            return;
        }
        if (const Status opened = d_.processes.OpenUrl(url); !opened.ok())
            d_.log.DebugLog("OpenUrl " + url + ": " + opened.error());
    });
}

}  // namespace pankor
