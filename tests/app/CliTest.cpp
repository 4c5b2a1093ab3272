#include "TestHttpServer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct cRun {
    int ExitCode;
    QString Output;
    QString Errors;
};

// The built tool, run as a process in a home folder of its own.
class cCli {
public:
    cCli() { Run({QStringLiteral("init")}); }

    cRun Run(const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(Environment());
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

private:
    QTemporaryDir FHome;
};

// The rows of a tab-separated listing, without its header.
QList<QStringList> Rows(const QString& listing) {
    QList<QStringList> rows;
    const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int index = 1; index < lines.size(); ++index)
        rows.append(lines[index].split(QLatin1Char('\t')));
    return rows;
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

    cCli fresh;
    ASSERT_EQ(fresh.Run({QStringLiteral("import-opml"), exportPath}).ExitCode, 0);
    EXPECT_EQ(fresh.Run({QStringLiteral("export-opml")}).Output, exported.Output);
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
    EXPECT_EQ(refreshed.Output, QStringLiteral("refreshed 2 channels, 1 failed, 3 new items\n"));

    const QList<QStringList> channels = Rows(
        cli.Run({QStringLiteral("channels"), QStringLiteral("--sort"), QStringLiteral("total")})
            .Output);
    ASSERT_EQ(channels.size(), 2);
    EXPECT_EQ(channels[0].mid(1, 4), (QStringList{QStringLiteral("Daily"), QStringLiteral("2"),
                                                  QStringLiteral("2"), QStringLiteral("2")}));
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
    EXPECT_EQ(cli.Run({QStringLiteral("read"), QStringLiteral("99")}).ExitCode, 1);

    // A refresh of everything brings the counters up to date with the marks.
    EXPECT_EQ(cli.Run({QStringLiteral("refresh"), QStringLiteral("--all")}).Output,
              QStringLiteral("refreshed 2 channels, 1 failed, 0 new items\n"));
    const QList<QStringList> after = Rows(
        cli.Run({QStringLiteral("channels"), QStringLiteral("--filter"), QStringLiteral("dai")})
            .Output);
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0].mid(2, 3),
              (QStringList{QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("0")}));

    EXPECT_EQ(cli.Run({QStringLiteral("remove"), dailyId}).ExitCode, 0);
    EXPECT_EQ(Rows(cli.Run({QStringLiteral("items")}).Output).size(), 1);
    EXPECT_EQ(cli.Run({QStringLiteral("remove"), dailyId}).ExitCode, 1);
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
