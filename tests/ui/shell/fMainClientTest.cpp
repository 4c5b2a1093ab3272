#include "ui/shell/fMainClient.h"

#include "UiTestSupport.h"
#include "engine/uOpmlTransfer.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"
#include "storage/uSQLValue.h"
#include "ui/channels/fChannelDetail.h"
#include "ui/channels/uChannelDetailModel.h"
#include "ui/chrome/uElidedLabel.h"
#include "ui/chrome/uVelmoraHintWindow.h"
#include "ui/export/fExportHTML.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/fLoadProgress.h"
#include "ui/shell/uNodeHints.h"
#include "ui/shell/uQtDispatcher.h"
#include "ui/shell/uStartUp.h"
#include "ui/shell/uVelmoraApplication.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <future>

namespace {

// Three channels not due for years, so the scheduler leaves them alone, and
// items in every state the list draws, one of them in Hebrew. Every address
// is a closed port of this machine: the engine's downloads and the browser
// fail at once and nothing leaves the machine.
void FillDatabase() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    const QString later = DateTimeToText(LocalNow().addYears(10));
    const QString today = DateTimeToText(LocalNow());
    const char* channels[] = {"(1,'Tech & Science Daily','en','http://127.0.0.1:2/tech.rss')",
                              "(2,'Podcast Hour','en','http://127.0.0.1:2/pod.rss')",
                              "(3,'חדשות היום','he','http://127.0.0.1:2/news.rss')"};
    for (const char* channel : channels)
        database.Execute(QStringLiteral("insert into Channel (ID, Title, IsoLanguageCode, "
                                        "ChannelURL) values ") +
                         QString::fromUtf8(channel));
    database.Execute(QStringLiteral("update Channel set NextUpdateDateTime_UTC = '%1'").arg(later));
    struct {
        int id, channel;
        const char* title;
        const char* language;
        int read, downloaded, enclosureStatus;
    } const nodes[] = {
        {11, 1, "Rust & C++: a tale of two compilers", "en", 0, 0, 5},
        {12, 1, "Why the sky is blue", "en", -1, 1, 0},
        {13, 2, "Episode 42: Feeds all the way down", "en", 0, 2, 1},
        {14, 2, "Episode 41: The archive", "en", -1, 4, 2},
        {15, 3, "מזג האוויר: גשם בצפון ושמש במרכז", "he", 0, 0, 0},
    };
    for (const auto& node : nodes) {
        database.Execute(
            QStringLiteral("insert into Node values(%1,%2,'%3','About %3: the whole story.',"
                           "'http://127.0.0.1:2/%1','g%1','','%4','%5',%6,0,0,'%5',%7)")
                .arg(node.id)
                .arg(node.channel)
                .arg(QString::fromUtf8(node.title), QString::fromLatin1(node.language), today)
                .arg(node.read)
                .arg(node.downloaded));
        if (node.enclosureStatus == 0)
            continue;
        database.Execute(QStringLiteral("insert into Enclosure values(%1,'http://127.0.0.1:2/"
                                        "%1.mp3','1000','audio/mpeg',%2)")
                             .arg(node.id + 100)
                             .arg(node.enclosureStatus));
        database.Execute(QStringLiteral("insert into Node2Enclosure values(%1,%2)")
                             .arg(node.id)
                             .arg(node.id + 100));
    }
    database.Execute(QStringLiteral("insert into Category values(7,'Science')"));
    database.Execute(QStringLiteral("insert into Channel2Category values(1,7)"));
    for (int64_t channel : {1, 2, 3})
        RecomputeChannelStatistics(database, channel);
    cCategoryStatJob().Run();
}

QString DockedName(QWidget& dock) {
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QWidget*> docked = dock.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return docked.size() == 1 ? docked.first()->objectName()
                              : QStringLiteral("(%1 windows)").arg(docked.size());
}

class cNoticeJob : public cBaseJob {
public:
    explicit cNoticeJob(std::function<void()> onDone) { OnDone = std::move(onDone); }
    void Run() override {}
    QString ThreadName() const override { return QStringLiteral("cNoticeJob"); }
};

} // namespace

class MainClientTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FillDatabase();
        FData = std::make_unique<TdmVelmora>();
        FMain = std::make_unique<TfrmMainClient>(*FData, FLoadProgress);
        FMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(FMain.get()));
    }
    void cleanupTestCase() {
        FMain->StopEngine();
        GetThreadPool().Shutdown();
        FMain.reset();
    }

    void startUpDocksTheRecentNodesWindowWithItsRows() {
        QWidget& dock = Dock();
        QCOMPARE(DockedName(dock), QStringLiteral("frmQueryRecentNodes"));
        auto* list = dock.findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        QVERIFY(list);
        QCOMPARE(list->model()->rowCount(), 3);
    }

    void menusActionsAndHelpAreAsTheUserExpects() {
        QStringList menus;
        for (QAction* menu : FMain->menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus,
                 QStringList({"&File", "&Query", "&Channel", "&Internet", "&Export", "&Help"}));
        const struct {
            const char* name;
            const char* caption;
            const char* hint;
        } actions[] = {
            {"FileExit1", "&Quit", "Quit Velmora"},
            {"acImportSubscriptions", "&Import subscriptions...",
             "Subscribe to the feeds of an OPML file"},
            {"acExportSubscriptions", "&Export subscriptions...",
             "Write every subscription to an OPML file"},
            {"acRecentNodes", "Recent nodes", "Show nodes of the day"},
            {"acNodesByChannel", "By channel", "Show nodes by channel"},
            {"acNodesByCategory", "By Category", "Show nodes by categories"},
            {"acEnclosureNode", "with Media", "Show nodes with media attached"},
            {"acDownloaded", "Downloaded", "Show all nodes marked for download"},
            {"acQueryNodes", "All nodes", "Show all nodes"},
            {"acInsertANewFeed", "Insert a new feed", "Insert a new feed"},
            {"acChannelDetail", "Channels Details", "Display all channels in a form"},
            {"acRefreshAll", "Refresh all channels", "Fetch every feed now"},
            {"acGoBack", "Go back", "Go back"},
            {"acBrowserURL", "Browse", "Browse with URL"},
            {"HelpContents1", "&Help", "Rubriques d'aide"},
        };
        for (const auto& expected : actions) {
            auto* action = FMain->findChild<QAction*>(QString::fromLatin1(expected.name));
            QVERIFY2(action, expected.name);
            QCOMPARE(action->text(), QString::fromLatin1(expected.caption));
            QCOMPARE(action->toolTip(), QString::fromUtf8(expected.hint));
        }
        QVERIFY(!FMain->findChild<QAction*>(QStringLiteral("HelpContents1"))->isEnabled());
        QAction* helpMenu = FMain->menuBar()->actions().last();
        QVERIFY(!helpMenu->isEnabled());
    }

    void eachQueryActionDocksAFreshWindow() {
        const struct {
            const char* action;
            const char* window;
        } cases[] = {
            {"acNodesByChannel", "frmQueryNodesByChannel"},
            {"acNodesByCategory", "frmQueryNodesByCategory"},
            {"acEnclosureNode", "frmQueryEnclosureNode"},
            {"acDownloaded", "frmQueryDownloadedNodes"},
            {"acQueryNodes", "frmQueryNodes"},
            {"acRecentNodes", "frmQueryRecentNodes"},
        };
        for (const auto& step : cases) {
            QPointer<QWidget> before =
                Dock().findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            FMain->findChild<QAction*>(QString::fromLatin1(step.action))->trigger();
            QCOMPARE(DockedName(Dock()), QString::fromLatin1(step.window));
            QVERIFY(before.isNull());
        }
        QPointer<QWidget> recent =
            Dock().findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        FMain->findChild<QAction*>(QStringLiteral("acRecentNodes"))->trigger();
        QCOMPARE(DockedName(Dock()), QStringLiteral("frmQueryRecentNodes"));
        QVERIFY2(recent.isNull(), "choosing the same list again docks a fresh copy");
    }

    void addingAFeedWithAnEmptyFieldAddsItSaysSoAndTheEngineLooksAtOnce() {
        const int64_t before = ChannelCount();
        const int64_t passes = SchedulePasses();
        QString message;
        WhenModalShows([&](QWidget& dialog) {
            auto* input = qobject_cast<QInputDialog*>(&dialog);
            QVERIFY(input);
            QCOMPARE(input->windowTitle(), QStringLiteral("Enter a new channel URL ..."));
            QCOMPARE(input->labelText(), QStringLiteral("http://"));
            auto* field = input->findChild<QLineEdit*>();
            QCOMPARE(field->maxLength(), 255);
            QVERIFY(field->width() > field->fontMetrics().horizontalAdvance(
                                         QStringLiteral("https://www.example.org/blog/feed.xml")));
            WhenModalShows([&](QWidget& box) {
                message = qobject_cast<QMessageBox*>(&box)->text();
                qobject_cast<QDialog*>(&box)->accept();
            });
            input->accept();
        });
        FMain->InsertNewFeed();
        QCOMPARE(message, QStringLiteral("Channel was successfully added to database"));
        QCOMPARE(ChannelCount(), before + 1);
        // The engine's planned pass is up to a minute away.
        QTRY_VERIFY_WITH_TIMEOUT(SchedulePasses() > passes, 20000);
    }

    void cancellingTheAddFeedDialogAddsNothing() {
        const int64_t before = ChannelCount();
        WhenModalShows([](QWidget& dialog) { qobject_cast<QDialog*>(&dialog)->reject(); });
        FMain->InsertNewFeed();
        QCOMPARE(ChannelCount(), before);
    }

    void channelsDetailsOpensAnotherWindowEachTime() {
        QAction* details = FMain->findChild<QAction*>(QStringLiteral("acChannelDetail"));
        QVERIFY(details->isEnabled());
        details->trigger();
        details->trigger();
        const QList<TfrmChannelDetail*> windows =
            FMain->findChildren<TfrmChannelDetail*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(windows.size(), 2);
        for (TfrmChannelDetail* window : windows) {
            QVERIFY(window->isWindow() && window->isVisible());
            // Every subscription, the one added above without an address too.
            QCOMPARE(window->Model().rowCount(), ChannelCount());
            QPointer<TfrmChannelDetail> closed(window);
            window->close();
            QTRY_VERIFY(closed.isNull());
        }
    }

    void subscriptionsGoOutToAnOpmlFileAndComeInFromOne() {
        QTemporaryDir folder;
        const QString exported = folder.filePath(QStringLiteral("mine.opml"));
        QString message = Answer("acExportSubscriptions", exported);
        // The fixture's three channels: the one the add-feed test above added
        // has no address, and is left out.
        QCOMPARE(message, QStringLiteral("3 feeds exported to %1.").arg(exported));
        QCOMPARE(ReadOpmlFile(exported).size(), 3);

        // One feed known already, one new: the new one only is added, and the
        // engine looks for it at once.
        const QString incoming = folder.filePath(QStringLiteral("friend.opml"));
        WriteFile(incoming, "<opml version=\"2.0\"><body><outline text=\"News\">"
                            "<outline type=\"rss\" xmlUrl=\"http://127.0.0.1:2/tech.rss\"/>"
                            "<outline type=\"rss\" xmlUrl=\"http://127.0.0.1:2/friend.rss\"/>"
                            "</outline></body></opml>");
        const int64_t before = ChannelCount();
        const int64_t passes = SchedulePasses();
        message = Answer("acImportSubscriptions", incoming);
        QCOMPARE(message, QStringLiteral("1 feed added, 1 already subscribed."));
        QCOMPARE(ChannelCount(), before + 1);
        QTRY_VERIFY_WITH_TIMEOUT(SchedulePasses() > passes, 20000);

        const QString notOpml = folder.filePath(QStringLiteral("notes.txt"));
        WriteFile(notOpml, "shopping list");
        message = Answer("acImportSubscriptions", notOpml);
        QVERIFY2(message.startsWith(QStringLiteral("No subscription was imported.\n\n")) &&
                     message.contains(notOpml),
                 qPrintable(message));
        QCOMPARE(ChannelCount(), before + 1);
    }

    void browseWithAnEmptyAddressDoesNothingAndATypedOneLoads() {
        auto* address = FMain->findChild<QComboBox*>(QStringLiteral("cbUrl"));
        address->setEditText(QString());
        FMain->findChild<QAction*>(QStringLiteral("acBrowserURL"))->trigger();
        FMain->findChild<QAction*>(QStringLiteral("acGoBack"))->trigger();
        QVERIFY2(!FMain->findChild<QWebEngineView*>(QStringLiteral("web")),
                 "the browser is made on first use only");
        const int historyBefore = address->count();
        address->setEditText(QStringLiteral("about:blank"));
        FMain->findChild<QAction*>(QStringLiteral("acBrowserURL"))->trigger();
        auto* web = FMain->findChild<QWebEngineView*>(QStringLiteral("web"));
        QVERIFY(web);
        QTRY_COMPARE(web->url(), QUrl(QStringLiteral("about:blank")));
        QCOMPARE(address->count(), historyBefore);
        address->setEditText(QString());
        FMain->findChild<QAction*>(QStringLiteral("acBrowserURL"))->trigger();
        QTest::qWait(100);
        QCOMPARE(web->url(), QUrl(QStringLiteral("about:blank")));
    }

    void doubleClickFillsThePreviewAndNavigatesTheBrowser() {
        auto* list = Dock().findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        QVERIFY(list);
        const QModelIndex first = list->model()->index(0, 1);
        const QString title = first.data(Qt::DisplayRole).toString();
        const QRect cell = list->visualRect(first);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(FMain->findChild<TElidedLabel*>(QStringLiteral("stNodeTitle"))->FullText(), title);
        auto* address = FMain->findChild<QComboBox*>(QStringLiteral("cbUrl"));
        QVERIFY(address->itemText(0).startsWith(QStringLiteral("http://127.0.0.1:2/")));
        QTRY_COMPARE(FMain->findChild<QWebEngineView*>(QStringLiteral("web"))->url(),
                     QUrl(address->itemText(0)));
        QVERIFY(FMain->findChild<QPlainTextEdit*>(QStringLiteral("memNodeDescription"))
                    ->toPlainText()
                    .contains(QStringLiteral("About")));
        QCOMPARE(TNodeHints::HintFor(*list).Text,
                 QStringLiteral("About %1: the whole story.").arg(title));
        list->setCurrentIndex(QModelIndex());
        QCOMPARE(TNodeHints::HintFor(*list).Text, QString());
    }

    void longTitlesInThePreviewEndInAnEllipsisWithTheWholeTitleAsHint() {
        const QString longTitle = QStringLiteral("A channel title far too long for the logo "
                                                 "column of the preview strip to show");
        QPixmap smallIcon(16, 16);
        smallIcon.fill(Qt::darkCyan);
        QPixmap wideIcon(300, 50);
        wideIcon.fill(Qt::darkCyan);
        FMain->ShowNodePreview({smallIcon, longTitle, QStringLiteral("Short"), QString(),
                                QStringLiteral("http://127.0.0.1:2/long")});
        auto* channelTitle = FMain->findChild<TElidedLabel*>(QStringLiteral("stChannelTitle"));
        QVERIFY(channelTitle->text().endsWith(QChar(0x2026)));
        QVERIFY(channelTitle->width() <= 263);
        QCOMPARE(channelTitle->toolTip(), longTitle);
        auto* nodeTitle = FMain->findChild<TElidedLabel*>(QStringLiteral("stNodeTitle"));
        QCOMPARE(nodeTitle->text(), QStringLiteral("Short"));
        QCOMPARE(nodeTitle->toolTip(), QStringLiteral("Title of current node"));
        auto* logo = FMain->findChild<QLabel*>(QStringLiteral("imChannel"));
        QCOMPARE(logo->pixmap().size(), QSize(16, 16));
        FMain->ShowNodePreview({wideIcon, longTitle, QStringLiteral("Short"), QString(),
                                QStringLiteral("http://127.0.0.1:2/long")});
        QCOMPARE(logo->pixmap().size(), QSize(249, 74));
    }

    void engineNoticesRunOnTheGuiThreadAndRepaintTheDockedList() {
        auto* list = Dock().findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        cPaintCounter paints;
        list->viewport()->installEventFilter(&paints);
        std::promise<bool> onGuiThread;
        QPointer<TfrmMainClient> main = FMain.get();
        GetThreadPool().AddJob(std::make_unique<cNoticeJob>([&, main] {
            onGuiThread.set_value(QThread::currentThread() == qApp->thread());
            if (main)
                main->RepaintChannelIcons();
        }));
        auto ran = onGuiThread.get_future();
        QTRY_VERIFY(ran.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(ran.get());
        QTRY_VERIFY(paints.Count > 0);
    }

    void theExportWindowOpensModallyAndKeepsTheActivation() {
        auto* action = FMain->findChild<QAction*>(QStringLiteral("acExportHTML"));
        QVERIFY(action->isEnabled());
        QString opened;
        int rows = -1;
        bool keptInFront = false;
        WhenModalShows([&](QWidget& window) {
            const auto close =
                qScopeGuard([&window] { qobject_cast<QDialog*>(&window)->reject(); });
            opened = window.objectName();
            rows =
                window.findChild<QAbstractItemView*>(QStringLiteral("lvNode"))->model()->rowCount();
            // A window of the export window's own takes the activation...
            QWidget owned(&window, Qt::Window);
            owned.show();
            owned.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &owned);
            // ...then the main window is activated while the export window
            // blocks it: the activation goes on to the export window.
            QEvent activated(QEvent::WindowActivate);
            QApplication::sendEvent(FMain.get(), &activated);
            QTRY_COMPARE(QApplication::activeWindow(), &window);
            keptInFront = true;
        });
        action->trigger();
        QCOMPARE(opened, QStringLiteral("frmExportHTML"));
        QCOMPARE(rows, 1);
        QVERIFY(keptInFront);
        QVERIFY2(!FMain->findChild<TfrmExportHTML*>(), "destroyed when it closes");
    }

    void aHintOverTheListShowsTheFocusedItemInTheHintWindow() {
        FMain->findChild<QAction*>(QStringLiteral("acQueryNodes"))->trigger();
        QCOMPARE(DockedName(Dock()), QStringLiteral("frmQueryNodes"));
        auto* list = Dock().findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        const QModelIndexList found = list->model()->match(
            list->model()->index(0, 1), Qt::DisplayRole, QStringLiteral("Why the sky is blue"));
        QCOMPARE(found.size(), 1);
        const QModelIndex first = found.first();
        const QPoint at = list->visualRect(first).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(FMain->findChild<TElidedLabel*>(QStringLiteral("stNodeTitle"))->FullText(),
                 QStringLiteral("Why the sky is blue"));
        QHelpEvent request(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &request);
        TVelmoraHintWindow& hint = static_cast<TVelmoraApplication*>(qApp)->Hints().Window();
        QVERIFY(hint.isVisible());
        QCOMPARE(hint.HintText(), QStringLiteral("About %1: the whole story.")
                                      .arg(first.data(Qt::DisplayRole).toString()));
        QTest::qWait(300);
        const QRect shown = FMain->frameGeometry();
        const QPixmap screen =
            FMain->screen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height());
        QVERIFY(QFile::exists(SaveScreenshot(screen, QStringLiteral("main-window-hint"))));

        // The black strip lies along the window's bottom edge.
        auto* strip = FMain->findChild<QWidget*>(QStringLiteral("panGlassBottom"));
        QCOMPARE(strip->height(), 10);
        QCOMPARE(strip->mapTo(FMain.get(), QPoint(0, strip->height())).y(), FMain->height());
        const QImage window = FMain->grab().toImage();
        QCOMPARE(QColor(window.pixel(window.width() / 2, window.height() - 5)), QColor(Qt::black));

        // Besides the main window, only windows the window manager keeps
        // off the taskbar: tool windows, hints, menus and owned dialogs.
        FLoadProgress.ShowProgress();
        FMain->OpenChannelDetail();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == FMain.get() || !window->isVisible())
                continue;
            const Qt::WindowType type = window->windowType();
            QVERIFY2(type == Qt::Tool || type == Qt::ToolTip || type == Qt::Popup ||
                         (type == Qt::Dialog && window->parentWidget()),
                     qPrintable(window->objectName()));
        }
        FLoadProgress.HideProgress();
        for (auto* detail : FMain->findChildren<TfrmChannelDetail*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(detail->windowFlags().testFlag(Qt::WindowCloseButtonHint),
                     "the window manager gives the detail window its close button");
            detail->close();
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QVERIFY2(!hint.isVisible(), "a click puts the hint away");
    }

    void anErrorInAnEventHandlerIsSwallowed() {
        cRaisingObject raising;
        QEvent event(QEvent::User);
        QVERIFY(!QApplication::sendEvent(&raising, &event));
        QVERIFY(FMain->isVisible());
    }

    void aMissingDatabaseIsNamedAtStartUp() {
        const QString path = GetConfig().MainDatabasePath();
        QVERIFY(QFile::rename(path, path + QStringLiteral(".away")));
        QString message;
        try {
            RequireDataFiles();
        } catch (const EVelmoraError& error) {
            message = error.Message();
        }
        QVERIFY(QFile::rename(path + QStringLiteral(".away"), path));
        QCOMPARE(message, QStringLiteral("Missing database \"%1\"").arg(path));
    }

    void theKeyboardAloneDocksAListChoosesAChannelAndReadsAnItem() {
        FData->Database().Execute(QStringLiteral("update Node set HasBeenRead = 0"));
        FMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FMain.get()));
        // The toolbar's access key docks its list; the list that chooses
        // the items takes the keys.
        QTest::keyClick(FMain.get(), Qt::Key_Y, Qt::AltModifier);
        QCOMPARE(DockedName(Dock()), QStringLiteral("frmQueryNodesByChannel"));
        auto* channels = Dock().findChild<QTreeView*>(QStringLiteral("lvChannel"));
        auto* nodes = Dock().findChild<QTreeView*>(QStringLiteral("lvNodes"));
        QTRY_COMPARE(QApplication::focusWidget(), channels);
        // Enter on the row shown as current lists its items, as a click does.
        QVERIFY(channels->currentIndex().isValid());
        QTest::keyClick(channels, Qt::Key_Return);
        QVERIFY(nodes->model()->rowCount() > 0);
        // Tab goes down to the items' frame: its filter, then its list.
        QStringList passed;
        for (int press = 0; press < 20 && QApplication::focusWidget() != nodes; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            passed << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(QApplication::focusWidget(), nodes);
        QVERIFY2(passed.contains(QStringLiteral("edNodesFilter")), qPrintable(passed.join(',')));
        QVERIFY2(!passed.contains(QStringLiteral("lvChannel")), qPrintable(passed.join(',')));
        // Space marks the row shown as current read.
        const QString title = nodes->currentIndex().siblingAtColumn(1).data().toString();
        QTest::keyClick(nodes, Qt::Key_Space);
        QCOMPARE(FData->Database().QueryInt64(
                     QStringLiteral("select HasBeenRead from Node where Title = %1")
                         .arg(QuotedText(title))),
                 -1);
        // From the list, Tab goes on to the right: the item's description,
        // then the address box.
        QTest::keyClick(nodes, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("memNodeDescription"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* address = FMain->findChild<QComboBox*>(QStringLiteral("cbUrl"));
        QCOMPARE(QApplication::focusWidget(), address);
    }

    void goBackAnswersItsShortcutAndTheAddressBoxFollowsThePage() {
        FMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FMain.get()));
        const QUrl first(QStringLiteral("data:text/html,first"));
        const QUrl second(QStringLiteral("data:text/html,second"));
        FMain->Navigate(first);
        auto* web = FMain->findChild<QWebEngineView*>(QStringLiteral("web"));
        QTRY_COMPARE(web->url(), first);
        QTRY_VERIFY(!web->page()->isLoading());
        FMain->Navigate(second);
        QTRY_COMPARE(web->url(), second);
        QTRY_VERIFY(web->history()->canGoBack());
        // Wherever the focus is, also in the address box.
        auto* address = FMain->findChild<QComboBox*>(QStringLiteral("cbUrl"));
        QCOMPARE(QApplication::focusWidget(), address);
        QCOMPARE(address->currentText(), second.toString());
        QTest::keyClick(FMain.get(), Qt::Key_Left, Qt::AltModifier);
        QTRY_COMPARE(web->url(), first);
        QCOMPARE(address->currentText(), first.toString());
    }

    void screenshotOfThePopulatedMainWindow() {
        // The all-nodes list holds read and unread items, every enclosure
        // and page state, and the Hebrew item.
        FMain->findChild<QAction*>(QStringLiteral("acQueryNodes"))->trigger();
        QCOMPARE(DockedName(Dock()), QStringLiteral("frmQueryNodes"));
        auto* list = Dock().findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        QCOMPARE(list->model()->rowCount(), 5);
        // The selected row opened, so the preview shows an item.
        const QRect cell = list->visualRect(list->model()->index(1, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(FMain->findChild<TElidedLabel*>(QStringLiteral("stNodeTitle"))->FullText(),
                 list->model()->index(1, 1).data().toString());
        QTest::qWait(200);
        QVERIFY(QFile::exists(SaveScreenshot(*FMain, QStringLiteral("main-window-all-nodes"))));
        FMain->findChild<QAction*>(QStringLiteral("acNodesByChannel"))->trigger();
        QCOMPARE(DockedName(Dock()), QStringLiteral("frmQueryNodesByChannel"));
        // A channel chosen, so its nodes fill the lower list.
        auto* channels = Dock().findChild<QAbstractItemView*>(QStringLiteral("lvChannel"));
        QVERIFY(channels);
        const QRect channel = channels->visualRect(channels->model()->index(1, 1));
        QTest::mouseClick(channels->viewport(), Qt::LeftButton, {}, channel.center());
        auto* nodes = Dock().findChild<QAbstractItemView*>(QStringLiteral("lvNodes"));
        QTRY_COMPARE(nodes->model()->rowCount(), 2);
        QTest::qWait(200);
        QVERIFY(QFile::exists(SaveScreenshot(*FMain, QStringLiteral("main-window-by-channel"))));
    }

    void refreshAllUpdatesEveryChannelAtOnce() {
        // The fixture's channels are due in ten years. Last, since their
        // updates then fail (their addresses are a closed port).
        const auto updates = [this] {
            return FData->Database().QueryInt64(QStringLiteral(
                "select count(*) from ActionLog where Action = 'update channel' and Detail = "
                "'Podcast Hour'"));
        };
        const int64_t before = updates();
        QAction* refreshAll = FMain->findChild<QAction*>(QStringLiteral("acRefreshAll"));
        QCOMPARE(refreshAll->shortcut(), QKeySequence(QKeySequence::Refresh));
        refreshAll->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(updates() > before, 20000);
    }

private:
    struct cPaintCounter : QObject {
        int Count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            Count += event->type() == QEvent::Paint;
            return false;
        }
    };
    struct cRaisingObject : QObject {
        bool event(QEvent*) override { throw EVelmoraError(QStringLiteral("handler failed")); }
    };

    QWidget& Dock() { return *FMain->findChild<QWidget*>(QStringLiteral("panDockQuery")); }
    int64_t SchedulePasses() {
        return FData->Database().QueryInt64(
            QStringLiteral("select count(*) from ActionLog where Action = 'next schedule'"));
    }
    // Triggers the action, types the path into its file dialog as a user
    // would, and returns the text of the message that follows.
    QString Answer(const char* action, const QString& path) {
        QString message;
        WhenModalShows([&](QWidget& picker) {
            auto* dialog = qobject_cast<QFileDialog*>(&picker);
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            WhenModalShows([&](QWidget& box) {
                message = qobject_cast<QMessageBox*>(&box)->text();
                qobject_cast<QDialog*>(&box)->accept();
            });
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        });
        FMain->findChild<QAction*>(QString::fromLatin1(action))->trigger();
        return message;
    }
    static void WriteFile(const QString& path, const char* text) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    int64_t ChannelCount() {
        return FData->Database().QueryInt64(QStringLiteral("select count(*) from Channel"));
    }

    TfrmLoadProgress FLoadProgress;
    std::unique_ptr<TdmVelmora> FData;
    std::unique_ptr<TfrmMainClient> FMain;
};

VELMORA_UI_WINDOW_TEST_MAIN(MainClientTest)

#include "fMainClientTest.moc"
