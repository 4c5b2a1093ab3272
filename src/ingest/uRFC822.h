#pragma once

#include <QByteArray>
#include <QDateTime>

// Reads the dates feeds carry ("Sun, 06 Nov 1994 08:49:37 GMT").
class cRFC822 {
public:
    // The instant the feed names, as this machine's local wall-clock time
    // with the offset in force at that instant. Raises the general exception
    // type on a wrong layout, an unknown month, missing seconds or a
    // numeric zone other than a sign and four digits with hours up to 23
    // and minutes under 60.
    static QDateTime RFC822ToDateTime(const QByteArray& text);

    // The offset of local time in force now, in minutes, such that universal
    // time equals local time plus the offset (-120 two hours east).
    static int LocalTimeBias();
};
