// The reference for the host's start-up figures: a bare WebKitGTK window of
// the same size loading the same page, with WebKit's defaults. Prints
// "ready" when the page has finished loading; ends on SIGTERM.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <string>

namespace {

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer) {
    if (event != WEBKIT_LOAD_FINISHED) return;
    std::puts("ready");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: bare_webkit PAGE.html\n", stderr);
        return 2;
    }
    gtk_init(nullptr, nullptr);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 920, 620);
    GtkWidget* view = webkit_web_view_new();
    g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), nullptr);
    gtk_container_add(GTK_CONTAINER(window), view);
    gtk_widget_show_all(window);
    gchar* uri = g_filename_to_uri(argv[1], nullptr, nullptr);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), uri);
    g_free(uri);
    gtk_main();
    return 0;
}
