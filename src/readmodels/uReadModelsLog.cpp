#include "readmodels/uReadModelsLog.h"

Q_LOGGING_CATEGORY(ReadModelsLog, "velmora.readmodels", QtInfoMsg)
