#include "TestHttpServer.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct cRun {
    int ExitCode;
    QString Output;
    QString Errors;
};

// The built tool, run as a process in a home folder of its own.
class cCli {
public:
    cCli() {
        for (const QString& line : Run({QStringLiteral("init")}).Output.split(QLatin1Char('\n')))
            if (line.endsWith(QStringLiteral("/velmora.dat")))
                FDatabasePath = line.mid(line.indexOf(QLatin1Char('/')));
    }

    cRun Run(const QStringList& arguments) const {
        return Run(arguments, [] {});
    }
    // Run with no file of the process allowed to grow past limit bytes: a
    // write there fails as on a full disk instead of killing the process.
    cRun RunWithFileSizeLimit(const QStringList& arguments, rlim_t limit) const {
        return Run(arguments, [limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        });
    }
    // Run with standard output on the device that is always full.
    cRun RunWithFullOutput(const QStringList& arguments) const {
        return Run(arguments, [] {
            const int full = open("/dev/full", O_WRONLY);
            dup2(full, STDOUT_FILENO);
        });
    }
    cRun Run(const QStringList& arguments, const std::function<void()>& inChild) const {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.setChildProcessModifier(inChild);
        process.start(QStringLiteral(VELMORA_CLI), arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), FHome.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           FHome.path() + QStringLiteral("/.config"));
        return environment;
    }
    QString WriteFile(const QString& name, const QByteArray& content) const {
        const QString path = FHome.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }
    QString Home() const { return FHome.path(); }
    // The main database, as init reported it.
    const QString& DatabasePath() const { return FDatabasePath; }

private:
    QTemporaryDir FHome;
    QString FDatabasePath;
};

// Garbage over the first page of each named table or index, inside an
// otherwise sound file.
void DamagePagesOf(const QString& path, const QStringList& names) {
    QList<qint64> offsets;
    qint64 pageSize = 0;
    {
        cSQLDatabase database;
        database.Open(path);
        pageSize = database.QueryInt64(QStringLiteral("PRAGMA page_size"));
        for (const QString& name : names)
            offsets << (database.QueryInt64(
                            QStringLiteral("select rootpage from sqlite_master where name = '%1'")
                                .arg(name)) -
                        1) *
                           pageSize;
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    for (qint64 offset : offsets) {
        ASSERT_TRUE(file.seek(offset));
        file.write(QByteArray(pageSize, '\xA5'));
    }
}

// The rows of a tab-separated listing, without its header.
QList<QStringList> Rows(const QString& listing) {
    QList<QStringList> rows;
    const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int index = 1; index < lines.size(); ++index)
        rows.append(lines[index].split(QLatin1Char('\t')));
    return rows;
}

QStringList Guids(int count) {
    QStringList guids;
    for (int index = 0; index < count; ++index)
        guids << QStringLiteral("g%1").arg(index);
    return guids;
}

QByteArray Feed(const char* title, const QStringList& guids) {
    QByteArray feed = QByteArray("<rss><channel><title>") + title + "</title>";
    for (const QString& guid : guids)
        feed += "<item><title>Item " + guid.toUtf8() + "</title><guid>" + guid.toUtf8() +
                "</guid><link>http://127.0.0.1/" + guid.toUtf8() + "</link></item>";
    return feed + "</channel></rss>";
}

cTestEndpoint Serving(const QByteArray& body) {
    cTestEndpoint endpoint;
    endpoint.Body = body;
    return endpoint;
}

const QByteArray FolderedOpml = R"(<?xml version="1.0"?>
<opml version="1.1"><head><title>mine</title></head><body>
  <outline text="Top" xmlUrl="http://127.0.0.1:1/top.xml"/>
  <outline text="News">
    <outline text="World" title="World news" xmlUrl="http://127.0.0.1:1/world.xml" htmlUrl="http://127.0.0.1:1/"/>
    <outline text="Deeper"><outline text="Local" xmlUrl="http://127.0.0.1:1/local.xml"/></outline>
  </outline>
  <outline text="Tech" xmlUrl="http://127.0.0.1:1/top.xml"/>
