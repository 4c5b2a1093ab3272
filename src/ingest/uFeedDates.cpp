#include "ingest/uFeedDates.h"

#include "storage/uDTFormat.h"

#include <cstdint>
#include <string_view>

namespace {

// Letters are compared in ASCII, so no locale setting changes what is read.
char AsciiLower(char character) {
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                : character;
}

bool IsLetter(char character) {
    const char lower = AsciiLower(character);
    return lower >= 'a' && lower <= 'z';
}

bool IsDigit(char character) {
    return character >= '0' && character <= '9';
}

bool IsBlank(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n';
}

bool SameLetters(std::string_view word, std::string_view lowerName) {
    if (word.size() != lowerName.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (AsciiLower(word[i]) != lowerName[i])
            return false;
    return true;
}

// A run of digits: its length, and its value while it is short enough to hold one.
struct cDigits {
    int length = 0;
    int value = 0;
};

// Reads the text once, left to right; no read goes back.
class cCursor {
public:
    explicit cCursor(const QByteArray& text)
        : FAt(text.constData()), FEnd(text.constData() + text.size()) {}

    bool AtEnd() const { return FAt == FEnd; }
    char Peek() const { return FAt == FEnd ? '\0' : *FAt; }
    bool Accept(char character) {
        if (Peek() != character)
            return false;
        ++FAt;
        return true;
    }
    bool AcceptLetter(char lower) {
        if (AsciiLower(Peek()) != lower)
            return false;
        ++FAt;
        return true;
    }
    bool SkipBlanks() {
        const char* start = FAt;
        while (FAt != FEnd && IsBlank(*FAt))
            ++FAt;
        return FAt != start;
    }
    cDigits Digits() {
        cDigits digits;
        for (; FAt != FEnd && IsDigit(*FAt); ++FAt, ++digits.length)
            if (digits.length < 9)
                digits.value = digits.value * 10 + (*FAt - '0');
        return digits;
    }
    std::string_view Letters() {
        const char* start = FAt;
        while (FAt != FEnd && IsLetter(*FAt))
            ++FAt;
        return {start, static_cast<std::size_t>(FAt - start)};
    }
    // Whether the text ahead starts with four digits and a dash: the year-first order.
    bool AtYearFirst() const {
        if (FEnd - FAt < 5)
            return false;
        return IsDigit(FAt[0]) && IsDigit(FAt[1]) && IsDigit(FAt[2]) && IsDigit(FAt[3]) &&
               FAt[4] == '-';
    }

private:
    const char* FAt;
    const char* FEnd;
};

// A date and time as written, and the offset of the writer's zone east of universal time.
struct cWrittenTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int secondsEast = 0;
};

constexpr std::string_view MonthNames[] = {"january",   "february", "march",    "april",
                                           "may",       "june",     "july",     "august",
                                           "september", "october",  "november", "december"};

constexpr std::string_view DayNames[] = {"monday", "tuesday",  "wednesday", "thursday",
                                         "friday", "saturday", "sunday"};

// A name is its full spelling or its first three letters.
bool NamesEntry(std::string_view word, std::string_view fullName) {
    return SameLetters(word, fullName) || SameLetters(word, fullName.substr(0, 3));
}

int MonthNumber(std::string_view word) {
    for (int number = 0; number < 12; ++number)
        if (NamesEntry(word, MonthNames[number]))
            return number + 1;
    // The one other abbreviation feeds commonly write.
    if (SameLetters(word, "sept"))
        return 9;
    return 0;
}

bool IsDayName(std::string_view word) {
    for (std::string_view name : DayNames)
        if (NamesEntry(word, name))
            return true;
    return false;
}

struct cNamedZone {
    std::string_view lowerName;
    int hoursEast;
};

constexpr cNamedZone NamedZones[] = {
    {"ut", 0},   {"utc", 0},  {"gmt", 0},  {"z", 0},    {"est", -5}, {"edt", -4},
    {"cst", -6}, {"cdt", -5}, {"mst", -7}, {"mdt", -6}, {"pst", -8}, {"pdt", -7},
};

// The single military letters, with the signs cRFC822 gives them, so that a text both
// readers accept names the same instant.
std::optional<int> MilitaryHoursEast(char letter) {
    const char lower = AsciiLower(letter);
    if (lower >= 'a' && lower <= 'i')
        return -(lower - 'a' + 1);
    if (lower >= 'k' && lower <= 'm')
        return -(lower - 'k' + 10);
    if (lower >= 'n' && lower <= 'y')
        return lower - 'n' + 1;
    return std::nullopt;
}

std::optional<int> NamedZoneSecondsEast(std::string_view word) {
    for (const cNamedZone& zone : NamedZones)
        if (SameLetters(word, zone.lowerName))
            return zone.hoursEast * 3600;
    if (word.size() == 1)
        if (const std::optional<int> hours = MilitaryHoursEast(word[0]))
            return *hours * 3600;
    return std::nullopt;
}

std::optional<int> OffsetSeconds(bool east, int hours, int minutes) {
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    const int seconds = hours * 3600 + minutes * 60;
    return east ? seconds : -seconds;
}

// After the time: nothing (universal time), a zone name, or a numeric offset whose
// layouts the caller's form allows.
template <typename ReadOffset>
bool ReadZone(cCursor& cursor, cWrittenTime& written, ReadOffset readOffset) {
    cursor.SkipBlanks();
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        const bool east = cursor.Peek() == '+';
        cursor.Accept(cursor.Peek());
        const std::optional<int> offset = readOffset(cursor, east);
        if (!offset)
            return false;
        written.secondsEast = *offset;
        return true;
    }
    const std::string_view word = cursor.Letters();
    if (word.empty())
        return true;
    const std::optional<int> offset = NamedZoneSecondsEast(word);
    if (!offset)
        return false;
    written.secondsEast = *offset;
    return true;
}

