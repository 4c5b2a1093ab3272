#pragma once

#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// A channel's update interval, stored as the text "d:%2dh:%2dm:%2d".
struct cFrequency {
    int32_t Days = 0;
    int32_t Hours = 0;
    int32_t Minutes = 0;

    bool operator==(const cFrequency&) const = default;
};

// The stored text of a frequency ("d: 1h: 0m:30" for one day and 30 minutes).
QString FrequencyText(const cFrequency& frequency);
// Reads the stored text back; text that does not read gives 30 minutes.
cFrequency FrequencyFromText(const QString& text);

// One row of Channel: a subscribed feed.
class cOmChannelRecord : public cSQLRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;
    void Attach(cSQLTable* owner) override;

    int64_t ID() const { return F.ID; }
    const QString& Title() const { return F.Title; }
    const QString& IsoLanguageCode() const { return F.IsoLanguageCode; }
    uint8_t DefaultEnclosureStatus() const { return F.DefaultEnclosureStatus; }
    const QString& ChannelURL() const { return F.ChannelURL; }
    const QString& Link() const { return F.Link; }
    const QString& Description() const { return F.Description; }
    const QString& PubDate_822() const { return F.PubDate_822; }
    const QString& LastBuildDate_822() const { return F.LastBuildDate_822; }
    const QString& ImageURL() const { return F.ImageURL; }
    const QString& LastUpdateTime_UTC() const { return F.LastUpdateTime_UTC; }
    const cFrequency& Frequency() const { return F.Frequency; }
    const QString& LastArchiveTime_UTC() const { return F.LastArchiveTime_UTC; }
    bool IsLastUpdateOk() const { return F.IsLastUpdateOk; }
    const QString& NextUpdateDateTime_UTC() const { return F.NextUpdateDateTime_UTC; }

    void SetTitle(const QString& value);
    void SetIsoLanguageCode(const QString& value);
    void SetChannelURL(const QString& value);
    void SetLink(const QString& value);
    void SetDescription(const QString& value);
    void SetPubDate_822(const QString& value);
    void SetImageURL(const QString& value);
    void SetLastUpdateTime_UTC(const QString& value);
    void SetIsLastUpdateOk(bool value);
    void SetNextUpdateDateTime_UTC(const QString& value);

private:
    struct cFields {
        int64_t ID = 0;
        QString Title;
        QString IsoLanguageCode;
        uint8_t DefaultEnclosureStatus = 0;
        QString ChannelURL;
        QString Link;
        QString Description;
        QString PubDate_822;
        QString LastBuildDate_822;
        QString ImageURL;
        QString LastUpdateTime_UTC;
        cFrequency Frequency;
        QString LastArchiveTime_UTC;
        bool IsLastUpdateOk = false;
        QString NextUpdateDateTime_UTC;
    } F;
};

class cOmChannelTable : public cSQLTable {
public:
    explicit cOmChannelTable(cSQLDatabase& database, const cRecordClass* recordClass = nullptr);

    cOmChannelRecord* Record(int index) const { return ItemAs<cOmChannelRecord>(index); }
    cOmChannelRecord* NewChannel() { return NewRecordAs<cOmChannelRecord>(); }

    // Every subscribed channel, in stored order.
    void OpenAllChannels();
    // The channels subscribed under exactly that URL.
    void OpenChannelsByUrl(const QString& url);
};

// How many channels are subscribed.
int64_t CountChannels(cSQLDatabase& database);
