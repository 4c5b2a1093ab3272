#include "ui/shell/uNodeHints.h"

#include "NodeListFixture.h"
#include "UiTestSupport.h"
#include "ui/chrome/uRegion.h"
#include "ui/chrome/uVelmoraHintWindow.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/shell/dVelmora.h"

#include <QHelpEvent>
#include <QLabel>
#include <QTreeView>

namespace {

// Sends the hint request a control gets when the mouse rests on it;
// returns whether the hint rule took it.
bool RestMouseOn(QWidget& widget, const QPoint& at) {
    QHelpEvent request(QEvent::ToolTip, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &request);
    return request.isAccepted();
}

// The horizontal span of dark ink in the last text line of the window.
std::pair<int, int> LastLineInk(TVelmoraHintWindow& window) {
    const QImage image = window.grab().toImage();
    const QFontMetrics metrics(window.font());
    const int margin = TVelmoraHintWindow::Margin;
    int left = image.width(), right = -1;
    for (int y = image.height() - margin - metrics.height(); y < image.height() - margin; ++y)
        for (int x = margin; x < image.width() - margin; ++x)
            if (qGray(image.pixel(x, y)) < 80) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

} // namespace

class NodeHintsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FData = std::make_unique<TdmVelmora>();
        FillNodeListFixture(FData->Database());
        FModel = std::make_unique<cNodeListModel>(*FData);
        FList.setModel(FModel.get());
        FList.resize(500, 400);
        FList.show();
        QVERIFY(QTest::qWaitForWindowExposed(&FList));
        qApp->installEventFilter(&FHints);
    }
    void init() { FHints.Window().hide(); }

    void aRowsHintReadsInItsLanguageAsStored_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("hintLanguage");
        QTest::addColumn<bool>("rightAligned");
        QTest::newRow("HE") << "HE"
                            << "HE" << true;
        QTest::newRow("AR-eg") << "AR-eg"
                               << "AR" << true;
        QTest::newRow("he") << "he"
                            << "he" << false;
        QTest::newRow("one letter") << "x"
                                    << "x " << false;
        QTest::newRow("empty") << ""
                               << "  " << false;
    }
    void aRowsHintReadsInItsLanguageAsStored() {
        QFETCH(QString, stored);
        QFETCH(QString, hintLanguage);
        QFETCH(bool, rightAligned);
        FData->Database().Execute(
            QStringLiteral("update Node set IsoLanguageCode = '%1', Description = "
                           "'<p>A first paragraph long enough to fill the whole hint width "
                           "and wrap</p><p>end</p>' where ID = 13")
                .arg(stored));
        FocusNode(13);
        QVERIFY(RestMouseOn(*FList.viewport(), QPoint(10, 10)));
        TVelmoraHintWindow& window = FHints.Window();
        QVERIFY(window.isVisible());
        QCOMPARE(window.LanguageCode(), hintLanguage);
        QVERIFY(window.HintText().endsWith(QStringLiteral("end")));
        const auto [left, right] = LastLineInk(window);
        const int middle = window.width() / 2;
        if (rightAligned)
            QVERIFY2(left > middle, qPrintable(QStringLiteral("%1 of %2").arg(left).arg(middle)));
        else
            QVERIFY2(right >= 0 && right < middle,
                     qPrintable(QStringLiteral("%1 of %2").arg(right).arg(middle)));
    }

    void aLongDescriptionEndsWithAnEllipsisInsideTheHintsWidth() {
        QStringList words;
        for (int word = 0; word < 400; ++word)
            words << QStringLiteral("word%1").arg(word);
        FData->Database().Execute(QStringLiteral("update Node set Description = '%1' where ID = 14")
                                      .arg(words.join(u' ')));
        FocusNode(14);
        QVERIFY(RestMouseOn(*FList.viewport(), QPoint(10, 10)));
        TVelmoraHintWindow& window = FHints.Window();
        const QStringList lines = window.ShownLines();
        QCOMPARE(lines.size(), TVelmoraHintWindow::MaxLines);
        QVERIFY2(lines.last().endsWith(QChar(0x2026)), qPrintable(lines.last()));
        QVERIFY(!lines.first().endsWith(QChar(0x2026)));
        QVERIFY(window.width() <= TVelmoraHintWindow::TextWidth + 2 * TVelmoraHintWindow::Margin);
        QVERIFY(window.width() > TVelmoraHintWindow::TextWidth - 50);
    }

    void theListHintFollowsTheFocusedRowAndLeavesWithTheMouse() {
        FocusNode(11);
        QVERIFY(RestMouseOn(*FList.viewport(), QPoint(10, 10)));
        TVelmoraHintWindow& window = FHints.Window();
        QCOMPARE(window.HintText(), QStringLiteral("One"));
        FocusNode(12);
        QTRY_COMPARE(window.HintText(), QStringLiteral("Two"));
        QVERIFY(window.isVisible());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(FList.viewport(), &leave);
        QVERIFY(!window.isVisible());

        FList.setCurrentIndex(QModelIndex());
        QVERIFY2(!RestMouseOn(*FList.viewport(), QPoint(10, 10)), "no focused row, no hint");
        QVERIFY(!window.isVisible());
    }

    void aControlsOwnHintShowsInTheDefaultLanguageSizedToItsText() {
        QLabel logo(QStringLiteral("logo"));
        logo.setToolTip(QStringLiteral("Logo of current node's channel"));
        logo.show();
        QVERIFY(RestMouseOn(logo, QPoint(2, 2)));
        TVelmoraHintWindow& window = FHints.Window();
        QVERIFY(window.isVisible());
        QCOMPARE(window.HintText(), logo.toolTip());
        QCOMPARE(window.LanguageCode(), QStringLiteral("EN"));
        QCOMPARE(window.ShownLines(), QStringList{logo.toolTip()});
        QVERIFY(window.width() < TVelmoraHintWindow::TextWidth);
        QTest::mouseClick(&logo, Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    void roundRegionsCutTheirCorners() {
        const QRect shape(0, 0, 100, 60);
        cRegion region;
        region.SetRoundRect(shape);
        for (const QPoint& corner : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 59), QPoint(99, 59),
                                     QPoint(2, 2), QPoint(97, 57)})
            QVERIFY2(!region.Region().contains(corner),
                     qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
        for (const QPoint& inside : {QPoint(50, 0), QPoint(0, 30), QPoint(99, 30), QPoint(50, 59),
                                     QPoint(50, 30), QPoint(8, 8)})
            QVERIFY2(region.Region().contains(inside),
                     qPrintable(QStringLiteral("%1,%2").arg(inside.x()).arg(inside.y())));
        QVERIFY(region.Region().boundingRect() == shape);
        QWidget window;
        window.resize(shape.size());
        region.ApplyTo(window);
        QVERIFY(region.Region().isEmpty());
        QVERIFY(!window.mask().contains(QPoint(0, 0)));
        QVERIFY(window.mask().contains(QPoint(50, 30)));
    }

private:
    void FocusNode(qint64 node) {
        FModel->Requery([](cNodeChannelTable& table) {
            table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 0);
        });
        const int row = RowOfNode(*FModel, node);
        QVERIFY(row >= 0);
        FList.setCurrentIndex(FModel->index(row, 0));
    }

    std::unique_ptr<TdmVelmora> FData;
    std::unique_ptr<cNodeListModel> FModel;
    QTreeView FList;
    TNodeHints FHints;
};

VELMORA_UI_TEST_MAIN(NodeHintsTest)
#include "uNodeHintsTest.moc"
