#include "ui/shell/uStartUp.h"

#include "storage/uConfig.h"
#include "storage/uErrors.h"

#include <QFileInfo>

void RequireDataFiles() {
    const cConfig& config = GetConfig();
    if (!QFileInfo(config.DataFolder).isDir())
        throw EVelmoraError(QStringLiteral("Missing data folder \"%1\"").arg(config.DataFolder));
    if (!QFileInfo::exists(config.MainDatabasePath()))
        throw EVelmoraError(
            QStringLiteral("Missing database \"%1\"").arg(config.MainDatabasePath()));
}
