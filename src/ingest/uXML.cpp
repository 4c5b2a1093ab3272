#include "ingest/uXML.h"

#include "storage/uErrors.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <optional>

namespace {

// Documents never reach outside themselves: no file, no network.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

QString Utf8(const xmlChar* text) {
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

bool IsText(cXMLNode node) {
    return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE;
}

bool IsBlank(const xmlChar* text) {
    for (; text && *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r')
            return false;
    return true;
}

bool IsXhtml(cXMLNode element) {
    return element->ns && element->ns->href &&
           std::strcmp(reinterpret_cast<const char*>(element->ns->href),
                       "http://www.w3.org/1999/xhtml") == 0;
}

// Words beside elements: a text that is not blank, or a reference to an
// entity, which stands for one.
bool HoldsWords(cXMLNode element) {
    for (cXMLNode child = element->children; child; child = child->next)
        if ((IsText(child) && !IsBlank(child->content)) || child->type == XML_ENTITY_REF_NODE)
            return true;
    return false;
}

// A document may name an external DTD for the entities it uses, which is
// never loaded: RSS 0.91's defines HTML's. libxml2 leaves each such
// reference as an empty node: it becomes HTML's character, or stays as
// written where HTML has no entity of that name, merged with the texts
// beside it. Returns the node that took its place.
cXMLNode ResolveUndefinedEntity(cXMLNode reference) {
    const htmlEntityDesc* entity = htmlEntityLookup(reference->name);
    const QByteArray text =
        entity ? QStringView(QChar::fromUcs4(entity->value)).toUtf8()
               : "&" + QByteArray(reinterpret_cast<const char*>(reference->name)) + ";";
    cXMLNode replacement =
        xmlNewDocTextLen(reference->doc, reinterpret_cast<const xmlChar*>(text.constData()),
                         static_cast<int>(text.size()));
    xmlReplaceNode(reference, replacement);
    xmlFreeNode(reference);
    if (replacement->prev && replacement->prev->type == XML_TEXT_NODE)
        replacement = xmlTextMerge(replacement->prev, replacement);
    if (replacement->next && replacement->next->type == XML_TEXT_NODE)
        replacement = xmlTextMerge(replacement, replacement->next);
    return replacement;
}

// Blanks between elements are layout and go, except in text with markup
// (words beside the elements, or XHTML), where a blank parts two words.
void TidyText(cXMLNode node, bool inText) {
    for (cXMLNode child = node->children; child;) {
        if (child->type == XML_ENTITY_REF_NODE && !child->children)
            child = ResolveUndefinedEntity(child);
        cXMLNode next = child->next;
        if (child->type == XML_TEXT_NODE && !inText && IsBlank(child->content)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            TidyText(child, inText || IsXhtml(child) || HoldsWords(child));
        }
        child = next;
    }
}

QByteArray LineStart(const QByteArray& bytes, int line) {
    int start = 0;
    for (int current = 1; current < line && start >= 0; ++current) {
        start = bytes.indexOf('\n', start);
        if (start >= 0)
            ++start;
    }
    if (start < 0)
        return QByteArray();
    const int end = bytes.indexOf('\n', start);
    return bytes.mid(start, (end < 0 ? bytes.size() : end) - start).left(60).trimmed();
}

bool NameMatches(cXMLNode node, const char* name) {
    if (node->type != XML_ELEMENT_NODE)
        return false;
    if (std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0)
        return true;
    return cXML::QualifiedName(node) == name;
}

bool SameNamespace(const xmlChar* first, const QString& second) {
    return Utf8(first).compare(second, Qt::CaseInsensitive) == 0;
}

bool InParentsNamespace(cXMLNode child) {
    const xmlNs* parentNamespace = child->parent->ns;
    if (!parentNamespace)
        return !child->ns;
    return child->ns && SameNamespace(child->ns->href, Utf8(parentNamespace->href));
}

bool IsMarkupBlank(char character) {
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

bool IsTagNameStart(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           character == '_' || character == ':' || static_cast<unsigned char>(character) >= 0x80;
}

// The document's bytes in an encoding where markup is ASCII: UTF-16 and
// UTF-32 (told by their byte-order mark or by how "<" starts the document,
// as libxml2 tells them) become UTF-8; anything else is already so.
QByteArray AsciiCompatible(const QByteArray& bytes) {
    const auto startsWith = [&](std::initializer_list<unsigned char> start) {
        return bytes.size() >= qsizetype(start.size()) &&
               std::equal(start.begin(), start.end(), bytes.begin(), [](unsigned char a, char b) {
                   return a == static_cast<unsigned char>(b);
               });
    };
    std::optional<QStringConverter::Encoding> encoding;
    if (startsWith({0, 0, 0xFE, 0xFF}) || startsWith({0, 0, 0, '<'}))
        encoding = QStringConverter::Utf32BE;
    else if (startsWith({0xFF, 0xFE, 0, 0}) || startsWith({'<', 0, 0, 0}))
        encoding = QStringConverter::Utf32LE;
    else if (startsWith({0xFE, 0xFF}) || startsWith({0, '<'}))
        encoding = QStringConverter::Utf16BE;
    else if (startsWith({0xFF, 0xFE}) || startsWith({'<', 0}))
        encoding = QStringConverter::Utf16LE;
    if (!encoding)
        return bytes;
    QStringDecoder decoder(*encoding);
    return QString(decoder(bytes)).toUtf8();
}

// The position after the end mark found from the position on, or the end.
qsizetype After(const QByteArray& text, qsizetype from, const char* mark) {
    const qsizetype found = text.indexOf(mark, from);
    return found < 0 ? text.size() : found + qsizetype(std::strlen(mark));
}

} // namespace

int cXML::MostTagWords(const QByteArray& markup) {
    const qsizetype size = markup.size();
    int most = 0;
    // Once a quote has no closing one further on, later quotes of its kind
    // have none either: they are not looked for again, which would read the
    // rest of the text once more for each.
    bool unclosed[2] = {false, false};
    qsizetype position = 0;
    // Text between tags is passed over by memchr, so that the check costs
    // a small part of parsing.
    while ((position = markup.indexOf('<', position)) >= 0) {
        const QByteArrayView rest = QByteArrayView(markup).sliced(position);
        if (rest.startsWith("<!--")) {
            position = After(markup, position + 4, "-->");
        } else if (rest.startsWith("<![CDATA[")) {
            position = After(markup, position + 9, "]]>");
        } else if (rest.startsWith("<?")) {
            position = After(markup, position + 2, "?>");
        } else if (position + 1 < size && IsTagNameStart(markup[position + 1])) {
            int words = 0;
            bool inWord = false;
            for (++position; position < size && markup[position] != '>'; ++position) {
                const char character = markup[position];
                const bool blank = IsMarkupBlank(character);
                if (!blank && !inWord)
                    ++words;
                inWord = !blank;
                // A quoted value is one word whatever it holds; a quote
                // without its closing one is an ordinary character.
                if (character == '"' || character == '\'') {
                    bool& noClosing = unclosed[character == '"' ? 0 : 1];
                    const qsizetype closing =
                        noClosing ? -1 : markup.indexOf(character, position + 1);
                    if (closing < 0)
                        noClosing = true;
                    else
                        position = closing;
                }
            }
            most = std::max(most, words);
        } else {
            ++position;
        }
    }
    return most;
}

cXMLDocument::cXMLDocument() = default;

cXMLDocument::~cXMLDocument() {
    if (FDocument)
        xmlFreeDoc(FDocument);
}

cXMLNode cXMLDocument::Root() const {
    return FDocument ? xmlDocGetRootElement(FDocument) : nullptr;
}

std::unique_ptr<cXMLDocument> cXML::NewDocument() {
    InitialiseLibrary();
    return std::make_unique<cXMLDocument>();
}

namespace {

using cParserContext = std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)>;

cParserContext NewParserContext() {
    cParserContext context(xmlNewParserCtxt(), xmlFreeParserCtxt);
    if (!context)
        throw EVelmoraError(QStringLiteral("XML parser unavailable"));
    return context;
}

xmlDocPtr Parse(xmlParserCtxt& context, const QByteArray& bytes) {
    return xmlCtxtReadMemory(&context, bytes.constData(), bytes.size(), nullptr, nullptr,
                             XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR |
                                 XML_PARSE_NOWARNING);
}

bool IsEntityNameCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '.' || character == '-' ||
           character == '_';
}

// Feeds use HTML's entities (&nbsp;, &eacute;) without declaring them, which
// refuses the whole document. Each reference to an entity XML does not
// define becomes what HTML reads: a character reference, or the reference
// as written where HTML has no such entity; in text and attribute values
// alike. CDATA sections and comments stay as they are.
QByteArray WithUndeclaredEntitiesResolved(const QByteArray& bytes) {
    QByteArray resolved;
    resolved.reserve(bytes.size() + bytes.size() / 16);
    qsizetype at = 0;
    while (at < bytes.size()) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
        const bool comment = rest.startsWith("<!--");
        if (comment || rest.startsWith("<![CDATA[")) {
            const qsizetype stop = After(bytes, at, comment ? "-->" : "]]>");
            resolved += rest.first(stop - at);
            at = stop;
            continue;
        }
        qsizetype end = at + 1;
        while (bytes[at] == '&' && end < bytes.size() && IsEntityNameCharacter(bytes[end]))
            ++end;
        if (end == at + 1 || end == bytes.size() || bytes[end] != ';') {
            resolved += bytes[at++];
            continue;
        }
        const QByteArray name = bytes.mid(at + 1, end - at - 1);
        if (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos")
            resolved += '&' + name + ';';
        else if (const htmlEntityDesc* entity =
                     htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.constData())))
            resolved += "&#" + QByteArray::number(entity->value) + ';';
        else
            resolved += "&amp;" + name + ';';
        at = end + 1;
    }
    return resolved;
}

