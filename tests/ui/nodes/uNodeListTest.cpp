#include "NodeListFixture.h"
#include "UiTestSupport.h"

#include "readmodels/uNodeChannel.h"
#include "storage/uConfig.h"
#include "ui/chrome/uLanguageText.h"
#include "ui/nodes/modQueryNodes.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/nodes/uNodeStatus.h"
#include "ui/shell/dVelmora.h"

#include <QAbstractItemModelTester>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeView>
#include <memory>

class NodeListTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modelPassesTheTesterAndAFailedQueryShowsNoRows();
    void rolesGiveTheStoredRow();
    void aClickOnAStatusIconRunsItsActionAndSavesTheRow_data();
    void aClickOnAStatusIconRunsItsActionAndSavesTheRow();
    void aFailedSaveShowsWhatTheDatabaseHolds();
    void aFailedEnclosureShowsTheFailedIcon();
    void doubleClickOpensTheItemInThePreview();
    void keysOpenMarkReadAndFindTheFilter();
    void theContextMenuOffersTheItemActionsOnTheRowUnderIt();
    void textReadsInItsLanguagesDirection_data();
    void textReadsInItsLanguagesDirection();
    void textLinesWrapWholeAndEndWithAnEllipsis();
    void rightToLeftTextIsDrawnAtTheRightEdge();

private:
    // A shown frame with the recent items listed.
    std::unique_ptr<TmodNodes> RecentFrame();
    QTreeView& List(TmodNodes& frame) { return *frame.findChild<QTreeView*>("lvNodes"); }
    // A point in a status line (0 read, 1 enclosure, 2 page) of the node's row.
    QPoint StatusPoint(TmodNodes& frame, qint64 nodeId, int line);
    int Stored(const char* query) { return FData->Database().QueryInt(QString::fromUtf8(query)); }

    std::unique_ptr<TdmVelmora> FData;
    cPreviewRecorder FPreview;
};

void NodeListTest::initTestCase() {
    FData = std::make_unique<TdmVelmora>();
}

void NodeListTest::init() {
    FillNodeListFixture(FData->Database());
    FPreview = cPreviewRecorder();
}

void NodeListTest::cleanup() {
    FData->Database().Execute(QStringLiteral("drop trigger if exists RefuseNodeUpdates"));
}

std::unique_ptr<TmodNodes> NodeListTest::RecentFrame() {
    auto frame = std::make_unique<TmodNodes>(*FData, FPreview);
    frame->resize(420, 560);
    frame->show();
    frame->Model().Requery([](cNodeChannelTable& table) {
        table.QueryRecentNodes(NodeOrder::ByDate, NoFilter, QString(), 0, 0);
    });
    return frame;
}

QPoint NodeListTest::StatusPoint(TmodNodes& frame, qint64 nodeId, int line) {
    const int row = RowOfNode(frame.Model(), nodeId);
    const QRect cell =
        List(frame).visualRect(frame.Model().index(row, cNodeListModel::StatusColumn));
    // Icons are 16 pixels high, one below the other with 2 pixels between.
    return QPoint(cell.center().x(), cell.top() + 1 + 8 + line * 18);
}

void NodeListTest::modelPassesTheTesterAndAFailedQueryShowsNoRows() {
    cNodeListModel model(*FData);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(!model.HasResult());
    QVERIFY(model.Requery(
        [](cNodeChannelTable& table) { table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 0); }));
    QCOMPARE(NodeIds(model), (QList<qint64>{15, 11, 12, 13, 14, 16}));
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Title"));

    QVERIFY(!model.Requery([](cNodeChannelTable& table) {
        table.Query(QStringLiteral("select * from NoSuchTable"));
    }));
    QCOMPARE(model.rowCount(), 0);

    model.Requery([](cNodeChannelTable& table) {
        table.QueryDownloadedNodes(NodeOrder::ByDate, NoFilter, QString());
    });
    QCOMPARE(model.rowCount(), 4);
    model.Release();
    QCOMPARE(model.rowCount(), 0);
}

