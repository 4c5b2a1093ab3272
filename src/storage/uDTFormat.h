#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// Every point in time of the system is local wall-clock time, kept in a
// QDateTime whose timeSpec is Qt::UTC, so that additions of days, hours and
// minutes are plain calendar arithmetic (no daylight-saving jumps). It is
// stored and compared as the fixed text "yyyy/mm/dd hh:nn:ss", or the date
// alone at midnight.

// The one clock: the machine's local wall-clock time now.
QDateTime LocalNow();

// The local wall-clock time at an instant, and the offset of local time
// from universal time in force at that instant.
QDateTime LocalWallClock(int64_t secondsSinceEpoch, int milliseconds = 0);
int LocalOffsetSeconds(int64_t secondsSinceEpoch);

// A wall-clock value from its parts.
QDateTime WallClock(const QDate& date, const QTime& time = QTime(0, 0));

// The conversion settings, built once and read-only afterwards.
class cCommonDateTime {
public:
    static const cCommonDateTime& Instance();

    QString DateTimeToText(const QDateTime& value) const;
    // Raises the general exception type when the text is not a valid date
    // and time: "yyyy/m/d", optionally followed by "h:n[:s[.fff]]" and AM/PM.
    QDateTime TextToDateTime(const QString& text) const;

private:
    cCommonDateTime() = default;
};

QString DateTimeToText(const QDateTime& value);
QDateTime TextToDateTime(const QString& text);
