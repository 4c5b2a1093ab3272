#include "ui/shell/fMainClient.h"

#include "engine/uRefreshNow.h"
#include "engine/uThUpdateScheduler.h"
#include "engine/uThreadPool.h"
#include "ui/channels/fChannelDetail.h"
#include "ui/chrome/uElidedLabel.h"
#include "ui/chrome/uWindowChrome.h"
#include "ui/export/fExportHTML.h"
#include "ui/nodes/uListErrors.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/fLoadProgress.h"
#include "ui/shell/uAddFeed.h"
#include "ui/shell/uEngineStatus.h"
#include "ui/shell/uSubscriptionFiles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace {

const QSize LogoBox(249, 74);

// The query actions: menu order, toolbar order, and what each docks.
struct cQueryAction {
    const char* Name;
    const char* Caption;
    const char* Hint;
    int IconSlot;
    const char* MenuCaption;
    const char* ToolbarCaption;
    QueryWindowKind Kind;
};

constexpr cQueryAction QueryActions[] = {
    {"acRecentNodes", "Recent nodes", "Show nodes of the day", 31, "&Recent nodes", "&Recent nodes",
     QueryWindowKind::RecentNodes},
    {"acNodesByChannel", "By channel", "Show nodes by channel", 62, "&By channel", "B&y channel",
     QueryWindowKind::NodesByChannel},
    {"acNodesByCategory", "By Category", "Show nodes by categories", 11, "B&y Category",
     "&By Category", QueryWindowKind::NodesByCategory},
    {"acEnclosureNode", "with Media", "Show nodes with media attached", 47, "&with Media",
     "&with Media", QueryWindowKind::EnclosureNodes},
    {"acDownloaded", "Downloaded", "Show all nodes marked for download", 60, "&Downloaded",
     "&Downloaded", QueryWindowKind::DownloadedNodes},
    {"acQueryNodes", "All nodes", "Show all nodes", 55, "&All nodes", "&All nodes",
     QueryWindowKind::AllNodes},
};
// Positions in QueryActions, in the toolbar's order.
constexpr int ToolbarOrder[] = {0, 2, 1, 3, 4, 5};

QPixmap ProductLogo() {
    QPixmap logo(LogoBox);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(QRect(4, 5, 64, 64),
                       QIcon(QStringLiteral(":/velmora/velmora.svg")).pixmap(64));
    QFont font = painter.font();
    font.setPixelSize(30);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x1e, 0x4f, 0x8c));
    painter.drawText(QRect(76, 0, LogoBox.width() - 76, LogoBox.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Velmora"));
    return logo;
}

} // namespace

TfrmMainClient::TfrmMainClient(TdmVelmora& data, TfrmLoadProgress& loadProgress)
    : FData(data), FLoadProgress(loadProgress) {
    setObjectName(QStringLiteral("frmMainClient"));
    setWindowTitle(QStringLiteral("Velmora"));
    ResizeWithinScreen(*this, QSize(1006, 721));
    ApplyMainWindowChrome(*this);
    CreateActions();
    CreateMenus();

    auto* back = new QWidget(this);
    auto* backLayout = new QVBoxLayout(back);
    backLayout->setContentsMargins(0, 0, 0, 0);
    backLayout->setSpacing(0);

    auto* splitter = new QSplitter(Qt::Horizontal, back);
    splitter->setObjectName(QStringLiteral("splPan"));
    splitter->setHandleWidth(5);
    splitter->setChildrenCollapsible(false);
    FDockQuery = new QWidget(splitter);
    FDockQuery->setObjectName(QStringLiteral("panDockQuery"));
    // A narrow window takes its width from the browser first, and the
    // lists keep enough of theirs to read a title.
    FDockQuery->setMinimumWidth(200);
    auto* dockLayout = new QVBoxLayout(FDockQuery);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(CreatePreviewStrip());
    rightLayout->addWidget(CreateBrowserArea(), 1);
    splitter->addWidget(FDockQuery);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 761});
    backLayout->addWidget(splitter, 1);

    FEngineStatus = new TEngineStatus(FData.Database(), GetThreadPool(), back);
    backLayout->addWidget(FEngineStatus);
    auto* glass = new QWidget(back);
    glass->setObjectName(QStringLiteral("panGlassBottom"));
    glass->setFixedHeight(10);
    glass->setAutoFillBackground(true);
    QPalette black = glass->palette();
    black.setColor(QPalette::Window, Qt::black);
    glass->setPalette(black);
    backLayout->addWidget(glass);
    setCentralWidget(back);

    // A channel picture stored by the engine shows at once.
    // The notice runs on the GUI thread and the destructor withdraws it.
    FData.ChannelIcons().WhenIconsChange([this] { RepaintChannelIcons(); });
    // The engine starts last, once everything it may call back into exists.
    FScheduler = std::make_unique<cThUpdateScheduler>(GetThreadPool());
    connect(&FData, &TdmVelmora::ChannelsMayBeDue, this, [this] {
        if (FScheduler)
            FScheduler->RunPassNow();
    });
}