void NodeListTest::rolesGiveTheStoredRow() {
    cNodeListModel model(*FData);
    model.Requery(
        [](cNodeChannelTable& table) { table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 0); });
    const QModelIndex twelve = model.index(RowOfNode(model, 12), cNodeListModel::TitleColumn);
    const struct {
        int Role;
        QVariant Expected;
    } cases[] = {
        {Qt::DisplayRole, QStringLiteral("Q&A: ready enclosure")},
        {cNodeListModel::ChannelIdRole, qint64(1)},
        {cNodeListModel::ChannelTitleRole, QStringLiteral("Alpha News")},
        {cNodeListModel::DescriptionRole, QStringLiteral("<b>Two</b>")},
        {cNodeListModel::LinkRole, QStringLiteral("http://a.example/12")},
        {cNodeListModel::LanguageRole, QStringLiteral("EN")},
        {cNodeListModel::DateRole, QStringLiteral("2024/05/04 10:00:00")},
        {cNodeListModel::HasBeenReadRole, false},
        {cNodeListModel::EnclosureStatusRole, 1},
        {cNodeListModel::PageStateRole, 1},
    };
    for (const auto& row : cases)
        QCOMPARE(twelve.data(row.Role), row.Expected);
    QVERIFY(!twelve.data(cNodeListModel::ChannelIconRole).value<QPixmap>().isNull());
    const auto language = [&](qint64 node) {
        return model.index(RowOfNode(model, node), 0).data(cNodeListModel::LanguageRole);
    };
    QCOMPARE(language(13), QVariant(QStringLiteral("HE")));
    // A one-letter code reads as the default language.
    QCOMPARE(language(14), QVariant(GetConfig().DefaultLanguage));
}

void NodeListTest::aClickOnAStatusIconRunsItsActionAndSavesTheRow_data() {
    QTest::addColumn<qint64>("node");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<bool>("saves");

    const QString read = QStringLiteral("select HasBeenRead from Node where ID = %1");
    const QString page = QStringLiteral("select IsDownloaded from Node where ID = %1");
    const QString enclosure = QStringLiteral("select Status from Enclosure where ID = %1");
    QTest::newRow("read") << qint64(11) << 0 << read.arg(11) << -1 << QString() << true;
    QTest::newRow("offered enclosure is queued")
        << qint64(11) << 1 << enclosure.arg(21) << 2 << QString() << true;
    QTest::newRow("failed enclosure is requested again")
        << qint64(15) << 1 << enclosure.arg(24) << 2 << QString() << true;
    QTest::newRow("queued enclosure stays")
        << qint64(13) << 1 << enclosure.arg(23) << 2 << QString() << false;
    QTest::newRow("ready enclosure opens its file")
        << qint64(12) << 1 << enclosure.arg(22) << 1 << GetConfig().CacheFolder + "22.ogg" << false;
    QTest::newRow("downloaded page is requested again")
        << qint64(12) << 2 << page.arg(12) << 2 << QString() << true;
    QTest::newRow("failed page is requested again")
        << qint64(14) << 2 << page.arg(14) << 2 << QString() << true;
}

void NodeListTest::aClickOnAStatusIconRunsItsActionAndSavesTheRow() {
    QFETCH(qint64, node);
    QFETCH(int, line);
    QFETCH(QString, stored);
    QFETCH(int, expected);
    QFETCH(QString, opened);
    QFETCH(bool, saves);
    auto frame = RecentFrame();
    QCOMPARE(frame->SelectedRow(), -1);
    QSignalSpy changed(&frame->Model(), &QAbstractItemModel::dataChanged);

    QTest::mouseClick(List(*frame).viewport(), Qt::LeftButton, {}, StatusPoint(*frame, node, line));

    QCOMPARE(frame->SelectedRow(), RowOfNode(frame->Model(), node));
    QCOMPARE(FData->Database().QueryInt(stored), expected);
    if (opened.isEmpty())
        QVERIFY(FPreview.Addresses.isEmpty());
    else
        QCOMPARE(FPreview.Addresses, QList<QUrl>{QUrl::fromLocalFile(opened)});
    QVERIFY(FPreview.Previews.isEmpty());
    QCOMPARE(changed.count(), saves ? 1 : 0);
}

