// Several velmora-cli processes at once on one data folder, as the window,
// the headless engine and commands typed meanwhile run side by side.

#include "storage/uSQLDataTabRec.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <condition_variable>
#include <csignal>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A data folder of its own and the tool run on it.
class cDataFolder {
public:
    cDataFolder() { EXPECT_EQ(Run({QStringLiteral("init")}), 0); }

    std::unique_ptr<QProcess> Start(const QStringList& arguments) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), FHome.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           FHome.path() + QStringLiteral("/.config"));
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(VELMORA_CLI), arguments);
        return process;
    }
    int Run(const QStringList& arguments) const { return Finish(*Start(arguments)); }
    static int Finish(QProcess& process) {
        process.waitForFinished(60000);
        const QByteArray errors = process.readAllStandardError();
        EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // Runs the commands all at once and waits for every one.
    void RunTogether(const QList<QStringList>& commands) const {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QStringList& arguments : commands)
            processes.push_back(Start(arguments));
        for (const auto& process : processes)
            EXPECT_EQ(Finish(*process), 0) << process->arguments().join(' ').toStdString();
    }
    QString WriteFile(const QString& name, const QByteArray& content) const {
        QFile file(FHome.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }
    // The number the query reads from the folder's main database.
    int64_t Count(const QString& query) const {
        QDirIterator files(FHome.path(), {QStringLiteral("velmora.dat")}, QDir::Files,
                           QDirIterator::Subdirectories);
        if (!files.hasNext()) {
            ADD_FAILURE() << "no main database under " << FHome.path().toStdString();
            return -1;
        }
        cSQLDatabase database;
        database.Open(files.next());
        return database.QueryInt64(query);
    }

private:
    QTemporaryDir FHome;
};

// Feeds on 127.0.0.1 whose answers are held back: a path is answered once
// it has been asked for Quorum times since the last Reset, or once the
// server is released. Refreshes held that way read their feeds at the same
// moment, the race two processes run into now and then. A hold ends after
// ten seconds anyway, so that a lost request cannot hang the test.
class cHoldingFeedServer {
public:
    explicit cHoldingFeedServer(int quorum) : FQuorum(quorum) {
        // Every held request occupies a thread of the server.
        FServer.new_task_queue = [] { return new httplib::ThreadPool(64); };
        FServer.set_keep_alive_max_count(1);
        FServer.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            Answer(request.path, response);
        });
        std::signal(SIGPIPE, SIG_IGN);
        FPort = FServer.bind_to_any_port("127.0.0.1");
        FThread = std::thread([this] { FServer.listen_after_bind(); });
        while (!FServer.is_running())
            std::this_thread::sleep_for(1ms);
    }
    ~cHoldingFeedServer() {
        Release();
        FServer.stop();
        FThread.join();
    }

    void Serve(const std::string& path, const QByteArray& body) {
        std::lock_guard<std::mutex> hold(FLock);
        FBodies[path] = body.toStdString();
    }
    QString Url(const std::string& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(FPort).arg(QString::fromStdString(path));
    }
    // Forgets the requests counted so far and holds answers again.
    void Reset() {
        std::lock_guard<std::mutex> hold(FLock);
        FAsked.clear();
        FReleased = false;
    }
    void Release() {
        std::lock_guard<std::mutex> hold(FLock);
        FReleased = true;
        FChanged.notify_all();
    }
    bool WaitUntilAskedFor(const std::string& path) {
        std::unique_lock<std::mutex> hold(FLock);
        return FChanged.wait_for(hold, 10s, [&] { return FAsked[path] > 0; });
    }

