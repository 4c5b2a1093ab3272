#include "ingest/uRFC822.h"

#include "storage/uDTFormat.h"
#include "storage/uErrors.h"

#include <optional>

namespace {

// Hours to add to the feed's time to reach universal time, for the zones
// that are written as names.
struct cNamedZone {
    const char* name;
    int hoursToUniversal;
};

constexpr cNamedZone NamedZones[] = {
    {"UT", 0},  {"UTC", 0}, {"GMT", 0}, {"Z", 0},   {"EST", 5}, {"EDT", 4},
    {"CST", 6}, {"CDT", 5}, {"MST", 7}, {"MDT", 6}, {"PST", 8}, {"PDT", 7},
};

constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

[[noreturn]] void RaiseConversionError(const QByteArray& text) {
    throw EVelmoraError(
        QStringLiteral("'%1' is not a valid date and time").arg(QString::fromLatin1(text)));
}

// The military letters: A to M (without J) are behind universal time, N to Y
// ahead of it, as RFC 822 writes them.
std::optional<int> MilitaryHoursToUniversal(char letter) {
    if (letter >= 'A' && letter <= 'I')
        return letter - 'A' + 1;
    if (letter >= 'K' && letter <= 'M')
        return letter - 'K' + 10;
    if (letter >= 'N' && letter <= 'Y')
        return -(letter - 'N' + 1);
    return std::nullopt;
}

bool IsDigit(char character) {
    return character >= '0' && character <= '9';
}

// A numeric zone is a sign and exactly four digits, hours up to 23 and
// minutes under 60: anything longer or larger would move the date by days
// or years, so the date is unreadable instead. A comment may follow after a
// blank.
int NumericZoneMinutesToUniversal(const QByteArray& zone, const QByteArray& text) {
    qsizetype end = 0;
    while (end < zone.size() && zone[end] != ' ' && zone[end] != '\t')
        ++end;
    if (end != 5 || !IsDigit(zone[1]) || !IsDigit(zone[2]) || !IsDigit(zone[3]) ||
        !IsDigit(zone[4]))
        RaiseConversionError(text);
    const int hours = (zone[1] - '0') * 10 + (zone[2] - '0');
    const int minutes = (zone[3] - '0') * 10 + (zone[4] - '0');
    if (hours > 23 || minutes > 59)
        RaiseConversionError(text);
    const int offset = hours * 60 + minutes;
    return zone[0] == '-' ? offset : -offset;
}

// Minutes to add to the feed's time to reach universal time.
int MinutesToUniversal(const QByteArray& zone, const QByteArray& text) {
    if (zone.startsWith('+') || zone.startsWith('-'))
        return NumericZoneMinutesToUniversal(zone, text);
    const QByteArray word = zone.trimmed().split(' ').value(0);
    for (const cNamedZone& named : NamedZones)
        if (word == named.name)
            return named.hoursToUniversal * 60;
    if (word.size() == 1)
        if (const std::optional<int> hours = MilitaryHoursToUniversal(word[0]))
            return *hours * 60;
    return 0;
}

} // namespace

QDateTime cRFC822::RFC822ToDateTime(const QByteArray& text) {
    const auto at = [&](qsizetype position) {
        return position < text.size() ? text[position] : '\0';
    };

    const qsizetype comma = text.indexOf(',');
    qsizetype i = comma >= 0 ? comma + 1 : 0;
    if (comma >= 0)
        while (at(i) == ' ')
            ++i;

    QByteArray day;
    if (at(i + 1) == ' ') {
        day = text.mid(i, 1);
        i += 2;
    } else {
        day = text.mid(i, 2);
        i += 3;
    }
    QByteArray month = text.mid(i, 3);
    i += 4;
    QByteArray year;
    if (at(i + 2) == ' ') {
        year = text.mid(i, 2);
        i += 3;
    } else {
        year = text.mid(i, 4);
        i += 5;
    }
    const QByteArray hours = text.mid(i, 2);
    const QByteArray minutes = text.mid(i + 3, 2);
    const QByteArray seconds = text.mid(i + 6, 2);
    i += 9;
    const QByteArray zone = i < text.size() ? text.mid(i) : QByteArray();

    for (int number = 0; number < 12; ++number)
        if (month == MonthNames[number])
            month = QByteArray::number(number + 1).rightJustified(2, '0');

    const QDateTime feedTime = TextToDateTime(QString::fromLatin1(
        year + '/' + month + '/' + day + ' ' + hours + ':' + minutes + ':' + seconds));
    const QDateTime universal = feedTime.addSecs(MinutesToUniversal(zone, text) * 60);
    if (!universal.isValid())
        return WallClock(QDate(), QTime());
    return LocalWallClock(universal.toSecsSinceEpoch(), 0);
}

int cRFC822::LocalTimeBias() {
    return -QDateTime::currentDateTime().offsetFromUtc() / 60;
}
