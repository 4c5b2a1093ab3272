#include "engine/uChannelIconList.h"

#include "engine/uChannelIconLoader.h"
#include "engine/uEngineLog.h"
#include "engine/uIconDrawing.h"
#include "engine/uIconImages.h"
#include "engine/uThreadPool.h"
#include "ingest/uChannel.h"
#include "model/uOMChannelIcon.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

#include <QDir>

namespace {

QString IconQuery(int64_t channelId) {
    return QStringLiteral("select * from ChannelIcon where ChannelId=") % NumberText(channelId);
}

QString IconFilePath(const cOMChannelIcon& icon) {
    return GetConfig().ImageCacheFolder % icon.IconFileName();
}

// The cache folder is made again when it has gone, as when a user clears
// caches: without it no icon could ever be stored.
void SaveIconFile(const QImage& picture, const cOMChannelIcon& icon) {
    QDir().mkpath(GetConfig().ImageCacheFolder);
    SaveBitmapFile(picture, IconFilePath(icon));
}

// A stored time that cannot be read counts as now.
QDateTime LastUpdate(const cOMChannelIcon& icon, const QDateTime& now) {
    try {
        return TextToDateTime(icon.LastIconUpdate_UTC());
    } catch (const EVelmoraError&) {
        return now;
    }
}

} // namespace

cChannelIconList::cChannelIconList(int capacity, cJobSink submit)
    : FCapacity(std::max(1, capacity)), FSubmit(std::move(submit)) {}

QImage cChannelIconList::GetIcon(int64_t channelId) {
    cInterLockGuard hold(FLock);
    for (const cChannelInCache& entry : FEntries)
        if (entry.ChannelId == channelId)
            return entry.Picture;
    const QImage picture = LoadIcon(channelId);
    Cache(channelId, picture);
    return picture;
}

QImage cChannelIconList::LoadIcon(int64_t channelId) {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    cOMChannelIconTable icons(database);
    cChannelTable channels(database);
    channels.OpenChannel(channelId);
    if (channels.Count() == 0)
        return DrawPlaceholder(QString());

    icons.Query(IconQuery(channelId));
    cOMChannelIcon* icon = icons.Count() > 0 ? icons.Record(0) : nullptr;
    if (!icon) {
        icon = icons.NewIcon();
        icon->SetChannelId(channelId);
        icon->SetIconFileName(NumberText(channelId) % QStringLiteral(".bmp"));
        icon->SetIsLastIconUpdateOk(false);
        database.SaveAllInTransaction();
    }

    const QString path = IconFilePath(*icon);
    QImage picture = LoadBitmapFile(path);
    if (picture.isNull()) {
        picture = DrawPlaceholder(channels.Record(0)->Title());
        SaveIconFile(picture, *icon);
    }

    const QDateTime now = LocalNow();
    const bool fresh = icon->IsLastIconUpdateOk() && now < LastUpdate(*icon, now).addDays(1);
    if (fresh || FLoading.contains(channelId))
        return picture;
    icon->SetIsLastIconUpdateOk(false);
    icon->SetLastIconUpdate_UTC(DateTimeToText(now));
    database.SaveAllInTransaction();
    FLoading.insert(channelId);
    try {
        FSubmit(std::make_unique<cChannelIconLoaderJob>(channelId, *this));
    } catch (...) {
        FLoading.erase(channelId);
        throw;
    }
    return picture;
}

// A ring: once full, entries are replaced in the order they were filled,
// however often they are used.
void cChannelIconList::Cache(int64_t channelId, const QImage& picture) {
    if (static_cast<int>(FEntries.size()) < FCapacity) {
        FEntries.push_back({channelId, picture});
        return;
    }
    FEntries[static_cast<size_t>(FReplacePosition)] = {channelId, picture};
    FReplacePosition = (FReplacePosition + 1) % FCapacity;
}

void cChannelIconList::StoreIcon(const QImage& picture, int64_t channelId) {
    // The row and the file are written without the cache lock, so that the
    // GUI thread's lookups never wait for a worker's commit: a lookup that
    // reads the row meanwhile finds the old state or the new one, and the
    // ring is brought up to date below either way. The file is replaced
    // whole, never seen half written.
    try {
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        cOMChannelIconTable icons(database);
        icons.Query(IconQuery(channelId));
        if (icons.Count() == 0)
            throw EVelmoraError(QStringLiteral("no icon row for channel id") %
                                NumberText(channelId));
        cOMChannelIcon* icon = icons.Record(0);
        icon->SetIsLastIconUpdateOk(true);
        icon->SetLastIconUpdate_UTC(DateTimeToText(LocalNow()));
        bool channelExists = false;
        database.InTransaction([&] {
            // A channel removed while its image loaded gets nothing.
            cChannelTable channels(database);
            channels.OpenChannel(channelId);
            channelExists = channels.Count() > 0;
            if (!channelExists)
                return;
            database.SaveAll();
            SaveIconFile(picture, *icon);
        });
        if (!channelExists)
            return;
    } catch (const EVelmoraError& error) {
        qCDebug(EngineLog) << "channel" << channelId << "icon not stored:" << error.Message();
    }
    cInterLockGuard hold(FLock);
    for (cChannelInCache& entry : FEntries)
        if (entry.ChannelId == channelId)
            entry.Picture = picture;
}

void cChannelIconList::SetIconsChangedNotice(std::function<void()> notice) {
    std::lock_guard<std::mutex> hold(FNoticeLock);
    FNotice = std::move(notice);
}

void cChannelIconList::NotifyIconsChanged() {
    std::function<void()> notice;
    {
        std::lock_guard<std::mutex> hold(FNoticeLock);
        notice = FNotice;
    }
    if (notice)
        notice();
}

void cChannelIconList::LoadEnded(int64_t channelId) {
    cInterLockGuard hold(FLock);
    FLoading.erase(channelId);
}

std::vector<int64_t> cChannelIconList::CachedChannelIds() {
    cInterLockGuard hold(FLock);
    std::vector<int64_t> ids;
    for (const cChannelInCache& entry : FEntries)
        ids.push_back(entry.ChannelId);
    return ids;
}

cChannelIconList& GetChannelIconList() {
    // Never destroyed: a loader job still running while the process ends
    // (the pool's workers are joined among the static objects) stores into
    // it.
    static cChannelIconList* const list =
        new cChannelIconList(GetConfig().IconCacheSize, [](std::unique_ptr<cBaseJob> job) {
            GetThreadPool().AddJob(std::move(job));
        });
    return *list;
}
