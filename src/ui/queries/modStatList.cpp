#include "ui/queries/modStatList.h"

#include "ui/chrome/uFlowLayout.h"
#include "ui/chrome/uReportList.h"
#include "ui/chrome/uTitleButton.h"
#include "ui/nodes/uListErrors.h"
#include "ui/queries/uStatListModels.h"
#include "ui/shell/dVelmora.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int FilterWidth = 121;

} // namespace

TmodStatList::TmodStatList(TdmVelmora& data, const cNames& names, const QString& title,
                           QAbstractItemModel* model, std::initializer_list<cActionLook> actions,
                           QWidget* parent)
    : QWidget(parent) {
    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QString::fromLatin1(names.Toolbar));
    // A row wider than the dock panel continues on the next one.
    auto* row = new cFlowLayout(toolbar);
    row->setContentsMargins(2, 2, 2, 2);
    auto* titleButton = new cTitleButton(title, toolbar);
    titleButton->setObjectName(QString::fromLatin1(names.Title));
    connect(titleButton, &QToolButton::clicked, this, &TmodStatList::TitleClicked);
    row->AddWidget(titleButton);

    FFilter = new QLineEdit(toolbar);
    FFilter->setObjectName(QString::fromLatin1(names.Filter));
    FFilter->setFrame(false);
    connect(FFilter, &QLineEdit::textChanged, this, &TmodStatList::FilterChanged);
    row->AddWidget(FFilter, FilterWidth);

    for (const cActionLook& look : actions) {
        auto* action = new QAction(data.ButtonImages().Icon(look.Slot),
                                   QString::fromLatin1(look.Caption), this);
        action->setObjectName(QString::fromLatin1(look.Name));
        action->setToolTip(QString::fromLatin1(look.Hint));
        action->setStatusTip(action->toolTip());
        action->setEnabled(false);
        auto* button = new QToolButton(toolbar);
        button->setObjectName(action->objectName() + QStringLiteral("Button"));
        button->setAutoRaise(true);
        button->setDefaultAction(action);
        row->AddWidget(button);
        FActions.push_back(action);
    }

    FList = new QTreeView(this);
    FList->setObjectName(QString::fromLatin1(names.List));
    model->setParent(this);
    FList->setModel(model);
    SetUpReportList(*FList);
    connect(FList->header(), &QHeaderView::sectionClicked, this, &TmodStatList::ColumnClicked);
    connect(FList, &QAbstractItemView::clicked, this, &TmodStatList::RowClicked);
    // Enter shows the current row's items, as a click does (a double
    // click is two clicks already, so not "activated").
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), FList);
        enter->setContext(Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] {
            SelectCurrentRowIfNoneSelected(*FList);
            emit RowClicked();
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(FList, 1);
}

void TmodStatList::FocusList() {
    FList->setFocus(Qt::OtherFocusReason);
}

void TmodStatList::BindAction(int action, const std::function<void()>& handler) {
    QAction& bound = Action(action);
    bound.setEnabled(true);
    connect(&bound, &QAction::triggered, this, [handler] { RunGuarded("a list action", handler); });
}

QAction& TmodStatList::Action(int action) {
    return *FActions.at(size_t(action));
}

QString TmodStatList::FilterText() const {
    return FFilter->text();
}

int64_t TmodStatList::SelectedId() const {
    const int row = SelectedReportRow(*FList);
    return row < 0 ? 0 : FList->model()->index(row, 0).data(StatIdRole).toLongLong();
}
