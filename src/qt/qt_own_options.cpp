#include "qt/qt_own_options.h"

namespace rv {

startup::ToolkitOptions qtOwnOptions()
{
    // QGuiApplication, QApplication and the X11 platform plugin take these.
    return {.withValue = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
                          "qwindowicon", "icon", "qwindowtitle", "title", "session", "display", "name", "style",
                          "stylesheet", "qmljsdebugger"},
            .flags = {"reverse", "widgetcount", "sync", "nograb", "dograb", "testability"}};
}

} // namespace rv
