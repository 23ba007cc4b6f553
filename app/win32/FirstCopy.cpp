#include "FirstCopy.h"

#include "base/Paths.h"
#include "base/Text.h"
#include "platform/win32/Win32Text.h"

namespace pankor::winapp {

namespace {
constexpr const char* kFeatureControl = "HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
}

void SetBrowserFeaturesForOwnName(Pankor& app) noexcept {
    app.log.Guard("SetBrowserFeatures failed: ", [&] {
        const std::string name = FileNameOf(app.platform.system.ExecutablePath());
        if (name.empty() || EqualsNoCase(name, "Pankor.exe")) return;  // the core wrote those
        app.reg.RegSetDword(std::string(kFeatureControl) + "FEATURE_BROWSER_EMULATION\\" + name, 11001);
        app.reg.RegSetDword(std::string(kFeatureControl) + "FEATURE_BLOCK_LMZ_SCRIPT\\" + name, 0);
    });
}

FirstCopy::FirstCopy(Pankor& app, HINSTANCE instance, win32host::HostLoop& loop,
                     win32host::FolderPicker& picker) noexcept
    : app_(app),
      loop_(loop),
      picker_(picker),
      window_(instance, loop),
      browser_(window_.Hwnd()),
      trayIcon_(instance, loop),
      tray_(trayIcon_, app.icons, window_, main_, app.log),
      main_(MainWindowDepsOf(app), MainWindowHost{window_, browser_, window_, loop}, tray_) {
    window_.SetEvents(this, &main_);
    trayIcon_.SetEvents(&trayEvents_);
    loop_.SetFilter(&browser_);
    picker_.SetOwner(window_.Hwnd());
    app_.windows.Attach(&main_, &main_);
}

FirstCopy::~FirstCopy() {
    // The windows may still exist when the loop never ran: no handler may
    // reach the forms while they go.
    app_.windows.Attach(nullptr, nullptr);
    loop_.SetFilter(nullptr);
    picker_.SetOwner(nullptr);
    window_.SetEvents(nullptr, nullptr);
    trayIcon_.SetEvents(nullptr);
}

void FirstCopy::OnUnloading() noexcept { browser_.Release(); }

int FirstCopy::Run() noexcept {
    SetBrowserFeaturesForOwnName(app_);  // before the control exists
    if (!window_.Exists()) {
        app_.log.DebugLog("main window not created: " + win32::LastErrorText());
        return 1;
    }
    main_.Open();
    return loop_.Run();
}

}  // namespace pankor::winapp