TfrmMainClient::~TfrmMainClient() {
    FData.ChannelIcons().WhenIconsChange({});
    StopEngine();
}

void TfrmMainClient::StopEngine() {
    FScheduler.reset();
}

QAction* TfrmMainClient::NewAction(const QString& name, const QString& caption, const QString& hint,
                                   int iconSlot) {
    auto* action = new QAction(FData.ButtonImages().Icon(iconSlot), caption, this);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    return action;
}

void TfrmMainClient::CreateActions() {
    QAction* exit = NewAction(QStringLiteral("FileExit1"), QStringLiteral("&Quit"),
                              QStringLiteral("Quit Velmora"), 64);
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QAction* import = NewAction(QStringLiteral("acImportSubscriptions"),
                                QStringLiteral("&Import subscriptions..."),
                                QStringLiteral("Subscribe to the feeds of an OPML file"), 20);
    connect(import, &QAction::triggered, this, [this] { AskAndImportSubscriptions(*this, FData); });
    QAction* exportOpml = NewAction(QStringLiteral("acExportSubscriptions"),
                                    QStringLiteral("&Export subscriptions..."),
                                    QStringLiteral("Write every subscription to an OPML file"), 21);
    connect(exportOpml, &QAction::triggered, this,
            [this] { AskAndExportSubscriptions(*this, FData); });

    for (const cQueryAction& query : QueryActions) {
        QAction* action =
            NewAction(QString::fromLatin1(query.Name), QString::fromLatin1(query.Caption),
                      QString::fromLatin1(query.Hint), query.IconSlot);
        const QueryWindowKind kind = query.Kind;
        connect(action, &QAction::triggered, this, [this, kind] { DockQuery(kind); });
    }

    QAction* insert =
        NewAction(QStringLiteral("acInsertANewFeed"), QStringLiteral("Insert a new feed"),
                  QStringLiteral("Insert a new feed"), 8);
    insert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(insert, &QAction::triggered, this, &TfrmMainClient::InsertNewFeed);
    QAction* refreshAll =
        NewAction(QStringLiteral("acRefreshAll"), QStringLiteral("Refresh all channels"),
                  QStringLiteral("Fetch every feed now"), 22);
    refreshAll->setShortcut(QKeySequence::Refresh);
    // A held key would queue every feed again and again.
    refreshAll->setAutoRepeat(false);
    connect(refreshAll, &QAction::triggered, this, &TfrmMainClient::RefreshAllChannels);
    QAction* details =
        NewAction(QStringLiteral("acChannelDetail"), QStringLiteral("Channels Details"),
                  QStringLiteral("Display all channels in a form"), 25);
    connect(details, &QAction::triggered, this, &TfrmMainClient::OpenChannelDetail);

    QAction* goBack = NewAction(QStringLiteral("acGoBack"), QStringLiteral("Go back"),
                                QStringLiteral("Go back"), 54);
    goBack->setShortcut(QKeySequence::Back);
    connect(goBack, &QAction::triggered, this, [this] {
        if (FWeb && FWeb->history()->canGoBack())
            FWeb->back();
    });
    QAction* browse = NewAction(QStringLiteral("acBrowserURL"), QStringLiteral("Browse"),
                                QStringLiteral("Browse with URL"), 13);
    connect(browse, &QAction::triggered, this, &TfrmMainClient::BrowseTypedAddress);

    QAction* exportHtml =
        NewAction(QStringLiteral("acExportHTML"), QStringLiteral("Export as HTML"),
                  QStringLiteral("Export all downloaded pages to a directory"), 45);
    connect(exportHtml, &QAction::triggered, this, &TfrmMainClient::ExportPages);
    QAction* help = NewAction(QStringLiteral("HelpContents1"), QStringLiteral("&Help"),
                              QStringLiteral("Rubriques d'aide"), 55);
    help->setEnabled(false);
}

