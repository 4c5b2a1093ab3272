#include "ui/queries/fQueryWindow.h"

#include "readmodels/uCategoryStat.h"
#include "readmodels/uChannelStat.h"
#include "ui/nodes/modQueryNodes.h"
#include "ui/nodes/uListErrors.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/queries/modQueryCategory.h"
#include "ui/queries/modQueryChannel.h"
#include "ui/queries/uQueryWindowKinds.h"
#include "ui/queries/uStatListModels.h"
#include "ui/shell/dVelmora.h"

#include <QAction>
#include <QComboBox>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

using Host = TmodNodes::HostAction;

// The first entry of a chooser, standing for no restriction.
const QString NoChoice = QString(8, QLatin1Char(' '));

struct cUpperLook {
    int Height;
    int Divider;
};
constexpr cUpperLook ChannelsLook{368, 9};
constexpr cUpperLook CategoriesLook{232, 6};

// The channel list order each column header selects: the icon column sorts
// by last update.
constexpr int ChannelOrderOfColumn[] = {1, 0, 2, 3, 4};

int64_t ChosenId(const QComboBox& chooser) {
    return chooser.currentIndex() > 0 ? chooser.currentData().toLongLong() : 0;
}

QWidget* Stacked(QWidget* upper, TmodNodes* nodes, const cUpperLook& look, QWidget* parent) {
    auto* splitter = new QSplitter(Qt::Vertical, parent);
    splitter->setObjectName(QStringLiteral("splQuery"));
    splitter->setHandleWidth(look.Divider);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(upper);
    splitter->addWidget(nodes);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({look.Height, look.Height});
    return splitter;
}

} // namespace

TfrmQuery::TfrmQuery(const cQueryWindowDescription& description, TdmVelmora& data,
                     cNodePreviewTarget& preview, QWidget* parent)
    : QWidget(parent), FDescription(description) {
    setObjectName(QString::fromLatin1(description.WindowName));
    // Made from top to bottom: Tab goes through the frames in that order.
    switch (description.Upper) {
    case QueryUpperList::Channels:
        FChannels = new TmodChannel(data, this);
        FChannels->Model().SetOrder(1);
        break;
    case QueryUpperList::Categories:
        FCategories = new TmodCategory(data, this);
        break;
    case QueryUpperList::None:
        break;
    }
    FNodes = new TmodNodes(data, preview, this);
    FNodes->setObjectName(QString::fromLatin1(description.NodeFrameName));
    FNodes->SetTitle(QString::fromLatin1(description.Title));
    FNodes->SetToolbarLayout(description.Toolbar);
    FNodes->SetChoosersVisible(description.Upper == QueryUpperList::None);
    FNodes->Model().SetFilter(description.InitialFilter);
    FNodes->Action(Host::EnclosureReadyOnly)
        .setChecked(description.InitialFilter & EnclosureReadyOnly);

    QWidget* content = FNodes;
    if (FChannels) {
        content = Stacked(FChannels, FNodes, ChannelsLook, this);
        BindChannelFrame();
    } else if (FCategories) {
        content = Stacked(FCategories, FNodes, CategoriesLook, this);
        BindCategoryFrame();
    }
    if (description.Choosers) {
        FChannelChoices = std::make_unique<cChannelStatTable>(data.Database());
        FCategoryChoices = std::make_unique<cCategoryStatTable>(data.Database());
    }
    BindNodeFrame();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

TfrmQuery::~TfrmQuery() = default;

void TfrmQuery::BindNodeFrame() {
    connect(FNodes, &TmodNodes::TitleClicked, this, &TfrmQuery::RefreshNodes);
    connect(FNodes, &TmodNodes::FilterChanged, this, &TfrmQuery::RefreshNodes);
    if (FDescription.Choosers) {
        for (QComboBox* chooser : {&FNodes->ChannelChooser(), &FNodes->CategoryChooser()})
            connect(chooser, &QComboBox::currentIndexChanged, this, &TfrmQuery::RefreshNodes);
    }
    switch (FDescription.ColumnClick) {
    case NodeColumnClick::DateOrChannel:
        connect(FNodes, &TmodNodes::ColumnClicked, this, &TfrmQuery::SortNodes);
        break;
    case NodeColumnClick::CategoryOrder:
        connect(FNodes, &TmodNodes::ColumnClicked, this, [this](int column) {
            FCategories->Model().SetOrder(column);
            RefreshCategories();
        });
        break;
    case NodeColumnClick::None:
        break;
    }
    const std::pair<Host, int> toggles[] = {{Host::EnclosureReadyOnly, EnclosureReadyOnly},
                                            {Host::UnreadOnly, UnreadOnly}};
    for (const auto& [action, flag] : toggles)
        if (FDescription.HostActions & HostActionBit(action))
            FNodes->BindAction(action, [this, action, flag] {
                ToggleFilter(flag, FNodes->Action(action).isChecked());
            });
    if (FDescription.HostActions & HostActionBit(Host::ChannelNodeByChannelId))
        FNodes->BindAction(Host::ChannelNodeByChannelId, [this] { GoToChannel(); });
}

void TfrmQuery::BindChannelFrame() {
    connect(FChannels, &TmodStatList::TitleClicked, this, &TfrmQuery::RefreshChannels);
    connect(FChannels, &TmodStatList::FilterChanged, this, &TfrmQuery::RefreshChannels);
    connect(FChannels, &TmodStatList::ColumnClicked, this, [this](int column) {
        FChannels->Model().SetOrder(ChannelOrderOfColumn[column]);
        RefreshChannels();
    });
    connect(FChannels, &TmodStatList::RowClicked, this, &TfrmQuery::RefreshNodes);
    FChannels->BindAction(TmodChannel::SelectChannel, [this] { RefreshNodes(); });
    FChannels->BindAction(TmodChannel::MarkChannelAsRead, [this] {
        if (const int64_t channel = FChannels->SelectedId())
            FNodes->Model().MarkChannelRead(channel);
    });
}

void TfrmQuery::BindCategoryFrame() {
    connect(FCategories, &TmodStatList::TitleClicked, this, &TfrmQuery::RefreshCategories);
    connect(FCategories, &TmodStatList::FilterChanged, this, &TfrmQuery::RefreshCategories);
    connect(FCategories, &TmodStatList::ColumnClicked, this, [this](int column) {
        FCategories->Model().SetOrder(column);
        RefreshCategories();
    });
    connect(FCategories, &TmodStatList::RowClicked, this, &TfrmQuery::RefreshNodes);
    FCategories->BindAction(TmodCategory::MarkAllNodesAsReadForCategory, [this] {
        if (const int64_t category = FCategories->SelectedId())
            FNodes->Model().MarkCategoryRead(category);
    });
}

void TfrmQuery::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (FDescription.Choosers)
        RunGuarded("filling the choosers", [this] { FillChoosers(); });
    switch (FDescription.Upper) {
    case QueryUpperList::Channels:
        RefreshChannels();
        FNodes->Model().Requery([](cNodeChannelTable& table) { table.ClearNodes(); });
        break;
    case QueryUpperList::Categories:
        RefreshCategories();
        FNodes->Model().Requery([](cNodeChannelTable& table) { table.ClearNodes(); });
        break;
    case QueryUpperList::None:
        RefreshNodes();
        break;
    }
    // The keys go to the first list, filled: the one that chooses the
    // items, if any.
    if (FChannels)
        FChannels->FocusList();
    else if (FCategories)
        FCategories->FocusList();
    else
        FNodes->FocusList();
}

