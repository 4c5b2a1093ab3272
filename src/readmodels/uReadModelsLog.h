#pragma once

#include <QLoggingCategory>

// Errors this layer swallows by design, one line each; off by default,
// shown with QT_LOGGING_RULES="velmora.readmodels.debug=true".
Q_DECLARE_LOGGING_CATEGORY(ReadModelsLog)
