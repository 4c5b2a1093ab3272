#include "ui/shell/uVelmoraApplication.h"

#include "storage/uConfig.h"
#include "storage/uErrors.h"
#include "ui/shell/uUiLog.h"

#include <QIcon>
#include <QProxyStyle>
#include <QThread>

namespace {

// Hints appear after the configured pause.
class THintPauseStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return GetConfig().HintPauseMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void SwallowError(const QString& message) {
    qCWarning(UiLog) << "error in an event handler:" << message;
    QThread::msleep(20);
}

} // namespace

TVelmoraApplication::TVelmoraApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The icon is compiled into the window library; a static library's
    // resources are registered by hand.
    Q_INIT_RESOURCE(velmora);
    setApplicationName(QStringLiteral("Velmora"));
    setDesktopFileName(QStringLiteral("velmora"));
    setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.svg")));
    setStyle(new THintPauseStyle);
    installEventFilter(&FHints);
}

bool TVelmoraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EVelmoraError& error) {
        SwallowError(error.Message());
    } catch (const std::exception& error) {
        SwallowError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        SwallowError(QStringLiteral("unknown error"));
    }
    return false;
}