bool RefusedForAnUndeclaredEntity(xmlParserCtxt& context, const QByteArray& bytes) {
    const xmlError* error = xmlCtxtGetLastError(&context);
    return error && error->code == XML_ERR_UNDECLARED_ENTITY && !bytes.contains("<!DOCTYPE") &&
           AsciiCompatible(bytes) == bytes;
}

} // namespace

void cXML::LoadDocument(cXMLDocument& document, const QByteArray& bytes) {
    InitialiseLibrary();
    if (const int words = MostTagWords(AsciiCompatible(bytes)); words > MaxTagWords)
        throw EVelmoraError(QStringLiteral("a start tag of %1 words, more than %2 are not read")
                                .arg(QString::number(words), QString::number(MaxTagWords)));
    cParserContext context = NewParserContext();
    xmlDocPtr parsed = Parse(*context, bytes);
    if ((!parsed || !context->wellFormed) && RefusedForAnUndeclaredEntity(*context, bytes)) {
        if (parsed)
            xmlFreeDoc(parsed);
        context = NewParserContext();
        parsed = Parse(*context, WithUndeclaredEntitiesResolved(bytes));
    }
    if (!parsed || !context->wellFormed) {
        if (parsed)
            xmlFreeDoc(parsed);
        const xmlError* error = xmlCtxtGetLastError(context.get());
        const QString reason = error && error->message
                                   ? QString::fromUtf8(error->message).trimmed()
                                   : QStringLiteral("the document is not well-formed");
        const int line = error ? error->line : 0;
        throw EVelmoraError(
            QStringLiteral("%1, line %2: %3")
                .arg(reason, QString::number(line), QString::fromUtf8(LineStart(bytes, line))));
    }
    if (document.FDocument)
        xmlFreeDoc(document.FDocument);
    document.FDocument = parsed;
    if (cXMLNode root = xmlDocGetRootElement(parsed))
        TidyText(root, IsXhtml(root) || HoldsWords(root));
}