private:
    void Answer(const std::string& path, httplib::Response& response) {
        std::unique_lock<std::mutex> hold(FLock);
        ++FAsked[path];
        FChanged.notify_all();
        FChanged.wait_for(hold, 10s, [&] { return FReleased || FAsked[path] >= FQuorum; });
        const auto body = FBodies.find(path);
        if (body == FBodies.end()) {
            response.status = 404;
            return;
        }
        response.set_content(body->second, "application/xml");
    }

    const int FQuorum;
    std::mutex FLock;
    std::condition_variable FChanged;
    std::map<std::string, std::string> FBodies;
    std::map<std::string, int> FAsked;
    bool FReleased = false;
    httplib::Server FServer;
    std::thread FThread;
    int FPort = 0;
};

std::string FeedPath(int number) {
    return QStringLiteral("/%1.xml").arg(number).toStdString();
}

// Items 0 to count - 1 of the channel, each in the category of the round
// that brought it; the channel is in category Shared.
QByteArray Feed(int channel, int count, int itemsPerRound) {
    QByteArray feed = "<rss><channel><title>Channel " + QByteArray::number(channel) +
                      "</title><category>Shared</category>";
    for (int item = 0; item < count; ++item) {
        const QByteArray key = QByteArray::number(channel) + "-" + QByteArray::number(item);
        feed += "<item><title>" + key + "</title><guid>" + key + "</guid><category>Round " +
                QByteArray::number(item / itemsPerRound) +
                "</category><enclosure url=\"http://127.0.0.1/" + key +
                ".mp3\" length=\"1\" type=\"audio/mpeg\"/></item>";
    }
    return feed + "</channel></rss>";
}

// Rows stored twice, and rows linking to something that is not stored.
const struct {
    const char* what;
    const char* query;
} Inconsistencies[] = {
    {"items stored twice", "select count(*) from (select 1 from Node group by ParentChannelId, "
                           "GUID having count(*) > 1)"},
    {"categories stored twice", "select count(*) - count(distinct Libelle) from Category"},
    {"channel links stored twice", "select count(*) from (select 1 from Channel2Category group by "
                                   "ChannelID, CategoryId having count(*) > 1)"},
    {"channels stored twice", "select count(*) - count(distinct ChannelURL) from Channel"},
    {"items of no channel", "select count(*) from Node where ParentChannelId not in (select ID "
                            "from Channel)"},
    {"counters of no channel", "select count(*) from ChannelStat where ChannelId not in (select "
                               "ID from Channel)"},
    {"item links to nothing",
     "select count(*) from Node2Category where NodeID not in (select ID from Node) or "
     "CategoryId not in (select ID from Category)"},
    {"channel links to nothing",
     "select count(*) from Channel2Category where ChannelID not in (select ID from Channel) or "
     "CategoryId not in (select ID from Category)"},
    {"enclosure links to nothing",
     "select count(*) from Node2Enclosure where NodeID not in (select ID from Node) or "
     "EnclosureId not in (select ID from Enclosure)"},
    {"enclosures of no item",
     "select count(*) from Enclosure where ID not in (select EnclosureId from Node2Enclosure)"},
};

void ExpectConsistent(const cDataFolder& folder, int round) {
    for (const auto& check : Inconsistencies)
        EXPECT_EQ(folder.Count(QString::fromLatin1(check.query)), 0)
            << check.what << " in round " << round;
}

} // namespace

// A refresh of every channel and a second one started with it (the engine
// of the window and the companion's, say) read each feed at once: each new
// item, category and link is still stored once.
TEST(CliConcurrency, TwoRefreshesAtOnceStoreEachItemOnce) {
    constexpr int Channels = 8;
    constexpr int ItemsPerRound = 5;
    constexpr int Rounds = 6;
    cHoldingFeedServer server(2);
    cDataFolder folder;
    QStringList add{QStringLiteral("add")};
    for (int channel = 0; channel < Channels; ++channel)
        add << server.Url(FeedPath(channel));
    // add fetches each address once to tell a feed from a page: answered
    // at once (not found), they are subscribed as typed.
    server.Release();
    ASSERT_EQ(folder.Run(add), 0);

    for (int round = 0; round < Rounds; ++round) {
        server.Reset();
        for (int channel = 0; channel < Channels; ++channel)
            server.Serve(FeedPath(channel),
                         Feed(channel, (round + 1) * ItemsPerRound, ItemsPerRound));
        const QStringList refresh{QStringLiteral("refresh"), QStringLiteral("--all")};
        folder.RunTogether({refresh, refresh});

        ExpectConsistent(folder, round);
        EXPECT_EQ(folder.Count(QStringLiteral("select count(*) from Node")),
                  Channels * ItemsPerRound * (round + 1))
            << "round " << round;
        EXPECT_EQ(folder.Count(QStringLiteral("select count(*) from Category")), round + 2)
            << "Shared and one per round";
        EXPECT_EQ(folder.Count(QStringLiteral("select count(*) from Node2Category")),
                  Channels * ItemsPerRound * (round + 1));
        if (HasFailure())
            return;
    }
}

