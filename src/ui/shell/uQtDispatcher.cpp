#include "ui/shell/uQtDispatcher.h"

#include <QMetaObject>

// The receiver lives on the thread that made the dispatcher: the GUI thread.
TQtDispatcher::TQtDispatcher() = default;

void TQtDispatcher::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(&FReceiver, std::move(task), Qt::QueuedConnection);
}
