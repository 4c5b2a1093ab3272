// The window on the large database (200000 nodes, 500 channels, 200
// categories), as a user meets it: the time from the start of the process
// to the first painted list, the peak memory of the program's own process
// (the web engine's helper processes are not counted), and painting one
// screen of the 1000-row recent list from memory at 30 scroll positions.
// Run it through window_bench.sh, which gives it a display.

#include "BenchSupport.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "storage/uConfig.h"
#include "storage/uRefId.h"
#include "storage/uSQLDataTabRec.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/fLoadProgress.h"
#include "ui/shell/fMainClient.h"
#include "ui/shell/uQtDispatcher.h"
#include "ui/shell/uVelmoraApplication.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The counters rebuilt and no channel due, so that the figures are the
// window's and not the engine's.
void PrepareDatabase() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    FillLargeDatabase(database);
    database.Execute(QStringLiteral("update Channel set NextUpdateDateTime_UTC = "
                                    "'2999/01/01 00:00:00'"));
    for (int64_t channel = 1; channel <= 500; ++channel)
        RecomputeChannelStatistics(database, channel);
    cCategoryStatJob().Run();
}

double PeakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Counts the paints of a widget.
class cPaintWatch : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

void Report(const char* name, double value, const char* unit, double target) {
    std::printf("%-46s %9.2f %-3s (target %g) %s\n", name, value, unit, target,
                value <= target ? "ok" : "OVER TARGET");
}

} // namespace

int main(int argc, char** argv) {
    cBenchHome home;
    // Built in a child process, so that the generator's memory is not
    // counted as the window's.
    const pid_t generator = fork();
    if (generator == 0) {
        PrepareDatabase();
        std::_Exit(0);
    }
    int generatorStatus = 0;
    waitpid(generator, &generatorStatus, 0);
    if (!WIFEXITED(generatorStatus) || WEXITSTATUS(generatorStatus) != 0)
        return 1;

    QElapsedTimer sinceStart;
    sinceStart.start();
    TVelmoraApplication application(argc, argv);
    TQtDispatcher dispatcher;
    InstallMainThreadDispatcher(dispatcher);
    GetRefId();
    TdmVelmora data;
    TfrmLoadProgress loadProgress;
    TfrmMainClient mainWindow(data, loadProgress);
    mainWindow.resize(1280, 1000);
    mainWindow.show();
    auto* list = mainWindow.findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
    cPaintWatch watch;
    list->viewport()->installEventFilter(&watch);
    while (watch.Paints == 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double startMs = sinceStart.nsecsElapsed() / 1e6;
    const int rows = list->model()->rowCount();

    // One screen of rows painted into an image, as the view paints them:
    // the first pass fills the icon cache, the second is measured.
    QScrollBar* scroll = list->verticalScrollBar();
    QImage screen(list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int pass = 0; pass < 2; ++pass) {
        for (int position = 0; position < 30; ++position) {
            scroll->setValue(scroll->maximum() * position / 29);
            QElapsedTimer timer;
            timer.start();
            list->viewport()->render(&screen);
            if (pass == 1)
                times.push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    std::sort(times.begin(), times.end());

    std::printf("database: 200000 nodes, 500 channels, 200 categories; recent list: %d rows, "
                "%d px high\n",
                rows, list->viewport()->height());
    Report("start to the first painted list", startMs, "ms", 1000);
    Report("one screen of rows painted, median of 30", times[times.size() / 2], "ms", 16);
    Report("one screen of rows painted, slowest of 30", times.back(), "ms", 16);
    Report("peak memory of the program's process", PeakMegabytes(), "MB", 250);
    // The browser is made on first use; its share of this process, once a
    // page has been opened, for the record.
    mainWindow.Navigate(QUrl(QStringLiteral("about:blank")));
    auto* browser = mainWindow.findChild<QWebEngineView*>(QStringLiteral("web"));
    bool loaded = false;
    QObject::connect(browser, &QWebEngineView::loadFinished, [&] { loaded = true; });
    while (!loaded)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::printf("%-46s %9.2f MB\n", "the same, once the browser has opened a page",
                PeakMegabytes());

    mainWindow.StopEngine();
    GetThreadPool().Shutdown();
    return 0;
}
