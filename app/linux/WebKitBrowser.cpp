#include "WebKitBrowser.h"

#include <charconv>
#include <memory>
#include <utility>
#include <vector>

#include "startup/Encoders.h"

namespace pankor::linuxhost {

namespace {

// The three states the core tells apart: loading, interactive, complete.
constexpr int kReadyLoading = 1;
constexpr int kReadyInteractive = 3;
constexpr int kReadyComplete = 4;

// Our own cancellations are not failures of the page.
bool IsCancellation(const GError* error) noexcept {
    return error == nullptr || g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
           g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
}

std::string Text(const char* s) { return s == nullptr ? std::string() : std::string(s); }

// The metrics script's answer: four numbers per box, "-" for a missing box.
std::optional<PageMetrics::Box> ParseBox(std::string_view text) {
    if (text == "-") return std::nullopt;
    PageMetrics::Box box;
    int* fields[] = {&box.scrollHeight, &box.clientHeight, &box.offsetHeight, &box.scrollTop};
    const char* p = text.data();
    const char* end = p + text.size();
    for (int* f : fields) {
        while (p < end && *p == ' ') ++p;
        const auto [next, ec] = std::from_chars(p, end, *f);
        if (ec != std::errc()) return std::nullopt;
        p = next;
    }
    return box;
}

std::vector<std::string_view> SplitAt(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

// For development and the end-to-end tests of this host only: a script named
// by PANKOR_USER_SCRIPT runs in the page once it has loaded, as a person's
// clicks would (the Windows product has no such door).
void AddUserScript(WebKitUserContentManager* content) noexcept {
    const char* path = g_getenv("PANKOR_USER_SCRIPT");
    gchar* source = nullptr;
    if (path == nullptr || *path == '\0' || !g_file_get_contents(path, &source, nullptr, nullptr)) return;
    WebKitUserScript* script = webkit_user_script_new(source, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
    g_free(source);
}

}  // namespace

WebKitBrowser::WebKitBrowser(GtkMainWindow& window, HostGate& gate, std::string cacheDir, int screenDpi) noexcept
    : window_(window), gate_(gate), cacheDir_(std::move(cacheDir)), screenDpi_(screenDpi > 0 ? screenDpi : 96) {}

WebKitBrowser::~WebKitBrowser() {
    if (view_ != nullptr) g_signal_handlers_disconnect_by_data(view_, this);
}

Status WebKitBrowser::Create(IBrowserEvents& events) noexcept {
    events_ = &events;
    if (view_ != nullptr) return Status::Ok();
    GtkWindow* window = window_.Get();
    if (window == nullptr) return Status::Fail("the main window is gone", 1);
    try {
        // Caches and website data in the user's cache folder, never in the
        // manager's data folder, which holds only its own files.
        const std::string data = cacheDir_ + "/data", cache = cacheDir_ + "/cache";
        WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
            "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
        WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(manager);
        g_object_unref(manager);
        webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);

        WebKitSettings* settings = webkit_settings_new();
        // The same rendering for this page, and far less memory in the web process.
        webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
        // window.open reaches the host only when scripts may open windows.
        webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
        webkit_settings_set_enable_developer_extras(settings, FALSE);

        WebKitUserContentManager* content = webkit_user_content_manager_new();
        AddUserScript(content);
        view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "settings", settings,
                                             "user-content-manager", content, nullptr));
        g_object_unref(content);
        g_object_unref(settings);
        g_object_unref(context);
    } catch (...) {
        return Status::Fail("out of memory", 8);
    }
    // WebKit enlarges the page by the desktop's text scale (and the scale
    // factor) on its own; the page scales itself to the percentage the core
    // sends it, as it must in the Windows control, so WebKit's is undone here.
    webkit_web_view_set_zoom_level(view_, 96.0 / screenDpi_);
    GtkWidget* widget = GTK_WIDGET(view_);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
    g_signal_connect(view_, "permission-request", G_CALLBACK(OnPermission), this);
    g_signal_connect(view_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(view_, "destroy", G_CALLBACK(OnDestroy), this);
    gtk_container_add(GTK_CONTAINER(window), widget);
    gtk_widget_show(widget);
    return Status::Ok();
}

void WebKitBrowser::OnDestroy(GtkWidget*, gpointer self) noexcept {
    auto* b = static_cast<WebKitBrowser*>(self);
    b->view_ = nullptr;
    b->document_ = false;
}

// The view is the window's only child: GTK keeps it at the full client area.
void WebKitBrowser::FitToWindow() noexcept {
    if (view_ != nullptr) gtk_widget_queue_resize(GTK_WIDGET(view_));
}

Status WebKitBrowser::Navigate(const std::string& filePath) noexcept {
    if (view_ == nullptr) return Status::Fail("no browser", 1);
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(filePath.c_str(), nullptr, &error);
    if (uri == nullptr) {
        const int code = error != nullptr ? error->code + 1 : 1;  // never 0, which means success
        const std::string message = error != nullptr ? Text(error->message) : std::string("not a file path");
        if (error != nullptr) g_error_free(error);
        return Status::Fail(message, code);
    }
    readyState_ = kReadyLoading;
    webkit_web_view_load_uri(view_, uri);
    g_free(uri);
    return Status::Ok();
}

int WebKitBrowser::ReadyState() const noexcept { return view_ == nullptr ? 0 : readyState_; }

std::string WebKitBrowser::Location() const noexcept {
    // A page that failed to load is not on show; the address is not the page's.
    if (view_ == nullptr || failed_) return {};
    try {
        return Text(webkit_web_view_get_uri(view_));
    } catch (...) {
        return {};
    }
}

void WebKitBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) noexcept {
    auto* b = static_cast<WebKitBrowser*>(self);
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            b->document_ = false;  // statements now would land nowhere, or in the old page
            b->failed_ = false;
            b->readyState_ = kReadyLoading;
            break;
        case WEBKIT_LOAD_REDIRECTED: break;
        case WEBKIT_LOAD_COMMITTED: b->readyState_ = kReadyInteractive; break;
        case WEBKIT_LOAD_FINISHED: {
            b->readyState_ = kReadyComplete;
            if (b->failed_) break;
            b->document_ = true;
            std::string url;
            try {
                url = Text(webkit_web_view_get_uri(view));
            } catch (...) {
                break;
            }
            b->gate_.Deliver([b, url] {
                if (b->events_ != nullptr) b->events_->OnDocumentComplete(url);
            });
            break;
        }
    }
}

