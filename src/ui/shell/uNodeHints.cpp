#include "ui/shell/uNodeHints.h"

#include "ingest/uHTMLParser.h"
#include "ui/nodes/uNodeListModel.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QEvent>
#include <QToolTip>

namespace {

constexpr int VisibleMs = 10000;
constexpr int RenewalMs = 1000;

QAbstractItemView* ListOfViewport(QObject* watched) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    if (!viewport)
        return nullptr;
    return qobject_cast<QAbstractItemView*>(viewport->parentWidget());
}

} // namespace

TNodeHints::TNodeHints(QObject* parent) : QObject(parent) {
    FRenewal.setInterval(RenewalMs);
    connect(&FRenewal, &QTimer::timeout, this, &TNodeHints::Renew);
}

QString TNodeHints::HintFor(const QAbstractItemView& list) {
    if (!qobject_cast<const cNodeListModel*>(list.model()))
        return {};
    const QModelIndex focused = list.currentIndex();
    if (!focused.isValid())
        return {};
    return HtmlToText(focused.data(cNodeListModel::DescriptionRole).toString());
}

bool TNodeHints::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return false;
    QAbstractItemView* list = ListOfViewport(watched);
    if (!list || watched != list->viewport())
        return false;
    return ShowFor(*list);
}

bool TNodeHints::ShowFor(QAbstractItemView& list) {
    const QString hint = HintFor(list);
    if (hint.isEmpty())
        return false;
    QToolTip::showText(QCursor::pos(), hint, list.viewport(), QRect(), VisibleMs);
    FList = &list;
    FRenewal.start();
    return true;
}

void TNodeHints::Renew() {
    const bool stillOver = FList && FList->viewport()->rect().contains(
                                        FList->viewport()->mapFromGlobal(QCursor::pos()));
    if (!stillOver || !QToolTip::isVisible() || !ShowFor(*FList)) {
        FRenewal.stop();
        FList = nullptr;
    }
}
