#include "app/startup.h"

#include <QGuiApplication>
#include <QtCore/qresource.h>

#include "forms/runtime.h"
#include "forms/runtime_error.h"

// The program's icon and pictures are compiled into the library; this pulls
// them in wherever it is linked.
static void load_assets() { Q_INIT_RESOURCE(assets); }

namespace tovalin::app {

int start(int& argc, char** argv, forms::WindowSet windows) {
    load_assets();
    forms::Runtime runtime(argc, argv, windows);
    // The desktop entry's name, which Wayland compositors match windows to
    // their entry and icon by.
    QGuiApplication::setDesktopFileName(QStringLiteral(TOVALIN_APP_ID));
    if (!runtime.load("MainWindow", false)) forms::runtime_error(0, "载入启动窗口失败");
    runtime.run();
    return 0;
}

}  // namespace tovalin::app
