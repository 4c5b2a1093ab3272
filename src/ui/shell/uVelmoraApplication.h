#pragma once

#include "ui/shell/uNodeHints.h"

#include <QApplication>

// The application object. An error that reaches the event loop is
// swallowed: written to the log, a 20 ms pause, and the program goes on.
// Qt does not let exceptions cross its event handling, so they end here.
// Every hint goes through the application's hint rule from the start, so
// hints show in the program's own hint window.
class TVelmoraApplication : public QApplication {
    Q_OBJECT

public:
    TVelmoraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    TNodeHints& Hints() { return FHints; }

private:
    TNodeHints FHints;
};
