#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// Reads the dates feeds write in forms the strict reader (cRFC822) refuses:
//   - year-first dates and times: "2003-12-13T18:30:02Z", "2003-12-13 18:30:02.5+01:00",
//     "2003-12-13T18:30-0500", "2003-12-13T18:30:02+01", "2003-12-13" (midnight);
//     'T' and 'Z' in either case, a space for the 'T', no zone for universal time;
//   - day-month-year dates written loosely: "Sunday 6 november 94 8:49 est", with or
//     without a day name and its comma, short or full names in any letter case, two-digit
//     years (00-49 in the 2000s, 50-99 in the 1900s), optional seconds, a zone as a sign
//     with four digits or a name (UT, UTC, GMT, Z, the North American zones, the single
//     military letters as cRFC822 reads them), no zone for universal time, and an optional
//     trailing comment in parentheses.
// The result has the form cRFC822::RFC822ToDateTime returns: this machine's local
// wall-clock time at the instant the text names, with the offset in force at that instant,
// whole seconds. Empty for any other text and for dates or times that do not exist.
// Never raises; the text is read once, left to right.
std::optional<QDateTime> ReadLooseFeedDate(const QByteArray& text);
