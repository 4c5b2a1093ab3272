#pragma once

#include <QString>

// The two-letter code that chooses how a row's texts are drawn: the first
// two characters of the stored code in upper case, else the default
// language.
QString LanguageCodeOf(const QString& isoLanguageCode);

// A list filter as an SQL like-pattern: the text anywhere in the value.
QString LikePattern(const QString& filter);
