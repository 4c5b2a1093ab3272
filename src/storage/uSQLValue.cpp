#include "storage/uSQLValue.h"

QString QuotedText(const QString& text) {
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('\'');
    for (QChar character : text) {
        if (character == QLatin1Char('\''))
            quoted += QLatin1Char('\'');
        quoted += character;
    }
    quoted += QLatin1Char('\'');
    return quoted;
}

QString FlagText(bool flag) {
    return flag ? QStringLiteral("-1") : QStringLiteral("0");
}

QString NumberText(int64_t number) {
    return QString::number(number);
}
