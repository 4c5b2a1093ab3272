#pragma once

#include <QLoggingCategory>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(ListsLog)

// Runs the work of a user's gesture on a list. An error of the system is
// logged and swallowed here, so that it never crosses the event loop and the
// window stays usable; returns whether the work ran through.
bool RunGuarded(const char* gesture, const std::function<void()>& work);
