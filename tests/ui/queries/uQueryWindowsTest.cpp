#include "NodeListFixture.h"
#include "UiTestSupport.h"

#include "ui/chrome/uTitleButton.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/queries/fQueryWindows.h"
#include "ui/queries/uStatListModels.h"
#include "ui/shell/dVelmora.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>
#include <memory>

class QueryWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statisticsModelsPassTheTester();
    void eachWindowHasItsNameTitleAndHandledActions_data();
    void eachWindowHasItsNameTitleAndHandledActions();
    void recentNodesRequeryOnChooserAndFilterAndReleaseOnHide();
    void goToChannelRestrictsToTheItemsChannelAndBack();
    void nodeColumnClicksAlternateDateAndChannelOrder();
    void enclosureWindowStartsWithReadyEnclosuresOnly();
    void byChannelListsChannelsThenTheNodesOfTheClickedOne();
    void byCategoryNodeHeaderClicksSortTheCategoryList();
    void everyListIsAReadOnlyWholeRowReport_data();
    void everyListIsAReadOnlyWholeRowReport();
    void everyCountShowsInANarrowDock_data();
    void everyCountShowsInANarrowDock();
    void screenshotsOfDockedWindows();
    void toolbarControlsWrapInsideTheDockInTheirOrder_data();
    void toolbarControlsWrapInsideTheDockInTheirOrder();
    void toolbarTitleIsCutAtItsEndOnlyWhenTooNarrow_data();
    void toolbarTitleIsCutAtItsEndOnlyWhenTooNarrow();
    void screenshotsAtDockWidths();

private:
    // The kind's window docked in a panel of the given size, shown.
    QWidget* Dock(QueryWindowKind kind, QSize size = QSize(420, 640));
    QTreeView& List(const char* name) { return *FWindow->findChild<QTreeView*>(name); }
    QList<qint64> Nodes() { return NodeIds(*List("lvNodes").model()); }
    QStringList Column(const char* list, int column);
    void ClickHeader(const char* list, int column);
    void ClickRow(const char* list, int row, int column = 1);
    QAction& Action(const char* name) { return *FWindow->findChild<QAction*>(name); }
    // Where the widget lies in the query window.
    QRect Placed(const QWidget& widget) {
        return QRect(widget.mapTo(FWindow, QPoint(0, 0)), widget.size());
    }
    int Stored(const char* query) { return FData->Database().QueryInt(QString::fromUtf8(query)); }

    std::unique_ptr<TdmVelmora> FData;
    cPreviewRecorder FPreview;
    std::unique_ptr<QWidget> FDock;
    QWidget* FWindow = nullptr;
};

void QueryWindowsTest::initTestCase() {
    FData = std::make_unique<TdmVelmora>();
}

void QueryWindowsTest::init() {
    FillNodeListFixture(FData->Database());
}

void QueryWindowsTest::cleanup() {
    FDock.reset();
    FWindow = nullptr;
}

QWidget* QueryWindowsTest::Dock(QueryWindowKind kind, QSize size) {
    FDock = std::make_unique<QWidget>();
    FDock->setObjectName(QStringLiteral("panDockQuery"));
    auto* layout = new QHBoxLayout(FDock.get());
    layout->setContentsMargins(0, 0, 0, 0);
    FWindow = CreateQueryWindow(kind, *FData, FPreview, FDock.get());
    layout->addWidget(FWindow);
    FDock->resize(size);
    FDock->show();
    FWindow->show();
    return FWindow;
}

QStringList QueryWindowsTest::Column(const char* list, int column) {
    const QAbstractItemModel& model = *List(list).model();
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

void QueryWindowsTest::ClickHeader(const char* list, int column) {
    QHeaderView& header = *List(list).header();
    QTest::mouseClick(
        header.viewport(), Qt::LeftButton, {},
        QPoint(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
               header.height() / 2));
}

void QueryWindowsTest::ClickRow(const char* list, int row, int column) {
    QTreeView& view = List(list);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      view.visualRect(view.model()->index(row, column)).center());
}

