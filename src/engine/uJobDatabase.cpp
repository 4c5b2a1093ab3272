#include "engine/uJobDatabase.h"

#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <QFile>

#include <exception>
#include <sys/stat.h>
#include <utility>

struct cKeptDatabase {
    cSQLDatabase Database;
    QString Path;
    std::pair<dev_t, ino_t> File{0, 0};
};

namespace {

thread_local bool KeepsConnections = false;
thread_local std::unique_ptr<cKeptDatabase> Kept;

// The device and inode of the file the path names now, {0, 0} when none:
// a file removed and made again at the same path is another file, which a
// kept connection does not see.
std::pair<dev_t, ino_t> FileIdentity(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {0, 0};
    return {status.st_dev, status.st_ino};
}

} // namespace

cJobDatabase::cJobDatabase() {
    const QString path = GetConfig().MainDatabasePath();
    std::unique_ptr<cKeptDatabase> kept = std::move(Kept);
    if (kept && kept->Path == path && kept->File.second != 0 && kept->File == FileIdentity(path)) {
        FConnection = std::move(kept);
        return;
    }
    kept.reset();
    FConnection = std::make_unique<cKeptDatabase>();
    FConnection->Path = path;
    // Read before opening: a file swapped in between is then told apart at
    // the next job, never taken for the one the connection has open.
    FConnection->File = FileIdentity(path);
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
