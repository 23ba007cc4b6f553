#include "update/modSelfUpdate.h"

#include <algorithm>

#include "base/Paths.h"

namespace pankor {

std::string modSelfUpdate::StagedInstallerPath(const std::string& version) const {
    std::string digits = version;
    std::erase(digits, '.');
    return JoinPath(d_.environment.Get("TEMP").value_or(""), "Pankor-update-" + digits + ".exe", d_.fs.Separator());
}

bool modSelfUpdate::StageSelfUpdate(const std::string& url, const std::string& version) noexcept {
    return d_.log.Guard("StageSelfUpdate error: ", false, [&] {
        if (url.empty()) return false;
        const std::string path = StagedInstallerPath(version);

        HttpRequest request;
        request.url = url;
        request.headers = {{"User-Agent", UserAgent()}};
        request.resolveTimeoutMs = 8000;
        request.connectTimeoutMs = 8000;
        request.sendTimeoutMs = 8000;
        request.receiveTimeoutMs = 120000;
        request.maxBodyBytes = d_.update.Limits().maxDownloadBytes;
        // Blocking: no message runs until the download has ended.
        const Result<HttpResponse> answer = d_.http.Send(request);
        if (!answer.ok()) {
            d_.log.DebugLog("StageSelfUpdate error: " + answer.error());
            return false;
        }
        if (answer->tooLarge) {
            d_.log.DebugLog("self-update download too large: more than " +
                            std::to_string(d_.update.Limits().maxDownloadBytes) + " bytes");
            return false;
        }
        if (answer->status != 200) {
            d_.log.DebugLog("self-update download status " + std::to_string(answer->status));
            return false;
        }
        const Bytes& bytes = answer->body;
        if (bytes.size() < 2) return false;
        if (bytes[0] != 'M' || bytes[1] != 'Z') {
            d_.log.DebugLog("REFUSED self-update: not an MZ image");
            return false;
        }
        const std::string want = d_.catalog.SelfSha;
        if (want.empty()) {
            d_.log.DebugLog("REFUSED self-update: catalog carried no hash");
            return false;
        }
        const std::string got = d_.hash.KeyedHash(bytes, kInstallerHashKey);
        if (got.empty()) {
            d_.log.DebugLog("REFUSED self-update: could not hash (no crypto provider)");
            return false;
        }
        if (!HashEquals(got, want)) {
            d_.log.DebugLog("REFUSED self-update: hash mismatch. want=" + want + " got=" + got);
            return false;
        }
        d_.log.DebugLog("self-update hash ok (" + std::to_string(4 * got.size()) + "-bit)");

        const Status saved =
            d_.fs.ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!saved.ok()) {
            d_.log.DebugLog("StageSelfUpdate error: " + saved.error());
            return false;
        }
        stagedPath_ = path;
        stagedHash_ = got;
        d_.log.DebugLog("self-update staged: " + path + " (" + std::to_string(bytes.size()) + " bytes)");
        return true;
    });
}

void modSelfUpdate::ApplyStagedUpdate() noexcept {
    d_.log.Guard("ApplyStagedUpdate error: ", [&] {
        if (stagedPath_.empty() || !d_.file.FileExists(stagedPath_)) return;
        // Hours may have passed in a folder the user can write: run only the
        // file that was verified, and forget a staging that no longer holds.
        const Result<Bytes> staged = d_.fs.ReadFile(stagedPath_);
        const std::string got = staged.ok() ? d_.hash.KeyedHash(*staged, kInstallerHashKey) : std::string();
        if (!HashEquals(got, stagedHash_)) {
            d_.log.DebugLog("REFUSED self-update: the staged installer changed after it was verified. want=" +
                            stagedHash_ + " got=" + got);
            (void)d_.fs.DeleteFile(stagedPath_);  // a file we cannot delete is still never run
            stagedPath_.clear();
            stagedHash_.clear();
            return;
        }
        d_.log.DebugLog("applying self-update: " + stagedPath_);
        const Result<std::unique_ptr<IProcess>> started =
            d_.processes.Start("\"" + stagedPath_ + "\" /VERYSILENT /NORESTART /RELAUNCH=/tray", true);
        if (!started.ok()) d_.log.DebugLog("ApplyStagedUpdate error: " + started.error());
        // The installer is not waited for: it takes over from here.
        const std::int64_t start = d_.system.MonotonicMs();
        for (;;) {
            d_.pump.Pump();
            const std::int64_t elapsed = d_.system.MonotonicMs() - start;
            if (elapsed >= kApplyHandOverMs) break;
            d_.system.SleepMs(static_cast<int>(std::min<std::int64_t>(20, kApplyHandOverMs - elapsed)));
        }
    });
}

}  // namespace pankor
