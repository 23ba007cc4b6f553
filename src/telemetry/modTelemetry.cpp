#include "telemetry/modTelemetry.h"

#include <cmath>
#include <limits>

#include "base/Paths.h"
#include "base/Text.h"
#include "startup/Encoders.h"
#include "startup/modMain.h"

namespace pankor {

namespace {

std::string Quoted(std::string_view text) { return "\"" + JsonEscape(text) + "\""; }
const char* Bool(bool b) { return b ? "true" : "false"; }

std::string Today(const DateTime& now) { return Pad4(now.year) + "-" + Pad2(now.month) + "-" + Pad2(now.day); }

}  // namespace

HttpRequest ReportRequest(const std::string& url, const std::string& document, int resolveMs, int connectMs, int sendMs,
                          int receiveMs) {
    HttpRequest r;
    r.method = "POST";
    r.url = url;
    r.headers = {{"Content-Type", "application/json"}, {"User-Agent", UserAgent()}};
    r.body = document;
    r.resolveTimeoutMs = resolveMs;
    r.connectTimeoutMs = connectMs;
    r.sendTimeoutMs = sendMs;
    r.receiveTimeoutMs = receiveMs;
    return r;
}

std::string modTelemetry::TelemetryPath() const {
    return JoinPath(d_.process.DataDir, "telemetry.ini", d_.fs.Separator());
}

int modTelemetry::ConsentState() const noexcept {
    return d_.log.Guard("ConsentState failed: ", -1, [&] {
        const std::string consent = d_.file.IniRead(TelemetryPath(), "consent", "");
        if (consent.empty()) return -1;
        const double rounded = std::nearbyint(LenientNumber(consent));  // halves to the even neighbour
        if (rounded > std::numeric_limits<int>::max() || rounded < std::numeric_limits<int>::min()) return 0;
        return static_cast<int>(rounded);
    });
}

void modTelemetry::SetConsent(bool yes) noexcept {
    d_.file.IniWrite(TelemetryPath(), "consent", yes ? "1" : "0");
    d_.log.DebugLog(std::string("telemetry consent = ") + (yes ? "yes" : "no"));
}

void modTelemetry::SendTelemetryIfDue() noexcept {
    d_.log.Guard("SendTelemetryIfDue failed: ", [&] {
        if (ConsentState() != 1) return;
        const std::string today = Today(d_.system.LocalNow());
        if (today == d_.file.IniRead(TelemetryPath(), "lastsent", "")) return;
        if (!PostTelemetry(TelemetryJson())) return;  // the next check today tries again
        d_.file.IniWrite(TelemetryPath(), "lastsent", today);
        SaveSeen();
    });
}

std::string modTelemetry::TelemetryJson() noexcept {
    return d_.log.Guard("TelemetryJson failed: ", std::string(), [&] { return "{\"v\":1," + EnvironmentJson() + "}"; });
}

std::string modTelemetry::LocaleName() noexcept {
    return d_.reg.RegGet("HKCU\\Control Panel\\International\\LocaleName", "unknown");
}

std::string modTelemetry::EnvironmentJson() noexcept {
    return d_.log.Guard("EnvironmentJson failed: ", std::string(), [&] {
        const PixelSize screen = d_.system.DesktopSize();
        std::string out = "\"os\":" + Quoted(d_.system.OsVersion());
        out += ",\"screen\":" + Quoted(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        out += ",\"scale\":" + std::to_string(d_.main.DpiPercent());
        out += ",\"lang\":" + Quoted(LocaleName());
        out += ",\"pankor\":" + Quoted(d_.version.OwnVersion());
        out += std::string(",\"wine\":") + Bool(d_.probe.IsWine());
        out += ",\"source\":" + Quoted(d_.probe.InstallSource());
        out += ",\"removed\":" + Quoted(RemovedSlugs());
        out += ",\"apps\":" + AppsArray();
        return out;
    });
}

std::string modTelemetry::AppsArray() {
    d_.probe.SnapshotProcesses();
    const std::string appData = d_.environment.Get("APPDATA").value_or("");
    std::string out = "[";
    for (std::size_t i = 0; i < d_.catalog.Apps.size(); ++i) {
        const CatalogApp& a = d_.catalog.Apps[i];
        if (a.installed.empty()) continue;
        // The app's settings folder, as backups know it.
        const std::string folder = JoinPath(appData, d_.apps.AppFolderName(static_cast<int>(i)), d_.fs.Separator());
        if (out.size() > 1) out += ',';
        out += "{\"slug\":" + Quoted(a.slug) + ",\"version\":" + Quoted(a.installed) +
               ",\"autostart\":" + Bool(d_.probe.HasRunEntry(a.name)) +
               ",\"running\":" + Bool(d_.probe.IsRunning(FileNameOf(a.exe))) +
               ",\"ageDays\":" + std::to_string(d_.probe.DaysSinceCreated(folder)) +
               ",\"skin\":" + Quoted(d_.probe.SkinOf(folder)) + "}";
    }
    return out + "]";
}

std::string modTelemetry::InstalledSlugs() const {
    std::string out;
    for (const CatalogApp& a : d_.catalog.Apps)
        if (!a.installed.empty()) out += (out.empty() ? "" : " ") + a.slug;
    return out;
}

std::string modTelemetry::RemovedSlugs() const noexcept {
    return d_.log.Guard("RemovedSlugs failed: ", std::string(), [&] {
        const std::string seen = d_.file.IniRead(TelemetryPath(), "seen", "");
        if (seen.empty()) return std::string();
        const std::string current = " " + InstalledSlugs() + " ";
        std::string removed;
        std::size_t start = 0;
        while (start <= seen.size()) {
            const std::size_t end = std::min(seen.find(' ', start), seen.size());
            const std::string word = seen.substr(start, end - start);
            if (!word.empty() && !ContainsNoCase(current, " " + word + " ")) removed += word + " ";
            start = end + 1;
        }
        return std::string(TrimSpaces(removed));
    });
}

void modTelemetry::SaveSeen() noexcept { d_.file.IniWrite(TelemetryPath(), "seen", InstalledSlugs()); }

bool modTelemetry::PostTelemetry(const std::string& document) noexcept {
    return d_.log.Guard("telemetry post failed: ", false, [&] {
        const Result<HttpResponse> r =
            d_.http.Get(ReportRequest(d_.catalog.PublisherBase() + "/telemetry.php", document, 5000, 5000, 5000, 8000));
        if (!r.ok()) {
            d_.log.DebugLog("telemetry post failed: " + r.error());
            return false;
        }
        d_.log.DebugLog("telemetry POST status=" + std::to_string(r->status));
        return r->status == 200;
    });
}

}  // namespace pankor