void TfrmQuery::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous() || !FDescription.ReleaseOnHide)
        return;
    if (FCategories)
        FCategories->Model().Release();
    FNodes->Model().Release();
}

void TfrmQuery::FillChoosers() {
    QComboBox& channels = FNodes->ChannelChooser();
    QComboBox& categories = FNodes->CategoryChooser();
    const QSignalBlocker channelsQuiet(channels);
    const QSignalBlocker categoriesQuiet(categories);
    channels.clear();
    categories.clear();
    channels.addItem(NoChoice);
    categories.addItem(NoChoice);
    FChannelChoices->QueryChannelsWithNew();
    for (int row = 0; row < FChannelChoices->Count(); ++row) {
        const cChannelStat* channel = FChannelChoices->Record(row);
        channels.addItem(channel->Title(), QVariant::fromValue<qint64>(channel->Id()));
    }
    FCategoryChoices->QueryCategoriesWithNew();
    for (int row = 0; row < FCategoryChoices->Count(); ++row) {
        const cCategoryStat* category = FCategoryChoices->Record(row);
        categories.addItem(category->Libelle(), QVariant::fromValue<qint64>(category->Id()));
    }
}

void TfrmQuery::RefreshNodes() {
    cNodeQueryArgs args{FNodes->Model().Order(), FNodes->Model().Filter(), FNodes->FilterText(), 0,
                        0};
    if (FDescription.Choosers) {
        args.ChannelId = ChosenId(FNodes->ChannelChooser());
        args.CategoryId = ChosenId(FNodes->CategoryChooser());
    }
    if (FChannels && !(args.ChannelId = FChannels->SelectedId()))
        return;
    if (FCategories && !(args.CategoryId = FCategories->SelectedId()))
        return;
    FNodes->Model().Requery([&](cNodeChannelTable& table) { FDescription.Query(table, args); });
}

void TfrmQuery::RefreshChannels() {
    FChannels->Model().Requery(FChannels->FilterText());
}

void TfrmQuery::RefreshCategories() {
    FCategories->Model().Requery(FCategories->FilterText());
}

void TfrmQuery::SortNodes(int column) {
    cNodeListModel& model = FNodes->Model();
    switch (column) {
    case cNodeListModel::ChannelColumn:
        model.SetOrder(model.Order() == NodeOrder::ByDate ? NodeOrder::ByChannel
                                                          : NodeOrder::ByDate);
        break;
    case cNodeListModel::TitleColumn:
        model.SetOrder(NodeOrder::ByTitle);
        break;
    case cNodeListModel::StatusColumn:
        model.SetOrder(NodeOrder::ByReadState);
        break;
    default:
        return;
    }
    RefreshNodes();
}

void TfrmQuery::ToggleFilter(int flag, bool on) {
    cNodeListModel& model = FNodes->Model();
    model.SetFilter(on ? model.Filter() | flag : model.Filter() & ~flag);
    RefreshNodes();
}

void TfrmQuery::GoToChannel() {
    QComboBox& chooser = FNodes->ChannelChooser();
    int target = 0;
    // Without a restriction and with no item selected, the list is only read
    // again.
    if (const int row = FNodes->SelectedRow(); chooser.currentIndex() == 0 && row >= 0) {
        const QVariant channel = FNodes->Model().index(row, 0).data(cNodeListModel::ChannelIdRole);
        target = std::max(0, chooser.findData(channel));
    }
    {
        const QSignalBlocker quiet(chooser);
        chooser.setCurrentIndex(target);
    }
    RefreshNodes();
}
