#include "readmodels/uLanguageCode.h"

#include "storage/uConfig.h"
#include "storage/uSQLValue.h"

#include <QRegularExpression>
#include <algorithm>

QString LanguageCodeOf(const QString& isoLanguageCode) {
    if (isoLanguageCode.size() < 2)
        return GetConfig().DefaultLanguage;
    return isoLanguageCode.left(2).toUpper();
}

QString LikePattern(const QString& filter) {
    // A line break pasted with the text would end the statement's first
    // line, the only one a query compiles: the lines are joined by a space.
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n\u2028\u2029]"));
    const QString text = filter.split(lineBreaks, Qt::SkipEmptyParts).join(u' ');
    // The user's % and _ are letters to find, not wildcards.
    const auto isWildcard = [](QChar c) { return c == u'%' || c == u'_' || c == u'\\'; };
    if (std::none_of(text.cbegin(), text.cend(), isWildcard))
        return QuotedText(u'%' + text + u'%');
    QString escaped;
    for (const QChar c : text) {
        if (isWildcard(c))
            escaped += u'\\';
        escaped += c;
    }
    return QuotedText(u'%' + escaped + u'%') + QStringLiteral(" escape '\\'");
}
