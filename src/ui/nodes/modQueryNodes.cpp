#include "ui/nodes/modQueryNodes.h"

#include "model/uOMEnclosure.h"
#include "ui/chrome/uFlowLayout.h"
#include "ui/chrome/uReportList.h"
#include "ui/chrome/uTitleButton.h"
#include "ui/nodes/uListErrors.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/nodes/uNodePreview.h"
#include "ui/nodes/uNodeRowDelegate.h"
#include "ui/shell/dVelmora.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

struct cActionLook {
    const char* Name;
    const char* Caption;
    const char* Hint;
    int Slot;
    bool Checkable;
};

enum ActionLook {
    ReadNodeLook,
    BrowserLook,
    EnclosureLook,
    DownloadLook,
    EnclosureReadyOnlyLook,
    UnreadOnlyLook,
    ChannelNodeByChannelIdLook,
};

constexpr cActionLook ActionLooks[] = {
    {"acReadNode", "", "Mark current node as read", 41, false},
    {"acBrowser", "", "Browser current node", 63, false},
    {"acEnclosure", "acEnclosure", "Download enclosure linked to current node", 47, false},
    {"acDownload", "acDownload", "Download URL of this node", 60, false},
    {"acEnclosureReadyOnly", "Nodes with enclosure", "Display nodes with ready enclosure", 65,
     true},
    {"acUnreadOnly", "Unread nodes", "Display unread nodes only", 66, true},
    {"acChannelNodeByChannelId", "Go to channel", "Filter on current node's parent channel", 62,
     false},
};

constexpr int HostActionLooks[] = {EnclosureReadyOnlyLook, UnreadOnlyLook,
                                   ChannelNodeByChannelIdLook};

constexpr int ChannelWidth = 64;
constexpr int StatusWidth = 32;
constexpr int FilterWidth = 90;
constexpr int ChooserWidth = 145;

// Enter opens the current item as a double click does; Space marks it read.
class cNodeListView : public QTreeView {
public:
    cNodeListView(std::function<void()> open, std::function<void()> read, QWidget* parent)
        : QTreeView(parent), FOpen(std::move(open)), FRead(std::move(read)) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            SelectCurrentRowIfNoneSelected(*this);
            FOpen();
            return;
        case Qt::Key_Space:
            SelectCurrentRowIfNoneSelected(*this);
            FRead();
            return;
        default:
            QTreeView::keyPressEvent(event);
        }
    }

private:
    std::function<void()> FOpen;
    std::function<void()> FRead;
};

QComboBox* MakeChooser(const char* name, QWidget* parent) {
    auto* chooser = new QComboBox(parent);
    chooser->setObjectName(QString::fromLatin1(name));
    // The toolbar gives it its full width; a long channel title must not
    // keep it from shrinking on a row narrower than that.
    chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    chooser->setMinimumContentsLength(1);
    return chooser;
}

} // namespace

TmodNodes::TmodNodes(TdmVelmora& data, cNodePreviewTarget& preview, QWidget* parent)
    : QWidget(parent), FData(data), FPreview(preview), FModel(new cNodeListModel(data, this)) {
    setObjectName(QStringLiteral("modNodes"));
    // The toolbar is made before the list, which is the order Tab goes.
    BuildHostActions();
    BuildToolbar();
    BuildList();
    BuildItemActions();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FToolbar);
    layout->addWidget(FList, 1);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        FFilter->setFocus(Qt::ShortcutFocusReason);
        FFilter->selectAll();
    });
}

TmodNodes::~TmodNodes() = default;

QAction* TmodNodes::MakeAction(int look) {
    const cActionLook& entry = ActionLooks[look];
    auto* action = new QAction(FData.ButtonImages().Icon(entry.Slot),
                               QString::fromLatin1(entry.Caption), this);
    action->setObjectName(QString::fromLatin1(entry.Name));
    action->setToolTip(QString::fromLatin1(entry.Hint));
    action->setStatusTip(action->toolTip());
    action->setCheckable(entry.Checkable);
    return action;
}