</body></opml>
)";

} // namespace

TEST(Cli, SubscriptionsSurviveAnOpmlRoundTrip) {
    cCli cli;
    const cRun added = cli.Run({QStringLiteral("add"), QStringLiteral("http://127.0.0.1:1/a.xml")});
    EXPECT_EQ(added.ExitCode, 0);
    const cRun again = cli.Run({QStringLiteral("add"), QStringLiteral("http://127.0.0.1:1/a.xml")});
    EXPECT_TRUE(again.Output.startsWith(QStringLiteral("already subscribed:")))
        << again.Output.toStdString();

    const cRun imported = cli.Run(
        {QStringLiteral("import-opml"), cli.WriteFile(QStringLiteral("in.opml"), FolderedOpml)});
    EXPECT_EQ(imported.ExitCode, 0) << imported.Errors.toStdString();
    EXPECT_TRUE(imported.Output.startsWith(QStringLiteral("imported 3 feeds, skipped 1")))
        << imported.Output.toStdString();

    const QString exportPath = cli.Home() + QStringLiteral("/out.opml");
    ASSERT_EQ(cli.Run({QStringLiteral("export-opml"), exportPath}).ExitCode, 0);
    const cRun exported = cli.Run({QStringLiteral("export-opml")});
    EXPECT_TRUE(exported.Output.contains(QStringLiteral("<outline text=\"News\" title=\"News\">")))
        << exported.Output.toStdString();
    EXPECT_TRUE(
        exported.Output.contains(QStringLiteral("xmlUrl=\"http://127.0.0.1:1/local.xml\"")));
    EXPECT_EQ(cli.Run({QStringLiteral("export-opml"), QStringLiteral("-")}).Output,
              exported.Output);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("-")));

    cCli fresh;
    ASSERT_EQ(fresh.Run({QStringLiteral("import-opml"), exportPath}).ExitCode, 0);
    EXPECT_EQ(fresh.Run({QStringLiteral("export-opml")}).Output, exported.Output);
}

// A backup of the subscriptions that did not reach the disk is no success.
TEST(Cli, AnExportThatCannotBeWrittenFailsWithItsReason) {
    cCli cli;
    ASSERT_EQ(cli.Run({QStringLiteral("add"), QStringLiteral("http://127.0.0.1:1/a.xml")}).ExitCode,
              0);
    // The device that is always full.
    const cRun toFile = cli.Run({QStringLiteral("export-opml"), QStringLiteral("/dev/full")});
    EXPECT_EQ(toFile.ExitCode, 1);
    EXPECT_TRUE(toFile.Errors.contains(QStringLiteral("cannot write /dev/full: No space left")))
        << toFile.Errors.toStdString();

    const cRun toOutput = cli.RunWithFullOutput({QStringLiteral("export-opml")});
    EXPECT_EQ(toOutput.ExitCode, 1);
    EXPECT_TRUE(toOutput.Errors.contains(QStringLiteral("cannot write to standard output")))
        << toOutput.Errors.toStdString();
    EXPECT_EQ(cli.RunWithFullOutput({QStringLiteral("channels")}).ExitCode, 1);

    // An export too large for the disk leaves the earlier one as it was.
    QByteArray many = "<opml version=\"2.0\"><body>";
    for (int index = 0; index < 400; ++index)
        many += "<outline type=\"rss\" text=\"A feed with a long enough title\" "
                "xmlUrl=\"http://127.0.0.1:1/feeds/" +
                QByteArray::number(index) + ".xml\"/>";
    many += "</body></opml>";
    ASSERT_EQ(
        cli.Run({QStringLiteral("import-opml"), cli.WriteFile(QStringLiteral("many.opml"), many)})
            .ExitCode,
        0);
    QDir(cli.Home()).mkdir(QStringLiteral("exports"));
    const QString earlier = cli.WriteFile(QStringLiteral("exports/out.opml"), "earlier export");
    // 32 KiB: room for the database's shared-memory index, not for the
    // document.
    const cRun tooLarge = cli.RunWithFileSizeLimit({QStringLiteral("export-opml"), earlier}, 32768);
    EXPECT_EQ(tooLarge.ExitCode, 1);
    EXPECT_TRUE(tooLarge.Errors.contains(QStringLiteral("cannot write ") + earlier))
        << tooLarge.Errors.toStdString();
    QFile kept(earlier);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("earlier export"));
    EXPECT_EQ(QDir(cli.Home() + QStringLiteral("/exports")).entryList(QDir::Files),
              QStringList{QStringLiteral("out.opml")});
}

