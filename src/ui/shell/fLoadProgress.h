#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

// The small window that covers a long step on the GUI thread: the title
// "Velmora", the text "Loading Data" and a bar, 205 by 63 pixels, framed,
// always on top, centred on the screen and 200 of 255 opaque. It never takes
// activation, and each call lets pending events through so that it paints
// while the GUI thread works.
class TfrmLoadProgress : public QFrame {
    Q_OBJECT

public:
    explicit TfrmLoadProgress(QWidget* parent = nullptr);

    // Shows the window with the bar at its start.
    void ShowProgress();
    // The bar's end: the number of steps the work takes.
    void SetMaximum(int steps);
    // Advances the bar by steps.
    void Step(int steps = 1);
    void HideProgress();

private:
    QLabel* FTitle;
    QLabel* FText;
    QProgressBar* FGauge;
};