QString cXML::NodeText(cXMLNode node) {
    if (IsText(node))
        return Utf8(node->content);
    if (!node->children)
        return QString();
    if (!node->children->next && IsText(node->children))
        return Utf8(node->children->content);
    throw EVelmoraError(QStringLiteral("Element \"%1\" does not contain a single text node")
                            .arg(QString::fromUtf8(QualifiedName(node))));
}

QString cXML::ChildText(cXMLNode node, const char* name) {
    cXMLNode child = FindChild(node, name);
    if (!child)
        return QString();
    if (ChildCount(child) < 2)
        return NodeText(child);
    QString text;
    for (cXMLNode part = child->children; part; part = part->next)
        text += NodeText(part);
    return text;
}

cXMLNode cXML::FindChild(cXMLNode node, const char* name) {
    cXMLNode inAnotherNamespace = nullptr;
    for (cXMLNode child = node->children; child; child = child->next) {
        if (!NameMatches(child, name))
            continue;
        if (InParentsNamespace(child))
            return child;
        if (!node->ns && !inAnotherNamespace)
            inAnotherNamespace = child;
    }
    return inAnotherNamespace;
}

cXMLNode cXML::FindChildInNamespace(cXMLNode node, const char* name, const QString& namespaceUri) {
    for (cXMLNode child = node->children; child; child = child->next) {
        if (!NameMatches(child, name))
            continue;
        if (namespaceUri.isEmpty() || (child->ns && SameNamespace(child->ns->href, namespaceUri)))
            return child;
    }
    return nullptr;
}