TEST(Cli, AMalformedOpmlImportsNothingAndSaysWhere) {
    cCli cli;
    QByteArray broken = FolderedOpml;
    broken.replace("</body>", "</bdy>");
    const cRun run =
        cli.Run({QStringLiteral("import-opml"), cli.WriteFile(QStringLiteral("bad.opml"), broken)});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("bad.opml: ")) &&
                run.Errors.contains(QStringLiteral("line 9")))
        << run.Errors.toStdString();
    EXPECT_FALSE(
        cli.Run({QStringLiteral("export-opml")}).Output.contains(QStringLiteral("xmlUrl")));
    EXPECT_EQ(cli.Run({QStringLiteral("import-opml"), cli.Home() + QStringLiteral("/missing.opml")})
                  .ExitCode,
              1);
}

TEST(Cli, RefreshListsAndReadMarksWorkOnTheSameData) {
    cTestHttpServer server;
    auto daily = server.Serve("/daily.xml", Serving(Feed("Daily", {"d1", "d2"})));
    auto weekly = server.Serve("/weekly.xml", Serving(Feed("Weekly", {"w1"})));
    cCli cli;
    ASSERT_EQ(cli.Run({QStringLiteral("add"), server.Url("/daily.xml"), server.Url("/weekly.xml"),
                       QStringLiteral("http://127.0.0.1:1/gone.xml")})
                  .ExitCode,
              0);
    const cRun refreshed = cli.Run({QStringLiteral("refresh")});
    EXPECT_EQ(refreshed.ExitCode, 0) << refreshed.Errors.toStdString();
    EXPECT_TRUE(refreshed.Output.startsWith(
        QStringLiteral("refreshed 2 channels (0 not modified), 1 failed, 3 new items\nfailed: ")))
        << refreshed.Output.toStdString();

    const QList<QStringList> channels = Rows(
        cli.Run({QStringLiteral("channels"), QStringLiteral("--sort"), QStringLiteral("total")})
            .Output);
    ASSERT_EQ(channels.size(), 3);
    EXPECT_EQ(channels[0].mid(1, 5),
              (QStringList{QStringLiteral("Daily"), QStringLiteral("ok"), QStringLiteral("2"),
                           QStringLiteral("2"), QStringLiteral("2")}));
    EXPECT_EQ(channels[2].mid(2, 4), (QStringList{QStringLiteral("failed"), QStringLiteral("0"),
                                                  QStringLiteral("0"), QStringLiteral("0")}));
    const QString dailyId = channels[0][0];

    const QList<QStringList> items =
        Rows(cli.Run({QStringLiteral("items"), QStringLiteral("--sort"), QStringLiteral("title")})
                 .Output);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0][4], QStringLiteral("Item d1"));
    EXPECT_EQ(items[0][3], QStringLiteral("unread"));

    EXPECT_EQ(cli.Run({QStringLiteral("read"), items[0][0]}).ExitCode, 0);
    EXPECT_EQ(Rows(cli.Run({QStringLiteral("items"), QStringLiteral("--unread")}).Output).size(),
              2);
    EXPECT_EQ(cli.Run({QStringLiteral("read"), QStringLiteral("--channel"), dailyId}).ExitCode, 0);
    const QList<QStringList> unread =
        Rows(cli.Run({QStringLiteral("items"), QStringLiteral("--unread")}).Output);
    ASSERT_EQ(unread.size(), 1);
    EXPECT_EQ(unread[0][4], QStringLiteral("Item w1"));
    for (const QStringList& mistyped :
         {QStringList{QStringLiteral("99")},
          QStringList{QStringLiteral("--channel"), QStringLiteral("99")},
          QStringList{QStringLiteral("--category"), QStringLiteral("99")}}) {
        const cRun run = cli.Run(QStringList{QStringLiteral("read")} + mistyped);
        EXPECT_EQ(run.ExitCode, 1) << mistyped.join(' ').toStdString();
        EXPECT_TRUE(run.Errors.contains(QStringLiteral(" 99; nothing was marked")))
            << run.Errors.toStdString();
    }

    // A refresh of everything brings the counters up to date with the marks.
    EXPECT_TRUE(cli.Run({QStringLiteral("refresh"), QStringLiteral("--all")})
                    .Output.startsWith(QStringLiteral(
                        "refreshed 2 channels (0 not modified), 1 failed, 0 new items\n")));
    const QList<QStringList> after = Rows(
        cli.Run({QStringLiteral("channels"), QStringLiteral("--filter"), QStringLiteral("dai")})
            .Output);
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0].mid(3, 3),
              (QStringList{QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("0")}));

    EXPECT_EQ(cli.Run({QStringLiteral("remove"), dailyId}).ExitCode, 0);
    EXPECT_EQ(Rows(cli.Run({QStringLiteral("items")}).Output).size(), 1);
    EXPECT_EQ(cli.Run({QStringLiteral("remove"), dailyId}).ExitCode, 1);
}

