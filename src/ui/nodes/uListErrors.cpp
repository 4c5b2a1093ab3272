#include "ui/nodes/uListErrors.h"

#include "storage/uErrors.h"

Q_LOGGING_CATEGORY(ListsLog, "velmora.ui.lists", QtInfoMsg)

bool RunGuarded(const char* gesture, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const EVelmoraError& error) {
        qCInfo(ListsLog) << gesture << "failed:" << error.Message();
        return false;
    }
}