cXMLNode cXML::ChildAt(cXMLNode node, int index) {
    int position = 0;
    for (cXMLNode child = node->children; child; child = child->next, ++position)
        if (position == index)
            return child;
    throw EVelmoraError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

int cXML::ChildCount(cXMLNode node) {
    int count = 0;
    for (cXMLNode child = node->children; child; child = child->next)
        ++count;
    return count;
}

std::vector<cXMLNode> cXML::Children(cXMLNode node) {
    std::vector<cXMLNode> children;
    for (cXMLNode child = node->children; child; child = child->next)
        children.push_back(child);
    return children;
}

bool cXML::HasChildNodes(cXMLNode node) {
    return node->children != nullptr;
}

QString cXML::AttributeText(cXMLNode node, const char* name) {
    for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next) {
        QByteArray qualified = reinterpret_cast<const char*>(attribute->name);
        if (attribute->ns && attribute->ns->prefix)
            qualified =
                reinterpret_cast<const char*>(attribute->ns->prefix) + QByteArray(":") + qualified;
        if (qualified == name) {
            xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
            const QString text = Utf8(value);
            xmlFree(value);
            return text;
        }
    }
    return QString();
}

QByteArray cXML::QualifiedName(cXMLNode node) {
    const QByteArray local = reinterpret_cast<const char*>(node->name);
    if (node->ns && node->ns->prefix)
        return reinterpret_cast<const char*>(node->ns->prefix) + QByteArray(":") + local;
    return local;
}

QString cXML::NamespaceUri(cXMLNode node) {
    return node->ns ? Utf8(node->ns->href) : QString();
}

QString cXML::NamespaceOfPrefix(cXMLNode node, const char* prefix) {
    const xmlNs* found = xmlSearchNs(node->doc, node, reinterpret_cast<const xmlChar*>(prefix));
    return found ? Utf8(found->href) : QString();
}

namespace {

void AppendInnerText(cXMLNode node, QByteArray& text) {
    for (cXMLNode child = node->children; child; child = child->next) {
        if (IsText(child)) {
            if (child->content)
                text += reinterpret_cast<const char*>(child->content);
        } else if (child->type == XML_ELEMENT_NODE) {
            AppendInnerText(child, text);
        }
    }
}

} // namespace

QString cXML::InnerText(cXMLNode node) {
    if (IsText(node))
        return Utf8(node->content);
    if (node->type != XML_ELEMENT_NODE || !node->children)
        return QString();
    // Nearly every element holds one text: no gathering needed.
    if (!node->children->next && IsText(node->children))
        return Utf8(node->children->content);
    QByteArray text;
    AppendInnerText(node, text);
    return QString::fromUtf8(text);
}

QString cXML::InnerMarkup(cXMLNode node) {
    std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> buffer(xmlBufferCreate(), xmlBufferFree);
    if (!buffer)
        return QString();
    for (cXMLNode child = node->children; child; child = child->next)
        xmlNodeDump(buffer.get(), node->doc, child, 0, 0);
    return Utf8(xmlBufferContent(buffer.get()));
}

bool cXML::IsElement(cXMLNode node) {
    return node && node->type == XML_ELEMENT_NODE;
}

std::vector<cXMLNode> cXML::FindChildren(cXMLNode node, const char* name) {
    std::vector<cXMLNode> found;
    std::vector<cXMLNode> inOtherNamespaces;
    for (cXMLNode child = node->children; child; child = child->next) {
        if (!NameMatches(child, name))
            continue;
        if (InParentsNamespace(child))
            found.push_back(child);
        else if (!node->ns)
            inOtherNamespaces.push_back(child);
    }
    return found.empty() ? inOtherNamespaces : found;
}

QStringList cXML::XmlBases(cXMLNode node) {
    QStringList bases;
    for (cXMLNode at = node; IsElement(at); at = at->parent) {
        if (xmlChar* base =
                xmlGetNsProp(at, reinterpret_cast<const xmlChar*>("base"), XML_XML_NAMESPACE)) {
            bases.prepend(Utf8(base));
            xmlFree(base);
        }
    }
    return bases;
}
