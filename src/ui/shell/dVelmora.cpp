#include "ui/shell/dVelmora.h"

#include "storage/uConfig.h"

TdmVelmora::TdmVelmora(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("dmVelmora"));
    FDatabase.Open(GetConfig().MainDatabasePath());
    FDatabase.MapFileIntoMemory();
}
