#pragma once

#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <cstdint>

class cSQLDatabase;
class cThreadPool;

// The status panel: "Updating N channels" while update jobs run, then when
// the last pass ended, how many items it brought and how many feeds are
// failing (named with their reasons in the hint); before any of that,
// without subscriptions, how to add one. Polls the pool once a
// second; a pass that began and ended between two looks is shown as well.
// The lists themselves are re-read only when the user asks.
//
// A fault of the database file (damaged, full, unwritable, ...) raised on
// any connection of the process, the lists' shared one or a job's, is shown
// in its place, once: the same fault raised again by every following job
// shows nothing new. It stays until a pass of updates ends without one.
class TEngineStatus : public QLabel {
    Q_OBJECT

public:
    TEngineStatus(cSQLDatabase& database, cThreadPool& pool, QWidget* parent);

    // One look at the pool and at the database faults; the timer calls it
    // every second.
    void Poll();

signals:
    // A database fault is shown; message is its whole text (also the
    // panel's tool tip), the panel shows its plain sentence.
    void databaseFaultShown(const QString& message);

private:
    cSQLDatabase& FDatabase;
    cThreadPool& FPool;
    QTimer FTimer;
    int FRunning = 0;
    uint64_t FFinished = 0;
    // The stored nodes when no update last ran, recounted only after other
    // connections committed.
    int64_t FNodesBefore = 0;
    int64_t FSeenVersion = -1;
    uint64_t FFaultSerial;
    // The fault's sentence on show; empty when none is.
    QString FFaultShown;
    bool FFaultInPass = false;
};
