#pragma once

#include <QByteArray>
#include <QString>

// Pages saved for reading offline: one MHTML document (multipart/related,
// RFC 2557) holding the page's markup alone, opened later from the cache
// folder by the embedded browser.

// The page's markup without what would load or run when it is opened from
// the cache folder: images, sounds, video, frames, embedded objects, style
// sheets and other linked resources, scripts, inline event handlers
// (on...), javascript: addresses and a refresh that would leave the page.
// Written as UTF-8, with the page's own character set declarations
// dropped. libxml2's HTML parser reads it with no network, in the charset
// the server named when it named one; markup it cannot read raises.
QByteArray StrippedPage(const QByteArray& page, const QString& address,
                        const QByteArray& charset = {});

// Text as quoted-printable (RFC 2045): its lines stay lines (CRLF), longer
// ones are split with soft breaks so that no line passes 76 characters.
QByteArray QuotedPrintable(const QByteArray& data);

// An MHTML document of one text/html part: the UTF-8 markup,
// quoted-printable, with the address as its Content-Location.
QByteArray MHTMLDocument(const QByteArray& html, const QString& address);

// Fetches the page and writes its stripped markup as an MHTML document to
// the path, replacing any file there; the file is replaced whole or not
// at all. A failed fetch (an error status included), unreadable markup or
// a file that cannot be written raises.
void SavePageAsMHT(const QString& url, const QString& path);