TEST(Cli, AddTakesTheFeedAPageLinksToAndRefusesWhatNamesNone) {
    cTestHttpServer server;
    auto feed = server.Serve("/feed.xml", Serving(Feed("Linked", {"l1"})));
    cTestEndpoint page;
    page.ContentType = "text/html";
    page.Body = "<html><head><link rel=\"alternate\" type=\"application/atom+xml\" "
                "href=\"feed.xml\"></head><body>Home</body></html>";
    auto home = server.Serve("/home", page);
    page.Body = "<html><head><title>Plain</title></head><body>Nothing</body></html>";
    auto plain = server.Serve("/plain", page);
    cCli cli;
    const QString feedUrl = server.Url("/feed.xml");
    const struct {
        QStringList urls;
        QString errors;
    } refused[] = {
        {{QStringLiteral("not a url")},
         QStringLiteral("velmora-cli add: \"not a url\" is not an http or https address; nothing "
                        "was subscribed\n")},
        // Every address is checked before the first is fetched.
        {{feedUrl, QStringLiteral("www.example.test/feed")},
         QStringLiteral("velmora-cli add: \"www.example.test/feed\" is not an http or https "
                        "address; nothing was subscribed\n")},
        {{server.Url("/plain")},
         QStringLiteral("velmora-cli add: %1 is not a feed, and its page links to no feed (<link "
                        "rel=\"alternate\"> of an RSS, Atom or RDF type in its head); nothing "
                        "was subscribed\n")
             .arg(server.Url("/plain"))},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.urls.join(' ').toStdString());
        const cRun run = cli.Run(QStringList{QStringLiteral("add")} + row.urls);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Errors, row.errors);
        EXPECT_EQ(run.Output, QString());
        EXPECT_FALSE(
            cli.Run({QStringLiteral("export-opml")}).Output.contains(QStringLiteral("xmlUrl")));
    }

    const cRun added = cli.Run({QStringLiteral("add"), server.Url("/home")});
    EXPECT_EQ(added.ExitCode, 0) << added.Errors.toStdString();
    EXPECT_TRUE(added.Output.startsWith(QStringLiteral("page %1 links to feed %2\nadded: %2 "
                                                       "(channel ")
                                            .arg(server.Url("/home"), feedUrl)))
        << added.Output.toStdString();
    const QString exported = cli.Run({QStringLiteral("export-opml")}).Output;
    EXPECT_TRUE(exported.contains(QStringLiteral("xmlUrl=\"%1\"").arg(feedUrl)))
        << exported.toStdString();
    EXPECT_FALSE(exported.contains(server.Url("/home"))) << exported.toStdString();

    const cRun unreachable =
        cli.Run({QStringLiteral("add"), QStringLiteral("http://127.0.0.1:1/later.xml")});
    EXPECT_EQ(unreachable.ExitCode, 0) << unreachable.Errors.toStdString();
    EXPECT_TRUE(unreachable.Output.startsWith(
        QStringLiteral("added: http://127.0.0.1:1/later.xml (channel ")))
        << unreachable.Output.toStdString();
    EXPECT_TRUE(unreachable.Output.contains(QStringLiteral("); subscribed as typed\n")))
        << unreachable.Output.toStdString();

    // A page without a feed costs only its own address.
    const cRun mixed = cli.Run(
        {QStringLiteral("add"), server.Url("/plain"), QStringLiteral("http://127.0.0.1:1/b.xml")});
    EXPECT_EQ(mixed.ExitCode, 1);
    EXPECT_TRUE(mixed.Errors.contains(QStringLiteral("%1 is not a feed").arg(server.Url("/plain"))))
        << mixed.Errors.toStdString();
    EXPECT_TRUE(mixed.Output.startsWith(QStringLiteral("added: http://127.0.0.1:1/b.xml")))
        << mixed.Output.toStdString();
}

