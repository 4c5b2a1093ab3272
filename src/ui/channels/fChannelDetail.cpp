#include "ui/channels/fChannelDetail.h"

#include "engine/uSubscriptions.h"
#include "ui/channels/uChannelDetailModel.h"
#include "ui/chrome/uElidedLabel.h"
#include "ui/chrome/uReportList.h"
#include "ui/chrome/uWindowChrome.h"
#include "ui/nodes/uListErrors.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/uAddFeed.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTreeView>
#include <algorithm>

namespace {

// Long titles are cut rather than pushing the counters out of sight.
constexpr int WidestTitle = 200;

} // namespace

TfrmChannelDetail::TfrmChannelDetail(TdmVelmora& data, QWidget* parent)
    // An owned dialog, which window managers keep off the taskbar and above
    // the main window, yet modeless and as large as the user likes.
    // Naming one button hint names them all: the title, menu and close
    // button are listed with the maximize button.
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      FData(data), FModel(new cChannelDetailModel(data, this)) {
    setObjectName(QStringLiteral("frmChannelDetail"));
    setWindowTitle(QStringLiteral("frmChannelDetail"));
    setAttribute(Qt::WA_DeleteOnClose);
    ResizeWithinScreen(*this, QSize(979, 563));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    FList = new QTreeView(splitter);
    FList->setObjectName(QStringLiteral("lvChannel"));
    FList->setModel(FModel);
    SetUpReportList(*FList, false);
    splitter->addWidget(FList);
    QWidget* panel = CreateDetailPanel();
    splitter->addWidget(panel);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    // The panel follows the selected row, chosen by mouse or keyboard; not
    // the current one, which the list sets by itself when it takes the focus.
    connect(FList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const int row = SelectedReportRow(*FList);
        if (row >= 0)
            ShowChannel(row);
    });
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        ClearDetails();
        FitColumns();
    });
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);
    auto* remove = new QShortcut(QKeySequence::Delete, FList);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] {
        SelectCurrentRowIfNoneSelected(*FList);
        RemoveCurrentChannel();
    });
    FModel->Requery();
    // The list as wide as its columns, the window widened for the panel's
    // texts and buttons when needed and the screen allows; on a small screen
    // the list gives up width first, since the panel holds the buttons.
    const int listWidth =
        FList->header()->length() + FList->verticalScrollBar()->sizeHint().width();
    const int panelWidth = panel->sizeHint().width() + splitter->handleWidth();
    ResizeWithinScreen(*this, QSize(std::max(width(), listWidth + panelWidth), height()));
    const int listShown = std::max(0, std::min(listWidth, width() - panelWidth));
    splitter->setSizes({listShown, width() - listShown});
}

