#pragma once

#include "engine/uMainThreadDispatcher.h"

#include <QObject>

// The engine's calls to the GUI thread, queued on the application's event
// loop. Installed before the scheduler starts.
class TQtDispatcher : public cQueuedDispatcher {
public:
    TQtDispatcher();

protected:
    void Post(std::function<void()> task) override;

private:
    QObject FReceiver;
};