void NodeListTest::aFailedSaveShowsWhatTheDatabaseHolds() {
    FData->Database().Execute(
        QStringLiteral("create trigger RefuseNodeUpdates before update on Node begin "
                       "select raise(abort, 'refused'); end"));
    auto frame = RecentFrame();
    const int row = RowOfNode(frame->Model(), 11);
    QTest::mouseClick(List(*frame).viewport(), Qt::LeftButton, {}, StatusPoint(*frame, 11, 0));
    QTest::mouseClick(List(*frame).viewport(), Qt::LeftButton, {}, StatusPoint(*frame, 11, 2));

    const QModelIndex index = frame->Model().index(row, 0);
    QCOMPARE(index.data(cNodeListModel::HasBeenReadRole), QVariant(false));
    QCOMPARE(index.data(cNodeListModel::PageStateRole), QVariant(0));
    QCOMPARE(Stored("select HasBeenRead from Node where ID = 11"), 0);

    FData->Database().Execute(QStringLiteral("drop trigger RefuseNodeUpdates"));
    QTest::mouseClick(List(*frame).viewport(), Qt::LeftButton, {}, StatusPoint(*frame, 14, 0));
    // Only the row saved after the failure is written.
    QCOMPARE(Stored("select count(*) from Node where HasBeenRead <> 0"), 3);
}

void NodeListTest::aFailedEnclosureShowsTheFailedIcon() {
    auto frame = RecentFrame();
    const QImage shown = List(*frame).viewport()->grab().toImage();
    const auto icon = [&](qint64 node, int line) {
        const QRect cell = List(*frame).visualRect(
            frame->Model().index(RowOfNode(frame->Model(), node), cNodeListModel::StatusColumn));
        return shown.copy(StatusLines(cell)[line].Icon);
    };
    // Node 15's enclosure failed, node 14's page did.
    QCOMPARE(icon(15, 1), icon(14, 2));
    QVERIFY(icon(15, 1) != icon(13, 1));
}

void NodeListTest::doubleClickOpensTheItemInThePreview() {
    TmodNodes neverQueried(*FData, FPreview);
    neverQueried.resize(420, 300);
    neverQueried.show();
    QTest::mouseClick(List(neverQueried).viewport(), Qt::LeftButton, {}, QPoint(100, 30));
    QTest::mouseDClick(List(neverQueried).viewport(), Qt::LeftButton, {}, QPoint(100, 30));
    QVERIFY(FPreview.Previews.isEmpty());
    QVERIFY(FPreview.Addresses.isEmpty());

    auto frame = RecentFrame();
    const QRect title = List(*frame).visualRect(
        frame->Model().index(RowOfNode(frame->Model(), 12), cNodeListModel::TitleColumn));
    // A double click: press and release, then the second press as a double click.
    QTest::mouseClick(List(*frame).viewport(), Qt::LeftButton, {}, title.center());
    QTest::mouseDClick(List(*frame).viewport(), Qt::LeftButton, {}, title.center());

    QCOMPARE(FPreview.Previews.size(), 1);
    const cNodePreview& shown = FPreview.Previews.first();
    QCOMPARE(shown.ChannelTitle, QStringLiteral("Alpha News"));
    QCOMPARE(shown.NodeTitle, QStringLiteral("Q&A: ready enclosure"));
    QCOMPARE(shown.Description, QStringLiteral("<b>Two</b>"));
    QCOMPARE(shown.Link, QStringLiteral("http://a.example/12"));
    QVERIFY(!shown.ChannelIcon.isNull());
    QCOMPARE(FPreview.Addresses, QList<QUrl>{QUrl(QStringLiteral("http://a.example/12"))});
    QCOMPARE(Stored("select HasBeenRead from Node where ID = 12"), -1);
}

void NodeListTest::keysOpenMarkReadAndFindTheFilter() {
    auto frame = RecentFrame();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTreeView& list = List(*frame);
    // Given the keys, the list shows its first row as current, with nothing
    // selected: Space acts on that row.
    frame->FocusList();
    QCOMPARE(QApplication::focusWidget(), &list);
    QCOMPARE(list.currentIndex().row(), 0);
    QCOMPARE(frame->SelectedRow(), -1);
    const QString firstRead = QStringLiteral("select HasBeenRead from Node where ID = %1")
                                  .arg(NodeIds(frame->Model())[0]);
    QCOMPARE(FData->Database().QueryInt(firstRead), 0);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(FData->Database().QueryInt(firstRead), -1);
    list.setCurrentIndex(frame->Model().index(0, 0));
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(NodeIds(frame->Model()).at(frame->SelectedRow()), 11);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(Stored("select HasBeenRead from Node where ID = 11"), -1);
    QVERIFY(FPreview.Addresses.isEmpty());
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(FPreview.Addresses, QList<QUrl>{QUrl(QStringLiteral("http://a.example/11"))});

    QTest::keyClick(&list, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), frame->findChild<QLineEdit*>("edNodesFilter"));
}

