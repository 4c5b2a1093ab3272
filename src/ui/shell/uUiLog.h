#pragma once

#include <QLoggingCategory>

// Errors the window swallows so that it stays usable: on by default, on
// standard error, so that a user who starts the program from a terminal can
// report them.
Q_DECLARE_LOGGING_CATEGORY(UiLog)