// A channel removed while a refresh of it waits for its feed keeps nothing
// of that refresh: no items, categories or links, no counters row.
TEST(CliConcurrency, AChannelRemovedDuringItsRefreshKeepsNothingOfIt) {
    cHoldingFeedServer server(1000);
    cDataFolder folder;
    for (int round = 0; round < 3; ++round) {
        const std::string path = FeedPath(round);
        server.Reset();
        server.Serve(path, Feed(round, 3, 3));
        // add's own fetch of the feed is answered at once and not counted.
        server.Release();
        ASSERT_EQ(folder.Run({QStringLiteral("add"), server.Url(path)}), 0);
        server.Reset();
        const int64_t id = folder.Count(QStringLiteral("select max(ID) from Channel"));

        const std::unique_ptr<QProcess> refresh = folder.Start({QStringLiteral("refresh")});
        ASSERT_TRUE(server.WaitUntilAskedFor(path)) << "round " << round;
        EXPECT_EQ(folder.Run({QStringLiteral("remove"), QString::number(id)}), 0);
        server.Release();
        EXPECT_EQ(cDataFolder::Finish(*refresh), 0);

        ExpectConsistent(folder, round);
        for (const char* table : {"Channel", "Node", "Category", "Enclosure", "ChannelStat"})
            EXPECT_EQ(
                folder.Count(QStringLiteral("select count(*) from ") + QString::fromLatin1(table)),
                0)
                << table << " in round " << round;
    }
}

// Subscribing processes started together: each URL becomes one channel,
// each folder one category, whether added by hand or imported.
TEST(CliConcurrency, OneUrlSubscribedByManyProcessesAtOnceIsOneChannel) {
    constexpr int Processes = 6;
    constexpr int Urls = 10;
    for (const bool import : {false, true}) {
        cDataFolder folder;
        for (int round = 0; round < 4; ++round) {
            QStringList arguments{QStringLiteral("add")};
            QByteArray opml = "<opml version=\"2.0\"><body><outline text=\"Folder " +
                              QByteArray::number(round) + "\">";
            for (int url = 0; url < Urls; ++url) {
                const QString address =
                    QStringLiteral("http://127.0.0.1:1/%1/%2.xml").arg(round).arg(url);
                arguments << address;
                opml += "<outline text=\"f\" xmlUrl=\"" + address.toUtf8() + "\"/>";
            }
            if (import)
                arguments = QStringList{QStringLiteral("import-opml"),
                                        folder.WriteFile(QStringLiteral("round%1.opml").arg(round),
                                                         opml + "</outline></body></opml>")};
            folder.RunTogether(QList<QStringList>(Processes, arguments));

            ExpectConsistent(folder, round);
            EXPECT_EQ(folder.Count(QStringLiteral("select count(*) from Channel")),
                      Urls * (round + 1))
                << (import ? "import-opml" : "add") << " round " << round;
            if (import) {
                EXPECT_EQ(folder.Count(QStringLiteral("select count(*) from Category")), round + 1);
                EXPECT_EQ(folder.Count(QStringLiteral("select count(*) from Channel2Category")),
                          Urls * (round + 1));
            }
            if (HasFailure())
                return;
        }
    }
}
