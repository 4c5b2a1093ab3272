#include "storage/uRefId.h"

#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

namespace {

int64_t FirstIdOf(int32_t session) {
    return static_cast<int64_t>(session) << 32;
}

} // namespace

cRefId::cRefId(const QString& databasePath, uint32_t counterStart)
    : FDatabasePath(databasePath),
      FLastId(FirstIdOf(AllocateSession(databasePath)) + counterStart) {}

int32_t cRefId::AllocateSession(const QString& databasePath) {
    cSQLDatabase database;
    database.Open(databasePath);
    int32_t session = 0;
    database.InTransaction([&] {
        database.Execute(QStringLiteral("insert into REFID values(null,1,1)"));
        session = database.QueryInt(QStringLiteral("select max(Session) from Refid"));
    });
    return session;
}

int32_t cRefId::Session() const {
    return static_cast<int32_t>(FLastId.load() >> 32);
}

int64_t cRefId::NewId() {
    for (;;) {
        const int64_t id = FLastId.fetch_add(1) + 1;
        const auto counter = static_cast<uint32_t>(id & 0xFFFFFFFF);
        if (counter >= 1 && counter <= CounterLimit) {
            if (counter >= ReserveFrom && !FReserveAsked.exchange(true))
                ReserveNextSession();
            return id;
        }
        // This session is used up: one thread moves to the next, the others
        // wait for it and then count on in it.
        std::lock_guard<std::mutex> hold(FRenewal);
        if (static_cast<uint32_t>(FLastId.load() & 0xFFFFFFFF) > CounterLimit &&
            (FLastId.load() >> 32) == (id >> 32)) {
            FLastId.store(FirstIdOf(TakeNextSession()));
            FReserveAsked = false;
        }
    }
}

void cRefId::ReserveNextSession() {
    std::lock_guard<std::mutex> hold(FRenewal);
    if (!FReserve.valid())
        FReserve = std::async(std::launch::async, &cRefId::AllocateSession, FDatabasePath);
}

int32_t cRefId::TakeNextSession() {
    if (FReserve.valid())
        return FReserve.get();
    return AllocateSession(FDatabasePath);
}

cRefId& GetRefId() {
    static cRefId refId(GetConfig().MainDatabasePath());
    return refId;
}

int64_t NewId() {
    return GetRefId().NewId();
}

QString ActionLogStatement(const QString& source, const QString& action, const QString& detail) {
    return QStringLiteral("insert into ActionLog values(null,") + QuotedText(source) +
           QStringLiteral(",") + QuotedText(action) + QStringLiteral(",") +
           QuotedText(DateTimeToText(LocalNow())) + QStringLiteral(",") + QuotedText(detail) +
           QStringLiteral(")");
}

void WriteActionLog(cSQLDatabase& database, const QString& source, const QString& action,
                    const QString& detail) {
    database.ExecuteInTransaction({ActionLogStatement(source, action, detail)});
}
