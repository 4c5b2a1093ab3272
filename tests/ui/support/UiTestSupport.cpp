#include "UiTestSupport.h"

#include "storage/uSchema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

cUiTestHome::cUiTestHome() {
    qputenv("HOME", QFile::encodeName(FHome.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FHome.path() + QStringLiteral("/.config")));
    EnsureDataFiles();
}

QString SaveScreenshot(QWidget& widget, const QString& name) {
    return SaveScreenshot(widget.grab(), name);
}

QString SaveScreenshot(const QPixmap& picture, const QString& name) {
    const QString folder = QStringLiteral(VELMORA_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    picture.save(path);
    return path;
}

void WhenModalShows(const std::function<void(QWidget&)>& answer) {
    // Polled from the event loop rather than waited for in a loop of its
    // own, so that code letting events through before its dialog opens
    // (a progress window) goes on meanwhile.
    const QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    QObject::connect(poll, &QTimer::timeout, [poll, before, waited, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool shown = modal && modal != before;
        if (shown || waited->hasExpired(10000)) {
            poll->stop();
            poll->deleteLater();
        }
        if (shown)
            answer(*modal);
    });
    poll->start();
}
