#include "ui/shell/uEngineStatus.h"

#include "UiTestSupport.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

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
        QCOMPARE(status.text(), QString());

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
};

VELMORA_UI_TEST_MAIN(EngineStatusTest)

#include "uEngineStatusTest.moc"
