#include "ui/shell/dVelmora.h"

#include "engine/uChannelIconList.h"
#include "storage/uConfig.h"

TdmVelmora::TdmVelmora(QObject* parent) : QObject(parent), FChannelIcons(GetChannelIconList()) {
    setObjectName(QStringLiteral("dmVelmora"));
    FDatabase.Open(GetConfig().MainDatabasePath());
    FDatabase.MapFileIntoMemory();
}
