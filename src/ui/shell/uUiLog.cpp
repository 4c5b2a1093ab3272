#include "ui/shell/uUiLog.h"

Q_LOGGING_CATEGORY(UiLog, "velmora.ui")
