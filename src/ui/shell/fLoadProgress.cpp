#include "ui/shell/fLoadProgress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TfrmLoadProgress::TfrmLoadProgress(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FTitle(new QLabel(QStringLiteral("Velmora"), this)),
      FText(new QLabel(QStringLiteral("Loading Data"), this)), FGauge(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmLoadProgress"));
    FGauge->setObjectName(QStringLiteral("pbGauge"));
    QFont titleFont = FTitle->font();
    titleFont.setBold(true);
    FTitle->setFont(titleFont);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTitle);
    layout->addWidget(FText);
    layout->addWidget(FGauge);
    FGauge->setRange(0, 100);
    resize(300, 90);
}

void TfrmLoadProgress::ShowProgress() {
    FGauge->setValue(0);
    show();
    QApplication::processEvents();
}

void TfrmLoadProgress::HideProgress() {
    hide();
}
