#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small window that covers a long step on the GUI thread: a title, the
// text "Loading Data" and a bar. Each call lets pending events through so
// that it paints while the GUI thread works.
class TfrmLoadProgress : public QWidget {
    Q_OBJECT

public:
    explicit TfrmLoadProgress(QWidget* parent = nullptr);

    void ShowProgress();
    void HideProgress();

private:
    QLabel* FTitle;
    QLabel* FText;
    QProgressBar* FGauge;
};
