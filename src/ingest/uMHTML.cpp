#include "ingest/uMHTML.h"

#include "ingest/uHTMLDocument.h"
#include "ingest/uHTTP.h"
#include "storage/uErrors.h"

#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <QSaveFile>
#include <QUrl>

#include <memory>

namespace {

// Elements removed with everything inside them: what loads a resource or
// runs a script when the saved page is opened.
constexpr const char* RemovedElements[] = {
    "script", "style", "picture", "audio", "video", "object", "applet", "frameset", "iframe",
};
// Elements removed alone: they have no content, but libxml2's parser reads
// the void elements it does not know (source, track, bgsound) as holding
// what follows them, which stays.
constexpr const char* RemovedVoidElements[] = {
    "link", "img", "image", "source", "track", "bgsound", "embed", "param", "frame",
};

// Attributes that load a resource on the elements that stay.
constexpr const char* RemovedAttributes[] = {"src", "srcset", "poster", "background"};

template <size_t N> bool NameIsOneOf(const xmlChar* name, const char* const (&names)[N]) {
    for (const char* expected : names)
        if (IsHTMLName(name, expected))
            return true;
    return false;
}

// A refresh would leave the saved page; a character set declaration would
// contradict the UTF-8 the page is written in.
bool IsRemovedMeta(xmlNodePtr element) {
    if (!IsHTMLName(element->name, "meta"))
        return false;
    const QString equivalent = HTMLAttribute(element, "http-equiv").trimmed();
    return !HTMLAttribute(element, "charset").isNull() ||
           equivalent.compare(QLatin1String("refresh"), Qt::CaseInsensitive) == 0 ||
           equivalent.compare(QLatin1String("content-type"), Qt::CaseInsensitive) == 0;
}

// Browsers drop blanks and control characters from an address before
// reading its scheme ("java\tscript:" runs).
bool IsScriptAddress(const QString& value) {
    QString compact;
    for (const QChar character : value)
        if (character.unicode() > 0x20)
            compact += character;
    return compact.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
}

void StripAttributes(xmlNodePtr element) {
    for (xmlAttrPtr attribute = element->properties; attribute;) {
        const xmlAttrPtr next = attribute->next;
        bool removed =
            xmlStrncasecmp(attribute->name, reinterpret_cast<const xmlChar*>("on"), 2) == 0 ||
            NameIsOneOf(attribute->name, RemovedAttributes);
        if (!removed) {
            xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute));
            removed =
                value && IsScriptAddress(QString::fromUtf8(reinterpret_cast<const char*>(value)));
            xmlFree(value);
        }
        if (removed)
            xmlRemoveProp(attribute);
        attribute = next;
    }
}

// The node after this one and all it holds, in document order, within root.
xmlNodePtr NextOutside(xmlNodePtr node, xmlNodePtr root) {
    for (; node && node != root; node = node->parent)
        if (node->next)
            return node->next;
    return nullptr;
}

bool IsRemoved(xmlNodePtr element) {
    return NameIsOneOf(element->name, RemovedElements) ||
           NameIsOneOf(element->name, RemovedVoidElements) || IsRemovedMeta(element);
}

// Removes the element (its content too, unless it is void) and returns the
// node the walk goes on with.
xmlNodePtr Remove(xmlNodePtr element, xmlNodePtr root) {
    const xmlNodePtr parent = element->parent;
    const xmlNodePtr before = element->prev;
    if (NameIsOneOf(element->name, RemovedVoidElements))
        while (const xmlNodePtr child = element->children) {
            xmlUnlinkNode(child);
            // Text next to text is merged; the walk never holds the child.
            xmlAddPrevSibling(element, child);
        }
    xmlUnlinkNode(element);
    xmlFreeNode(element);
    const xmlNodePtr following = before ? before->next : parent->children;
    return following ? following : NextOutside(parent, root);
}

// A walk without recursion: pages nest deeper than a thread's stack likes.
void Strip(xmlNodePtr root) {
    for (xmlNodePtr node = root; node;) {
        if (node->type == XML_ELEMENT_NODE && node != root && IsRemoved(node)) {
            node = Remove(node, root);
            continue;
        }
        if (node->type == XML_ELEMENT_NODE)
            StripAttributes(node);
        node = node->children ? node->children : NextOutside(node, root);
    }
}

