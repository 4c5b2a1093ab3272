#pragma once

#include "readmodels/uViewRecord.h"
#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// A channel with its stored counters, for the channel list and picker.
class cChannelStat : public cViewRecord {
public:
    bool LoadFromRow() override;
    void Recycle() override;

    QString LanguageCode() const;

    int64_t Id() const { return F.Id; }
    int32_t Unread() const { return F.Unread; }
    int32_t Total() const { return F.Total; }
    int32_t New() const { return F.New; }
    const QString& Title() const { return F.Title; }
    const QString& LastUpdateTime_UTC() const { return F.LastUpdateTime_UTC; }
    const QString& Link() const { return F.Link; }
    const QString& IsoLanguageCode() const { return F.IsoLanguageCode; }
    const QString& ChannelURL() const { return F.ChannelURL; }

private:
    struct cFields {
        int64_t Id = 0;
        int32_t Unread = 0;
        int32_t Total = 0;
        int32_t New = 0;
        QString Title;
        QString LastUpdateTime_UTC;
        QString Link;
        QString IsoLanguageCode;
        QString ChannelURL;
    } F;
};

class cChannelStatTable : public cSQLTable {
public:
    explicit cChannelStatTable(cSQLDatabase& database);

    cChannelStat* Record(int index) const { return ItemAs<cChannelStat>(index); }

    // Order 0 title, 1 last update, 2 total, 3 unread, 4 new.
    void QueryChannelStats(int order, const QString& titleFilter);
    void QueryChannelsWithNew();
};
