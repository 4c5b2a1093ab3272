#include "ui/shell/fLoadProgress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QSize ClientSize(205, 63);

} // namespace

// Qt::Tool keeps the window off the taskbar and WindowStaysOnTopHint stands
// for HWND_TOPMOST; setWindowOpacity stands for SetLayeredWindowAttributes
// (ignored where the platform composes no translucent windows). The raised
// panel frame stands for the dialog frame without caption buttons.
TfrmLoadProgress::TfrmLoadProgress(QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus),
      FTitle(new QLabel(QStringLiteral("Velmora"), this)),
      FText(new QLabel(QStringLiteral("Loading Data"), this)), FGauge(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmLoadProgress"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowOpacity(200 / 255.0);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    FTitle->setObjectName(QStringLiteral("stTitle"));
    FText->setObjectName(QStringLiteral("stText"));
    FGauge->setObjectName(QStringLiteral("pbGauge"));
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setPixelSize(23);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    FTitle->setFont(titleFont);
    QPalette blue = FTitle->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    FTitle->setPalette(blue);
    FTitle->setAlignment(Qt::AlignCenter);
    FText->setAlignment(Qt::AlignCenter);
    FGauge->setFixedHeight(14);
    FGauge->setTextVisible(false);
    FGauge->setRange(0, 100);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(0);
    layout->addWidget(FTitle);
    layout->addWidget(FText);
    layout->addWidget(FGauge);
    setFixedSize(ClientSize + QSize(2 * lineWidth(), 2 * lineWidth()));
}

void TfrmLoadProgress::ShowProgress() {
    FGauge->setValue(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed = rect();
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
    show();
    QApplication::processEvents();
}

void TfrmLoadProgress::SetMaximum(int steps) {
    FGauge->setMaximum(std::max(steps, 1));
}

void TfrmLoadProgress::Step(int steps) {
    FGauge->setValue(std::min(FGauge->value() + steps, FGauge->maximum()));
    QApplication::processEvents();
}

void TfrmLoadProgress::HideProgress() {
    hide();
}
