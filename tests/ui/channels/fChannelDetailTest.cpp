#include "ui/channels/fChannelDetail.h"

#include "NodeListFixture.h"
#include "UiTestSupport.h"
#include "storage/uDTFormat.h"
#include "ui/channels/uChannelDetailModel.h"
#include "ui/chrome/uElidedLabel.h"
#include "ui/shell/dVelmora.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>

namespace {

// The channels' rows in the window, by title.
enum { AlphaRow, BetaRow, GammaRow };

const char* const AlphaFrequency = "d: 0h: 1m: 0";
const char* const BetaFrequency = "d: 1h: 0m: 0";

// Whether the stored time text lies between the two moments, to the second.
bool Between(const QString& text, const QDateTime& from, const QDateTime& to) {
    const QDateTime time = TextToDateTime(text);
    return time >= from.addMSecs(-from.time().msec()) && time <= to;
}

} // namespace

class ChannelDetailTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { FData = std::make_unique<TdmVelmora>(); }
    void init();
    void cleanup() { delete FWindow; }

    void theModelPassesTheTester();
    void clickingADueChannelFillsThePanelAndAsksForItNow();
    void aChannelNotDueClickedWithTheBoxCheckedWaitsAnHour();
    void anUnreadableFrequencyBecomesThirtyMinutes_data();
    void anUnreadableFrequencyBecomesThirtyMinutes();
    void applyWritesEveryChangedRowAndOnlyThose();
    void aFailedApplyWritesNothingAndRereadsTheRows();
    void removeDeletesTheChannelWithItsItemsAndLinksAndKeepsTheRow();
    void deleteAsksToRemoveTheRowShownAsCurrentAndEscapeCloses();
    void addAChannelIsTheAddFeedDialogOnTheSharedConnection();
    void twoWindowsEditTheirOwnCopies();
    void screenshotWithWholeColumnCaptions();

private:
    // A shown detail window.
    TfrmChannelDetail* Open();
    void Click(TfrmChannelDetail& window, int row);
    void Type(TfrmChannelDetail& window, const QString& text);
    void Press(TfrmChannelDetail& window, const char* button) {
        window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
    QCheckBox& AskRefresh() { return *FWindow->findChild<QCheckBox*>("cbAskRefresh"); }
    QString Shown(const char* label) {
        return FWindow->findChild<TElidedLabel*>(QString::fromLatin1(label))->FullText();
    }
    QString Row(int row, int role) { return FWindow->Model().index(row, 0).data(role).toString(); }
    QString NextUpdate(int row) { return Row(row, cChannelDetailModel::NextUpdateRole); }
    QString Frequency(int row) { return Row(row, cChannelDetailModel::FrequencyRole); }
    QString Stored(const QString& column, int channel) {
        return QString::fromUtf8(FData->Database().QueryText(
            QStringLiteral("select %1 from Channel where ID = %2").arg(column).arg(channel)));
    }
    int Count(const char* query) { return FData->Database().QueryInt(QString::fromUtf8(query)); }

    std::unique_ptr<TdmVelmora> FData;
    QPointer<TfrmChannelDetail> FWindow;
    QString FPast;
    QString FLater;
};

// The node list fixture's three channels: Alpha due since yesterday, Beta
// and Gamma due in ten years, Gamma with a frequency that does not read.
void ChannelDetailTest::init() {
    cSQLDatabase& database = FData->Database();
    database.Execute(QStringLiteral("drop trigger if exists RefuseBeta"));
    FillNodeListFixture(database);
    FPast = DateTimeToText(LocalNow().addDays(-1));
    FLater = DateTimeToText(LocalNow().addYears(10));
    database.Execute(
        QStringLiteral(
            "update Channel set ChannelURL = 'https://alpha.example/news.rss', Description = "
            "'World news as it happens', IsLastUpdateOk = -1, Frequency = '%1', "
            "NextUpdateDateTime_UTC = '%2' where ID = 1")
            .arg(QString::fromLatin1(AlphaFrequency), FPast));
    database.Execute(QStringLiteral("update Channel set ChannelURL = 'https://beta.example/feed', "
                                    "Description = 'Daily digest', Frequency = '%1', "
                                    "NextUpdateDateTime_UTC = '%2' where ID = 2")
                         .arg(QString::fromLatin1(BetaFrequency), FLater));
    database.Execute(
        QStringLiteral("update Channel set ChannelURL = 'https://gamma.example/atom.xml', "
                       "Frequency = 'weekly', NextUpdateDateTime_UTC = '%1' where ID = 3")
            .arg(FLater));
    FWindow = Open();
}

