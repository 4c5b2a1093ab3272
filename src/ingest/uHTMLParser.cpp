#include "uHTMLParser.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>

#include <cstring>
#include <memory>

namespace {

const QString LineBreak = QStringLiteral("\r\n");
const QString ParagraphBreak = QStringLiteral("\r\n\r\n");

bool IsWhitespace(QChar character) {
    const char16_t code = character.unicode();
    return code == 9 || code == 10 || code == 13 || code == 32;
}

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

// The character a named reference stands for, or none.
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

QString NumericCharacter(const QString& digits) {
    bool ok = false;
    const uint code = digits.startsWith(QLatin1Char('x'), Qt::CaseInsensitive)
                          ? digits.mid(1).toUInt(&ok, 16)
                          : digits.toUInt(&ok, 10);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString();
    const char32_t character = code;
    return QString::fromUcs4(&character, 1);
}

// Writes a parsed tree as text by the layout rules.
class cTextWriter {
public:
    QString Text;

    void WriteText(QString text) {
        // The parser has already turned &nbsp; into U+00A0: it writes a blank.
        text.replace(QChar(0xA0), QLatin1Char(' '));
        if (FInsidePre) {
            Append(text);
            return;
        }
        QString collapsed;
        collapsed.reserve(text.size());
        bool inRun = false;
        for (QChar character : text) {
            if (IsWhitespace(character)) {
                if (!inRun)
                    collapsed += QLatin1Char(' ');
                inRun = true;
            } else {
                collapsed += character;
                inRun = false;
            }
        }
        Append(collapsed);
    }

    void Write(xmlNodePtr node) {
        switch (node->type) {
        case XML_TEXT_NODE:
            WriteText(QString::fromUtf8(reinterpret_cast<const char*>(node->content)));
            break;
        case XML_ENTITY_REF_NODE:
            WriteEntity(QString::fromUtf8(reinterpret_cast<const char*>(node->name)));
            break;
        case XML_ELEMENT_NODE:
            WriteElement(node);
            break;
        default:
            break;
        }
    }

private:
    bool FInsideLink = false;
    bool FInsidePre = false;

    void Append(const QString& piece) {
        if (Text.isEmpty() || IsWhitespace(Text.back())) {
            qsizetype first = 0;
            while (first < piece.size() && piece[first] == QLatin1Char(' '))
                ++first;
            Text += QStringView(piece).mid(first);
        } else {
            Text += piece;
        }
    }

    void WriteEntity(const QString& name) {
        if (name == QLatin1String("nbsp")) {
            Append(QStringLiteral(" "));
            return;
        }
        const QString character = EntityCharacter(name);
        Append(character.isEmpty() ? QStringLiteral(" ") : character);
    }

    void LineBreakIfNeeded() {
        if (!Text.isEmpty() && !Text.endsWith(LineBreak))
            Text += LineBreak;
    }

    void ParagraphBreakIfNeeded() {
        if (Text.isEmpty() || Text.endsWith(ParagraphBreak))
            return;
        Text += Text.endsWith(LineBreak) ? LineBreak : ParagraphBreak;
    }

    QString Attribute(xmlNodePtr node, const char* name, bool& present) {
        xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
        present = value != nullptr;
        const QString text =
            present ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
        xmlFree(value);
        return text;
    }

    void WriteElement(xmlNodePtr node) {
        const char* name = reinterpret_cast<const char*>(node->name);
        const bool block = IsBlockElement(name);
        const bool link = std::strcmp(name, "a") == 0;
        if (block)
            ParagraphBreakIfNeeded();
        if (link)
            FInsideLink = true;
        if (std::strcmp(name, "li") == 0)
            Append(QStringLiteral("* "));
        if (std::strcmp(name, "pre") == 0)
            FInsidePre = true;
        for (xmlNodePtr child = node->children; child; child = child->next)
            Write(child);
        FInsidePre = false;
        bool present = false;
        if (link) {
            const QString target = Attribute(node, "href", present);
            if (present)
                Append(QStringLiteral("(") + target + QStringLiteral(")"));
            FInsideLink = false;
        } else if (std::strcmp(name, "br") == 0) {
            LineBreakIfNeeded();
        } else if (std::strcmp(name, "img") == 0 && FInsideLink) {
            Append(Attribute(node, "alt", present));
        }
        if (block)
            ParagraphBreakIfNeeded();
    }
};

} // namespace

QString DecodeEntities(const QString& text) {
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype position = 0;
    for (;;) {
        const qsizetype ampersand = text.indexOf(QLatin1Char('&'), position);
        if (ampersand < 0) {
            result += QStringView(text).mid(position);
            return result;
        }
        result += QStringView(text).mid(position, ampersand - position);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), ampersand);
        QString replacement;
        if (semicolon > ampersand + 1) {
            const QString reference = text.mid(ampersand + 1, semicolon - ampersand - 1);
            replacement = reference.startsWith(QLatin1Char('#'))
                              ? NumericCharacter(reference.mid(1))
                              : EntityCharacter(reference);
        }
        if (replacement.isEmpty() || replacement == QLatin1String(" ")) {
            result += QLatin1Char('&');
            position = ampersand + 1;
        } else {
            result += replacement;
            position = semicolon + 1;
        }
    }
}

QString HtmlToText(const QString& html) {
    if (html.isEmpty())
        return html;
    cTextWriter writer;
    // Without markup or references the tree would be one text node: skip
    // the parser, which matters for the thousands of plain titles of a
    // refresh.
    if (!html.contains(QLatin1Char('<')) && !html.contains(QLatin1Char('&'))) {
        writer.WriteText(html);
        return writer.Text.isEmpty() ? html : writer.Text;
    }
    const QString decoded = DecodeEntities(html);
    const QString source = decoded.contains(QLatin1String("<body>"))
                               ? decoded
                               : QStringLiteral("<htlml><head><body>") + html;
    const QByteArray utf8 = source.toUtf8();
    // One parser context per thread, reset for each fragment: making a new
    // one costs as much as parsing a title.
    thread_local std::unique_ptr<htmlParserCtxt, void (*)(htmlParserCtxtPtr)> context(
        htmlNewParserCtxt(), htmlFreeParserCtxt);
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> document(
        htmlCtxtReadMemory(context.get(), utf8.constData(), utf8.size(), nullptr, "UTF-8",
                           HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                               HTML_PARSE_NONET | HTML_PARSE_NOIMPLIED),
        xmlFreeDoc);
    if (document)
        for (xmlNodePtr node = document->children; node; node = node->next)
            writer.Write(node);
    return writer.Text.isEmpty() ? html : writer.Text;
}
