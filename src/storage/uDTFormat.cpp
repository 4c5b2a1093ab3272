#include "uDTFormat.h"

#include "uErrors.h"

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
    const QDateTime now = QDateTime::currentDateTime();
    return WallClock(now.date(), now.time());
}

QDateTime WallClock(const QDate& date, const QTime& time) {
    return QDateTime(date, time, Qt::UTC);
}

const cCommonDateTime& cCommonDateTime::Instance() {
    static const cCommonDateTime instance;
    return instance;
}

QString cCommonDateTime::DateTimeToText(const QDateTime& value) const {
    const QDate date = value.date();
    const QTime time = value.time();
    QString text = QStringLiteral("%1/%2/%3")
                       .arg(date.year(), 4, 10, QLatin1Char('0'))
                       .arg(date.month(), 2, 10, QLatin1Char('0'))
                       .arg(date.day(), 2, 10, QLatin1Char('0'));
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(time.hour(), 2, 10, QLatin1Char('0'))
                    .arg(time.minute(), 2, 10, QLatin1Char('0'))
                    .arg(time.second(), 2, 10, QLatin1Char('0'));
    return text;
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
