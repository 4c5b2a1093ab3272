#include "readmodels/uLanguageCode.h"

#include "storage/uConfig.h"
#include "storage/uSQLValue.h"

QString LanguageCodeOf(const QString& isoLanguageCode) {
    if (isoLanguageCode.size() < 2)
        return GetConfig().DefaultLanguage;
    return isoLanguageCode.left(2).toUpper();
}

QString LikePattern(const QString& filter) {
    return QuotedText(QStringLiteral("%") + filter + QStringLiteral("%"));
}