// "+01", "+0100" or "+01:00": mail-style dates write the second, but feeds
// mix in the others of ISO 8601.
std::optional<int> NumericOffset(cCursor& cursor, bool east) {
    const cDigits digits = cursor.Digits();
    if (digits.length == 4)
        return OffsetSeconds(east, digits.value / 100, digits.value % 100);
    if (digits.length != 2)
        return std::nullopt;
    if (!cursor.Accept(':'))
        return OffsetSeconds(east, digits.value, 0);
    const cDigits minutes = cursor.Digits();
    if (minutes.length != 2)
        return std::nullopt;
    return OffsetSeconds(east, digits.value, minutes.value);
}

bool ReadTwoDigits(cCursor& cursor, int& value) {
    const cDigits digits = cursor.Digits();
    value = digits.value;
    return digits.length == 2;
}

// "hh:mm[:ss[.fraction]]"; the fraction is checked and dropped, as the system keeps
// whole seconds of feed dates.
bool ReadYearFirstTime(cCursor& cursor, cWrittenTime& written) {
    if (!ReadTwoDigits(cursor, written.hour) || !cursor.Accept(':') ||
        !ReadTwoDigits(cursor, written.minute))
        return false;
    if (!cursor.Accept(':'))
        return true;
    if (!ReadTwoDigits(cursor, written.second))
        return false;
    if (cursor.Accept('.') || cursor.Accept(','))
        return cursor.Digits().length > 0;
    return true;
}

bool ReadYearFirst(cCursor& cursor, cWrittenTime& written) {
    const cDigits year = cursor.Digits();
    written.year = year.value;
    if (year.length != 4 || !cursor.Accept('-') || !ReadTwoDigits(cursor, written.month) ||
        !cursor.Accept('-') || !ReadTwoDigits(cursor, written.day))
        return false;
    if (!cursor.AcceptLetter('t')) {
        // A date alone is midnight in universal time.
        cursor.SkipBlanks();
        if (!IsDigit(cursor.Peek()))
            return cursor.AtEnd();
    }
    return ReadYearFirstTime(cursor, written) && ReadZone(cursor, written, NumericOffset);
}

// Years written with two digits: 00-49 are in the 2000s, 50-99 in the 1900s.
bool ReadYear(cCursor& cursor, int& year) {
    const cDigits digits = cursor.Digits();
    if (digits.length == 4) {
        year = digits.value;
        return true;
    }
    if (digits.length != 2)
        return false;
    year = digits.value + (digits.value < 50 ? 2000 : 1900);
    return true;
}

// "[Day[,]] d Month yy[yy] h:mm[:ss] [zone]".
bool ReadDayMonthYear(cCursor& cursor, cWrittenTime& written) {
    const std::string_view dayName = cursor.Letters();
    if (!dayName.empty()) {
        // Day names are not checked against the date: feeds often get them wrong.
        if (!IsDayName(dayName))
            return false;
        const bool comma = cursor.Accept(',');
        if (!cursor.SkipBlanks() && !comma)
            return false;
    }
    const cDigits day = cursor.Digits();
    written.day = day.value;
    if (day.length < 1 || day.length > 2 || !cursor.SkipBlanks())
        return false;
    written.month = MonthNumber(cursor.Letters());
    if (written.month == 0 || !cursor.SkipBlanks() || !ReadYear(cursor, written.year) ||
        !cursor.SkipBlanks())
        return false;
    const cDigits hour = cursor.Digits();
    written.hour = hour.value;
    if (hour.length < 1 || hour.length > 2 || !cursor.Accept(':') ||
        !ReadTwoDigits(cursor, written.minute))
        return false;
    if (cursor.Accept(':') && !ReadTwoDigits(cursor, written.second))
        return false;
    return ReadZone(cursor, written, NumericOffset);
}

// What may follow the date: blanks and one comment in parentheses ("+0200 (CEST)").
bool ReadEnd(cCursor& cursor) {
    cursor.SkipBlanks();
    if (cursor.Accept('(')) {
        while (!cursor.AtEnd() && cursor.Peek() != ')' && cursor.Peek() != '(')
            cursor.Accept(cursor.Peek());
        if (!cursor.Accept(')'))
            return false;
        cursor.SkipBlanks();
    }
    return cursor.AtEnd();
}

constexpr int64_t SecondsPerDay = 86400;
constexpr int64_t UnixEpochJulianDay = 2440588;

} // namespace

std::optional<QDateTime> ReadLooseFeedDate(const QByteArray& text) {
    cCursor cursor(text);
    cursor.SkipBlanks();
    cWrittenTime written;
    const bool read =
        cursor.AtYearFirst() ? ReadYearFirst(cursor, written) : ReadDayMonthYear(cursor, written);
    if (!read || !ReadEnd(cursor))
        return std::nullopt;

    const QDate date(written.year, written.month, written.day);
    if (!date.isValid() || written.hour > 23 || written.minute > 59 || written.second > 59)
        return std::nullopt;
    const int64_t universal = (date.toJulianDay() - UnixEpochJulianDay) * SecondsPerDay +
                              written.hour * 3600 + written.minute * 60 + written.second -
                              written.secondsEast;
    // An instant whose local date lies outside the calendar has no wall-clock form.
    const QDateTime local = LocalWallClock(universal, 0);
    if (!local.isValid())
        return std::nullopt;
    return local;
}
