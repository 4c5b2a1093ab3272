#include "ingest/uFeedBytes.h"

#include <QScopeGuard>
#include <QString>

#include <iconv.h>

#include <cstring>
#include <optional>

namespace {

constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

bool IsValidUtf8(QByteArrayView bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype position = 0;
    while (position < size) {
        // Feeds are mostly ASCII: eight bytes at a time while they are.
        if (position + 8 <= size) {
            uint64_t word;
            std::memcpy(&word, data + position, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                position += 8;
                continue;
            }
        }
        const unsigned char lead = data[position];
        if (lead < 0x80) {
            ++position;
            continue;
        }
        int length = 0;
        uint32_t point = 0;
        uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, point = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, point = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, point = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (position + length > size)
            return false;
        for (int index = 1; index < length; ++index) {
            const unsigned char next = data[position + index];
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        position += length;
    }
    return true;
}

// 0x80 to 0x9F in windows-1252; the five codes the code page leaves
// unassigned keep their Latin-1 meaning.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QByteArray Windows1252AsUtf8(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype index = 0; index < bytes.size(); ++index)
        text[index] = QChar(static_cast<unsigned char>(bytes[index]));
    return WithWindows1252Punctuation(std::move(text)).toUtf8();
}

// Where the declaration's encoding name stands: its first byte and its
// length; a length of -1 when the document declares none.
struct cNameSpan {
    qsizetype Start = 0;
    qsizetype Length = -1;
};

cNameSpan DeclaredEncodingSpan(QByteArrayView document) {
    if (!document.startsWith("<?xml"))
        return {};
    const qsizetype end = document.indexOf("?>");
    const qsizetype name = document.indexOf("encoding");
    if (end < 0 || name < 0 || name > end)
        return {};
    const qsizetype open = document.indexOf('=', name);
    qsizetype quote = open + 1;
    while (quote < end && (document[quote] == ' ' || document[quote] == '\t'))
        ++quote;
    if (open < 0 || quote >= end || (document[quote] != '"' && document[quote] != '\''))
        return {};
    const qsizetype close = document.indexOf(document[quote], quote + 1);
    if (close < 0 || close > end)
        return {};
    return {quote + 1, close - quote - 1};
}

// The declaration, when there is one, names an encoding.
bool DeclaresEncoding(QByteArrayView document) {
    if (!document.startsWith("<?xml"))
        return false;
    const qsizetype end = document.indexOf('>');
    return end > 0 && document.first(end).contains("encoding");
}

// The bytes, written in a byte charset (one the Unicode ones are not: the
// document is known not to be UTF-8), as UTF-8; nothing when the system
// does not know the charset or the bytes are not written in it.
std::optional<QByteArray> ByteCharsetAsUtf8(QByteArrayView bytes, const QByteArray& charset) {
    const QByteArray name = charset.trimmed().toLower();
    if (name.isEmpty() || name.startsWith("utf") || name.startsWith("ucs") ||
        name.startsWith("unicode") || name.contains('/'))
        return std::nullopt;
    iconv_t converter = iconv_open("UTF-8", name.constData());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    const auto closed = qScopeGuard([converter] { iconv_close(converter); });
    // No byte charset takes more than four UTF-8 bytes for one of its own.
    QByteArray text(bytes.size() * 4, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* out = text.data();
    size_t outLeft = static_cast<size_t>(text.size());
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
        iconv(converter, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
        return std::nullopt;
    text.truncate(text.size() - static_cast<qsizetype>(outLeft));
    return text;
}

// The document with its declaration naming UTF-8: what a byte-order mark
// says wins over what the declaration says, as in a browser.
QByteArray DeclaredAsUtf8(QByteArrayView document) {
    QByteArray text = document.toByteArray();
    const cNameSpan name = DeclaredEncodingSpan(document);
    if (name.Length < 0)
        return text;
    return text.replace(name.Start, name.Length, "UTF-8");
}

} // namespace

QByteArray ReadableFeedDocument(const QByteArray& body, const QByteArray& serverCharset) {
    qsizetype start = 0;
    bool marked = false;
    for (;;) {
        const QByteArrayView rest = QByteArrayView(body).sliced(start);
        if (rest.startsWith(Utf8Mark)) {
            marked = true;
            start += 3;
        } else if (!rest.isEmpty() &&
                   (rest[0] == ' ' || rest[0] == '\t' || rest[0] == '\r' || rest[0] == '\n')) {
            ++start;
        } else {
            break;
        }
    }
    const QByteArrayView document = QByteArrayView(body).sliced(start);
    // Wide encodings (a zero after "<", or their own mark) are libxml2's to
    // tell.
    if (document.size() < 2 || document[0] != '<' || document[1] == '\0')
        return body;
    if (!marked && !DeclaresEncoding(document) && !IsValidUtf8(document)) {
        if (!ReadAsWindows1252(serverCharset))
            if (std::optional<QByteArray> text = ByteCharsetAsUtf8(document, serverCharset))
                return *text;
        return Windows1252AsUtf8(document);
    }
    if (marked)
        return DeclaredAsUtf8(document);
    if (const cNameSpan name = DeclaredEncodingSpan(document);
        name.Length >= 0 && ReadAsWindows1252(document.sliced(name.Start, name.Length)))
        return DeclaredAsUtf8(Windows1252AsUtf8(document));
    return start == 0 ? body : document.toByteArray();
}

QString WithWindows1252Punctuation(QString text) {
    for (QChar& character : text)
        if (character.unicode() >= 0x80 && character.unicode() < 0xA0)
            character = QChar(Windows1252High[character.unicode() - 0x80]);
    return text;
}

bool ReadAsWindows1252(QByteArrayView name) {
    static const char* const labels[] = {
        "ansi_x3.4-1968", "ascii",           "cp1252",     "cp819",     "csisolatin1",
        "ibm819",         "iso-8859-1",      "iso-ir-100", "iso8859-1", "iso88591",
        "iso_8859-1",     "iso_8859-1:1987", "l1",         "latin1",    "us-ascii",
        "windows-1252",
    };
    const QByteArray label = name.toByteArray().trimmed().toLower();
    for (const char* windows1252Label : labels)
        if (label == windows1252Label)
            return true;
    return false;
}
