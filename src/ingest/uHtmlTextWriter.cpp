#include "ingest/uHtmlTextWriter.h"

#include <libxml/HTMLparser.h>

#include <cstring>

namespace {

const QString LineBreak = QStringLiteral("\r\n");
const QString ParagraphBreak = QStringLiteral("\r\n\r\n");

bool IsBlockElement(const char* name) {
    static const char* const blocks[] = {
        "address",  "blockquote", "caption", "center", "dd",       "div",      "dl", "dt",
        "fieldset", "form",       "frame",   "h1",     "h2",       "h3",       "h4", "h5",
        "h6",       "hr",         "iframe",  "li",     "noframes", "noscript", "ol", "p",
        "pre",      "table",      "td",      "th",     "title",    "ul"};
    for (const char* block : blocks)
        if (std::strcmp(name, block) == 0)
            return true;
    return false;
}

} // namespace

const char* AttributeUsedBy(const QByteArray& element) {
    if (element == "a")
        return "href";
    if (element == "img")
        return "alt";
    return nullptr;
}

bool IsHtmlBlank(QChar character) {
    const char16_t code = character.unicode();
    return code == 9 || code == 10 || code == 13 || code == 32;
}

QString EntityCharacter(const QString& name) {
    if (name == QLatin1String("apos"))
        return QStringLiteral("'");
    const QByteArray utf8 = name.toUtf8();
    const htmlEntityDesc* entity =
        htmlEntityLookup(reinterpret_cast<const xmlChar*>(utf8.constData()));
    if (!entity)
        return QString();
    const char32_t character = entity->value;
    return QString::fromUcs4(&character, 1);
}

void cTextWriter::WriteText(QString text) {
    // The parser has already turned &nbsp; into U+00A0: it writes a blank.
    text.replace(QChar(0xA0), QLatin1Char(' '));
    if (FInsidePre) {
        Append(text);
        return;
    }
    // Runs of blanks become one blank, in place.
    QChar* out = text.data();
    bool inRun = false;
    for (const QChar character : std::as_const(text)) {
        const bool blank = IsHtmlBlank(character);
        if (!blank || !inRun)
            *out++ = blank ? QLatin1Char(' ') : character;
        inRun = blank;
    }
    text.truncate(out - text.constData());
    Append(text);
}

void cTextWriter::WriteEntity(const QString& name) {
    if (name == QLatin1String("nbsp")) {
        Append(QStringLiteral(" "));
        return;
    }
    const QString character = EntityCharacter(name);
    Append(character.isEmpty() ? QStringLiteral(" ") : character);
}

void cTextWriter::Start(const cElement& element) {
    if (IsBlockElement(element.Name.constData()))
        ParagraphBreakIfNeeded();
    if (element.Name == "a")
        FInsideLink = true;
    if (element.Name == "li")
        Append(QStringLiteral("* "));
    if (element.Name == "pre")
        FInsidePre = true;
}

void cTextWriter::End(const cElement& element) {
    // Any element's end, not only the pre's, ends preformatted text.
    FInsidePre = false;
    if (element.Name == "a") {
        if (element.HasAttribute)
            Append(QStringLiteral("(") + element.Attribute + QStringLiteral(")"));
        FInsideLink = false;
    } else if (element.Name == "br") {
        LineBreakIfNeeded();
    } else if (element.Name == "img" && FInsideLink) {
        Append(element.Attribute);
    }
    if (IsBlockElement(element.Name.constData()))
        ParagraphBreakIfNeeded();
}

void cTextWriter::Append(const QString& piece) {
    if (Text.isEmpty() || IsHtmlBlank(Text.back())) {
        qsizetype first = 0;
        while (first < piece.size() && piece[first] == QLatin1Char(' '))
            ++first;
        Text += QStringView(piece).mid(first);
    } else {
        Text += piece;
    }
}

void cTextWriter::LineBreakIfNeeded() {
    if (!Text.isEmpty() && !Text.endsWith(LineBreak))
        Text += LineBreak;
}

void cTextWriter::ParagraphBreakIfNeeded() {
    if (Text.isEmpty() || Text.endsWith(ParagraphBreak))
        return;
    Text += Text.endsWith(LineBreak) ? LineBreak : ParagraphBreak;
}
