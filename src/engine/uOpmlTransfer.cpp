#include "engine/uOpmlTransfer.h"

#include "ingest/uCategoryLinks.h"
#include "ingest/uChannel.h"
#include "model/uOMCategory.h"
#include "model/uOMChannel2Category.h"
#include "storage/uErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <initializer_list>

namespace {

QSet<QString> SubscribedUrls(cSQLDatabase& database) {
    cOmChannelTable channels(database);
    channels.OpenAllChannels();
    QSet<QString> urls;
    for (int index = 0; index < channels.Count(); ++index)
        urls.insert(channels.Record(index)->ChannelURL());
    return urls;
}

// New channels for the outlines whose feeds are not subscribed, each linked
// to a category named after its folder.
cOpmlImport AddOutlines(const QList<cOutline>& outlines, QSet<QString> subscribed,
                        cChannelTable& channels, cCategoryTable& categories,
                        cChannel2CategoryTable& links) {
    cOpmlImport result;
    for (const cOutline& outline : outlines) {
        if (subscribed.contains(outline.FeedUrl)) {
            ++result.Skipped;
            continue;
        }
        subscribed.insert(outline.FeedUrl);
        cChannel* channel = channels.NewChannel();
        channel->SetChannelURL(outline.FeedUrl);
        channel->SetTitle(outline.Title);
        channel->SetLink(outline.SiteUrl);
        // Due at once, like a channel subscribed by hand.
        channel->SetNextUpdateDateTime_UTC(QString());
        if (!outline.Folder.isEmpty()) {
            EnsureCategories(categories, outline.Folder);
            LinkChannelCategories(links, outline.Folder, *channel, categories);
        }
        ++result.Added;
    }
    return result;
}

// Whether a category the table created is stored by now.
bool AnyStored(cCategoryTable& categories) {
    for (int index = 0; index < categories.Count(); ++index)
        if (categories.FindStoredCategory(categories.Record(index)->Libelle()))
            return true;
    return false;
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EVelmoraError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

QList<cOutline> ReadOpmlFile(const QString& path) {
    try {
        return ReadOpml(ReadWholeFile(path));
    } catch (const EVelmoraError& error) {
        throw EVelmoraError(path + QStringLiteral(": ") + error.Message());
    }
}

cOpmlImport ImportOutlines(cSQLDatabase& database, const QList<cOutline>& outlines) {
    cChannelTable channels(database);
    cCategoryTable categories(database);
    cChannel2CategoryTable links(database);
    const QSet<QString> subscribed = SubscribedUrls(database);
    cOpmlImport result = AddOutlines(outlines, subscribed, channels, categories, links);
    QStringList statements;
    for (cSQLTable* table : std::initializer_list<cSQLTable*>{&channels, &categories, &links})
        table->Flush(statements);
    // Compiled before the write turn. Inside it the subscriptions and the
    // new folders are checked again: another process may have stored some
    // of them since they were read, and storing them again would make them
    // twice.
    const cCompiledBatch batch = database.Connection().CompileBatch(statements);
    database.InTransaction([&] {
        if (SubscribedUrls(database) == subscribed && !AnyStored(categories)) {
            database.Connection().RunBatch(batch);
            return;
        }
        channels.Clear();
        categories.Clear();
        links.Clear();
        result = AddOutlines(outlines, SubscribedUrls(database), channels, categories, links);
        database.SaveAll();
    });
    return result;
}

QList<cOutline> SubscriptionOutlines(cSQLDatabase& database) {
    cOmChannelTable channels(database);
    channels.OpenAllChannels();
    cChannel2CategoryTable links(database);
    cOMCategoryTable categories(database);
    QList<cOutline> outlines;
    for (int index = 0; index < channels.Count(); ++index) {
        const cOmChannelRecord* channel = channels.Record(index);
        // The add-feed dialog takes an empty address; such a channel names no
        // feed another reader could follow.
        if (channel->ChannelURL().trimmed().isEmpty())
            continue;
        links.LoadChannelLinks(channel->ID());
        QString folder;
        if (links.Count() > 0) {
            categories.OpenCategory(links.Record(0)->CategoryId());
            if (categories.Count() > 0)
                folder = categories.Record(0)->Libelle();
        }
        const QString title = channel->Title().isEmpty() ? channel->ChannelURL() : channel->Title();
        outlines.append({channel->ChannelURL(), title, channel->Link(), folder});
    }
    std::stable_sort(
        outlines.begin(), outlines.end(),
        [](const cOutline& first, const cOutline& second) { return first.Title < second.Title; });
    return outlines;
}

namespace {

EVelmoraError CannotWrite(const QString& path, const QFileDevice& file) {
    return EVelmoraError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace

void WriteOpmlFile(const QString& path, const QList<cOutline>& outlines) {
    const QByteArray document = WriteOpml(outlines);
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        // A device or a pipe has no earlier export to keep: written to as
        // it is, and through before anything is reported.
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly) || device.write(document) != document.size() ||
            !device.flush())
            throw CannotWrite(path, device);
        return;
    }
    // The earlier export is replaced only by a whole document: a full disk
    // leaves it as it was.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() ||
        !file.commit())
        throw CannotWrite(path, file);
}
