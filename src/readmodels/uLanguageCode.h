#pragma once

#include <QString>

// The two-letter code that chooses how a row's texts are drawn: the first
// two characters of the stored code in upper case, else the default
// language.
QString LanguageCodeOf(const QString& isoLanguageCode);

// A list filter as an SQL like-pattern: the text, as typed, anywhere in the
// value; with its escape clause when the text holds a wildcard character.
QString LikePattern(const QString& filter);
