#include "ingest/uHTMLDocument.h"

#include "ingest/uXML.h"

#include <libxml/HTMLparser.h>

namespace {

bool IsKnownCharset(const QByteArray& charset) {
    if (charset.isEmpty())
        return false;
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(charset.constData());
    if (!handler)
        return false;
    xmlCharEncCloseFunc(handler);
    return true;
}

} // namespace

cHTMLDocument ReadHTMLDocument(const QByteArray& page, const QByteArray& base,
                               const QByteArray& charset) {
    if (cXML::MostTagWords(page) > cXML::MaxTagWords)
        return {nullptr, xmlFreeDoc};
    return {htmlReadMemory(page.constData(), static_cast<int>(page.size()),
                           base.isEmpty() ? nullptr : base.constData(),
                           IsKnownCharset(charset) ? charset.constData() : nullptr,
                           HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                               HTML_PARSE_NONET),
            xmlFreeDoc};
}

bool IsHTMLName(const xmlChar* name, const char* expected) {
    return xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>(expected)) == 0;
}

QString HTMLAttribute(xmlNodePtr element, const char* name) {
    xmlChar* value = xmlGetProp(element, reinterpret_cast<const xmlChar*>(name));
    const QString text =
        value ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
    xmlFree(value);
    return text;
}