TfrmChannelDetail* ChannelDetailTest::Open() {
    auto* window = new TfrmChannelDetail(*FData);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("the detail window was not exposed");
    return window;
}

void ChannelDetailTest::Click(TfrmChannelDetail& window, int row) {
    auto* list = window.findChild<QTreeView*>(QStringLiteral("lvChannel"));
    const QRect cell = list->visualRect(list->model()->index(row, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

void ChannelDetailTest::Type(TfrmChannelDetail& window, const QString& text) {
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("edFrequency"));
    box->clear();
    QTest::keyClicks(box, text);
}

void ChannelDetailTest::theModelPassesTheTester() {
    cChannelDetailModel model(*FData);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(model.Requery());
    QCOMPARE(model.rowCount(), 3);
    model.SetRefreshAsap(BetaRow, true);
    model.SetFrequencyText(GammaRow, QStringLiteral("d: 1h: 2m: 3"));
    QVERIFY(model.ApplyChanges());
    QVERIFY(model.Requery());
}

void ChannelDetailTest::clickingADueChannelFillsThePanelAndAsksForItNow() {
    QStringList headers;
    for (int column = 0; column < cChannelDetailModel::ColumnCount; ++column)
        headers << FWindow->Model().headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"ID", "Title", "LastUpdateOk", "LastUpdateDateTime",
                                   "TotalNodes", "TotalUnread", "TotalNew"}));
    QStringList first;
    for (int column = 0; column < cChannelDetailModel::ColumnCount; ++column)
        first << FWindow->Model().index(AlphaRow, column).data().toString();
    QCOMPARE(first, QStringList({"1", "Alpha News", "-1", "2024/05/01 08:00:00", "4", "3", "2"}));

    QVERIFY(!AskRefresh().isChecked());
    const QDateTime before = LocalNow();
    Click(*FWindow, AlphaRow);
    QVERIFY(AskRefresh().isChecked());
    QVERIFY2(Between(NextUpdate(AlphaRow), before, LocalNow()), qPrintable(NextUpdate(AlphaRow)));
    QCOMPARE(Shown("stChannelID"), QStringLiteral("1"));
    QCOMPARE(Shown("stChannelTitle"), QStringLiteral("Alpha News"));
    QCOMPARE(Shown("stChannelDescription"), QStringLiteral("World news as it happens"));
    QCOMPARE(Shown("stLastUpdateOk"), QStringLiteral("-1"));
    QCOMPARE(Shown("stLastUpdateTime"), QStringLiteral("2024/05/01 08:00:00"));
    QCOMPARE(Shown("stChannelURL"), QStringLiteral("https://alpha.example/news.rss"));
    QCOMPARE(Shown("stChannelStat"), QStringLiteral("4 3 2"));
    QCOMPARE(FWindow->findChild<QLineEdit*>("edFrequency")->text(),
             QString::fromLatin1(AlphaFrequency));
    QCOMPARE(Stored("NextUpdateDateTime_UTC", 1), FPast);
}

