#pragma once

#include "engine/uThreadPool.h"
#include "ui/shell/uQtDispatcher.h"
#include "ui/shell/uVelmoraApplication.h"

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

class QPixmap;
class QWidget;

// A home folder of the test's own with the data tree and both databases,
// set before anything reads the configuration.
class cUiTestHome {
public:
    cUiTestHome();

private:
    QTemporaryDir FHome;
};

// Saves a picture of the widget as <build>/screenshots/<name>.png, so that
// anyone can look at what the window shows; returns the file's path.
QString SaveScreenshot(QWidget& widget, const QString& name);
// The same for a picture taken otherwise (of the screen, say).
QString SaveScreenshot(const QPixmap& picture, const QString& name);

// Answers the next modal dialog once it is up (another than the one up now,
// if any): answer gets it and closes it, so that a test never waits on a
// dialog nobody answers. Gives up after 10 s.
void WhenModalShows(const std::function<void(QWidget&)>& answer);

#define VELMORA_UI_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char** argv) {                                                              \
        cUiTestHome home;                                                                          \
        QApplication application(argc, argv);                                                      \
        TestObject test;                                                                           \
        const int result = QTest::qExec(&test, argc, argv);                                        \
        /* Background jobs end before the application they may draw with. */                       \
        GetThreadPool().Shutdown();                                                                \
        return result;                                                                             \
    }

// For tests of the whole window: the program's application object, and the
// engine's notices reaching the GUI thread as in the program.
#define VELMORA_UI_WINDOW_TEST_MAIN(TestObject)                                                    \
    int main(int argc, char** argv) {                                                              \
        cUiTestHome home;                                                                          \
        TVelmoraApplication application(argc, argv);                                               \
        TQtDispatcher dispatcher;                                                                  \
        InstallMainThreadDispatcher(dispatcher);                                                   \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
