#pragma once
// The embedded browser that shows the page: created at run time in the main
// window, told where to go, asked to run statements in the page and to read
// its elements. Its events come back through IBrowserEvents.
#include <optional>
#include <string>

#include "base/Result.h"
#include "platform/host/IPageFields.h"

namespace pankor {

class IBrowserEvents {
public:
    virtual ~IBrowserEvents() = default;
    // Any navigation, of the page or of a frame in it; setting cancel stops it.
    virtual void OnBeforeNavigate(const std::string& url, bool& cancel) noexcept = 0;
    virtual void OnDocumentComplete(const std::string& url) noexcept = 0;
    virtual void OnNavigateError(const std::string& url) noexcept = 0;
};

// Layout figures of the page for the metrics self-test.
struct PageMetrics {
    struct Box {
        int scrollHeight = 0, clientHeight = 0, offsetHeight = 0, scrollTop = 0;
    };
    Box body;
    std::optional<Box> main;      // the element "main", when present
    std::optional<Box> settings;  // the element "tab-settings", when present
};

class IBrowser : public IPageFields {
public:
    // Creates the control filling the window's client area; the failure's
    // code and text are the system's error number and description.
    virtual Status Create(IBrowserEvents& events) noexcept = 0;
    // Fits the control to the window's client area again (after a resize).
    virtual void FitToWindow() noexcept = 0;
    // No dialogs of the browser's own (script errors and the like).
    virtual void SetSilent(bool silent) noexcept = 0;
    // Starts loading a local file; the code is the error number.
    virtual Status Navigate(const std::string& filePath) noexcept = 0;
    // 0 uninitialised .. 4 complete.
    virtual int ReadyState() const noexcept = 0;
    // The address shown, "" when none.
    virtual std::string Location() const noexcept = 0;
    // False until a page has loaded: statements then have nowhere to run.
    virtual bool HasDocument() const noexcept = 0;
    // Runs one JavaScript statement in the page; the failure's text is the
    // script engine's description.
    virtual Status RunScript(const std::string& statement) noexcept = 0;
    // Nothing when there is no document.
    virtual std::optional<PageMetrics> Metrics() noexcept = 0;
};

}  // namespace pankor
