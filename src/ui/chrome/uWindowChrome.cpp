#include "ui/chrome/uWindowChrome.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QScreen>
#include <QWidget>

// Platform calls of the window chrome and what stands for them here:
// - SystemParametersInfo(SPI_GETICONTITLELOGFONT), GetStockObject(DEFAULT_GUI_FONT):
//   QFontDatabase::systemFont, which always answers (the toolkit's default at worst).
// - WS_EX_APPWINDOW and the hidden application window given WS_EX_TOOLWINDOW: Qt has
//   no hidden application window; the main window is the one plain top-level window.
// - WM_SYSCOMMAND SC_MINIMIZE and SC_RESTORE: the window manager minimizes and restores
//   the main window itself, since it owns the taskbar entry.
// - SetActiveWindow(Application.Handle) while disabled: QWidget::activateWindow on
//   QApplication::activeModalWidget.
// - DwmExtendFrameIntoClientArea: no counterpart; the strip stays a black band.

namespace {

// Room for the frame the window manager adds around a window (title bar and
// borders), which Qt learns only once the window is shown.
const QSize FrameAllowance(16, 48);

// Hands the window's activation on to the open modal window, if any.
class cModalActivation : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::WindowActivate)
            return false;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != watched && modal->isVisible()) {
            modal->raise();
            modal->activateWindow();
        }
        return false;
    }
};

} // namespace

void ApplyMainWindowChrome(QWidget& window) {
    window.setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    window.installEventFilter(new cModalActivation(&window));
}

void ResizeWithinScreen(QWidget& window, const QSize& size) {
    const QScreen* screen = window.screen();
    window.resize(screen ? size.boundedTo(screen->availableSize() - FrameAllowance) : size);
}
