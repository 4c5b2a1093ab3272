#include "engine/uDownloadStates.h"

#include "engine/uEngineLog.h"
#include "ingest/uHTTP.h"
#include "model/uOMEnclosure.h"
#include "storage/uErrors.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

#include <QFile>

#include <mutex>
#include <set>
#include <utility>

namespace {

// The items this process is downloading, by table.
class cRunningDownloads {
public:
    void Add(const cDownloadKind& kind, int64_t id) {
        std::lock_guard<std::mutex> hold(FLock);
        FItems.emplace(kind.Table, id);
    }
    void Remove(const cDownloadKind& kind, int64_t id) {
        std::lock_guard<std::mutex> hold(FLock);
        FItems.erase({kind.Table, id});
    }
    // The statement's " and ID not in (...)" part; empty for none.
    QString Exclusion(const cDownloadKind& kind) {
        std::lock_guard<std::mutex> hold(FLock);
        QStringList ids;
        for (const auto& [table, id] : FItems)
            if (table == kind.Table)
                ids << NumberText(id);
        return ids.isEmpty() ? QString()
                             : QStringLiteral(" and ID not in (") % ids.join(QLatin1Char(',')) %
                                   QStringLiteral(")");
    }

private:
    std::mutex FLock;
    std::set<std::pair<const char*, int64_t>> FItems;
};

cRunningDownloads& RunningDownloads() {
    static cRunningDownloads running;
    return running;
}

QString SetState(const cDownloadKind& kind, uint8_t state) {
    return QStringLiteral("update ") % QLatin1String(kind.Table) % QStringLiteral(" set ") %
           QLatin1String(kind.Column) % QStringLiteral(" = ") % NumberText(state);
}

} // namespace

cDownloadClaim::cDownloadClaim(cSQLDatabase& database, const cDownloadKind& kind, int64_t id)
    : FDatabase(database), FKind(kind), FId(id) {
    // Registered before the state changes: a reset meanwhile must not see
    // this item at downloading without knowing that it runs here.
    RunningDownloads().Add(kind, id);
    try {
        database.InTransaction([&] {
            database.Execute(SetState(kind, dsRunning) % QStringLiteral(" where ID = ") %
                             NumberText(id) % QStringLiteral(" and ") % QLatin1String(kind.Column) %
                             QStringLiteral(" = ") % NumberText(dsRequested));
            FTaken = database.QueryInt(QStringLiteral("select changes()")) > 0;
        });
    } catch (...) {
        RunningDownloads().Remove(kind, id);
        throw;
    }
}

cDownloadClaim::~cDownloadClaim() {
    RunningDownloads().Remove(FKind, FId);
}

void cDownloadClaim::Finish(uint8_t state) {
    FDatabase.InTransaction([&] {
        FDatabase.Execute(SetState(FKind, state) % QStringLiteral(" where ID = ") %
                          NumberText(FId));
    });
}

void RequestInterruptedDownloadsAgain(cSQLDatabase& database) {
    database.InTransaction([&] {
        for (const cDownloadKind* kind : {&EnclosureDownloads, &PageDownloads})
            database.Execute(SetState(*kind, dsRequested) % QStringLiteral(" where ") %
                             QLatin1String(kind->Column) % QStringLiteral(" = ") %
                             NumberText(dsRunning) % RunningDownloads().Exclusion(*kind));
    });
}

void RunDownload(cSQLDatabase& database, const cDownloadKind& kind, int64_t id, const QString& path,
                 const std::function<bool()>& fetch) {
    cDownloadClaim claim(database, kind, id);
    if (!claim.Taken())
        return;
    const uint64_t aborts = cHTTP::AbortCountAtStart();
    try {
        if (fetch()) {
            claim.Finish(dsDownloaded);
            return;
        }
    } catch (const EVelmoraError& error) {
        qCDebug(EngineLog) << "download failed:" << path << error.Message();
    }
    if (cHTTP::AbortCount() != aborts) {
        qCDebug(EngineLog) << "download left for the next start:" << path;
        return;
    }
    QFile::remove(path);
    claim.Finish(dsFailed);
}