void QueryWindowsTest::statisticsModelsPassTheTester() {
    cChannelListModel channels(*FData);
    QAbstractItemModelTester channelTester(&channels,
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
    channels.SetOrder(2);
    QVERIFY(channels.Requery(QString()));
    QCOMPARE(channels.rowCount(), 3);
    QCOMPARE(channels.index(0, cChannelListModel::TitleColumn).data().toString(),
             QStringLiteral("Alpha News"));
    QCOMPARE(channels.index(0, cChannelListModel::TotalColumn).data().toInt(), 4);
    QCOMPARE(channels.index(1, 0).data(cChannelListModel::LanguageRole).toString(),
             QStringLiteral("HE"));
    QCOMPARE(channels.headerData(4, Qt::Horizontal).toString(), QStringLiteral("New"));
    channels.Requery(QStringLiteral("gAm"));
    QCOMPARE(channels.rowCount(), 1);
    channels.Release();
    QCOMPARE(channels.rowCount(), 0);

    cCategoryListModel categories(*FData);
    QAbstractItemModelTester categoryTester(&categories,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(categories.Requery(QString()));
    QCOMPARE(categories.index(0, 0).data().toString(), QStringLiteral("Tech"));
    QCOMPARE(categories.index(1, 0).data(StatIdRole).toLongLong(), 100);
    QCOMPARE(categories.headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Category's Title"));
    categories.Release();
    QCOMPARE(categories.rowCount(), 0);
}

void QueryWindowsTest::eachWindowHasItsNameTitleAndHandledActions_data() {
    QTest::addColumn<QueryWindowKind>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    // acEnclosureReadyOnly, acUnreadOnly, acChannelNodeByChannelId
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<bool>("choosersShown");
    QTest::newRow("recent") << QueryWindowKind::RecentNodes << "frmQueryRecentNodes"
                            << "Display recent nodes " << QList<bool>{true, false, true} << true;
    QTest::newRow("all") << QueryWindowKind::AllNodes << "frmQueryNodes"
                         << "All nodes" << QList<bool>{false, false, false} << true;
    QTest::newRow("downloaded") << QueryWindowKind::DownloadedNodes << "frmQueryDownloadedNodes"
                                << "Downloaded Nodes" << QList<bool>{true, false, false} << true;
    QTest::newRow("with media") << QueryWindowKind::EnclosureNodes << "frmQueryEnclosureNode"
                                << "Nodes with enclosure" << QList<bool>{true, false, false}
                                << true;
    QTest::newRow("by channel") << QueryWindowKind::NodesByChannel << "frmQueryNodesByChannel"
                                << "Nodes in selected channel" << QList<bool>{false, true, false}
                                << false;
    QTest::newRow("by category") << QueryWindowKind::NodesByCategory << "frmQueryNodesByCategory"
                                 << "Nodes in selected categories"
                                 << QList<bool>{false, false, false} << false;
}

void QueryWindowsTest::eachWindowHasItsNameTitleAndHandledActions() {
    QFETCH(QueryWindowKind, kind);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QList<bool>, enabled);
    QFETCH(bool, choosersShown);
    Dock(kind);
    QCOMPARE(FWindow->objectName(), name);
    QCOMPARE(FWindow->findChild<QToolButton*>("tntTitle")->text(), title);
    const char* actions[] = {"acEnclosureReadyOnly", "acUnreadOnly", "acChannelNodeByChannelId"};
    for (int index = 0; index < 3; ++index)
        QVERIFY2(Action(actions[index]).isEnabled() == enabled[index], actions[index]);
    QCOMPARE(FWindow->findChild<QComboBox*>("cbChannel")->isVisible(), choosersShown);
    QCOMPARE(FWindow->findChild<QComboBox*>("cbCategory")->isVisible(), choosersShown);
}

void QueryWindowsTest::recentNodesRequeryOnChooserAndFilterAndReleaseOnHide() {
    Dock(QueryWindowKind::RecentNodes);
    QCOMPARE(Nodes(), (QList<qint64>{15, 11, 12, 13, 14}));
    auto& channels = *FWindow->findChild<QComboBox*>("cbChannel");
    auto& categories = *FWindow->findChild<QComboBox*>("cbCategory");
    const QStringList channelChoices{QStringLiteral("        "), QStringLiteral("Alpha News"),
                                     QStringLiteral("Beta Daily")};
    QCOMPARE(channels.count(), 3);
    for (int index = 0; index < channels.count(); ++index)
        QCOMPARE(channels.itemText(index), channelChoices[index]);
    QCOMPARE(categories.itemText(1), QStringLiteral("Tech"));

    channels.setCurrentIndex(2);
    QCOMPARE(Nodes(), (QList<qint64>{13, 14}));
    channels.setCurrentIndex(0);
    categories.setCurrentIndex(1);
    QCOMPARE(Nodes(), (QList<qint64>{12}));
    categories.setCurrentIndex(0);

    auto& filter = *FWindow->findChild<QLineEdit*>("edNodesFilter");
    QTest::keyClick(&filter, Qt::Key_E);
    QCOMPARE(Nodes(), (QList<qint64>{15, 11, 12, 14}));
    QTest::keyClick(&filter, Qt::Key_D);
    QCOMPARE(Nodes(), (QList<qint64>{11, 14}));

    // An item marked read stays listed until the list is queried again.
    ClickRow("lvNodes", 0);
    Action("acReadNode").trigger();
    QCOMPARE(Nodes(), (QList<qint64>{11, 14}));
    QTest::mouseClick(FWindow->findChild<QToolButton*>("tntTitle"), Qt::LeftButton);
    QCOMPARE(Nodes(), (QList<qint64>{14}));

    FWindow->hide();
    QCOMPARE(List("lvNodes").model()->rowCount(), 0);
}

void QueryWindowsTest::goToChannelRestrictsToTheItemsChannelAndBack() {
    Dock(QueryWindowKind::RecentNodes);
    auto& channels = *FWindow->findChild<QComboBox*>("cbChannel");
    QAction& goToChannel = Action("acChannelNodeByChannelId");
    // With nothing selected the list is read again.
    FData->Database().Execute(QStringLiteral("update Node set Title = 'Renamed' where ID = 12"));
    goToChannel.trigger();
    QCOMPARE(channels.currentIndex(), 0);
    QVERIFY(Column("lvNodes", 1).contains(QStringLiteral("Renamed")));

    ClickRow("lvNodes", RowOfNode(*List("lvNodes").model(), 12));
    goToChannel.trigger();
    QCOMPARE(channels.currentText(), QStringLiteral("Alpha News"));
    QCOMPARE(Nodes(), (QList<qint64>{11, 12}));
    goToChannel.trigger();
    QCOMPARE(channels.currentIndex(), 0);
    QCOMPARE(Nodes().size(), 5);

    // Gamma Weekly has no new items, so it cannot be chosen.
    ClickRow("lvNodes", RowOfNode(*List("lvNodes").model(), 15));
    goToChannel.trigger();
    QCOMPARE(channels.currentIndex(), 0);
    QCOMPARE(Nodes().size(), 5);
}

void QueryWindowsTest::nodeColumnClicksAlternateDateAndChannelOrder() {
    Dock(QueryWindowKind::AllNodes);
    const QList<qint64> byDate{15, 11, 12, 13, 14, 16};
    QCOMPARE(Nodes(), byDate);
    const struct {
        int Column;
        QList<qint64> Expected;
    } steps[] = {
        {1, {14, 11, 16, 12, 15, 13}}, // title
        {0, byDate},                   // back to date after a title sort
        {2, {}},                       // read state: the read item first
        {0, byDate},
    };
    for (const auto& step : steps) {
        ClickHeader("lvNodes", step.Column);
        if (step.Expected.isEmpty())
            QCOMPARE(Nodes().first(), 16);
        else
            QCOMPARE(Nodes(), step.Expected);
    }
    ClickHeader("lvNodes", 0);
    QCOMPARE(Column("lvNodes", 0), (QStringList{"Alpha News", "Alpha News", "Alpha News",
                                                "Beta Daily", "Beta Daily", "Gamma Weekly"}));
    ClickHeader("lvNodes", 0);
    QCOMPARE(Nodes(), byDate);
}

void QueryWindowsTest::enclosureWindowStartsWithReadyEnclosuresOnly() {
    Dock(QueryWindowKind::EnclosureNodes);
    QVERIFY(Action("acEnclosureReadyOnly").isChecked());
    QCOMPARE(Nodes(), (QList<qint64>{12}));
    Action("acEnclosureReadyOnly").trigger();
    QCOMPARE(Nodes(), (QList<qint64>{15, 11, 12, 13}));
}

void QueryWindowsTest::byChannelListsChannelsThenTheNodesOfTheClickedOne() {
    Dock(QueryWindowKind::NodesByChannel);
    QCOMPARE(Column("lvChannel", 1),
             (QStringList{"Beta Daily", "Gamma Weekly", "Alpha News"})); // last update first
    QCOMPARE(List("lvNodes").model()->rowCount(), 0);
    Action("acSelectChannel").trigger();
    QCOMPARE(List("lvNodes").model()->rowCount(), 0);

    ClickRow("lvChannel", 2);
    QCOMPARE(Nodes(), (QList<qint64>{11, 12, 16}));
    Action("acUnreadOnly").trigger();
    QCOMPARE(Nodes(), (QList<qint64>{11, 12}));
    QTest::keyClick(FWindow->findChild<QLineEdit*>("edNodesFilter"), Qt::Key_Q);
    QCOMPARE(Nodes(), (QList<qint64>{12}));

    Action("acMarkChannelAsRead").trigger();
    QCOMPARE(Stored("select count(*) from Node where ParentChannelId = 1 and HasBeenRead = 0"), 0);
    QCOMPARE(Column("lvChannel", 3).last(), QStringLiteral("3")); // counters wait for their job

    ClickHeader("lvChannel", 2);
    QCOMPARE(Column("lvChannel", 1), (QStringList{"Alpha News", "Beta Daily", "Gamma Weekly"}));
    QTest::keyClicks(FWindow->findChild<QLineEdit*>("edChannelFilter"), QStringLiteral("ta"));
    QCOMPARE(Column("lvChannel", 1), (QStringList{"Beta Daily"}));

    FWindow->hide();
    QCOMPARE(List("lvNodes").model()->rowCount(), 0);
    QCOMPARE(List("lvChannel").model()->rowCount(), 1);
}

void QueryWindowsTest::byCategoryNodeHeaderClicksSortTheCategoryList() {
    Dock(QueryWindowKind::NodesByCategory);
    QCOMPARE(Column("lvCategory", 0), (QStringList{"Tech", "World"}));
    ClickRow("lvCategory", 1, 0);
    QCOMPARE(Nodes(), (QList<qint64>{13, 14}));

    // The node list's "Title" header sorts the categories by total.
    ClickHeader("lvNodes", 1);
    QCOMPARE(Column("lvCategory", 0), (QStringList{"World", "Tech"}));
    QCOMPARE(List("lvNodes").model()->rowCount(), 2);
    ClickHeader("lvCategory", 0);
    QCOMPARE(Column("lvCategory", 0), (QStringList{"Tech", "World"}));

    ClickRow("lvCategory", 1, 0);
    QTest::keyClick(FWindow->findChild<QLineEdit*>("edNodesFilter"), Qt::Key_F);
    QCOMPARE(Nodes(), (QList<qint64>{14}));
    Action("acMarkAllNodesAsReadForCategory").trigger();
    QCOMPARE(Stored("select count(*) from Node where ParentChannelId = 2 and HasBeenRead = 0"), 0);
    QCOMPARE(Nodes(), (QList<qint64>{14}));

    FWindow->hide();
    QCOMPARE(List("lvCategory").model()->rowCount(), 0);
    QCOMPARE(List("lvNodes").model()->rowCount(), 0);
}

void QueryWindowsTest::everyListIsAReadOnlyWholeRowReport_data() {
    QTest::addColumn<QueryWindowKind>("kind");
    QTest::addColumn<QString>("list");
    // Owner-drawn rows: 64 pixels and the grid line, on the window's background.
    QTest::addColumn<bool>("ownerDrawn");
    QTest::newRow("nodes") << QueryWindowKind::RecentNodes << "lvNodes" << true;
    QTest::newRow("channels") << QueryWindowKind::NodesByChannel << "lvChannel" << true;
    QTest::newRow("categories") << QueryWindowKind::NodesByCategory << "lvCategory" << false;
}

void QueryWindowsTest::everyListIsAReadOnlyWholeRowReport() {
    QFETCH(QueryWindowKind, kind);
    QFETCH(QString, list);
    QFETCH(bool, ownerDrawn);
    Dock(kind);
    QTreeView& view = List(list.toLatin1().constData());
    QVERIFY(!view.rootIsDecorated());
    QVERIFY(view.uniformRowHeights());
    QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(view.header()->sectionsClickable());
    QCOMPARE(view.palette().color(QPalette::Base).alpha() == 0, ownerDrawn);
    QVERIFY(view.model()->rowCount() > 0);
    if (ownerDrawn)
        QCOMPARE(view.visualRect(view.model()->index(0, 1)).height(), 65);
}

void QueryWindowsTest::everyCountShowsInANarrowDock_data() {
    QTest::addColumn<QueryWindowKind>("kind");
    QTest::addColumn<QString>("list");
    QTest::newRow("channels") << QueryWindowKind::NodesByChannel << "lvChannel";
    QTest::newRow("categories") << QueryWindowKind::NodesByCategory << "lvCategory";
}

void QueryWindowsTest::everyCountShowsInANarrowDock() {
    QFETCH(QueryWindowKind, kind);
    QFETCH(QString, list);
    // Counts wider than their column captions.
    for (const char* table : {"ChannelStat", "CategoryStat"})
        FData->Database().Execute(
            QStringLiteral("update %1 set Total = 29005, Unread = 28989, New = 20000")
                .arg(QLatin1String(table)));
    Dock(kind, QSize(240, 640));
    QTreeView& view = List(list.toLatin1().constData());
    const QHeaderView& header = *view.header();
    for (int column = header.count() - 3; column < header.count(); ++column) {
        const QString shown = view.model()->index(0, column).data().toString();
        QVERIFY2(header.sectionSize(column) > view.fontMetrics().horizontalAdvance(shown),
                 qPrintable(QStringLiteral("%1 in a column of %2 pixels")
                                .arg(shown)
                                .arg(header.sectionSize(column))));
    }
    const int last = header.count() - 1;
    QVERIFY2(header.sectionViewportPosition(last) + header.sectionSize(last) <=
                 view.viewport()->width(),
             qPrintable(QStringLiteral("the last column ends at %1 of %2")
                            .arg(header.sectionViewportPosition(last) + header.sectionSize(last))
                            .arg(view.viewport()->width())));
}

void QueryWindowsTest::screenshotsOfDockedWindows() {
    Dock(QueryWindowKind::RecentNodes, QSize(460, 620));
    QTreeView& nodes = List("lvNodes");
    // Mark the first item read through its status icon, then select the Hebrew one.
    const QRect status = nodes.visualRect(nodes.model()->index(0, cNodeListModel::StatusColumn));
    QTest::mouseClick(nodes.viewport(), Qt::LeftButton, {},
                      QPoint(status.center().x(), status.top() + 9));
    ClickRow("lvNodes", RowOfNode(*nodes.model(), 13));
    QCOMPARE(nodes.model()->index(0, 0).data(cNodeListModel::HasBeenReadRole), QVariant(true));
    QVERIFY(QFile::exists(SaveScreenshot(*FDock, QStringLiteral("recent-nodes-docked"))));

    Dock(QueryWindowKind::NodesByChannel, QSize(460, 760));
    ClickRow("lvChannel", 2);
    ClickRow("lvNodes", 1);
    QVERIFY(QFile::exists(SaveScreenshot(*FDock, QStringLiteral("nodes-by-channel"))));
}

void QueryWindowsTest::toolbarControlsWrapInsideTheDockInTheirOrder_data() {
    QTest::addColumn<QueryWindowKind>("kind");
    QTest::addColumn<QStringList>("toolbars");
    QTest::addColumn<int>("width");
    const struct {
        const char* Name;
        QueryWindowKind Kind;
        QStringList Toolbars;
    } windows[] = {
        {"recent", QueryWindowKind::RecentNodes, {"tbNode"}},
        {"all", QueryWindowKind::AllNodes, {"tbNode"}},
        {"downloaded", QueryWindowKind::DownloadedNodes, {"tbNode"}},
        {"with media", QueryWindowKind::EnclosureNodes, {"tbNode"}},
        {"by channel", QueryWindowKind::NodesByChannel, {"tbChannel", "tbNode"}},
        {"by category", QueryWindowKind::NodesByCategory, {"tbCategory", "tbNode"}},
    };
    // The dock panel's width, the narrowest it is meant for, a wider one,
    // and one so narrow that controls have to shrink.
    for (const int width : {240, 200, 400, 120})
        for (const auto& window : windows)
            QTest::addRow("%s at %d", window.Name, width)
                << window.Kind << window.Toolbars << width;
}

void QueryWindowsTest::toolbarControlsWrapInsideTheDockInTheirOrder() {
    QFETCH(QueryWindowKind, kind);
    QFETCH(QStringList, toolbars);
    QFETCH(int, width);
    Dock(kind, QSize(width, 640));
    QCOMPARE(FWindow->width(), width);
    const QHash<QString, int> designWidths{{"edNodesFilter", 90},
                                           {"edChannelFilter", 121},
                                           {"edCategoryFilter", 121},
                                           {"cbChannel", 145},
                                           {"cbCategory", 145}};
    for (const QString& name : toolbars) {
        const auto* toolbar = FWindow->findChild<QWidget*>(name);
        QVERIFY2(toolbar, qPrintable(name));
        const QLayout& layout = *toolbar->layout();
        QList<const QWidget*> controls;
        for (int index = 0; index < layout.count(); ++index)
            if (const QWidget* control = layout.itemAt(index)->widget(); !control->isHidden())
                controls << control;
        QVERIFY(controls.size() >= 3);
        for (int index = 0; index < controls.size(); ++index) {
            const QWidget& control = *controls[index];
            const QRect place = Placed(control);
            const QByteArray what = (name + QLatin1Char('/') + control.objectName() +
                                     QLatin1Char('#') + QString::number(index))
                                        .toUtf8();
            QVERIFY2(!place.isEmpty(), what);
            QVERIFY2(Placed(*toolbar).contains(place), what);
            QVERIFY2(FWindow->rect().contains(place), what);
            for (int earlier = 0; earlier < index; ++earlier)
                QVERIFY2(!Placed(*controls[earlier]).intersects(place), what);
            // Right of the previous control on its row, or on a later row.
            if (index > 0) {
                const QRect previous = Placed(*controls[index - 1]);
                const bool sameRow =
                    place.top() <= previous.bottom() && place.bottom() >= previous.top();
                QVERIFY2(sameRow ? place.left() > previous.right()
                                 : place.top() > previous.bottom(),
                         what);
            }
            if (designWidths.contains(control.objectName())) {
                const int design = designWidths[control.objectName()];
                if (design <= layout.contentsRect().width())
                    QCOMPARE(control.width(), design);
                else
                    QVERIFY2(control.width() < design, what);
            }
        }
        // The frame's list takes the rest of its height, right below the toolbar.
        const QWidget& frame = *toolbar->parentWidget();
        const auto* list = frame.findChild<QTreeView*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(list);
        QCOMPARE(Placed(*list).top(), Placed(*toolbar).bottom() + 1);
        QCOMPARE(Placed(*list).bottom(), Placed(frame).bottom());
        QCOMPARE(Placed(*list).width(), width);
    }
    QCOMPARE(Placed(List("lvNodes")).bottom(), FWindow->rect().bottom());
}

void QueryWindowsTest::toolbarTitleIsCutAtItsEndOnlyWhenTooNarrow_data() {
    QTest::addColumn<int>("lessThanItsText"); // pixels
    QTest::addColumn<bool>("whole");
    QTest::newRow("room to spare") << -40 << true;
    QTest::newRow("just enough") << 0 << true;
    QTest::newRow("a pixel short") << 1 << false;
    QTest::newRow("half") << 100 << false;
}

void QueryWindowsTest::toolbarTitleIsCutAtItsEndOnlyWhenTooNarrow() {
    QFETCH(int, lessThanItsText);
    QFETCH(bool, whole);
    const QString text = QStringLiteral("Nodes in selected categories");
    cTitleButton title(text);
    title.resize(title.sizeHint().width() - lessThanItsText, title.sizeHint().height());
    const QString shown = title.DisplayedText();
    if (whole) {
        QCOMPARE(shown, text);
    } else {
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY2(shown.size() > 1 && text.startsWith(shown.chopped(1)), qPrintable(shown));
    }
    QCOMPARE(title.text(), text);
    // Never narrower than the ellipsis alone.
    title.resize(title.minimumSizeHint());
    QCOMPARE(title.DisplayedText(), QString(QChar(0x2026)));
}

void QueryWindowsTest::screenshotsAtDockWidths() {
    for (const int width : {240, 400}) {
        const QString suffix = QStringLiteral("-%1").arg(width);
        Dock(QueryWindowKind::RecentNodes, QSize(width, 640));
        ClickRow("lvNodes", 1);
        QVERIFY(QFile::exists(SaveScreenshot(*FDock, QStringLiteral("recent-nodes") + suffix)));

        Dock(QueryWindowKind::NodesByChannel, QSize(width, 640));
        ClickRow("lvChannel", 2);
        ClickRow("lvNodes", 1);
        QVERIFY(QFile::exists(SaveScreenshot(*FDock, QStringLiteral("nodes-by-channel") + suffix)));

        Dock(QueryWindowKind::NodesByCategory, QSize(width, 640));
        QVERIFY(
            QFile::exists(SaveScreenshot(*FDock, QStringLiteral("nodes-by-category") + suffix)));
    }
}

VELMORA_UI_TEST_MAIN(QueryWindowsTest)
#include "uQueryWindowsTest.moc"
