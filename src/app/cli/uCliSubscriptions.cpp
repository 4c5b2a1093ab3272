#include "app/cli/uCliCommand.h"
#include "app/cli/uCliCommands.h"

#include "ingest/uCategoryLinks.h"
#include "ingest/uChannel.h"
#include "ingest/uOPML.h"
#include "model/uOMCategory.h"
#include "model/uOMChannel2Category.h"
#include "storage/uSQLValue.h"
#include "storage/uSchema.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace {

QSet<QString> SubscribedUrls(cSQLDatabase& database) {
    cChannelTable channels(database);
    channels.Query(QStringLiteral("select * from channel"));
    QSet<QString> urls;
    for (int index = 0; index < channels.Count(); ++index)
        urls.insert(channels.Record(index)->ChannelURL());
    return urls;
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EVelmoraError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

int RunInit(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("init"),
                          QStringLiteral("Creates the data folder tree and both databases when "
                                         "they are missing; existing files are left untouched."));
    parser.Parse(arguments);
    if (!parser.Positional().isEmpty())
        throw EUsageError(QStringLiteral("init takes no arguments"));
    const QStringList created = EnsureDataFiles();
    if (created.isEmpty())
        Out() << "All folders and databases were already there.\n";
    for (const QString& path : created)
        Out() << "Created " << path << "\n";
    return ExitSuccess;
}

int RunAdd(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("add"),
                          QStringLiteral("Subscribes to each feed URL; one already subscribed is "
                                         "reported and not added again."));
    parser.AddPositional(QStringLiteral("URL"), QStringLiteral("feed address"),
                         QStringLiteral("URL..."));
    parser.Parse(arguments);
    const QStringList urls = parser.Positional();
    if (urls.isEmpty())
        throw EUsageError(QStringLiteral("give at least one URL"));
    cSQLDatabase database;
    OpenMainDatabase(database);
    QSet<QString> subscribed = SubscribedUrls(database);
    cChannelTable channels(database);
    for (const QString& url : urls) {
        if (subscribed.contains(url)) {
            Out() << "already subscribed: " << url << "\n";
            continue;
        }
        const int64_t id = channels.AddChannel(url);
        subscribed.insert(url);
        Out() << "added: " << url << " (channel " << id << ")\n";
    }
    return ExitSuccess;
}

int RunRemove(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("remove"),
                          QStringLiteral("Removes a channel with its items, their enclosures and "
                                         "their links."));
    parser.AddPositional(QStringLiteral("CHANNEL_ID"), QStringLiteral("the channel's id"),
                         QStringLiteral("CHANNEL_ID"));
    parser.Parse(arguments);
    if (parser.Positional().size() != 1)
        throw EUsageError(QStringLiteral("give one channel id"));
    const int64_t id = ParseId(parser.Positional().first());
    cSQLDatabase database;
    OpenMainDatabase(database);
    cChannelTable channels(database);
    channels.OpenChannel(id);
    if (channels.Count() == 0)
        throw EVelmoraError(QStringLiteral("no channel %1").arg(id));
    const QString title = channels.Record(0)->Title();
    channels.RemoveChannel(id);
    Out() << "removed: channel " << id << " " << title << "\n";
    return ExitSuccess;
}

int RunImportOpml(const QStringList& arguments) {
    cCommandParser parser(
        QStringLiteral("import-opml"),
        QStringLiteral("Subscribes to every feed of an OPML file, each linked to a category named "
                       "after its folder. Feeds already subscribed are skipped. A file that "
                       "cannot be read imports nothing."));
    parser.AddPositional(QStringLiteral("FILE"), QStringLiteral("the OPML file"),
                         QStringLiteral("FILE"));
    parser.Parse(arguments);
    if (parser.Positional().size() != 1)
        throw EUsageError(QStringLiteral("give one OPML file"));
    const QString path = parser.Positional().first();
    QList<cOutline> outlines;
    try {
        outlines = ReadOpml(ReadWholeFile(path));
    } catch (const EVelmoraError& error) {
        throw EVelmoraError(path + QStringLiteral(": ") + error.Message());
    }

    cSQLDatabase database;
    OpenMainDatabase(database);
    QSet<QString> subscribed = SubscribedUrls(database);
    cChannelTable channels(database);
    cCategoryTable categories(database);
    cChannel2CategoryTable links(database);
    int added = 0;
    int skipped = 0;
    for (const cOutline& outline : outlines) {
        if (subscribed.contains(outline.FeedUrl)) {
            ++skipped;
            continue;
        }
        subscribed.insert(outline.FeedUrl);
        auto* channel = static_cast<cChannel*>(channels.NewRecord());
        channel->SetChannelURL(outline.FeedUrl);
        channel->SetTitle(outline.Title);
        channel->SetLink(outline.SiteUrl);
        channel->SetNextUpdateDateTime_UTC(QString());
        if (!outline.Folder.isEmpty()) {
            EnsureCategories(categories, outline.Folder);
            LinkChannelCategories(links, outline.Folder, *channel, categories);
        }
        ++added;
    }
    database.SaveAllInTransaction();
    Out() << "imported " << added << " feeds, skipped " << skipped << " already subscribed, from "
          << path << "\n";
    return ExitSuccess;
}

int RunExportOpml(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("export-opml"),
                          QStringLiteral("Writes the subscriptions as OPML 2.0, grouped by each "
                                         "channel's first category, to FILE or standard output."));
    parser.AddPositional(QStringLiteral("FILE"), QStringLiteral("the file to write"),
                         QStringLiteral("[FILE]"));
    parser.Parse(arguments);
    if (parser.Positional().size() > 1)
        throw EUsageError(QStringLiteral("give at most one file"));
    cSQLDatabase database;
    OpenMainDatabase(database);
    cChannelTable channels(database);
    channels.Query(QStringLiteral("select * from channel"));
    cChannel2CategoryTable links(database);
    QList<cOutline> outlines;
    for (int index = 0; index < channels.Count(); ++index) {
        const cChannel* channel = channels.Record(index);
        links.LoadChannelLinks(channel->ID());
        QString folder;
        if (links.Count() > 0)
            folder = QString::fromUtf8(
                database.QueryText(QStringLiteral("select Libelle from Category where ID = ") +
                                   NumberText(links.Record(0)->CategoryId())));
        const QString title = channel->Title().isEmpty() ? channel->ChannelURL() : channel->Title();
        outlines.append({channel->ChannelURL(), title, channel->Link(), folder});
    }
    std::stable_sort(
        outlines.begin(), outlines.end(),
        [](const cOutline& first, const cOutline& second) { return first.Title < second.Title; });
    const QByteArray document = WriteOpml(outlines);
    if (parser.Positional().isEmpty()) {
        Out() << QString::fromUtf8(document);
        return ExitSuccess;
    }
    QFile file(parser.Positional().first());
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size())
        throw EVelmoraError(
            QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    Out() << "exported " << outlines.size() << " feeds to " << file.fileName() << "\n";
    return ExitSuccess;
}
