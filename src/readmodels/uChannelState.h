#pragma once

#include "readmodels/uViewRecord.h"

#include <QString>
#include <cstdint>

// How a subscription stands: every channel, also one never refreshed or
// failing, with its counters (zero before the first count) and what its
// server said at the last fetch.
class cChannelState : public cViewRecord {
public:
    enum class State { New, Ok, Failed };

    bool LoadFromRow() override;
    void Recycle() override;

    int64_t Id() const { return F.Id; }
    const QString& Title() const { return F.Title; }
    const QString& ChannelURL() const { return F.ChannelURL; }
    const QString& LastUpdateTime_UTC() const { return F.LastUpdateTime_UTC; }
    // New: never refreshed; Ok: the last update succeeded; Failed: it
    // failed (or is running).
    State UpdateState() const;
    int32_t Total() const { return F.Total; }
    int32_t Unread() const { return F.Unread; }
    int32_t New() const { return F.New; }
    // The last reply's status; 0 when no reply came or none was recorded.
    int32_t HttpStatus() const { return F.HttpStatus; }
    // Why the last update failed; empty after a success.
    const QString& FailureReason() const { return F.FailureReason; }

private:
    struct cFields {
        int64_t Id = 0;
        QString Title;
        QString ChannelURL;
        QString LastUpdateTime_UTC;
        bool IsLastUpdateOk = false;
        int32_t Total = 0;
        int32_t Unread = 0;
        int32_t New = 0;
        int32_t HttpStatus = 0;
        QString FailureReason;
    } F;
};

class cChannelStateTable : public cSQLTable {
public:
    explicit cChannelStateTable(cSQLDatabase& database);

    cChannelState* Record(int index) const { return ItemAs<cChannelState>(index); }

    // Order 0 title, 1 last update, 2 total, 3 unread, 4 new, as the
    // channel list's. failingOnly: only channels whose last update failed.
    void QueryChannelStates(int order, const QString& titleFilter, bool failingOnly);
};
