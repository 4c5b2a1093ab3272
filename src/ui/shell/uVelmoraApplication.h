#pragma once

#include <QApplication>

// The application object. An error that reaches the event loop is
// swallowed: written to the log, a 20 ms pause, and the program goes on.
// Qt does not let exceptions cross its event handling, so they end here.
class TVelmoraApplication : public QApplication {
    Q_OBJECT

public:
    TVelmoraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