void ChannelDetailTest::aChannelNotDueClickedWithTheBoxCheckedWaitsAnHour() {
    Click(*FWindow, AlphaRow);
    QVERIFY(AskRefresh().isChecked());
    const QDateTime before = LocalNow();
    Click(*FWindow, BetaRow);
    QVERIFY(!AskRefresh().isChecked());
    QVERIFY2(Between(NextUpdate(BetaRow), before.addSecs(3600), LocalNow().addSecs(3600)),
             qPrintable(NextUpdate(BetaRow)));
    // With the box already unchecked, a channel not due keeps its time.
    Click(*FWindow, GammaRow);
    QCOMPARE(NextUpdate(GammaRow), FLater);
    // Checking the box by hand asks for the channel now.
    AskRefresh().click();
    QVERIFY(Between(NextUpdate(GammaRow), before, LocalNow()));
    QCOMPARE(Stored("NextUpdateDateTime_UTC", 2), FLater);
}

void ChannelDetailTest::anUnreadableFrequencyBecomesThirtyMinutes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("frequency");
    QTest::newRow("readable") << "d: 2h:13m: 4"
                              << "d: 2h:13m: 4";
    QTest::newRow("hours not a number") << "d: 2h:xxm: 4"
                                        << "d: 0h: 0m:30";
    QTest::newRow("too short") << "d: 2h:13"
                               << "d: 0h: 0m:30";
    QTest::newRow("empty") << ""
                           << "d: 0h: 0m:30";
}

void ChannelDetailTest::anUnreadableFrequencyBecomesThirtyMinutes() {
    QFETCH(QString, typed);
    QFETCH(QString, frequency);
    auto* box = FWindow->findChild<QLineEdit*>("edFrequency");
    Click(*FWindow, GammaRow);
    QCOMPARE(box->text(), QStringLiteral("d: 0h: 0m:30"));
    Click(*FWindow, BetaRow);
    Type(*FWindow, typed);
    QCOMPARE(Frequency(BetaRow), frequency);
    QCOMPARE(box->text(), typed);
}

void ChannelDetailTest::applyWritesEveryChangedRowAndOnlyThose() {
    Click(*FWindow, AlphaRow);
    Type(*FWindow, QStringLiteral("d: 0h: 2m: 0"));
    Click(*FWindow, BetaRow);
    Type(*FWindow, QStringLiteral("d: 3h: 0m: 0"));
    QSignalSpy engineAsked(FData.get(), &TdmVelmora::ChannelsMayBeDue);
    Press(*FWindow, "btApplyChange");
    QCOMPARE(engineAsked.count(), 1);
    QCOMPARE(Stored("Frequency", 1), QStringLiteral("d: 0h: 2m: 0"));
    QCOMPARE(Stored("NextUpdateDateTime_UTC", 1), NextUpdate(AlphaRow));
    QCOMPARE(Stored("Frequency", 2), QStringLiteral("d: 3h: 0m: 0"));
    QCOMPARE(Stored("NextUpdateDateTime_UTC", 2), NextUpdate(BetaRow));
    QVERIFY(NextUpdate(BetaRow) != FLater);
    QCOMPARE(Stored("Frequency", 3), QStringLiteral("weekly"));
}

