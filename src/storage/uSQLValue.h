#pragma once

#include <QString>
#include <cstdint>

// The one way values are written into SQL text. Every statement of the
// system is finished text; these functions are the only place where a value
// becomes part of it.

// A text value as a single-quoted literal with inner single quotation marks
// doubled, so that SQLite always reads it as text (a double-quoted token that
// names a column would be read as that column).
QString QuotedText(const QString& text);

// A flag: -1 for true, 0 for false.
QString FlagText(bool flag);

// An identifier, a status byte or a count in decimal.
QString NumberText(int64_t number);
