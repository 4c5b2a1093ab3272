#include "ui/shell/uChannelIcons.h"

#include "UiTestSupport.h"
#include "engine/uIconImages.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLDataTabRec.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/fLoadProgress.h"
#include "ui/shell/fMainClient.h"

#include <QAbstractItemView>
#include <QAction>
#include <QPainter>

namespace {

// A picture as a feed might name it: dark green with a yellow mark.
QImage Logo() {
    QImage logo(126, 62, QImage::Format_RGB32);
    logo.fill(QColor(0, 100, 60));
    QPainter painter(&logo);
    painter.setBrush(QColor(250, 210, 0));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRect(8, 8, 46, 46));
    painter.fillRect(QRect(64, 20, 54, 22), QColor(250, 210, 0));
    return logo;
}

// The three kinds of picture a list shows, one channel each way:
//   1 a picture loaded on an earlier day and kept in its file
//   2, 3 no image to load (none named, an address nothing answers): the
//        loads run when the list first paints and store red badges
//   4, 5 loaded today, but the file is gone: the placeholder is drawn again
// Every channel has one unread item of today, so the recent list shows it.
void FillDatabase() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    const QString later = DateTimeToText(LocalNow().addYears(10));
    const QString now = DateTimeToText(LocalNow());
    const struct {
        int Id;
        const char* Title;
        const char* ImageUrl;
        bool LoadedToday;
    } channels[] = {
        {1, "Picture Weekly", "", true},
        {2, "No Image & Co", "", false},
        {3, "Nothing Answers", "http://127.0.0.1:9/logo.png", false},
        {4, "Waiting Room", "", true},
        {5, "A Channel Whose Title Is Far Too Long To Fit", "", true},
    };
    for (const auto& channel : channels) {
        database.Execute(
            QStringLiteral("insert into Channel (ID, Title, IsoLanguageCode, "
                           "ImageURL, NextUpdateDateTime_UTC) values (%1,'%2','en',"
                           "'%3','%4')")
                .arg(channel.Id)
                .arg(QString::fromUtf8(channel.Title), QString::fromUtf8(channel.ImageUrl), later));
        if (channel.LoadedToday)
            database.Execute(QStringLiteral("insert into ChannelIcon values(%1,'%1.bmp',-1,'%2')")
                                 .arg(channel.Id)
                                 .arg(now));
        database.Execute(QStringLiteral("insert into Node values(%1,%2,'News from %3','',"
                                        "'https://example.org/%1','g%1','','en','%4',0,0,0,'%4',0)")
                             .arg(channel.Id + 10)
                             .arg(channel.Id)
                             .arg(QString::fromUtf8(channel.Title), now));
    }
    SaveBitmapFile(Logo(), GetConfig().ImageCacheFolder + QStringLiteral("1.bmp"));
    for (const auto& channel : channels)
        RecomputeChannelStatistics(database, channel.Id);
}

} // namespace

class ChannelIconsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FillDatabase();
        FData = std::make_unique<TdmVelmora>();
        FMain = std::make_unique<TfrmMainClient>(*FData, FLoadProgress);
        FMain->resize(1006, 721);
        FMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(FMain.get()));
    }
    void cleanupTestCase() {
        FMain->StopEngine();
        GetThreadPool().Shutdown();
        FMain.reset();
    }

    void theListShowsLoadedPicturesPlaceholdersAndBadgesOnceRepainted() {
        auto* list = FMain->findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        QVERIFY(list);
        QCOMPARE(list->model()->rowCount(), 5);
        // The first paint queued the loads of 2 and 3. Nothing but the
        // loader's notice repaints the list afterwards, so a paint that draws
        // both badges is its doing. Each load commits its row before it
        // replaces its picture in the ring, so the row count alone may run
        // ahead of what a paint draws.
        cPaintWatch paints([list] { return BothBadgesShown(*list); });
        list->viewport()->installEventFilter(&paints);
        QTRY_VERIFY(paints.ShownAtLastPaint);
        QCOMPARE(LoadedCount(), 5);

        const QImage loaded = IconOfChannel(*list, 1);
        QCOMPARE(loaded.convertToFormat(QImage::Format_RGB32), Logo());
        for (int64_t waiting : {4, 5}) {
            const QImage placeholder = IconOfChannel(*list, waiting);
            QCOMPARE(placeholder.pixelColor(125, 61), QColor(Qt::white));
            QVERIFY(QFile::exists(GetConfig().ImageCacheFolder + QString::number(waiting) +
                                  QStringLiteral(".bmp")));
        }
        QVERIFY(QFile::exists(SaveScreenshot(*FMain, QStringLiteral("channel-icons-recent"))));
        FMain->findChild<QAction*>(QStringLiteral("acNodesByChannel"))->trigger();
        QTest::qWait(50);
        QVERIFY(QFile::exists(SaveScreenshot(*FMain, QStringLiteral("channel-icons-by-channel"))));
    }

private:
    // Notes, at each paint, whether the pictures it draws are the ones awaited.
    struct cPaintWatch : QObject {
        explicit cPaintWatch(std::function<bool()> shown) : Shown(std::move(shown)) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ShownAtLastPaint = Shown();
            return false;
        }
        std::function<bool()> Shown;
        bool ShownAtLastPaint = false;
    };

    int LoadedCount() {
        return FData->Database().QueryInt(
            QStringLiteral("select count(*) from ChannelIcon where IsLastIconUpdateOk <> 0"));
    }
    static QImage IconOfChannel(QAbstractItemView& list, int64_t channelId) {
        const QAbstractItemModel& model = *list.model();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            if (index.data(cNodeListModel::ChannelIdRole).toLongLong() == channelId)
                return index.data(cNodeListModel::ChannelIconRole).value<QPixmap>().toImage();
        }
        return QImage();
    }
    static bool BothBadgesShown(QAbstractItemView& list) {
        for (int64_t channel : {2, 3})
            if (IconOfChannel(list, channel).pixelColor(7, 7) != QColor(255, 0, 0))
                return false;
        return true;
    }

    TfrmLoadProgress FLoadProgress;
    std::unique_ptr<TdmVelmora> FData;
    std::unique_ptr<TfrmMainClient> FMain;
};

VELMORA_UI_WINDOW_TEST_MAIN(ChannelIconsTest)

#include "uChannelIconsTest.moc"
