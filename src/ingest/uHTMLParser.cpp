#include "ingest/uHTMLParser.h"

#include "ingest/uHtmlTextWriter.h"
#include "ingest/uSimpleMarkup.h"
#include "ingest/uXML.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>

#include <memory>

namespace {

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

// Walks a tree built by libxml2's HTML parser. Its depth is bounded: the
// parser gives up on markup nested deeper than 256 elements.
void WriteTree(cTextWriter& writer, xmlNodePtr node) {
    for (; node; node = node->next) {
        switch (node->type) {
        case XML_TEXT_NODE:
            writer.WriteText(QString::fromUtf8(reinterpret_cast<const char*>(node->content)));
            break;
        case XML_ENTITY_REF_NODE:
            writer.WriteEntity(QString::fromUtf8(reinterpret_cast<const char*>(node->name)));
            break;
        case XML_ELEMENT_NODE: {
            cElement element;
            element.Name = reinterpret_cast<const char*>(node->name);
            if (const char* attribute = AttributeUsedBy(element.Name)) {
                xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(attribute));
                element.HasAttribute = value != nullptr;
                if (value)
                    element.Attribute = QString::fromUtf8(reinterpret_cast<const char*>(value));
                xmlFree(value);
            }
            writer.Start(element);
            WriteTree(writer, node->children);
            writer.End(element);
            break;
        }
        default:
            break;
        }
    }
}

bool IsAsciiLetterOrDigit(QChar character) {
    const char16_t code = character.unicode();
    return (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') ||
           (code >= u'0' && code <= u'9');
}

// The character of the reference whose name starts at the position: its
// name runs over letters and digits (after "#" for a numeric one) up to a
// semicolon. Only the name's own characters are looked at, so each
// ampersand costs the length of its name and the whole text is read in
// one pass; looking ahead for the next semicolon instead reads the rest of
// the text again for every ampersand without one.
QString ReferenceAt(const QString& text, qsizetype start, qsizetype& end) {
    const bool numeric = start < text.size() && text[start] == QLatin1Char('#');
    end = numeric ? start + 1 : start;
    while (end < text.size() && IsAsciiLetterOrDigit(text[end]))
        ++end;
    if (end >= text.size() || text[end] != QLatin1Char(';') || end == start)
        return QString();
    const QString name = text.mid(start, end - start);
    return numeric ? NumericCharacter(name.mid(1)) : EntityCharacter(name);
}

// Whether the markup has a body element's start tag, in any letter case
// and with any attributes.
bool HasBodyStartTag(const QString& html) {
    const QLatin1String tag("<body");
    for (qsizetype at = html.indexOf(tag, 0, Qt::CaseInsensitive); at >= 0;
         at = html.indexOf(tag, at + 1, Qt::CaseInsensitive)) {
        const qsizetype after = at + tag.size();
        if (after < html.size() && (html[after] == QLatin1Char('>') || html[after].isSpace()))
            return true;
    }
    return false;
}

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
        qsizetype semicolon = 0;
        const QString replacement = ReferenceAt(text, ampersand + 1, semicolon);
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
    // A whole document escaped once more than its feed needed is read as
    // the markup its references stand for. A document in plain markup is
    // read as it is: decoding it first would turn its escaped text (code
    // samples, "&amp;amp;") into markup or decode it twice.
    const bool markedUpDocument = HasBodyStartTag(html);
    const QString decoded = markedUpDocument ? QString() : DecodeEntities(html);
    const bool wholeDocument = markedUpDocument || decoded.contains(QLatin1String("<body>"));
    if (!wholeDocument)
        if (const std::optional<QString> text = ReadSimpleMarkup(html))
            return text->isEmpty() ? html : *text;
    const QString source = markedUpDocument ? html
                           : wholeDocument  ? decoded
                                            : QStringLiteral("<htlml><head><body>") + html;
    const QByteArray utf8 = source.toUtf8();
    if (cXML::MostTagWords(utf8) > cXML::MaxTagWords)
        return html;
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
        WriteTree(writer, document->children);
    return writer.Text.isEmpty() ? html : writer.Text;
}
