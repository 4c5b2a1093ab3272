#pragma once

#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <cstdint>

class cSQLDatabase;
class cThreadPool;

// The status panel: "Updating N channels" while update jobs run, then when
// the last pass ended and how many items it brought. Polls the pool once a
// second; the lists themselves are re-read only when the user asks.
class TEngineStatus : public QLabel {
    Q_OBJECT

public:
    TEngineStatus(cSQLDatabase& database, cThreadPool& pool, QWidget* parent);

    // One look at the pool; the timer calls it every second.
    void Poll();

private:
    cSQLDatabase& FDatabase;
    cThreadPool& FPool;
    QTimer FTimer;
    int FRunning = 0;
    int64_t FNodesBefore = 0;
};
