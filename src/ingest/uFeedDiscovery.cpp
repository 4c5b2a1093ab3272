#include "ingest/uFeedDiscovery.h"

#include "ingest/uFeedBytes.h"
#include "ingest/uHTMLDocument.h"
#include "ingest/uIngestLog.h"
#include "storage/uErrors.h"

#include <libxml/tree.h>

#include <QUrl>

#include <memory>

namespace {

bool IsElementNamed(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && IsHTMLName(node->name, name);
}

xmlNodePtr FirstChildNamed(xmlNodePtr parent, const char* name) {
    for (xmlNodePtr child = parent->children; child; child = child->next)
        if (IsElementNamed(child, name))
            return child;
    return nullptr;
}

// rel holds a list of words separated by blanks ("alternate feed").
bool IsAlternate(const QString& rel) {
    const QStringList words = rel.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.contains(QLatin1String("alternate"), Qt::CaseInsensitive);
}

bool IsFeedType(const QString& type) {
    const QString mediaType = type.section(QLatin1Char(';'), 0, 0).trimmed();
    for (const char* feedType :
         {"application/rss+xml", "application/atom+xml", "application/rdf+xml"})
        if (mediaType.compare(QLatin1String(feedType), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The elements of the head in document order, nested ones included: a
// link the parser placed inside another element of the head still counts.
template <class TVisit> bool VisitHead(xmlNodePtr parent, TVisit&& visit) {
    for (xmlNodePtr child = parent->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE)
            continue;
        if (visit(child) || VisitHead(child, visit))
            return true;
    }
    return false;
}

} // namespace

bool IsWebAddress(const QString& text) {
    // Parsed leniently, as addresses copied from a browser's bar come
    // ("|" or "[" in a query), but a blank is refused: libcurl refuses it.
    for (const QChar character : text)
        if (character.isSpace())
            return false;
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

bool IsFeedRoot(cXMLNode root) {
    const QByteArray name = cXML::QualifiedName(root);
    return name == "rss" || name == "rdf:RDF" || name == "feed";
}

bool IsFeedDocument(const QByteArray& body) {
    std::unique_ptr<cXMLDocument> document = cXML::NewDocument();
    try {
        cXML::LoadDocument(*document, ReadableFeedDocument(body));
    } catch (const EVelmoraError& error) {
        // Not XML at all, most often HTML: the caller looks for its links.
        qCDebug(IngestLog) << "not a feed document:" << error.Message();
        return false;
    }
    return document->Root() && IsFeedRoot(document->Root());
}

QString FindFeedLink(const QByteArray& page, const QString& pageAddress) {
    // Implied elements stay on: the parser then puts the links written
    // before the page's content into a head of its own making, even when
    // the page writes neither <html> nor <head>, and the links after it
    // into the body, where they are not looked for.
    const cHTMLDocument document = ReadHTMLDocument(page);
    if (!document)
        return QString();
    const xmlNodePtr root = xmlDocGetRootElement(document.get());
    const xmlNodePtr head =
        root && IsElementNamed(root, "html") ? FirstChildNamed(root, "head") : nullptr;
    if (!head)
        return QString();
    QUrl base(pageAddress);
    VisitHead(head, [&](xmlNodePtr element) {
        // The first base that has an href counts.
        const QString href =
            IsElementNamed(element, "base") ? HTMLAttribute(element, "href") : QString();
        if (href.isNull())
            return false;
        base = base.resolved(QUrl(href.trimmed()));
        return true;
    });
    QString found;
    VisitHead(head, [&](xmlNodePtr element) {
        if (!IsElementNamed(element, "link") || !IsAlternate(HTMLAttribute(element, "rel")) ||
            !IsFeedType(HTMLAttribute(element, "type")))
            return false;
        const QString href = HTMLAttribute(element, "href").trimmed();
        if (href.isEmpty())
            return false;
        const QString address = base.resolved(QUrl(href)).toString(QUrl::FullyEncoded);
        if (!IsWebAddress(address))
            return false;
        found = address;
        return true;
    });
    return found;
}
