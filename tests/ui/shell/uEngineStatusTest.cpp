#include "ui/shell/uEngineStatus.h"

#include "UiTestSupport.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <condition_variable>
#include <mutex>

namespace {

// An update that stores one item, once the test lets it.
class cHeldUpdate : public cUpdateJob {
public:
    cHeldUpdate(std::mutex& lock, std::condition_variable& signal, bool& open)
        : cUpdateJob(1), FLock(lock), FSignal(signal), FOpen(open) {}
    void Run() override {
        std::unique_lock<std::mutex> hold(FLock);
        FSignal.wait(hold, [this] { return FOpen; });
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        database.Execute(QStringLiteral("insert into Node (ParentChannelId, Title) "
                                        "values (1, 'new')"));
    }

private:
    std::mutex& FLock;
    std::condition_variable& FSignal;
    bool& FOpen;
};

// A job whose database is not one: the worker discards what it raises.
class cFaultyJob : public cBaseJob {
public:
    explicit cFaultyJob(const QString& path) : FPath(path) {}
    void Run() override {
        cSQLDatabase database;
        database.Open(FPath);
    }
    QString ThreadName() const override { return QStringLiteral("cFaultyJob"); }

private:
    QString FPath;
};

} // namespace

class EngineStatusTest : public QObject {
    Q_OBJECT

private slots:
    void showsRunningUpdatesThenWhatTheyBrought() {
        cDirectDispatcher dispatcher;
        cThreadPool pool(2, dispatcher);
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        TEngineStatus status(database, pool, nullptr);
        status.Poll();
        QCOMPARE(status.text(), NoFeedsYet());

        std::mutex lock;
        std::condition_variable signal;
        bool open = false;
        pool.AddJob(std::make_unique<cHeldUpdate>(lock, signal, open));
        pool.AddJob(std::make_unique<cHeldUpdate>(lock, signal, open));
        status.Poll();
        QCOMPARE(status.text(), QStringLiteral("Updating 2 channels"));

        {
            std::lock_guard<std::mutex> hold(lock);
            open = true;
            signal.notify_all();
        }
        QTRY_COMPARE(pool.QueuedUpdateCount(), 0);
        status.Poll();
        QVERIFY2(status.text().startsWith(QStringLiteral("Last update ")),
                 qPrintable(status.text()));
        QVERIFY2(status.text().endsWith(QStringLiteral(": 2 new items")),
                 qPrintable(status.text()));
        pool.Shutdown();
    }

    void showsAPassThatBeganAndEndedBetweenTwoLooks() {
        cDirectDispatcher dispatcher;
        cThreadPool pool(2, dispatcher);
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        TEngineStatus status(database, pool, nullptr);
        // Another process stores items while no update runs here.
        cSQLDatabase other;
        other.Open(GetConfig().MainDatabasePath());
        other.Execute(QStringLiteral("insert into Node (ParentChannelId, Title) values (1, 'x')"));
        status.Poll();
        QCOMPARE(status.text(), NoFeedsYet());

        RunPassStoringOneItem(pool);
        status.Poll();
        QVERIFY2(status.text().endsWith(QStringLiteral(": 1 new item")), qPrintable(status.text()));
        pool.Shutdown();
    }