void TmodNodes::BuildHostActions() {
    for (int index = 0; index < 3; ++index) {
        FHostActions[index] = MakeAction(HostActionLooks[index]);
        FHostActions[index]->setEnabled(false);
    }
}

void TmodNodes::BuildItemActions() {
    const std::pair<int, void (TmodNodes::*)()> itemActions[] = {
        {ReadNodeLook, &TmodNodes::ReadNode},
        {BrowserLook, &TmodNodes::BrowseNode},
        {EnclosureLook, &TmodNodes::OpenEnclosure},
        {DownloadLook, &TmodNodes::DownloadPage},
    };
    for (const auto& [look, handler] : itemActions) {
        QAction* action = MakeAction(look);
        FList->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, handler] { RunGuarded("a node action", [&] { (this->*handler)(); }); });
    }
    FList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FList, &QWidget::customContextMenuRequested, this, &TmodNodes::ShowItemMenu);
}

void TmodNodes::ShowItemMenu(const QPoint& at) {
    const QModelIndex under = FList->indexAt(at);
    if (under.isValid())
        FList->selectionModel()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    else
        SelectCurrentRowIfNoneSelected(*FList);
    if (SelectedRow() < 0)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("pmNode"));
    // The toolbar's captions are names; the hints say what each does.
    for (QAction* action : FList->actions())
        menu.addAction(action->icon(), action->toolTip(), action, &QAction::trigger);
    menu.exec(FList->viewport()->mapToGlobal(at));
}

void TmodNodes::BuildToolbar() {
    FToolbar = new QWidget(this);
    FToolbar->setObjectName(QStringLiteral("tbNode"));
    FTitle = new cTitleButton(QStringLiteral("Nodes"), FToolbar);
    FTitle->setObjectName(QStringLiteral("tntTitle"));
    connect(FTitle, &QToolButton::clicked, this, &TmodNodes::TitleClicked);

    FFilter = new QLineEdit(FToolbar);
    FFilter->setObjectName(QStringLiteral("edNodesFilter"));
    FFilter->setFrame(false);
    FFilter->setToolTip(QStringLiteral("Filter on current selection"));
    QPalette tinted = FFilter->palette();
    tinted.setColor(QPalette::Base, tinted.color(QPalette::ToolTipBase));
    tinted.setColor(QPalette::Text, tinted.color(QPalette::ToolTipText));
    FFilter->setPalette(tinted);
    connect(FFilter, &QLineEdit::textChanged, this, &TmodNodes::FilterChanged);

    for (int index = 0; index < 3; ++index) {
        FHostButtons[index] = new QToolButton(FToolbar);
        FHostButtons[index]->setObjectName(FHostActions[index]->objectName() +
                                           QStringLiteral("Button"));
        FHostButtons[index]->setAutoRaise(true);
        FHostButtons[index]->setDefaultAction(FHostActions[index]);
    }
    FChannelChooser = MakeChooser("cbChannel", FToolbar);
    FCategoryChooser = MakeChooser("cbCategory", FToolbar);
    SetToolbarLayout(FLayout);
}

