#include "engine/uEnginePresence.h"

#include "engine/uEngineLog.h"
#include "storage/uConfig.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

cEnginePresence::cEnginePresence() {
    const QByteArray path =
        QFile::encodeName(GetConfig().DataFolder + QStringLiteral("engines.lock"));
    FFile = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (FFile < 0) {
        qCDebug(EngineLog) << "engine presence not marked:" << std::strerror(errno);
        return;
    }
    FAlone = flock(FFile, LOCK_EX | LOCK_NB) == 0;
    // Shared from now on, so that engines started later see this one.
    if (flock(FFile, LOCK_SH) != 0)
        qCDebug(EngineLog) << "engine presence not shared:" << std::strerror(errno);
}

cEnginePresence::~cEnginePresence() {
    if (FFile >= 0)
        close(FFile);
}
