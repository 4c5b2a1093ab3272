#include "engine/uEngineLog.h"

Q_LOGGING_CATEGORY(EngineLog, "velmora.engine", QtInfoMsg)
