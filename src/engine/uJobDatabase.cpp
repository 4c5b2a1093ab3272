#include "engine/uJobDatabase.h"

#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <QFile>

#include <exception>
#include <sys/stat.h>

struct cKeptDatabase {
    cSQLDatabase Database;
    QString Path;
    dev_t Device = 0;
    ino_t Inode = 0;
};

namespace {

thread_local bool KeepsConnections = false;
thread_local std::unique_ptr<cKeptDatabase> Kept;

// Which file the path names now: a file removed and made again at the
// same path is another file, which a kept connection does not see.
bool SameFile(const cKeptDatabase& kept, const QString& path) {
    struct stat status {};
    return kept.Path == path && ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
           status.st_dev == kept.Device && status.st_ino == kept.Inode;
}

} // namespace

cJobDatabase::cJobDatabase() {
    const QString path = GetConfig().MainDatabasePath();
    std::unique_ptr<cKeptDatabase> kept = std::move(Kept);
    if (kept && SameFile(*kept, path)) {
        FConnection = std::move(kept);
        return;
    }
    kept.reset();
    FConnection = std::make_unique<cKeptDatabase>();
    FConnection->Path = path;
    // Read before opening: a file swapped in between is then told apart at
    // the next job, never taken for the one the connection has open.
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
        FConnection->Device = status.st_dev;
        FConnection->Inode = status.st_ino;
    }
    FConnection->Database.Open(path);
}

cJobDatabase::~cJobDatabase() {
    if (KeepsConnections && std::uncaught_exceptions() == 0 &&
        !FConnection->Database.Connection().InTransaction())
        Kept = std::move(FConnection);
}

cSQLDatabase& cJobDatabase::Database() {
    return FConnection->Database;
}

void KeepJobDatabases() {
    KeepsConnections = true;
}

void ReleaseJobDatabase() {
    Kept.reset();
}