gboolean WebKitBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                     gpointer self) noexcept {
    if (IsCancellation(error)) return FALSE;
    auto* b = static_cast<WebKitBrowser*>(self);
    b->failed_ = true;
    b->document_ = false;
    try {
        std::string url = Text(uri);
        b->gate_.Deliver([b, url] {
            if (b->events_ != nullptr) b->events_->OnNavigateError(url);
        });
    } catch (...) {}
    return TRUE;  // no error page of WebKit's own
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                       gpointer self) noexcept {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;  // WebKit shows what arrives
    auto* b = static_cast<WebKitBrowser*>(self);
    try {
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        std::string url = Text(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
        // WebKit lets a decision wait: one asked for during a script call is taken after it.
        g_object_ref(decision);
        b->gate_.Deliver([b, decision, type, url] {
            b->Decide(decision, type, url);
            g_object_unref(decision);
        });
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

void WebKitBrowser::Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                           const std::string& url) noexcept {
    bool cancel = false;
    if (events_ != nullptr) events_->OnBeforeNavigate(url, cancel);
    // A new window is never opened: the page's web addresses go out through
    // its "open" command to the user's own browser.
    if (cancel || type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
        webkit_policy_decision_ignore(decision);
    else
        webkit_policy_decision_use(decision);
}

// window.open arrives only here, not as a policy decision.
GtkWidget* WebKitBrowser::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) noexcept {
    auto* b = static_cast<WebKitBrowser*>(self);
    try {
        std::string url = Text(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
        b->gate_.Deliver([b, url] {
            bool cancel = false;
            if (b->events_ != nullptr) b->events_->OnBeforeNavigate(url, cancel);
        });
    } catch (...) {}
    return nullptr;
}

// Silent: no dialogs of the browser's own; alerts are dismissed, questions
// answered "no", and the page is always left when asked.
gboolean WebKitBrowser::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) noexcept {
    if (!static_cast<WebKitBrowser*>(self)->silent_) return FALSE;
    if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
        webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
    return TRUE;
}

gboolean WebKitBrowser::OnPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer) noexcept {
    webkit_permission_request_deny(request);  // the page needs no device, location or notification
    return TRUE;
}

gboolean WebKitBrowser::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) noexcept {
    if (event != nullptr) static_cast<WebKitBrowser*>(self)->window_.NotePress(*event);
    return FALSE;  // the page still gets the press
}

