#include "ingest/uHTMLDocument.h"

#include "ingest/uFeedBytes.h"
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

// The charset a browser reads the page in, given the one its server named:
// a UTF-8 byte-order mark goes before any label, and the labels of Latin-1
// and ASCII mean windows-1252, which differs from them only in 0x80-0x9F,
// where such pages put their curly quotes and dashes. A label in the page's
// own markup is left to libxml2.
QByteArray BrowserCharset(const QByteArray& page, const QByteArray& named) {
    if (page.startsWith("\xef\xbb\xbf"))
        return "UTF-8";
    return ReadAsWindows1252(named) ? QByteArray("windows-1252") : named;
}

} // namespace

cHTMLDocument ReadHTMLDocument(const QByteArray& page, const QByteArray& base,
                               const QByteArray& charset) {
    if (cXML::MostTagWords(page) > cXML::MaxTagWords)
        return {nullptr, xmlFreeDoc};
    const QByteArray encoding = BrowserCharset(page, charset);
    return {htmlReadMemory(page.constData(), static_cast<int>(page.size()),
                           base.isEmpty() ? nullptr : base.constData(),
                           IsKnownCharset(encoding)  ? encoding.constData()
                           : IsKnownCharset(charset) ? charset.constData()
                                                     : nullptr,
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