TEST(Cli, EverySubscriptionIsListedAndFailingFeedsSayWhy) {
    cTestHttpServer server;
    cTestEndpoint unchanged = Serving(Feed("Steady", {"s1"}));
    unchanged.Headers = {{"Last-Modified", "Tue, 15 Nov 1994 12:45:26 GMT"}};
    unchanged.Conditional = true;
    auto steady = server.Serve("/steady.xml", unchanged);
    // An error page is no feed, even one that reads as a feed.
    cTestEndpoint missing = Serving(Feed("Error page", {"e1"}));
    missing.Status = 404;
    auto gone = server.Serve("/gone.xml", missing);
    auto broken =
        server.Serve("/broken.xml", Serving("<rss><channel><title>B</titel></channel></rss>"));
    cCli cli;
    const QString refused = QStringLiteral("http://127.0.0.1:1/refused.xml");
    const QString neverRefreshed = QStringLiteral("http://127.0.0.1:1/later.xml");
    // Taken as given: add would refuse to subscribe the malformed feed.
    QByteArray opml = "<opml version=\"2.0\"><body>";
    for (const QString& url :
         {server.Url("/steady.xml"), server.Url("/gone.xml"), server.Url("/broken.xml"), refused})
        opml += "<outline text=\"f\" xmlUrl=\"" + url.toUtf8() + "\"/>";
    ASSERT_EQ(cli.Run({QStringLiteral("import-opml"),
                       cli.WriteFile(QStringLiteral("feeds.opml"), opml + "</body></opml>")})
                  .ExitCode,
              0);
    EXPECT_EQ(cli.Run({QStringLiteral("refresh")}).ExitCode, 0);
    ASSERT_EQ(cli.Run({QStringLiteral("add"), neverRefreshed}).ExitCode, 0);

    QMap<QString, QString> states;
    for (const QStringList& row : Rows(cli.Run({QStringLiteral("channels")}).Output))
        states.insert(row.last(), row[2]);
    EXPECT_EQ(states, (QMap<QString, QString>{{server.Url("/steady.xml"), QStringLiteral("ok")},
                                              {server.Url("/gone.xml"), QStringLiteral("failed")},
                                              {server.Url("/broken.xml"), QStringLiteral("failed")},
                                              {refused, QStringLiteral("failed")},
                                              {neverRefreshed, QStringLiteral("new")}}));

    const cRun failing = cli.Run({QStringLiteral("channels"), QStringLiteral("--failing")});
    EXPECT_EQ(failing.ExitCode, 0);
    QMap<QString, QString> reasons;
    for (const QStringList& row : Rows(failing.Output))
        reasons.insert(row.last(), row[3] + QLatin1Char(' ') + row[4]);
    ASSERT_EQ(reasons.size(), 3) << failing.Output.toStdString();
    EXPECT_EQ(reasons.value(server.Url("/gone.xml")), QStringLiteral("404 HTTP 404 Not Found"));
    EXPECT_TRUE(reasons.value(server.Url("/broken.xml"))
                    .startsWith(QStringLiteral("200 not a feed: Opening and ending tag mismatch")))
        << reasons.value(server.Url("/broken.xml")).toStdString();
    EXPECT_TRUE(reasons.value(refused).startsWith(QStringLiteral("- no connection (")))
        << reasons.value(refused).toStdString();
    EXPECT_EQ(Rows(cli.Run({QStringLiteral("items")}).Output).size(), 1)
        << "only the steady feed's item is stored";

    // The steady feed answers 304 now; the refresh names every failure.
    const cRun again = cli.Run({QStringLiteral("refresh"), QStringLiteral("--all")});
    const QStringList lines = again.Output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << again.Output.toStdString();
    EXPECT_EQ(lines[0],
              QStringLiteral("refreshed 1 channels (1 not modified), 4 failed, 0 new items"));
    const QString goneLine =
        QStringLiteral(" %1 (f): HTTP 404 Not Found").arg(server.Url("/gone.xml"));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
        return line.startsWith(QStringLiteral("failed: ")) && line.endsWith(goneLine);
    })) << again.Output.toStdString();
}

