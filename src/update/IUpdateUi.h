#pragma once
// What the in-app update tells the page about one app's card; the main
// window implements it.
#include <string>

namespace pankor {

class IUpdateUi {
public:
    virtual ~IUpdateUi() = default;
    // The card's busy line ("Downloading Clock..."); "" clears it.
    virtual void UiBusy(const std::string& slug, const std::string& text) noexcept = 0;
    // The update of that app failed.
    virtual void UiUpdateFailed(const std::string& slug) noexcept = 0;
    // Re-reads the installed versions and pushes the whole state.
    virtual void RefreshRows() noexcept = 0;
    // Download progress in percent (0 to 100), or -1 once the download is over.
    virtual void SetProgress(const std::string& slug, int percent) noexcept = 0;
};

}  // namespace pankor