    void aPassEndedCountsTheFailingFeedsAndItsHintSaysWhy() {
        cDirectDispatcher dispatcher;
        cThreadPool pool(2, dispatcher);
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        database.Execute(QStringLiteral(
            "insert into Channel (ID, Title, ChannelURL, IsLastUpdateOk, LastUpdateTime_UTC) "
            "values (71, 'Broken', 'http://127.0.0.1:1/b.rss', 0, '2026/12/11 10:00:00'), "
            "(72, '', 'http://127.0.0.1:1/never.rss', 0, '2026/12/11 10:00:00'), "
            "(73, 'Fine', 'http://127.0.0.1:1/f.rss', -1, '2026/12/11 10:00:00'), "
            "(74, 'Not yet', 'http://127.0.0.1:1/n.rss', 0, '')"));
        database.Execute(QStringLiteral("insert into ChannelFetch values (71, null, null, 404, "
                                        "'HTTP 404 Not Found')"));
        const auto removeChannels = qScopeGuard([&database] {
            database.Execute(QStringLiteral("delete from Channel where ID between 71 and 74"));
            database.Execute(QStringLiteral("delete from ChannelFetch"));
        });
        TEngineStatus status(database, pool, nullptr);
        RunPassStoringOneItem(pool);
        status.Poll();
        QVERIFY2(status.text().endsWith(QStringLiteral(": 1 new item, 2 feeds failing")),
                 qPrintable(status.text()));
        QCOMPARE(status.toolTip(),
                 QStringLiteral("http://127.0.0.1:1/never.rss\nBroken: HTTP 404 Not Found"));

        // Both recovered: the next pass says nothing of failures.
        database.Execute(QStringLiteral("update Channel set IsLastUpdateOk = -1"));
        RunPassStoringOneItem(pool);
        status.Poll();
        QVERIFY2(status.text().endsWith(QStringLiteral(": 1 new item")), qPrintable(status.text()));
        QCOMPARE(status.toolTip(), QString());
        pool.Shutdown();
    }

    void showsADatabaseFaultOnceUntilAPassEndsWithoutOne() {
        cDirectDispatcher dispatcher;
        cThreadPool pool(2, dispatcher);
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        TEngineStatus status(database, pool, nullptr);
        QSignalSpy shown(&status, &TEngineStatus::databaseFaultShown);
        QTemporaryDir folder;
        const QString garbage = folder.filePath(QStringLiteral("garbage.dat"));
        {
            QFile file(garbage);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        }
        const QString summary =
            QStringLiteral("Database \"%1\": the file is not a database, or its first page is "
                           "damaged")
                .arg(garbage);

        // Every job meets the same fault: it shows once.
        for (int round = 0; round < 2; ++round) {
            pool.AddJob(std::make_unique<cFaultyJob>(garbage));
            pool.AddJob(std::make_unique<cFaultyJob>(garbage));
            QTRY_COMPARE(pool.QueuedJobCount(), 0);
            status.Poll();
            QCOMPARE(status.text(), summary);
            QVERIFY2(status.toolTip().startsWith(summary + QStringLiteral(". Failed to open")),
                     qPrintable(status.toolTip()));
            QCOMPARE(shown.count(), 1);
        }

        // It stays while updates run, and goes when a pass ends without one.
        std::mutex lock;
        std::condition_variable signal;
        bool open = false;
        pool.AddJob(std::make_unique<cHeldUpdate>(lock, signal, open));
        status.Poll();
        QCOMPARE(status.text(), summary);
        {
            std::lock_guard<std::mutex> hold(lock);
            open = true;
            signal.notify_all();
        }
        QTRY_COMPARE(pool.QueuedUpdateCount(), 0);
        status.Poll();
        QVERIFY2(status.text().endsWith(QStringLiteral(": 1 new item")), qPrintable(status.text()));
        QCOMPARE(status.toolTip(), QString());

        // A fault met on the window's own thread (a list's query) shows too.
        try {
            cSQLDatabase list;
            list.Open(garbage);
            QFAIL("the garbage opened");
        } catch (const EVelmoraError&) {
        }
        status.Poll();
        QCOMPARE(status.text(), summary);
        QCOMPARE(shown.count(), 2);
        pool.Shutdown();
    }

private:
    static QString NoFeedsYet() {
        return QStringLiteral(
            "No feeds yet: Channel > Insert a new feed (Ctrl+N), or File > Import subscriptions");
    }
    // One update that stores an item at once, run to its end.
    static void RunPassStoringOneItem(cThreadPool& pool) {
        std::mutex lock;
        std::condition_variable signal;
        bool open = true;
        pool.AddJob(std::make_unique<cHeldUpdate>(lock, signal, open));
        QTRY_COMPARE(pool.QueuedUpdateCount(), 0);
    }
};

VELMORA_UI_TEST_MAIN(EngineStatusTest)

#include "uEngineStatusTest.moc"
