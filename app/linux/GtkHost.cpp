#include "GtkHost.h"

#include <unistd.h>

#include <cstdio>

namespace pankor::linuxhost {

namespace {
// A pump returns after this many dispatches even if more keeps arriving, so
// a busy page cannot keep the waiting routine from looking at its clock.
constexpr int kMaxDispatchesPerPump = 200;
}  // namespace

void GtkPump::Pump() noexcept {
    for (int i = 0; i < kMaxDispatchesPerPump && g_main_context_pending(nullptr); ++i)
        g_main_context_iteration(nullptr, FALSE);
}

std::string GtkFolderPicker::PickFolder(const std::string& prompt) noexcept {
    GtkWindow* parent = parent_ != nullptr ? parent_->Get() : nullptr;
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new(prompt.c_str(), parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog), TRUE);
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
    std::string folder;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        // A place without a file-system path (a network location) counts as cancelled.
        if (gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)); path != nullptr) {
            try {
                folder = path;
            } catch (...) {
                folder.clear();
            }
            g_free(path);
        }
    }
    gtk_widget_destroy(dialog);
    return folder;
}

void GtkHostLoop::UnloadWindows() noexcept {
    tray_.Remove();
    window_.Destroy();
}

void GtkHostLoop::EndProcess() noexcept {
    std::fflush(nullptr);
    _exit(0);
}

}  // namespace pankor::linuxhost