void TfrmMainClient::CreateMenus() {
    auto action = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };
    // A menu entry shares its action with the toolbar but has a caption of
    // its own: a second action carrying the entry's caption forwards to it.
    // The entry shows the target's shortcut, which the target itself
    // answers wherever the window has the focus: two actions with one
    // shortcut would make Qt refuse both as ambiguous.
    auto entry = [this](QMenu* menu, QAction* target, const QString& caption) {
        QAction* shown = menu->addAction(target->icon(), caption, target, &QAction::trigger);
        shown->setToolTip(target->toolTip());
        shown->setStatusTip(target->statusTip());
        if (!target->shortcut().isEmpty()) {
            addAction(target);
            shown->setShortcut(target->shortcut());
            shown->setShortcutContext(Qt::WidgetShortcut);
        }
        shown->setEnabled(target->isEnabled());
        connect(target, &QAction::changed, shown,
                [shown, target] { shown->setEnabled(target->isEnabled()); });
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("acbMain"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(action("acImportSubscriptions"));
    file->addAction(action("acExportSubscriptions"));
    file->addSeparator();
    file->addAction(action("FileExit1"));
    QMenu* query = bar->addMenu(QStringLiteral("&Query"));
    for (const cQueryAction& item : QueryActions)
        entry(query, action(item.Name), QString::fromLatin1(item.MenuCaption));
    QMenu* channel = bar->addMenu(QStringLiteral("&Channel"));
    entry(channel, action("acInsertANewFeed"), QStringLiteral("&Insert a new feed"));
    entry(channel, action("acRefreshAll"), QStringLiteral("&Refresh all channels"));
    entry(channel, action("acChannelDetail"), QStringLiteral("&Channels Details"));
    QMenu* internet = bar->addMenu(QStringLiteral("&Internet"));
    entry(internet, action("acGoBack"), QStringLiteral("&Go back"));
    entry(internet, action("acBrowserURL"), QStringLiteral("&Browse"));
    QMenu* exportMenu = bar->addMenu(QStringLiteral("&Export"));
    entry(exportMenu, action("acExportHTML"), QStringLiteral("&Export as HTML"));
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(action("HelpContents1"));
    help->setEnabled(false);

    QToolBar* toolbar = addToolBar(QStringLiteral("Query"));
    toolbar->setObjectName(QStringLiteral("atbQuery"));
    toolbar->setFixedHeight(28);
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->setIconSize(QSize(16, 16));
    for (int position : ToolbarOrder) {
        const cQueryAction& item = QueryActions[position];
        QAction* target = action(item.Name);
        const QString caption = QString::fromLatin1(item.ToolbarCaption);
        QAction* shown = toolbar->addAction(target->icon(), caption, target, &QAction::trigger);
        shown->setToolTip(target->toolTip());
        // A tool button draws no access key: the caption's is a shortcut.
        shown->setShortcut(QKeySequence::mnemonic(caption));
    }
}

QWidget* TfrmMainClient::CreatePreviewStrip() {
    auto* strip = new QWidget;
    strip->setObjectName(QStringLiteral("panClientTop"));
    strip->setFixedHeight(112);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);

    auto* channel = new QWidget(strip);
    channel->setObjectName(QStringLiteral("panChannel"));
    channel->setFixedWidth(263);
    auto* channelLayout = new QVBoxLayout(channel);
    channelLayout->setContentsMargins(7, 4, 7, 4);
    FChannelLogo = new QLabel(channel);
    FChannelLogo->setObjectName(QStringLiteral("imChannel"));
    FChannelLogo->setFixedSize(LogoBox);
    FChannelLogo->setAlignment(Qt::AlignCenter);
    FChannelLogo->setToolTip(QStringLiteral("Logo of current node's channel"));
    FChannelLogo->setPixmap(ProductLogo());
    FChannelTitle = new TElidedLabel(QString(), channel);
    FChannelTitle->setObjectName(QStringLiteral("stChannelTitle"));
    FChannelTitle->setAlignment(Qt::AlignCenter);
    FChannelTitle->SetHint(QStringLiteral("Title of current node's channel"));
    FChannelTitle->setFont(QFont(QStringLiteral("Arial Unicode MS"), 8));
    channelLayout->addWidget(FChannelLogo);
    channelLayout->addWidget(FChannelTitle);

    auto* node = new QWidget(strip);
    node->setObjectName(QStringLiteral("panNode"));
    auto* nodeLayout = new QVBoxLayout(node);
    nodeLayout->setContentsMargins(4, 4, 4, 4);
    FNodeTitle = new TElidedLabel(QStringLiteral("Velmora"), node);
    FNodeTitle->setObjectName(QStringLiteral("stNodeTitle"));
    FNodeTitle->setAlignment(Qt::AlignCenter);
    FNodeTitle->SetHint(QStringLiteral("Title of current node"));
    QFont titleFont = FNodeTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() + 2);
    FNodeTitle->setFont(titleFont);
    FNodeDescription = new QPlainTextEdit(node);
    FNodeDescription->setObjectName(QStringLiteral("memNodeDescription"));
    FNodeDescription->setFrameShape(QFrame::NoFrame);
    FNodeDescription->setReadOnly(true);
    FNodeDescription->setFixedHeight(73);
    FNodeDescription->setToolTip(QStringLiteral("Description of current node"));
    FNodeDescription->setPlainText(
        QStringLiteral("Select a node on the left side to be displayed here."));
    nodeLayout->addWidget(FNodeTitle);
    nodeLayout->addWidget(FNodeDescription);

    stripLayout->addWidget(channel);
    stripLayout->addWidget(node, 1);
    return strip;
}