QWidget* TfrmChannelDetail::CreateDetailPanel() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("panDetail"));
    auto* form = new QFormLayout(panel);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto text = [panel, form](const char* name, const QString& caption) {
        auto* label = new TElidedLabel(QString(), panel);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
        return label;
    };
    FChannelId = text("stChannelID", QStringLiteral("Channel ID"));
    FChannelTitle = text("stChannelTitle", QStringLiteral("Title"));
    FDescription = text("stChannelDescription", QStringLiteral("Description"));
    FLastUpdateOk = text("stLastUpdateOk", QStringLiteral("Last update OK"));
    FLastUpdateTime = text("stLastUpdateTime", QStringLiteral("Last update"));
    FFrequency = new QLineEdit(panel);
    FFrequency->setObjectName(QStringLiteral("edFrequency"));
    FFrequency->setToolTip(QStringLiteral("Days, hours and minutes between two updates"));
    FFrequency->setMaximumWidth(
        FFrequency->fontMetrics().horizontalAdvance(QStringLiteral("d:00h:00m:00")) + 24);
    form->addRow(QStringLiteral("Frequency"), FFrequency);
    FChannelUrl = text("stChannelURL", QStringLiteral("URL"));
    FCounters = text("stChannelStat", QStringLiteral("Total, unread, new"));
    FAskRefresh = new QCheckBox(QStringLiteral("Refresh channel ASAP"), panel);
    FAskRefresh->setObjectName(QStringLiteral("cbAskRefresh"));
    form->addRow(QString(), FAskRefresh);

    connect(FFrequency, &QLineEdit::textChanged, this, [this](const QString& typed) {
        if (FCurrentRow >= 0)
            FModel->SetFrequencyText(FCurrentRow, typed);
    });
    connect(FAskRefresh, &QCheckBox::toggled, this, [this](bool asap) {
        if (FCurrentRow >= 0)
            FModel->SetRefreshAsap(FCurrentRow, asap);
    });

    auto* buttons = new QHBoxLayout;
    auto button = [panel, buttons](const char* name, const QString& caption) {
        auto* pushButton = new QPushButton(caption, panel);
        pushButton->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(pushButton);
        return pushButton;
    };
    connect(button("btAddNode", QStringLiteral("Add a channel")), &QPushButton::clicked, this,
            &TfrmChannelDetail::AddChannel);
    connect(button("btDelete", QStringLiteral("Remove current channel")), &QPushButton::clicked,
            this, &TfrmChannelDetail::RemoveCurrentChannel);
    QPushButton* apply = button("btApplyChange", QStringLiteral("Apply changes"));
    apply->setToolTip(QStringLiteral("Apply change to current channel"));
    connect(apply, &QPushButton::clicked, this, &TfrmChannelDetail::ApplyChanges);
    buttons->addStretch(1);
    form->addRow(buttons);
    return panel;
}

void TfrmChannelDetail::ShowChannel(int row) {
    FCurrentRow = row;
    const QModelIndex channel = FModel->index(row, 0);
    FChannelId->SetFullText(channel.data(cChannelDetailModel::ChannelIdRole).toString());
    FChannelTitle->SetFullText(channel.data(cChannelDetailModel::TitleRole).toString());
    FDescription->SetFullText(channel.data(cChannelDetailModel::DescriptionRole).toString());
    FLastUpdateOk->SetFullText(channel.data(cChannelDetailModel::LastUpdateOkRole).toString());
    FLastUpdateTime->SetFullText(channel.data(cChannelDetailModel::LastUpdateRole).toString());
    FChannelUrl->SetFullText(channel.data(cChannelDetailModel::ChannelUrlRole).toString());
    FCounters->SetFullText(channel.data(cChannelDetailModel::CountersRole).toString());
    FAskRefresh->setChecked(FModel->IsDue(row));
    FFrequency->setText(channel.data(cChannelDetailModel::FrequencyRole).toString());
}

void TfrmChannelDetail::ClearDetails() {
    FCurrentRow = -1;
    for (TElidedLabel* label : {FChannelId, FChannelTitle, FDescription, FLastUpdateOk,
                                FLastUpdateTime, FChannelUrl, FCounters})
        label->SetFullText(QString());
    FFrequency->clear();
    FAskRefresh->setChecked(false);
}

void TfrmChannelDetail::FitColumns() {
    for (int column = 0; column < cChannelDetailModel::ColumnCount; ++column)
        FList->resizeColumnToContents(column);
    if (FList->columnWidth(cChannelDetailModel::TitleColumn) > WidestTitle)
        FList->setColumnWidth(cChannelDetailModel::TitleColumn, WidestTitle);
}

void TfrmChannelDetail::ApplyChanges() {
    if (FModel->ApplyChanges())
        emit FData.ChannelsMayBeDue();
}

void TfrmChannelDetail::AddChannel() {
    AskAndAddFeed(*this, FData);
}

void TfrmChannelDetail::RemoveCurrentChannel() {
    const int row = SelectedReportRow(*FList);
    if (row < 0)
        return;
    const int64_t channelId =
        FModel->index(row, 0).data(cChannelDetailModel::ChannelIdRole).toLongLong();
    if (QMessageBox::warning(this, QStringLiteral("Velmora"),
                             QStringLiteral("Do you really want to remove this channel"),
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) != QMessageBox::Yes)
        return;
    RunGuarded("removing a channel", [&] { RemoveSubscription(FData.Database(), channelId); });
}
