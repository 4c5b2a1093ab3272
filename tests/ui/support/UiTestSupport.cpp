#include "UiTestSupport.h"

#include "storage/uSchema.h"

#include <QDir>
#include <QWidget>

cUiTestHome::cUiTestHome() {
    qputenv("HOME", QFile::encodeName(FHome.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FHome.path() + QStringLiteral("/.config")));
    EnsureDataFiles();
}

QString SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(VELMORA_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    widget.grab().save(path);
    return path;
}
