#include "app/cli/uCliCommand.h"
#include "app/cli/uCliCommands.h"

#include "engine/uOpmlTransfer.h"
#include "engine/uSubscriptions.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

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
    cCommandParser parser(
        QStringLiteral("add"),
        QStringLiteral("Subscribes to each feed URL (http or https); one already subscribed is "
                       "reported and not added again. A URL that answers a web page subscribes "
                       "the first feed the page links to in its head, and a page linking to "
                       "none is refused. A URL that cannot be reached now is subscribed as "
                       "typed."));
    parser.AddPositional(QStringLiteral("URL"), QStringLiteral("feed or web page address"),
                         QStringLiteral("URL..."));
    parser.Parse(arguments);
    const QStringList urls = parser.Positional();
    if (urls.isEmpty())
        throw EUsageError(QStringLiteral("give at least one URL"));
    // One mistyped address stops the command before anything is fetched or
    // stored.
    for (const QString& url : urls)
        RequireWebAddress(url);
    cSQLDatabase database;
    OpenMainDatabase(database);
    // A page that links to no feed costs only its own address; a fault of
    // the database ends the command.
    int exitCode = ExitSuccess;
    for (const QString& url : urls) {
        cDiscoveredSubscription subscription;
        try {
            subscription = SubscribeDiscovering(database, url);
        } catch (const ESQLiteException&) {
            throw;
        } catch (const EVelmoraError& error) {
            Err() << "velmora-cli add: " << error.Message() << "\n";
            exitCode = ExitFailure;
            continue;
        }
        if (subscription.FeedUrl != url)
            Out() << "page " << url << " links to feed " << subscription.FeedUrl << "\n";
        if (subscription.Added)
            Out() << "added: " << subscription.FeedUrl << " (channel " << subscription.ChannelId
                  << ")\n";
        else
            Out() << "already subscribed: " << subscription.FeedUrl << "\n";
        if (!subscription.FetchError.isEmpty())
            Out() << "  not checked now (" << subscription.FetchError << "); subscribed as typed\n";
    }
    Err().flush();
    return exitCode;
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
    const QString title = RemoveSubscription(database, id);
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
    const QList<cOutline> outlines = ReadOpmlFile(path);
    cSQLDatabase database;
    OpenMainDatabase(database);
    const cOpmlImport imported = ImportOutlines(database, outlines);
    Out() << "imported " << imported.Added << " feeds, skipped " << imported.Skipped
          << " already subscribed, from " << path << "\n";
    return ExitSuccess;
}

int RunExportOpml(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("export-opml"),
                          QStringLiteral("Writes the subscriptions as OPML 2.0, grouped by each "
                                         "channel's first category, to FILE or standard output "
                                         "(no FILE, or -)."));
    parser.AddPositional(QStringLiteral("FILE"),
                         QStringLiteral("the file to write; - for standard output"),
                         QStringLiteral("[FILE]"));
    parser.Parse(arguments);
    if (parser.Positional().size() > 1)
        throw EUsageError(QStringLiteral("give at most one file"));
    cSQLDatabase database;
    OpenMainDatabase(database);
    const QList<cOutline> outlines = SubscriptionOutlines(database);
    if (parser.Positional().isEmpty() || parser.Positional().first() == QLatin1String("-")) {
        Out() << QString::fromUtf8(WriteOpml(outlines));
        return ExitSuccess;
    }
    const QString path = parser.Positional().first();
    WriteOpmlFile(path, outlines);
    Out() << "exported " << outlines.size() << " feeds to " << path << "\n";
    return ExitSuccess;
}
