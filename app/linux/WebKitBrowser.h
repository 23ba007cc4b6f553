#pragma once
// The page's browser on WebKitGTK 4.1. Navigations of the page, of its frames
// and new-window requests reach the core through the navigation policy
// decision; statements run through JavaScript evaluation, and a call the core
// makes synchronously waits for WebKit's answer by iterating the main context.
#include <webkit2/webkit2.h>

#include <string>

#include "GtkMainWindow.h"
#include "HostGate.h"
#include "platform/host/IBrowser.h"

namespace pankor::linuxhost {

// How long a page call may take before the host gives up on its answer.
inline constexpr int kScriptTimeLimitMs = 5000;

class WebKitBrowser final : public IBrowser {
public:
    // cacheDir: where WebKit keeps its caches and website data; screenDpi:
    // the screen scale the core reports (the page scales itself to it).
    WebKitBrowser(GtkMainWindow& window, HostGate& gate, std::string cacheDir, int screenDpi) noexcept;
    ~WebKitBrowser() override;
    WebKitBrowser(const WebKitBrowser&) = delete;
    WebKitBrowser& operator=(const WebKitBrowser&) = delete;

    Status Create(IBrowserEvents& events) noexcept override;
    void FitToWindow() noexcept override;
    void SetSilent(bool silent) noexcept override { silent_ = silent; }
    Status Navigate(const std::string& filePath) noexcept override;
    int ReadyState() const noexcept override;
    std::string Location() const noexcept override;
    bool HasDocument() const noexcept override { return view_ != nullptr && document_; }
    Status RunScript(const std::string& statement) noexcept override;
    Result<std::string> ElementValue(const std::string& id) noexcept override;
    std::optional<PageMetrics> Metrics() noexcept override;

    WebKitWebView* View() const noexcept { return view_; }

private:
    // What a script gave back: its value as text, null, or the engine's error.
    struct Answer {
        bool ok = false;
        bool isNull = false;
        std::string text;
    };
    Answer Evaluate(const std::string& script) noexcept;

    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                   gpointer self) noexcept;
    static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) noexcept;
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) noexcept;
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer self) noexcept;
    static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer self) noexcept;
    static gboolean OnPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer self) noexcept;
    static gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) noexcept;
    static void OnDestroy(GtkWidget*, gpointer self) noexcept;
    void Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, const std::string& url) noexcept;

    GtkMainWindow& window_;
    HostGate& gate_;
    std::string cacheDir_;
    int screenDpi_;
    IBrowserEvents* events_ = nullptr;
    WebKitWebView* view_ = nullptr;
    bool silent_ = false;
    bool document_ = false;  // the page has finished loading (and did not fail)
    bool failed_ = false;    // the last load failed: the browser shows no page
    int readyState_ = 0;
};

}  // namespace pankor::linuxhost
