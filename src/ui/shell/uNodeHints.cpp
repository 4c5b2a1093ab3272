#include "ui/shell/uNodeHints.h"

#include "ingest/uHTMLParser.h"
#include "storage/uConfig.h"
#include "ui/chrome/uVelmoraHintWindow.h"
#include "ui/nodes/uNodeListModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>

namespace {

constexpr int ListHintMs = 10000;
constexpr int OwnHintMs = 10000;
constexpr int RenewalMs = 1000;

QAbstractItemView* ListOfViewport(QObject* watched) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    if (!viewport)
        return nullptr;
    auto* list = qobject_cast<QAbstractItemView*>(viewport->parentWidget());
    return list && list->viewport() == viewport ? list : nullptr;
}

} // namespace

TNodeHints::TNodeHints(QObject* parent) : QObject(parent) {
    FRenewal.setInterval(RenewalMs);
    connect(&FRenewal, &QTimer::timeout, this, &TNodeHints::Renew);
    FExpiry.setSingleShot(true);
    connect(&FExpiry, &QTimer::timeout, this, &TNodeHints::Hide);
}

TNodeHints::~TNodeHints() = default;

TNodeHints::cHint TNodeHints::HintFor(const QAbstractItemView& list) {
    if (!qobject_cast<const cNodeListModel*>(list.model()))
        return {};
    const QModelIndex focused = list.currentIndex();
    if (!focused.isValid())
        return {};
    return {HtmlToText(focused.data(cNodeListModel::DescriptionRole).toString()).trimmed(),
            HintLanguageCode(focused.data(cNodeListModel::IsoLanguageCodeRole).toString())};
}

QString TNodeHints::HintLanguageCode(const QString& isoLanguageCode) {
    return QString(isoLanguageCode + QStringLiteral("  ")).left(2);
}

TVelmoraHintWindow& TNodeHints::Window() {
    if (!FWindow)
        FWindow = std::make_unique<TVelmoraHintWindow>();
    return *FWindow;
}

bool TNodeHints::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        const QPoint at = static_cast<QHelpEvent*>(event)->globalPos();
        QAbstractItemView* list = ListOfViewport(watched);
        if ((list && ShowListHint(*list, at, HintFor(*list))) || ShowOwnHint(*widget, at)) {
            event->accept();
            return true;
        }
        Hide();
        return false;
    }
    case QEvent::Leave:
    case QEvent::Hide:
        if (watched == FHinted)
            Hide();
        return false;
    case QEvent::KeyPress:
        // Keys move the focused row of a list, which its renewal follows.
        if (!FList)
            Hide();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        Hide();
        return false;
    default:
        return false;
    }
}

bool TNodeHints::ShowListHint(QAbstractItemView& list, const QPoint& at, const cHint& hint) {
    if (hint.Text.isEmpty())
        return false;
    Show(*list.viewport(), at, hint, ListHintMs);
    FList = &list;
    FRenewal.start();
    return true;
}

bool TNodeHints::ShowOwnHint(QWidget& widget, const QPoint& at) {
    const QString text = widget.toolTip();
    if (text.isEmpty())
        return false;
    Show(widget, at, {text, GetConfig().DefaultLanguage},
         widget.toolTipDuration() > 0 ? widget.toolTipDuration() : OwnHintMs);
    return true;
}

void TNodeHints::Show(QWidget& hinted, const QPoint& at, const cHint& hint, int visibleMs) {
    FRenewal.stop();
    FList = nullptr;
    FHinted = &hinted;
    FAt = at;
    Window().ShowHint(at, hint.Text, hint.LanguageCode);
    FExpiry.start(visibleMs);
}

void TNodeHints::Hide() {
    FRenewal.stop();
    FExpiry.stop();
    FList = nullptr;
    FHinted = nullptr;
    if (FWindow)
        FWindow->hide();
}

void TNodeHints::Renew() {
    if (!FList || !FWindow || !FWindow->isVisible()) {
        Hide();
        return;
    }
    const cHint hint = HintFor(*FList);
    if (hint.Text.isEmpty()) {
        Hide();
        return;
    }
    if (hint.Text != FWindow->HintText() || hint.LanguageCode != FWindow->LanguageCode())
        ShowListHint(*FList, FAt, hint);
}
