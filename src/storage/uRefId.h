#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <future>
#include <mutex>

class cSQLDatabase;

// Identifiers unique across runs and files: the run's session number times
// 2^32 plus a per-run counter. A session is one REFID row, taken at start-up
// on a short-lived connection of its own.
class cRefId {
public:
    // The counter never passes this; the next identifier then comes from a
    // fresh session.
    static constexpr uint32_t CounterLimit = 2147483647u;

    // Takes a session on the database at path. A counter start other than 0
    // lets a test come close to the limit without handing out two billion
    // identifiers.
    explicit cRefId(const QString& databasePath, uint32_t counterStart = 0);

    int32_t Session() const;
    int64_t NewId();

private:
    // From this counter on, the next session is taken ahead, on a thread of
    // its own: the caller that finally needs it may hold the write turn
    // that taking a session waits for.
    static constexpr uint32_t ReserveFrom = CounterLimit / 2;

    static int32_t AllocateSession(const QString& databasePath);
    void ReserveNextSession();
    // The session taken ahead, or one taken now when none was.
    int32_t TakeNextSession();

    const QString FDatabasePath;
    // Session in the high half, counter in the low half: one atomic
    // increment hands out one identifier.
    std::atomic<int64_t> FLastId;
    std::atomic<bool> FReserveAsked{false};
    // Guards the change of session and FReserve.
    std::mutex FRenewal;
    std::future<int32_t> FReserve;
};

// The process's identifier source, built (and its session taken) on the
// first call.
cRefId& GetRefId();
int64_t NewId();

// The statement that adds one ActionLog row, stamped now: for a caller
// that stores the entry with other changes, in their transaction.
QString ActionLogStatement(const QString& source, const QString& action, const QString& detail);
// One ActionLog row, in its own short transaction on the caller's
// connection; an error is rolled back and passed on.
void WriteActionLog(cSQLDatabase& database, const QString& source, const QString& action,
                    const QString& detail);

// The source of every entry the engine writes.
inline const QString ActionLogSource = QStringLiteral("feedmotor");