void ChannelDetailTest::aFailedApplyWritesNothingAndRereadsTheRows() {
    // Another connection makes the database refuse any change to Beta.
    FData->Database().Execute(
        QStringLiteral("create trigger RefuseBeta before update on Channel when old.ID = 2 "
                       "begin select raise(abort, 'Beta is locked'); end"));
    Click(*FWindow, AlphaRow);
    Type(*FWindow, QStringLiteral("d: 0h: 2m: 0"));
    Click(*FWindow, BetaRow);
    Type(*FWindow, QStringLiteral("d: 3h: 0m: 0"));
    Press(*FWindow, "btApplyChange");
    QCOMPARE(Stored("Frequency", 1), QString::fromLatin1(AlphaFrequency));
    QCOMPARE(Stored("NextUpdateDateTime_UTC", 1), FPast);
    // The window shows what is stored, not the refused values.
    QCOMPARE(FWindow->Model().rowCount(), 3);
    QCOMPARE(Frequency(AlphaRow), QString::fromLatin1(AlphaFrequency));
    QCOMPARE(NextUpdate(AlphaRow), FPast);
    QCOMPARE(Frequency(BetaRow), QString::fromLatin1(BetaFrequency));
    QCOMPARE(NextUpdate(BetaRow), FLater);
    QCOMPARE(Shown("stChannelID"), QString());
    QCOMPARE(FWindow->findChild<QLineEdit*>("edFrequency")->text(), QString());
    // Nothing is left pending: once the database accepts, only new edits go.
    FData->Database().Execute(QStringLiteral("drop trigger RefuseBeta"));
    Press(*FWindow, "btApplyChange");
    QCOMPARE(Stored("Frequency", 2), QString::fromLatin1(BetaFrequency));
    Click(*FWindow, GammaRow);
    Type(*FWindow, QStringLiteral("d: 0h: 0m:45"));
    Press(*FWindow, "btApplyChange");
    QCOMPARE(Stored("Frequency", 3), QStringLiteral("d: 0h: 0m:45"));
}

void ChannelDetailTest::removeDeletesTheChannelWithItsItemsAndLinksAndKeepsTheRow() {
    Click(*FWindow, AlphaRow);
    QString question;
    WhenModalShows([&](QWidget& box) {
        auto* message = qobject_cast<QMessageBox*>(&box);
        question = message->text();
        message->button(QMessageBox::No)->click();
    });
    Press(*FWindow, "btDelete");
    QCOMPARE(question, QStringLiteral("Do you really want to remove this channel"));
    QCOMPARE(Count("select count(*) from Channel where ID = 1"), 1);
    QCOMPARE(Count("select count(*) from Node where ParentChannelId = 1"), 4);

    WhenModalShows(
        [](QWidget& box) { qobject_cast<QMessageBox*>(&box)->button(QMessageBox::Yes)->click(); });
    Press(*FWindow, "btDelete");
    QCOMPARE(Count("select count(*) from Channel where ID = 1"), 0);
    QCOMPARE(Count("select count(*) from Node where ParentChannelId = 1"), 0);
    QCOMPARE(Count("select count(*) from Enclosure where ID in (21, 22)"), 0);
    QCOMPARE(Count("select count(*) from Node2Enclosure where NodeId in (11, 12)"), 0);
    QCOMPARE(Count("select count(*) from Node2Category where NodeId = 12"), 0);
    // Another channel's items, enclosures and links stay.
    QCOMPARE(Count("select count(*) from Node where ParentChannelId = 2"), 2);
    QCOMPARE(Count("select count(*) from Enclosure where ID = 23"), 1);
    QCOMPARE(Count("select count(*) from Node2Enclosure where NodeId = 13"), 1);

    QCOMPARE(FWindow->Model().rowCount(), 3);
    QCOMPARE(Row(AlphaRow, cChannelDetailModel::TitleRole), QStringLiteral("Alpha News"));
    std::unique_ptr<TfrmChannelDetail> later(Open());
    QCOMPARE(later->Model().rowCount(), 2);
}

void ChannelDetailTest::deleteAsksToRemoveTheRowShownAsCurrentAndEscapeCloses() {
    FWindow->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FWindow));
    auto* list = FWindow->findChild<QTreeView*>(QStringLiteral("lvChannel"));
    // Entered with the keyboard: the first row is current, none selected.
    list->setFocus(Qt::TabFocusReason);
    QCOMPARE(list->currentIndex().row(), 0);
    const int64_t first =
        list->currentIndex().data(cChannelDetailModel::ChannelIdRole).toLongLong();
    QString question;
    WhenModalShows([&](QWidget& box) {
        auto* message = qobject_cast<QMessageBox*>(&box);
        question = message->text();
        message->button(QMessageBox::Yes)->click();
    });
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(question, QStringLiteral("Do you really want to remove this channel"));
    QCOMPARE(FData->Database().QueryInt64(
                 QStringLiteral("select count(*) from Channel where ID = %1").arg(first)),
             0);

    // The window manager gives the activation back once the box is gone.
    FWindow->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FWindow));
    QTest::keyClick(list, Qt::Key_Escape);
    QTRY_VERIFY(FWindow.isNull());
}

