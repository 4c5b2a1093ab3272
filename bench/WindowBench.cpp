// The window on the large database (200000 nodes, 500 channels, 200
// categories), as a user meets it: the time from the start of the process
// to the first painted list, the peak memory of the program's own process
// (the web engine's helper processes are not counted), and painting one
// screen of the 1000-row recent list from memory at 30 scroll positions,
// each channel's picture from its icon file (the icon cache holding none of
// the screen's channels) and again from the icon cache, with the statements
// the GUI thread compiled meanwhile. Run it through window_bench.sh, which
// gives it a display.

#include "BenchSupport.h"
#include "engine/uChannelIconList.h"
#include "engine/uIconImages.h"
#include "engine/uProcessMemory.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "storage/uConfig.h"
#include "storage/uRefId.h"
#include "storage/uSQLDataTabRec.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/fLoadProgress.h"
#include "ui/shell/fMainClient.h"
#include "ui/shell/uQtDispatcher.h"
#include "ui/shell/uVelmoraApplication.h"

#include <QAbstractItemView>
#include <QColor>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Every channel's picture loaded today: an icon row and a file of its own
// colour, so that no load is queued and a miss reads the file.
void StoreLoadedIcons(cSQLDatabase& database) {
    database.Execute(QStringLiteral(
        "insert into ChannelIcon select ID, ID || '.bmp', -1, strftime('%Y/%m/%d %H:%M:%S', "
        "'now', 'localtime') from Channel"));
    for (int channel = 1; channel <= 500; ++channel) {
        QImage picture(126, 62, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(channel * 7 % 360, 160, 200));
        SaveBitmapFile(picture, GetConfig().ImageCacheFolder + QString::number(channel) +
                                    QStringLiteral(".bmp"));
    }
}

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
    StoreLoadedIcons(database);
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
    std::printf("%-52s %9.2f %-3s (target %g) %s\n", name, value, unit, target,
                value <= target ? "ok" : "OVER TARGET");
}

// The channels of the rows on screen.
std::set<int64_t> ChannelsOnScreen(QAbstractItemView& list) {
    std::set<int64_t> channels;
    const QRect screen = list.viewport()->rect();
    for (int y = 0; y < screen.height(); y += 8) {
        const QModelIndex index = list.indexAt(QPoint(1, y));
        if (index.isValid())
            channels.insert(index.data(cNodeListModel::ChannelIdRole).toLongLong());
    }
    return channels;
}

// Fills the icon cache with channels that are not on screen, so that the
// next paint reads every picture from its file.
void PushScreenOutOfTheIconCache(QAbstractItemView& list) {
    const std::set<int64_t> onScreen = ChannelsOnScreen(list);
    int pushed = 0;
    for (int64_t channel = 1; pushed < GetConfig().IconCacheSize; ++channel)
        if (!onScreen.contains(channel)) {
            GetChannelIconList().GetIcon(channel);
            ++pushed;
        }
}

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Slowest(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

// Paints of one kind: their times on the clock and in the GUI thread's
// processor time (which other processes on a busy machine do not inflate),
// and the statements the GUI thread compiled meanwhile.
struct cPaints {
    std::vector<double> Times;
    std::vector<double> CpuTimes;
    uint64_t Statements = 0;

    void Report(const char* source) const {
        const auto line = [&](const char* what, double value) {
            char name[80];
            std::snprintf(name, sizeof name, "one screen, icons from %s, %s", source, what);
            ::Report(name, value, "ms", 16);
        };
        line("median", Median(Times));
        line("slowest", Slowest(Times));
        line("median CPU", Median(CpuTimes));
        line("slowest CPU", Slowest(CpuTimes));
    }
};

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
    // As the program itself does first.
    KeepFreedMemoryForReuse();
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

    // The engine's first pass done, so that its jobs do not share the
    // processors with the paints.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000 || GetThreadPool().QueuedJobCount() > 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);

    // One screen of rows painted into an image, as the view paints them:
    // first with every picture read from its file, then again from the
    // icon cache.
    QScrollBar* scroll = list->verticalScrollBar();
    QImage screen(list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    cPaints fromFiles;
    cPaints fromCache;
    size_t channelsOnScreen = 0;
    const auto paint = [&](cPaints& paints) {
        const uint64_t statements = StatementsCompiledByThisThread();
        const double cpuStart = ThreadCpuMs();
        QElapsedTimer timer;
        timer.start();
        list->viewport()->render(&screen);
        paints.Times.push_back(timer.nsecsElapsed() / 1e6);
        paints.CpuTimes.push_back(ThreadCpuMs() - cpuStart);
        paints.Statements += StatementsCompiledByThisThread() - statements;
    };
    for (int position = 0; position < 30; ++position) {
        scroll->setValue(scroll->maximum() * position / 29);
        PushScreenOutOfTheIconCache(*list);
        channelsOnScreen += ChannelsOnScreen(*list).size();
        paint(fromFiles);
        paint(fromCache);
    }

    std::printf("database: 200000 nodes, 500 channels, 200 categories; recent list: %d rows, "
                "%d px high\n",
                rows, list->viewport()->height());
    Report("start to the first painted list", startMs, "ms", 1000);
    std::printf("channels on screen: %.1f on average\n", channelsOnScreen / 30.0);
    fromFiles.Report("files");
    fromCache.Report("the cache");
    std::printf("statements compiled by the GUI thread: %llu painting from files, %llu "
                "painting from the icon cache\n",
                static_cast<unsigned long long>(fromFiles.Statements),
                static_cast<unsigned long long>(fromCache.Statements));
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