void NodeListTest::theContextMenuOffersTheItemActionsOnTheRowUnderIt() {
    auto frame = RecentFrame();
    QTreeView& list = List(*frame);
    const int row = RowOfNode(frame->Model(), 14);
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions())
            captions << action->text();
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("Download URL of this node"))
                menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint at = list.visualRect(frame->Model().index(row, 1)).center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &request);

    QCOMPARE(captions, QStringList({"Mark current node as read", "Browser current node",
                                    "Download enclosure linked to current node",
                                    "Download URL of this node"}));
    QCOMPARE(frame->SelectedRow(), row);
    QCOMPARE(Stored("select IsDownloaded from Node where ID = 14"), 2);
}

void NodeListTest::textReadsInItsLanguagesDirection_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("rightToLeft");
    for (const char* code : {"HE", "AR", "he", "ar", "He"})
        QTest::newRow(code) << QString::fromLatin1(code) << true;
    for (const char* code : {"FR", "EN", "TR", "EL", "JA", "  ", "", "xx", "h"})
        QTest::newRow(code) << QString::fromLatin1(code) << false;
}

void NodeListTest::textReadsInItsLanguagesDirection() {
    QFETCH(QString, code);
    QFETCH(bool, rightToLeft);
    QCOMPARE(LanguageDirection(code) == Qt::RightToLeft, rightToLeft);
}

void NodeListTest::textLinesWrapWholeAndEndWithAnEllipsis() {
    QFont font;
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("alpha beta gamma")) + 2;
    const QSize twoLines(width,
                         metrics.height() + metrics.lineSpacing() + metrics.lineSpacing() / 2);

    const QStringList cut = LanguageTextLines(
        QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa"), font, twoLines);
    QCOMPARE(cut.size(), 2);
    QCOMPARE(cut.first(), QStringLiteral("alpha beta gamma"));
    QVERIFY2(cut.last().endsWith(QChar(0x2026)), qPrintable(cut.last()));

    QCOMPARE(LanguageTextLines(QStringLiteral("Q&A"), font, twoLines),
             QStringList{QStringLiteral("Q&A")});
    QCOMPARE(LanguageTextLines(QStringLiteral("one\ntwo"), font, twoLines),
             (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("10:00:00")) + 2;
    const QStringList date =
        LanguageTextLines(QStringLiteral("2024/05/06 10:00:00"), font, QSize(timeWidth, 100));
    QCOMPARE(date.size(), 2);
    QVERIFY2(date.first().startsWith(QStringLiteral("2024")) &&
                 date.first().endsWith(QChar(0x2026)),
             qPrintable(date.first()));
    QCOMPARE(date.last(), QStringLiteral("10:00:00"));
    QVERIFY(LanguageTextLines(QStringLiteral("alpha"), font, QSize(width, metrics.height() - 1))
                .isEmpty());

    // In a font fitted to it, a date shows whole on its two lines.
    const QFont fitted = FontFittingWords(font, QStringLiteral("2024/05/06 10:00:00"), timeWidth);
    QVERIFY2(QFontInfo(fitted).pixelSize() < 12, "made smaller");
    QCOMPARE(
        LanguageTextLines(QStringLiteral("2024/05/06 10:00:00"), fitted, QSize(timeWidth, 100)),
        (QStringList{QStringLiteral("2024/05/06"), QStringLiteral("10:00:00")}));
    QCOMPARE(FontFittingWords(font, QStringLiteral("10:00:00"), timeWidth), font);
}

void NodeListTest::rightToLeftTextIsDrawnAtTheRightEdge() {
    const auto inkSpan = [](const QString& code) {
        QImage image(300, 30, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(Qt::black);
        DrawLanguageText(painter, QStringLiteral("abc & def"), image.rect(), code);
        painter.end();
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != QColor(Qt::white).rgb()) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return std::pair(left, right);
    };
    const auto [hebrewLeft, hebrewRight] = inkSpan(QStringLiteral("he"));
    QVERIFY2(hebrewLeft > 150 && hebrewRight >= 290, qPrintable(QString::number(hebrewLeft)));
    const auto [frenchLeft, frenchRight] = inkSpan(QStringLiteral("FR"));
    QVERIFY2(frenchLeft <= 10 && frenchRight < 150, qPrintable(QString::number(frenchRight)));
}

VELMORA_UI_TEST_MAIN(NodeListTest)
#include "uNodeListTest.moc"