QWidget* TfrmMainClient::CreateBrowserArea() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* toolbar = new QToolBar(area);
    toolbar->setObjectName(QStringLiteral("atbBrowser"));
    toolbar->setFixedHeight(25);
    toolbar->setIconSize(QSize(16, 16));
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar->addAction(findChild<QAction*>(QStringLiteral("acGoBack")));
    toolbar->addAction(findChild<QAction*>(QStringLiteral("acBrowserURL")));
    FUrl = new QComboBox(toolbar);
    FUrl->setObjectName(QStringLiteral("cbUrl"));
    FUrl->setEditable(true);
    FUrl->setInsertPolicy(QComboBox::NoInsert);
    // As wide as the toolbar allows, so that it never drops into the
    // toolbar's overflow menu when the dock panel is widened.
    FUrl->setMinimumWidth(160);
    FUrl->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(FUrl->lineEdit(), &QLineEdit::returnPressed, this, &TfrmMainClient::BrowseTypedAddress);
    toolbar->addWidget(FUrl);
    FBrowserArea = new QWidget(area);
    FBrowserArea->setObjectName(QStringLiteral("panBrowser"));
    FBrowserArea->setAutoFillBackground(true);
    QPalette white = FBrowserArea->palette();
    white.setColor(QPalette::Window, Qt::white);
    FBrowserArea->setPalette(white);
    auto* browserLayout = new QVBoxLayout(FBrowserArea);
    browserLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(FBrowserArea, 1);
    return area;
}

QWebEngineView& TfrmMainClient::Browser() {
    if (!FWeb) {
        FWeb = new QWebEngineView(FBrowserArea);
        FWeb->setObjectName(QStringLiteral("web"));
        FBrowserArea->layout()->addWidget(FWeb);
        // The box names the page shown (after Go back, a redirect, a
        // link followed), unless the user is typing another address.
        connect(FWeb, &QWebEngineView::urlChanged, this, [this](const QUrl& address) {
            if (!FUrl->hasFocus() || !FUrl->lineEdit()->isModified())
                FUrl->setEditText(address.toString());
        });
    }
    return *FWeb;
}

void TfrmMainClient::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShownOnce)
        return;
    FShownOnce = true;
    findChild<QAction*>(QStringLiteral("acRecentNodes"))->trigger();
}

void TfrmMainClient::DockQuery(QueryWindowKind kind) {
    FLoadProgress.ShowProgress();
    for (QWidget* docked : FDockQuery->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        docked->hide();
        docked->deleteLater();
    }
    QWidget* window = CreateQueryWindow(kind, FData, *this, FDockQuery);
    FDockQuery->layout()->addWidget(window);
    window->show();
    FLoadProgress.HideProgress();
}

void TfrmMainClient::InsertNewFeed() {
    AskAndAddFeed(*this, FData);
}

void TfrmMainClient::RefreshAllChannels() {
    RunGuarded("refreshing every channel", [this] {
        QueueChannelUpdates(GetThreadPool(), ChannelsToRefresh(FData.Database(), true));
    });
}

void TfrmMainClient::OpenChannelDetail() {
    auto* window = new TfrmChannelDetail(FData, this);
    window->show();
}

void TfrmMainClient::ExportPages() {
    TfrmExportHTML window(FLoadProgress, this);
    window.exec();
}

void TfrmMainClient::BrowseTypedAddress() {
    const QString typed = FUrl->currentText();
    FUrl->lineEdit()->setModified(false);
    if (!typed.isEmpty())
        Browser().load(QUrl::fromUserInput(typed));
}

void TfrmMainClient::ShowNodePreview(const cNodePreview& preview) {
    const QPixmap& icon = preview.ChannelIcon;
    // A small picture keeps its size; a larger one fills the box, stretched.
    if (icon.width() < LogoBox.width() && icon.height() < LogoBox.height())
        FChannelLogo->setPixmap(icon);
    else
        FChannelLogo->setPixmap(
            icon.scaled(LogoBox, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    FChannelTitle->SetFullText(preview.ChannelTitle);
    FNodeTitle->SetFullText(preview.NodeTitle);
    FUrl->insertItem(0, preview.Link);
    FUrl->setCurrentIndex(0);
    FNodeDescription->setPlainText(preview.Description);
}

void TfrmMainClient::Navigate(const QUrl& address) {
    Browser().load(address);
}

void TfrmMainClient::RepaintChannelIcons() {
    update();
    for (QAbstractItemView* list : FDockQuery->findChildren<QAbstractItemView*>())
        list->viewport()->update();
}
