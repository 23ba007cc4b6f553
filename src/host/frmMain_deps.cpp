// Where the application object is taken apart for the main window; the
// window's header does not know the object.
#include "host/frmMain.h"
#include "startup/Pankor.h"

namespace pankor {

MainWindowDeps MainWindowDepsOf(Pankor& app) noexcept {
    return {app.platform, app.host.pump, app.process,    app.log,       app.file,     app.version, app.hash,
            app.sign,     app.icons,     app.probe,      app.catalog,   app.instance, app.main,    app.apps,
            app.update,   app.appUpdate, app.selfUpdate, app.telemetry, app.issue,    app.notify};
}

}  // namespace pankor
