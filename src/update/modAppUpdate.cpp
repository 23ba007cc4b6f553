#include "update/modAppUpdate.h"

#include <algorithm>

#include "base/Paths.h"

namespace pankor {

std::string modAppUpdate::TempInstallerPath(const std::string& slug) const {
    return JoinPath(d_.environment.Get("TEMP").value_or(""), "Pankor-app-" + slug + ".exe", d_.fs.Separator());
}

void modAppUpdate::UpdateInApp(const std::string& slug) noexcept {
    if (!busySlug_.empty()) return;
    const auto failed = [&](const std::string& why) { return "UpdateInApp " + slug + " error: " + why; };
    if (d_.log.Guard(failed, Outcome::Failed, [&] { return Run(slug); }) != Outcome::Failed) return;
    busySlug_.clear();
    d_.ui.UiUpdateFailed(slug);
}

modAppUpdate::Outcome modAppUpdate::Run(const std::string& slug) {
    const int i = d_.catalog.FindApp(slug);
    if (i < 0) return Outcome::Ignored;
    const CatalogApp& app = d_.catalog.Apps[static_cast<std::size_t>(i)];
    if (app.installed.empty()) return Outcome::Ignored;
    // Copies: the catalog may be reloaded while the download lets messages in.
    const std::string url = app.url, sha = app.sha, name = app.name;

    if (url.empty() || sha.empty()) {
        d_.log.DebugLog("in-app update " + slug + ": no url/sha in catalog, falling back");
        return Outcome::Failed;
    }
    busySlug_ = slug;
    d_.ui.UiBusy(slug, "Downloading " + name + "...");
    d_.log.DebugLog("in-app update " + slug + " <- " + url);

    Bytes bytes;
    const bool fetched = d_.update.FetchPumping(url, bytes, [&](std::uint64_t received, std::uint64_t total) {
        if (total > 0) d_.ui.SetProgress(slug, static_cast<int>(std::min<std::uint64_t>(100, received * 100 / total)));
    });
    d_.ui.SetProgress(slug, -1);
    if (!fetched || bytes.size() < 2) return Outcome::Failed;
    if (bytes[0] != 'M' || bytes[1] != 'Z') {
        d_.log.DebugLog("REFUSED " + slug + " update: not an MZ image");
        return Outcome::Failed;
    }
    const std::string got = d_.hash.KeyedHash(bytes, kInstallerHashKey);
    if (got.empty()) {
        d_.log.DebugLog("REFUSED " + slug + " update: could not hash (no crypto provider)");
        return Outcome::Failed;
    }
    if (!HashEquals(got, sha)) {
        d_.log.DebugLog("REFUSED " + slug + " update: hash mismatch. want=" + sha + " got=" + got);
        return Outcome::Failed;
    }
    d_.log.DebugLog("in-app update " + slug + " hash ok (" + std::to_string(4 * got.size()) + "-bit, " +
                    std::to_string(bytes.size()) + " bytes)");

    const std::string path = TempInstallerPath(slug);
    if (!d_.update.WriteBytes(path, bytes)) return Outcome::Failed;
    Bytes().swap(bytes);  // the installer needs the memory more than we do
    d_.ui.UiBusy(slug, "Installing " + name + "...");
    if (!StillTheVerifiedFile(slug, path, got)) return Outcome::Failed;
    const bool ran = d_.update.RunAndWait("\"" + path + "\" /VERYSILENT /NORESTART");
    (void)d_.fs.DeleteFile(path);  // whether or not it ran; a failure leaves it for the next run to replace
    if (!ran) return Outcome::Failed;

    busySlug_.clear();
    d_.ui.UiBusy(slug, "");
    d_.ui.RefreshRows();
    d_.log.DebugLog("in-app update " + slug + " done");
    return Outcome::Done;
}

// The temporary folder is the user's to write: what runs must be what was
// verified, so the file is read back and hashed again right before its run.
bool modAppUpdate::StillTheVerifiedFile(const std::string& slug, const std::string& path,
                                        const std::string& verified) {
    const Result<Bytes> written = d_.fs.ReadFile(path);
    const std::string again = written.ok() ? d_.hash.KeyedHash(*written, kInstallerHashKey) : std::string();
    if (HashEquals(again, verified)) return true;
    d_.log.DebugLog("REFUSED " + slug + " update: the installer changed after it was written. want=" + verified +
                    " got=" + again);
    (void)d_.fs.DeleteFile(path);
    return false;
}

}  // namespace pankor