// Whether a reply of this Content-Type can be a page: text, or markup
// served as XML; a reply that names no type is read as a browser reads it.
bool IsPageType(const QByteArray& contentType) {
    const QByteArray type = contentType.split(';').first().trimmed().toLower();
    return type.isEmpty() || type.startsWith("text/") || type == "application/xhtml+xml" ||
           type == "application/xml";
}

} // namespace

QByteArray StrippedPage(const QByteArray& page, const QString& address, const QByteArray& charset) {
    const cHTMLDocument document = ReadHTMLDocument(page, address.toUtf8(), charset);
    if (!document)
        throw EVelmoraError(QStringLiteral("Can't read the page at %1").arg(address));
    for (xmlNodePtr node = document->children; node; node = node->next)
        Strip(node);
    // No encoder: the tree's UTF-8 goes out as it is.
    std::unique_ptr<xmlOutputBuffer, int (*)(xmlOutputBufferPtr)> output(
        xmlAllocOutputBuffer(nullptr), xmlOutputBufferClose);
    htmlDocContentDumpFormatOutput(output.get(), document.get(), nullptr, 0);
    xmlOutputBufferFlush(output.get());
    return QByteArray(reinterpret_cast<const char*>(xmlOutputBufferGetContent(output.get())),
                      static_cast<qsizetype>(xmlOutputBufferGetSize(output.get())));
}

QByteArray QuotedPrintable(const QByteArray& data) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    // With the soft break's "=", a line holds 76 characters at most.
    constexpr int LineLength = 75;
    const qsizetype size = data.size();
    const auto lineEndsAt = [&](qsizetype index) {
        return index >= size || data[index] == '\n' ||
               (data[index] == '\r' && index + 1 < size && data[index + 1] == '\n');
    };
    QByteArray out;
    out.reserve(size + size / 8);
    int column = 0;
    for (qsizetype index = 0; index < size; ++index) {
        const auto character = static_cast<unsigned char>(data[index]);
        if (lineEndsAt(index)) {
            if (character == '\r')
                ++index;
            out += "\r\n";
            column = 0;
            continue;
        }
        // Blanks at the end of a line would be lost on the way.
        const bool blank = character == ' ' || character == '\t';
        const bool literal = (character > 32 && character < 127 && character != '=') ||
                             (blank && !lineEndsAt(index + 1));
        const int width = literal ? 1 : 3;
        if (column + width > LineLength) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += char(character);
        } else {
            out += '=';
            out += Hex[character >> 4];
            out += Hex[character & 15];
        }
        column += width;
    }
    return out;
}

QByteArray MHTMLDocument(const QByteArray& html, const QString& address) {
    // Quoted-printable never writes "=_", so no line of the part can be
    // taken for the boundary.
    const QByteArray boundary = "----=_NextPart_Velmora_Page";
    const QByteArray location = QUrl(address).toEncoded();
    return "From: <Saved by Velmora>\r\n"
           "Snapshot-Content-Location: " +
           location +
           "\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/related; type=\"text/html\"; boundary=\"" +
           boundary +
           "\"\r\n"
           "\r\n--" +
           boundary +
           "\r\n"
           "Content-Type: text/html; charset=\"utf-8\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n"
           "Content-Location: " +
           location + "\r\n\r\n" + QuotedPrintable(html) + "\r\n--" + boundary + "--\r\n";
}

void SavePageAsMHT(const QString& url, const QString& path) {
    cHTTPReply reply;
    const QByteArray page = cHTTP().GetBody(url, &reply);
    // Where a redirect led: the page's relative links start from there.
    const QString address = reply.DocumentUrl.isEmpty() ? url : reply.DocumentUrl;
    // A link to a sound, a picture or a document is no page: read as one,
    // its bytes would be saved as garbage and listed as a saved page.
    if (!IsPageType(reply.ContentType))
        throw EVelmoraError(QStringLiteral("Can't save %1: it is %2, not a web page")
                                .arg(address, QString::fromLatin1(reply.ContentType)));
    const QByteArray document = MHTMLDocument(
        StrippedPage(page, address, CharsetOfContentType(reply.ContentType)), address);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() ||
        !file.commit())
        throw EVelmoraError(QStringLiteral("Can't write %1: %2").arg(path, file.errorString()));
}
