#include "engine/uOpmlTransfer.h"

#include "EngineFixture.h"
#include "engine/uSubscriptions.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class OpmlTransfer : public EngineFixture {
protected:
    QString Text(const QString& query) { return QString::fromUtf8(Database.QueryText(query)); }
};

cOutline Outline(const char* url, const char* title, const char* folder = "") {
    return {QString::fromLatin1(url), QString::fromLatin1(title),
            QStringLiteral("http://127.0.0.1:1/"), QString::fromLatin1(folder)};
}

// One line per outline, for comparing lists at a glance.
QStringList Lines(const QList<cOutline>& outlines) {
    QStringList lines;
    for (const cOutline& outline : outlines)
        lines << QStringList{outline.FeedUrl, outline.Title, outline.SiteUrl, outline.Folder}.join(
            QLatin1Char('|'));
    return lines;
}

} // namespace

TEST_F(OpmlTransfer, ImportSkipsFeedsAlreadySubscribedOrRepeatedInTheFile) {
    Subscribe(Database, QStringLiteral("http://127.0.0.1:1/known.xml"));
    const cOpmlImport imported =
        ImportOutlines(Database, {Outline("http://127.0.0.1:1/known.xml", "Known", "News"),
                                  Outline("http://127.0.0.1:1/world.xml", "World", "News"),
                                  Outline("http://127.0.0.1:1/world.xml", "World again", "Tech"),
                                  Outline("http://127.0.0.1:1/local.xml", "Local", "News")});
    EXPECT_EQ(imported.Added, 2);
    EXPECT_EQ(imported.Skipped, 2);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel")), 3);
    EXPECT_EQ(Text(QStringLiteral("select group_concat(Libelle) from Category")),
              QStringLiteral("News"))
        << "one category per folder, none for a skipped feed";
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel2Category")), 2);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel where NextUpdateDateTime_UTC = "
                                   "'' and Title = 'World'")),
              1)
        << "an imported feed is due at once, under the outline's title";
}

TEST_F(OpmlTransfer, AnImportThatFailsStoresNothing) {
    // The database refuses the import's last statement, a folder link, after
    // the channels and the category were written in the same transaction.
    Database.Execute(QStringLiteral("create temp trigger RefuseLinks before insert on "
                                    "Channel2Category begin select raise(abort, 'refused'); end"));
    EXPECT_THROW(
        ImportOutlines(Database, {Outline("http://127.0.0.1:1/top.xml", "Top"),
                                  Outline("http://127.0.0.1:1/world.xml", "World", "News")}),
        EVelmoraError);
    for (const char* table : {"Channel", "Category", "Channel2Category"})
        EXPECT_EQ(Count(QStringLiteral("select count(*) from ") + QLatin1String(table)), 0)
            << table;
}

TEST_F(OpmlTransfer, ExportOrdersByTitleInTheFolderOfTheFirstCategory) {
    ImportOutlines(Database, {Outline("http://127.0.0.1:1/z.xml", "Zulu", "Sport"),
                              Outline("http://127.0.0.1:1/a.xml", "Alpha", "News"),
                              Outline("http://127.0.0.1:1/u.xml", "")});
    // A second, later category of Alpha's does not move it, even one made in
    // an earlier session, whose identifier is smaller.
    Database.Execute(QStringLiteral("insert into Category values(1, 'Later')"));
    Database.Execute(QStringLiteral("insert into Channel2Category select ID, 1 from Channel "
                                    "where Title = 'Alpha'"));
    // The add-feed dialog takes an empty address; such a channel names no feed.
    Subscribe(Database, QString());

    EXPECT_EQ(
        Lines(SubscriptionOutlines(Database)),
        (QStringList{QStringLiteral("http://127.0.0.1:1/a.xml|Alpha|http://127.0.0.1:1/|News"),
                     QStringLiteral("http://127.0.0.1:1/z.xml|Zulu|http://127.0.0.1:1/|Sport"),
                     QStringLiteral("http://127.0.0.1:1/u.xml|http://127.0.0.1:1/u.xml|"
                                    "http://127.0.0.1:1/|")}))
        << "an untitled channel goes by its URL, at the top level; one without a URL is left out";
}

TEST_F(OpmlTransfer, AWrittenFileReadsBackAsTheSameOutlines) {
    // Written top level first, then folder by folder: this list is in that order.
    const QList<cOutline> outlines = {Outline("http://127.0.0.1:1/b.xml", "Beta"),
                                      Outline("http://127.0.0.1:1/a.xml", "Alpha & co", "News")};
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("subscriptions.opml"));
    WriteOpmlFile(path, outlines);
    EXPECT_EQ(Lines(ReadOpmlFile(path)), Lines(outlines));
}

TEST_F(OpmlTransfer, AFileThatCannotBeReadRaisesNamingIt) {
    QTemporaryDir folder;
    const QString broken = folder.filePath(QStringLiteral("broken.opml"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<opml version=\"2.0\"><body><outline text=\"a\"></body></opml>");
    file.close();
    for (const QString& path : {broken, folder.filePath(QStringLiteral("missing.opml"))}) {
        try {
            ReadOpmlFile(path);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const EVelmoraError& error) {
            EXPECT_TRUE(error.Message().startsWith(path + QStringLiteral(": ")))
                << error.Message().toStdString();
        }
    }
    EXPECT_THROW(WriteOpmlFile(folder.filePath(QStringLiteral("no/such/folder.opml")), {}),
                 EVelmoraError);
}
