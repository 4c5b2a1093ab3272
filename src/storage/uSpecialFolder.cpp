#include "storage/uSpecialFolder.h"

#include <QDir>
#include <QStandardPaths>

QString cSpecialFolder::GetPersonalFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/Documents");
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}
