#pragma once

#include "model/uOMChannel.h"
#include "readmodels/uViewRecord.h"
#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// A channel with its counters and schedule, for the channel detail window,
// which changes the frequency and the next update time.
class cChannelDetailStat : public cViewRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;

    int64_t Id() const { return F.Id; }
    const QString& Title() const { return F.Title; }
    const QString& ChannelURL() const { return F.ChannelURL; }
    const QString& LastUpdateTime_UTC() const { return F.LastUpdateTime_UTC; }
    int32_t Total() const { return F.Total; }
    int32_t Unread() const { return F.Unread; }
    int32_t New() const { return F.New; }
    const QString& IsoLanguageCode() const { return F.IsoLanguageCode; }
    bool IsLastUpdateOk() const { return F.IsLastUpdateOk; }
    const cFrequency& Frequency() const { return F.Frequency; }
    const QString& Description() const { return F.Description; }
    const QString& NextUpdateDateTime_UTC() const { return F.NextUpdateDateTime_UTC; }

    void SetFrequency(int32_t days, int32_t hours, int32_t minutes);
    void SetNextUpdate(const QString& nextUpdate);

private:
    struct cFields {
        int64_t Id = 0;
        QString Title;
        QString ChannelURL;
        QString LastUpdateTime_UTC;
        int32_t Total = 0;
        int32_t Unread = 0;
        int32_t New = 0;
        QString IsoLanguageCode;
        bool IsLastUpdateOk = false;
        cFrequency Frequency;
        QString Description;
        QString NextUpdateDateTime_UTC;
    } F;
};

class cChannelDetailStatTable : public cSQLTable {
public:
    explicit cChannelDetailStatTable(cSQLDatabase& database);

    cChannelDetailStat* Record(int index) const { return ItemAs<cChannelDetailStat>(index); }

    void QueryChannelDetails();
};
