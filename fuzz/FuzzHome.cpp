#include "FuzzHome.h"

#include "storage/uSchema.h"

#include <QFile>
#include <QTemporaryDir>
#include <ctime>

const QString& FuzzHome() {
    static QTemporaryDir home;
    static const QString path = [] {
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
        qputenv("TZ", "Europe/Paris");
        tzset();
        EnsureDataFiles();
        return home.path();
    }();
    return path;
}