void ChannelDetailTest::addAChannelIsTheAddFeedDialogOnTheSharedConnection() {
    QString said;
    WhenModalShows([&](QWidget& dialog) {
        auto* input = qobject_cast<QInputDialog*>(&dialog);
        QCOMPARE(input->windowTitle(), QStringLiteral("Enter a new channel URL ..."));
        input->setTextValue(QStringLiteral("https://delta.example/feed"));
        WhenModalShows([&](QWidget& box) {
            said = qobject_cast<QMessageBox*>(&box)->text();
            qobject_cast<QDialog*>(&box)->accept();
        });
        input->accept();
    });
    QSignalSpy engineAsked(FData.get(), &TdmVelmora::ChannelsMayBeDue);
    Press(*FWindow, "btAddNode");
    QCOMPARE(said, QStringLiteral("Channel was successfully added to database"));
    QCOMPARE(engineAsked.count(), 1);
    QCOMPARE(Count("select count(*) from Channel where ChannelURL = 'https://delta.example/feed'"),
             1);
    QCOMPARE(FWindow->Model().rowCount(), 3);
}

void ChannelDetailTest::twoWindowsEditTheirOwnCopies() {
    std::unique_ptr<TfrmChannelDetail> second(Open());
    Click(*FWindow, BetaRow);
    Type(*FWindow, QStringLiteral("d: 0h: 5m: 0"));
    Click(*second, BetaRow);
    QCOMPARE(second->findChild<QLineEdit*>("edFrequency")->text(),
             QString::fromLatin1(BetaFrequency));
    Type(*second, QStringLiteral("d: 0h: 7m: 0"));
    QCOMPARE(Frequency(BetaRow), QStringLiteral("d: 0h: 5m: 0"));

    Press(*FWindow, "btApplyChange");
    QCOMPARE(Stored("Frequency", 2), QStringLiteral("d: 0h: 5m: 0"));
    Press(*second, "btApplyChange");
    QCOMPARE(Stored("Frequency", 2), QStringLiteral("d: 0h: 7m: 0"));
    QCOMPARE(Frequency(BetaRow), QStringLiteral("d: 0h: 5m: 0"));
}

void ChannelDetailTest::screenshotWithWholeColumnCaptions() {
    Click(*FWindow, BetaRow);
    QApplication::processEvents();
    auto* list = FWindow->findChild<QTreeView*>("lvChannel");
    QHeaderView& header = *list->header();
    for (int column = 0; column < cChannelDetailModel::ColumnCount; ++column)
        QVERIFY2(header.sectionSize(column) >= header.sectionSizeHint(column),
                 qPrintable(QStringLiteral("column %1 cuts its caption").arg(column)));
    // The window stays on its screen; on a small one (the test's screen is
    // 800 pixels wide) the list gives up width, never the panel's buttons.
    const QSize available = FWindow->screen()->availableSize();
    QVERIFY(FWindow->width() <= available.width() && FWindow->height() <= available.height());
    QVERIFY2(header.length() <= list->viewport()->width() ||
                 FWindow->width() >= available.width() - 16,
             "every column shows in the list, or the window is as wide as the screen allows");
    auto* apply = FWindow->findChild<QPushButton*>(QStringLiteral("btApplyChange"));
    const QRect applyShown(apply->mapTo(FWindow, QPoint(0, 0)), apply->size());
    QVERIFY2(FWindow->rect().contains(applyShown), "the panel's buttons show whole");
    QVERIFY(!SaveScreenshot(*FWindow, QStringLiteral("channel_detail")).isEmpty());
}

VELMORA_UI_TEST_MAIN(ChannelDetailTest)

#include "fChannelDetailTest.moc"
