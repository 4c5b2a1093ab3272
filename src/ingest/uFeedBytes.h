#pragma once

#include <QByteArray>
#include <QString>

// A feed's bytes as libxml2 can read what servers send: libxml2 refuses
// anything before the declaration (blanks, a byte-order mark after them),
// and reads an undeclared document as UTF-8, which servers of single-byte
// text (windows-1252, of which Latin-1 is a part) leave undeclared. Such a
// document comes back as UTF-8, and so does one declared Latin-1 or ASCII,
// which browsers read as windows-1252 (its quotes and dashes in 0x80-0x9F);
// one behind a UTF-8 byte-order mark comes back declared UTF-8 whatever its
// declaration named, as a browser reads it; any other comes back as it is.
// An undeclared document that is not UTF-8 is read in the charset its
// server named (serverCharset, from the reply's Content-Type) when it is a
// byte charset the system knows and the document is written in it, else as
// windows-1252.
QByteArray ReadableFeedDocument(const QByteArray& body, const QByteArray& serverCharset = {});

// True for the encoding names browsers read as windows-1252: Latin-1's and
// ASCII's, whose documents put their curly quotes and dashes in 0x80-0x9F.
bool ReadAsWindows1252(QByteArrayView name);

// The text with its C1 control characters, which no text means, read as the
// windows-1252 characters of the same codes, as browsers read "&#146;".
QString WithWindows1252Punctuation(QString text);