TEST(Cli, TheHeadlessEngineStopsCleanlyOnSigterm) {
    cCli cli;
    QProcess engine;
    engine.setProcessEnvironment(cli.Environment());
    engine.start(QStringLiteral(VELMORA_CLI), {QStringLiteral("run")});
    ASSERT_TRUE(engine.waitForStarted());
    for (int wait = 0; wait < 100 && !engine.readAllStandardError().contains("engine started");
         ++wait)
        engine.waitForReadyRead(100);
    engine.terminate();
    ASSERT_TRUE(engine.waitForFinished(10000));
    EXPECT_EQ(engine.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(engine.exitCode(), 0);
}

TEST(Cli, UsageErrorsAndHelp) {
    cCli cli;
    const struct {
        QStringList arguments;
        int exitCode;
    } cases[] = {
        {{}, 2},
        {{QStringLiteral("frobnicate")}, 2},
        {{QStringLiteral("items"), QStringLiteral("--bogus")}, 2},
        {{QStringLiteral("channels"), QStringLiteral("--sort"), QStringLiteral("size")}, 2},
        {{QStringLiteral("remove"), QStringLiteral("abc")}, 2},
        {{QStringLiteral("read")}, 2},
        {{QStringLiteral("--help")}, 0},
        {{QStringLiteral("refresh"), QStringLiteral("--help")}, 0},
        {{QStringLiteral("init")}, 0},
    };
    for (const auto& row : cases)
        EXPECT_EQ(cli.Run(row.arguments).ExitCode, row.exitCode)
            << row.arguments.join(' ').toStdString();
    EXPECT_TRUE(cli.Run({QStringLiteral("items"), QStringLiteral("--help")})
                    .Output.contains(QStringLiteral("--unread")));
    EXPECT_EQ(cli.Run({QStringLiteral("init")}).Output,
              QStringLiteral("All folders and databases were already there.\n"));
}

TEST(Cli, AMissingOrEmptyDatabaseIsAnErrorNeverCreatedAndInitMakesIt) {
    const struct {
        const char* name;
        bool empty;
        const char* words;
    } states[] = {
        {"missing", false, "the file does not exist (velmora-cli init creates it)"},
        {"empty", true, "the file holds no tables (velmora-cli init creates them)"},
    };
    for (const auto& state : states) {
        SCOPED_TRACE(state.name);
        cCli cli;
        const QString path = cli.DatabasePath();
        ASSERT_FALSE(path.isEmpty());
        ASSERT_TRUE(QFile::remove(path));
        if (state.empty) {
            QFile empty(path);
            ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        }
        const QStringList commands[] = {
            {QStringLiteral("channels")},
            {QStringLiteral("items")},
            {QStringLiteral("read"), QStringLiteral("1")},
            {QStringLiteral("read"), QStringLiteral("--channel"), QStringLiteral("1")},
            {QStringLiteral("add"), QStringLiteral("http://127.0.0.1:1/a.xml")},
            {QStringLiteral("remove"), QStringLiteral("1")},
            {QStringLiteral("import-opml"), cli.WriteFile(QStringLiteral("in.opml"), FolderedOpml)},
            {QStringLiteral("export-opml")},
            {QStringLiteral("refresh")},
            {QStringLiteral("run")},
        };
        for (const QStringList& command : commands) {
            const cRun run = cli.Run(command);
            EXPECT_EQ(run.ExitCode, 1) << command.join(' ').toStdString();
            EXPECT_TRUE(run.Errors.contains(
                QStringLiteral("Database \"%1\": %2").arg(path, QString::fromUtf8(state.words))))
                << run.Errors.toStdString();
            EXPECT_EQ(QFileInfo::exists(path), state.empty) << command.join(' ').toStdString();
        }
        if (state.empty) {
            EXPECT_EQ(QFileInfo(path).size(), 0);
        }

        const cRun init = cli.Run({QStringLiteral("init")});
        EXPECT_EQ(init.ExitCode, 0);
        EXPECT_EQ(init.Output, QStringLiteral("Created %1\n").arg(path));
        EXPECT_EQ(
            cli.Run({QStringLiteral("add"), QStringLiteral("http://127.0.0.1:1/a.xml")}).ExitCode,
            0);
        EXPECT_TRUE(cli.Run({QStringLiteral("export-opml")})
                        .Output.contains(QStringLiteral("xmlUrl=\"http://127.0.0.1:1/a.xml\"")));
    }
}

TEST(Cli, InitMakesTheCurrentVersionAndANewerFileIsRefusedUntouched) {
    cCli cli;
    {
        cSQLDatabase database;
        database.Open(cli.DatabasePath(), cOpenMode::Create);
        EXPECT_EQ(database.QueryInt(QStringLiteral("PRAGMA user_version")), CurrentSchemaVersion);
        database.Execute(QStringLiteral("PRAGMA user_version = 99"));
    }
    QFile file(cli.DatabasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const cRun run = cli.Run({QStringLiteral("channels")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Errors,
              QStringLiteral("velmora-cli channels: Database \"%1\": schema version 99 is newer "
                             "than the %2 this program knows (the file was made by a newer "
                             "Velmora); it was left as it is\n")
                  .arg(cli.DatabasePath())
                  .arg(CurrentSchemaVersion));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(Cli, ADamagedDatabaseFailsTheCommandsThatMeetTheDamage) {
    cTestHttpServer server;
    cCli cli;
    {
        auto daily = server.Serve("/daily.xml", Serving(Feed("Daily", {"d1", "d2"})));
        ASSERT_EQ(cli.Run({QStringLiteral("add"), server.Url("/daily.xml")}).ExitCode, 0);
        ASSERT_EQ(cli.Run({QStringLiteral("refresh")}).ExitCode, 0);
    }
    auto daily = server.Serve("/daily.xml", Serving(Feed("Daily", {"d1", "d2", "d3"})));
    const QList<QStringList> channels = Rows(cli.Run({QStringLiteral("channels")}).Output);
    ASSERT_EQ(channels.size(), 1);
    // The index of unread items by date: an update storing a new item and
    // marking items read write it; counting items and the counters do not,
    // so the refresh meets the damage in its worker's job only.
    DamagePagesOf(cli.DatabasePath(), {QStringLiteral("NodeUnreadByDate")});

    const QString damaged =
        QStringLiteral("Database \"%1\": the file is damaged. ").arg(cli.DatabasePath());
    const QStringList commands[] = {
        {QStringLiteral("refresh"), QStringLiteral("--all")},
        {QStringLiteral("read"), QStringLiteral("--channel"), channels[0][0]},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(' ').toStdString());
        const cRun run = cli.Run(command);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Errors.contains(damaged)) << run.Errors.toStdString();
        EXPECT_TRUE(run.Errors.contains(QStringLiteral("database disk image is malformed")))
            << run.Errors.toStdString();
        EXPECT_EQ(run.Output, QString()) << "reported as done";
    }
}

TEST(Cli, MarkingReadOnAFullDiskFailsAndLeavesEveryItemUnread) {
    cTestHttpServer server;
    auto big = server.Serve("/big.xml", Serving(Feed("Big", Guids(300))));
    cCli cli;
    ASSERT_EQ(cli.Run({QStringLiteral("add"), server.Url("/big.xml")}).ExitCode, 0);
    ASSERT_EQ(cli.Run({QStringLiteral("refresh")}).ExitCode, 0);
    const QList<QStringList> channels = Rows(cli.Run({QStringLiteral("channels")}).Output);
    ASSERT_EQ(channels.size(), 1);
    const QStringList markAll = {QStringLiteral("read"), QStringLiteral("--channel"),
                                 channels[0][0]};

    // 32 KiB: room for the shared-memory index of the write-ahead log, not
    // for the log's frames of 300 items marked read.
    const cRun full = cli.RunWithFileSizeLimit(markAll, 32768);
    EXPECT_EQ(full.ExitCode, 1);
    EXPECT_TRUE(full.Errors.contains(
        QStringLiteral("Database \"%1\": the file could not be written").arg(cli.DatabasePath())))
        << full.Errors.toStdString();
    EXPECT_EQ(full.Output, QString()) << "reported as done";
    EXPECT_EQ(Rows(cli.Run({QStringLiteral("items"), QStringLiteral("--unread")}).Output).size(),
              300);

    EXPECT_EQ(cli.Run(markAll).ExitCode, 0);
    EXPECT_EQ(Rows(cli.Run({QStringLiteral("items"), QStringLiteral("--unread")}).Output).size(),
              0);
}

TEST(Cli, AReadOnlyDataFolderIsNamedAsSuch) {
    cCli cli;
    const QString folder = QFileInfo(cli.DatabasePath()).absolutePath();
    // Permissions do not bind root: as root, the command runs as nobody,
    // who is given the home folder.
    constexpr uid_t Nobody = 65534;
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(QFile::encodeName(cli.Home()).constData(), Nobody, Nobody), 0);
        QDirIterator tree(cli.Home(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                          QDirIterator::Subdirectories);
        while (tree.hasNext())
            ASSERT_EQ(chown(QFile::encodeName(tree.next()).constData(), Nobody, Nobody), 0);
    }
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const cRun run = cli.Run({QStringLiteral("channels")}, [root] {
        if (root && (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(99);
    });
    chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Errors.startsWith(
        QStringLiteral("velmora-cli channels: Database \"%1\": its folder \"%2\" is read-only")
            .arg(cli.DatabasePath(), folder)))
        << run.Errors.toStdString();
}