void TmodNodes::BuildList() {
    auto* list = new cNodeListView(
        [this] { RunGuarded("opening a node", [this] { BrowseNode(); }); },
        [this] { RunGuarded("marking a node read", [this] { ReadNode(); }); }, this);
    FList = list;
    FList->setObjectName(QStringLiteral("lvNodes"));
    FList->setModel(FModel);
    auto* delegate = new cNodeRowDelegate(FData.ButtonImages(), FList);
    cListRowDelegate::Install(*FList, delegate);
    SetUpReportList(*FList);

    QHeaderView* header = FList->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(StatusWidth);
    header->setSectionResizeMode(cNodeListModel::ChannelColumn, QHeaderView::Fixed);
    header->setSectionResizeMode(cNodeListModel::TitleColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(cNodeListModel::StatusColumn, QHeaderView::Fixed);
    header->resizeSection(cNodeListModel::ChannelColumn, ChannelWidth);
    header->resizeSection(cNodeListModel::StatusColumn, StatusWidth);
    connect(header, &QHeaderView::sectionClicked, this, &TmodNodes::ColumnClicked);

    connect(FList, &QAbstractItemView::doubleClicked, this,
            [this] { RunGuarded("opening a node", [this] { BrowseNode(); }); });
    connect(delegate, &cNodeRowDelegate::StatusZoneClicked, this, &TmodNodes::RunZone);
}

void TmodNodes::FocusList() {
    FList->setFocus(Qt::OtherFocusReason);
}

void TmodNodes::SetTitle(const QString& title) {
    FTitle->setText(title);
}

void TmodNodes::SetToolbarLayout(ToolbarLayout layout) {
    FLayout = layout;
    delete FToolbar->layout();
    // A row wider than the dock panel continues on the next one.
    auto* rows = new cFlowLayout(FToolbar);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->AddWidget(FTitle);
    if (layout == ToolbarLayout::TitleAlone)
        rows->AddRowBreak();
    rows->AddWidget(FFilter, FilterWidth);
    for (QToolButton* button : FHostButtons)
        rows->AddWidget(button);
    if (layout != ToolbarLayout::OneRow)
        rows->AddRowBreak();
    rows->AddWidget(FChannelChooser, ChooserWidth);
    rows->AddWidget(FCategoryChooser, ChooserWidth);
}

void TmodNodes::SetChoosersVisible(bool visible) {
    FChannelChooser->setVisible(visible);
    FCategoryChooser->setVisible(visible);
    FHostButtons[int(HostAction::ChannelNodeByChannelId)]->setVisible(visible);
}

void TmodNodes::BindAction(HostAction action, const std::function<void()>& handler) {
    QAction& bound = Action(action);
    bound.setEnabled(true);
    connect(&bound, &QAction::triggered, this,
            [handler] { RunGuarded("a node list action", handler); });
}

QAction& TmodNodes::Action(HostAction action) {
    return *FHostActions[int(action)];
}

QString TmodNodes::FilterText() const {
    return FFilter->text();
}

int TmodNodes::SelectedRow() const {
    return SelectedReportRow(*FList);
}

void TmodNodes::RunZone(const QModelIndex& index, NodeStatusZone zone) {
    FList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    RunGuarded("a status icon", [&] {
        switch (zone) {
        case NodeStatusZone::Read:
            ReadNode();
            break;
        case NodeStatusZone::Enclosure:
            OpenEnclosure();
            break;
        case NodeStatusZone::Download:
            DownloadPage();
            break;
        case NodeStatusZone::None:
            break;
        }
    });
}

void TmodNodes::ReadNode() {
    const int row = SelectedRow();
    if (row >= 0)
        FModel->MarkRead(row);
}

void TmodNodes::BrowseNode() {
    const int row = SelectedRow();
    if (!FModel->HasResult() || row < 0)
        return;
    FModel->MarkRead(row);
    const QModelIndex index = FModel->index(row, 0);
    cNodePreview preview;
    preview.ChannelIcon = index.data(cNodeListModel::ChannelIconRole).value<QPixmap>();
    preview.ChannelTitle = index.data(cNodeListModel::ChannelTitleRole).toString();
    preview.NodeTitle = index.data(cNodeListModel::TitleRole).toString();
    preview.Description = index.data(cNodeListModel::DescriptionRole).toString();
    preview.Link = index.data(cNodeListModel::LinkRole).toString();
    FPreview.ShowNodePreview(preview);
    FPreview.Navigate(QUrl(preview.Link));
}

void TmodNodes::OpenEnclosure() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    switch (FModel->index(row, 0).data(cNodeListModel::EnclosureStatusRole).toInt()) {
    case dsDownloaded: {
        const QString file = FModel->ReadyEnclosureFile(row);
        if (!file.isEmpty())
            FPreview.Navigate(QUrl::fromLocalFile(file));
        break;
    }
    case dsOffered:
    case dsFailed:
        FModel->RequestEnclosure(row);
        break;
    default:
        break;
    }
}

void TmodNodes::DownloadPage() {
    const int row = SelectedRow();
    if (row >= 0)
        FModel->RequestPage(row);
}