namespace {

struct Waiting {
    bool done = false;
    bool ok = false;
    bool isNull = false;
    std::string text;
};

void OnEvaluated(GObject* source, GAsyncResult* result, gpointer data) noexcept {
    // The holder keeps the answer alive for a waiter that may have given up.
    std::unique_ptr<std::shared_ptr<Waiting>> holder(static_cast<std::shared_ptr<Waiting>*>(data));
    Waiting& w = **holder;
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    try {
        if (value == nullptr) {
            w.text = error != nullptr ? Text(error->message) : std::string("script failed");
        } else {
            w.ok = true;
            w.isNull = jsc_value_is_null(value) || jsc_value_is_undefined(value);
            if (!w.isNull) {
                gchar* s = jsc_value_to_string(value);
                w.text = Text(s);
                g_free(s);
            }
        }
    } catch (...) {
        w.ok = false;
    }
    if (value != nullptr) g_object_unref(value);
    if (error != nullptr) g_error_free(error);
    w.done = true;
}

gboolean OnTimeLimit(gpointer flag) noexcept {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
}

}  // namespace

WebKitBrowser::Answer WebKitBrowser::Evaluate(const std::string& script) noexcept {
    Answer answer;
    if (view_ == nullptr || !document_) {
        answer.text = "no document";
        return answer;
    }
    std::shared_ptr<Waiting> waiting;
    try {
        waiting = std::make_shared<Waiting>();
        auto* holder = new std::shared_ptr<Waiting>(waiting);
        webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
                                            nullptr, OnEvaluated, holder);
    } catch (...) {
        answer.text = "out of memory";
        return answer;
    }
    // The core calls synchronously: wait here, holding back other events.
    bool timedOut = false;
    const guint limit = g_timeout_add(kScriptTimeLimitMs, OnTimeLimit, &timedOut);
    gate_.Enter();
    while (!waiting->done && !timedOut) g_main_context_iteration(nullptr, TRUE);
    gate_.Leave();
    if (!timedOut) g_source_remove(limit);
    if (!waiting->done) {
        answer.text = "the page did not answer within " + std::to_string(kScriptTimeLimitMs / 1000) + " s";
        return answer;
    }
    answer.ok = waiting->ok;
    answer.isNull = waiting->isNull;
    answer.text = std::move(waiting->text);
    return answer;
}

Status WebKitBrowser::RunScript(const std::string& statement) noexcept {
    try {
        // The statement's own value is not wanted (a DOM node would not even
        // come back): the script ends with an empty one.
        const Answer a = Evaluate(statement + "\n;void 0;");
        return a.ok ? Status::Ok() : Status::Fail(a.text);
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

Result<std::string> WebKitBrowser::ElementValue(const std::string& id) noexcept {
    using R = Result<std::string>;
    try {
        const Answer a = Evaluate("(function(){var e=document.getElementById(\"" + JsonEscape(id) +
                                  "\");if(e===null)return null;var v=e.value;"
                                  "return v===undefined||v===null?\"\":String(v);})()");
        if (!a.ok) return R::Fail(a.text);
        if (a.isNull) return R::Fail("no element with the id " + id);
        return R::Of(a.text);
    } catch (...) {
        return R::Fail("out of memory");
    }
}

std::optional<PageMetrics> WebKitBrowser::Metrics() noexcept {
    try {
        const Answer a = Evaluate(
            "(function(){function box(e){return e===null?'-':[e.scrollHeight,e.clientHeight,e.offsetHeight,"
            "e.scrollTop].join(' ');}return [box(document.body),box(document.getElementById('main')),"
            "box(document.getElementById('tab-settings'))].join('|');})()");
        if (!a.ok || a.isNull) return std::nullopt;
        const std::vector<std::string_view> parts = SplitAt(a.text, '|');
        if (parts.size() != 3) return std::nullopt;
        PageMetrics m;
        const std::optional<PageMetrics::Box> body = ParseBox(parts[0]);
        if (!body) return std::nullopt;
        m.body = *body;
        m.main = ParseBox(parts[1]);
        m.settings = ParseBox(parts[2]);
        return m;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace pankor::linuxhost
