#include "storage/uDTFormat.h"

#include "storage/uErrors.h"

#include <cstdio>
#include <ctime>
#include <optional>

namespace {

// Reads the text left to right; every read reports whether it matched.
class cDateTimeReader {
public:
    explicit cDateTimeReader(const QString& text) : FText(text) {}

    void SkipBlanks() {
        while (FPosition < FText.size() && FText[FPosition] == QLatin1Char(' '))
            ++FPosition;
    }
    std::optional<int> Number(int maxDigits) {
        int value = 0;
        int digits = 0;
        while (FPosition < FText.size() && digits < maxDigits && FText[FPosition].isDigit()) {
            value = value * 10 + FText[FPosition].digitValue();
            ++FPosition;
            ++digits;
        }
        if (digits == 0)
            return std::nullopt;
        return value;
    }
    int DigitsBefore(int start) const { return FPosition - start; }
    int Position() const { return FPosition; }
    bool Accept(QChar character) {
        if (FPosition < FText.size() && FText[FPosition] == character) {
            ++FPosition;
            return true;
        }
        return false;
    }
    bool AcceptWord(const QString& word) {
        if (FText.mid(FPosition, word.size()).compare(word, Qt::CaseInsensitive) == 0) {
            FPosition += static_cast<int>(word.size());
            return true;
        }
        return false;
    }
    bool AtEnd() const { return FPosition >= FText.size(); }

private:
    const QString& FText;
    int FPosition = 0;
};

[[noreturn]] void RaiseConversionError(const QString& text) {
    throw EVelmoraError(QStringLiteral("'%1' is not a valid date and time").arg(text));
}

} // namespace

QDateTime LocalNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return LocalWallClock(now.tv_sec, static_cast<int>(now.tv_nsec / 1000000));
}

// localtime_r reads the zone once, where Qt's local-time conversions ask
// the file system for it on every call.
QDateTime LocalWallClock(int64_t secondsSinceEpoch, int milliseconds) {
    const time_t seconds = static_cast<time_t>(secondsSinceEpoch);
    tm local{};
    localtime_r(&seconds, &local);
    return WallClock(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                     QTime(local.tm_hour, local.tm_min, local.tm_sec, milliseconds));
}

int LocalOffsetSeconds(int64_t secondsSinceEpoch) {
    const time_t seconds = static_cast<time_t>(secondsSinceEpoch);
    tm local{};
    localtime_r(&seconds, &local);
    return static_cast<int>(local.tm_gmtoff);
}

QDateTime WallClock(const QDate& date, const QTime& time) {
    return QDateTime(date, time, Qt::UTC);
}

const cCommonDateTime& cCommonDateTime::Instance() {
    static const cCommonDateTime instance;
    return instance;
}

QString cCommonDateTime::DateTimeToText(const QDateTime& value) const {
    int year = 0, month = 0, day = 0;
    value.date().getDate(&year, &month, &day);
    const QTime time = value.time();
    // Room for any year an int holds, so the text is never cut.
    char text[40];
    const bool midnight = time.hour() == 0 && time.minute() == 0 && time.second() == 0;
    const int length = midnight
                           ? std::snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day)
                           : std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", year,
                                           month, day, time.hour(), time.minute(), time.second());
    return QString::fromLatin1(text, length);
}

QDateTime cCommonDateTime::TextToDateTime(const QString& text) const {
    cDateTimeReader reader(text);
    reader.SkipBlanks();

    const int yearStart = reader.Position();
    const std::optional<int> yearNumber = reader.Number(4);
    const int yearDigits = reader.DigitsBefore(yearStart);
    if (!yearNumber || !reader.Accept(QLatin1Char('/')))
        RaiseConversionError(text);
    const std::optional<int> month = reader.Number(2);
    if (!month || !reader.Accept(QLatin1Char('/')))
        RaiseConversionError(text);
    const std::optional<int> day = reader.Number(2);
    if (!day)
        RaiseConversionError(text);

    int year = *yearNumber;
    if (yearDigits <= 2)
        year += QDate::currentDate().year() / 100 * 100;
    const QDate date(year, *month, *day);
    if (!date.isValid())
        RaiseConversionError(text);

    reader.SkipBlanks();
    if (reader.AtEnd())
        return WallClock(date);

    const std::optional<int> hours = reader.Number(2);
    if (!hours || !reader.Accept(QLatin1Char(':')))
        RaiseConversionError(text);
    const std::optional<int> minutes = reader.Number(2);
    if (!minutes)
        RaiseConversionError(text);
    int seconds = 0;
    int milliseconds = 0;
    if (reader.Accept(QLatin1Char(':'))) {
        const std::optional<int> secondsNumber = reader.Number(2);
        if (!secondsNumber)
            RaiseConversionError(text);
        seconds = *secondsNumber;
        if (reader.Accept(QLatin1Char('.'))) {
            const int fractionStart = reader.Position();
            const std::optional<int> fraction = reader.Number(3);
            if (!fraction)
                RaiseConversionError(text);
            milliseconds = *fraction;
            for (int digits = reader.DigitsBefore(fractionStart); digits < 3; ++digits)
                milliseconds *= 10;
        }
    }
    reader.SkipBlanks();
    int hour = *hours;
    if (reader.AcceptWord(QStringLiteral("AM")) || reader.AcceptWord(QStringLiteral("PM"))) {
        const bool afternoon =
            text.mid(reader.Position() - 2, 1).compare(QStringLiteral("P"), Qt::CaseInsensitive) ==
            0;
        if (hour < 1 || hour > 12)
            RaiseConversionError(text);
        hour = hour % 12 + (afternoon ? 12 : 0);
        reader.SkipBlanks();
    }
    if (!reader.AtEnd())
        RaiseConversionError(text);
    const QTime time(hour, *minutes, seconds, milliseconds);
    if (!time.isValid())
        RaiseConversionError(text);
    return WallClock(date, time);
}

QString DateTimeToText(const QDateTime& value) {
    return cCommonDateTime::Instance().DateTimeToText(value);
}

QDateTime TextToDateTime(const QString& text) {
    return cCommonDateTime::Instance().TextToDateTime(text);
}
