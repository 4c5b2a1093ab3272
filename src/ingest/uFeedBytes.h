#pragma once

#include <QByteArray>

// A feed's bytes as libxml2 can read what servers send: libxml2 refuses
// anything before the declaration (blanks, a byte-order mark after them),
// and reads an undeclared document as UTF-8, which servers of single-byte
// text (windows-1252, of which Latin-1 is a part) leave undeclared. Such a
// document comes back as UTF-8, and one behind a UTF-8 byte-order mark
// comes back declared UTF-8 whatever its declaration named, as a browser
// reads it; any other comes back as it is.
QByteArray ReadableFeedDocument(const QByteArray& body);
