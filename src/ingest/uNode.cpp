#include "ingest/uNode.h"

#include "ingest/uCategoryLinks.h"
#include "ingest/uEnclosure.h"
#include "ingest/uFeedBytes.h"
#include "ingest/uFeedDates.h"
#include "ingest/uHTMLParser.h"
#include "ingest/uIngestLog.h"
#include "ingest/uRFC822.h"
#include "model/uOMChannel.h"
#include "model/uOMNode2Category.h"
#include "model/uOMNode2Enclosure.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLValue.h"

#include <QUrl>

#include <algorithm>

namespace {

// The named child's text as written (identifiers, links, dates): inline
// markup gives its text rather than refusing the item.
QString RawText(cXMLNode parent, const char* name) {
    cXMLNode child = cXML::FindChild(parent, name);
    return child ? cXML::InnerText(child) : QString();
}

QString ConvertedChild(cXMLNode parent, const char* name) {
    return ConvertedFeedText(cXML::FindChild(parent, name));
}

// An element of a module (content:encoded, dc:date) by its namespace, else
// by its usual qualified name, for feeds that bind the prefix to another
// address or to none.
cXMLNode ModuleChild(cXMLNode parent, const char* localName, const QString& namespaceUri,
                     const char* qualifiedName) {
    if (cXMLNode child = cXML::FindChildInNamespace(parent, localName, namespaceUri))
        return child;
    return cXML::FindChildInNamespace(parent, qualifiedName, QString());
}

const QString& ContentNamespace() {
    static const QString uri = QStringLiteral("http://purl.org/rss/1.0/modules/content/");
    return uri;
}

const QString& DublinCoreNamespace() {
    static const QString uri = QStringLiteral("http://purl.org/dc/elements/1.1/");
    return uri;
}

bool IsXhtmlType(const QString& type) {
    return type == QLatin1String("xhtml") || type == QLatin1String("application/xhtml+xml");
}

// An Atom 1.0 text construct of type text, said or implied: its characters
// are the text itself, and "<" in it is no tag.
bool IsPlainTextConstruct(cXMLNode element) {
    const QString type = cXML::AttributeText(element, "type").trimmed();
    if (!type.isEmpty())
        return type == QLatin1String("text");
    return cXML::NamespaceUri(element) == QLatin1String("http://www.w3.org/2005/Atom");
}

// What an element of a feed holds, as text for the HTML-to-text conversion:
// its text, inline markup included (the text of the markup); for an Atom
// text construct of type xhtml, the XHTML inside it, written out as markup.
QString FeedText(cXMLNode element) {
    // Markup inside only matters for XHTML constructs; an element without
    // child elements is read as text in any case.
    const std::vector<cXMLNode> children = cXML::Children(element);
    if (std::none_of(children.begin(), children.end(), cXML::IsElement) ||
        !IsXhtmlType(cXML::AttributeText(element, "type")))
        return cXML::InnerText(element);
    // The construct's own div (in the XHTML namespace) only wraps its content.
    if (children.size() == 1) {
        const QByteArray name = cXML::QualifiedName(children.front());
        if (name == "div" || name.endsWith(":div"))
            return cXML::InnerMarkup(children.front());
    }
    return cXML::InnerMarkup(element);
}

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":".
bool HasScheme(const QString& url) {
    if (url.isEmpty() || !url[0].isLetter() || url[0].unicode() > 0x7f)
        return false;
    for (qsizetype index = 1; index < url.size(); ++index) {
        const char16_t character = url[index].unicode();
        if (character == u':')
            return true;
        const bool letterOrDigit = (character >= u'a' && character <= u'z') ||
                                   (character >= u'A' && character <= u'Z') ||
                                   (character >= u'0' && character <= u'9');
        if (!letterOrDigit && character != u'+' && character != u'-' && character != u'.')
            return false;
    }
    return false;
}

} // namespace

QString ConvertedFeedText(cXMLNode element) {
    if (!element)
        return QString();
    // Blanks in plain text are collapsed as in HTML's: feeds wrap and
    // indent their text constructs.
    if (IsPlainTextConstruct(element))
        return WithWindows1252Punctuation(cXML::InnerText(element).simplified());
    return WithWindows1252Punctuation(HtmlToText(FeedText(element)).trimmed());
}

QString ResolvedFeedUrl(cXMLNode element, const QString& written, const QString& feedUrl) {
    // Feeds wrap addresses in lines and blanks, which no address holds.
    const QString url = written.trimmed();
    if (url.isEmpty() || HasScheme(url))
        return url;
    QUrl base(feedUrl);
    if (element)
        for (const QString& xmlBase : cXML::XmlBases(element))
            base = base.resolved(QUrl(xmlBase));
    const QUrl resolved = base.resolved(QUrl(url));
    // Escapes stay escaped (and blanks become them): the address goes to
    // the network as it is stored.
    return resolved.isRelative() ? url : resolved.toString(QUrl::FullyEncoded);
}

cXMLNode DublinCoreDate(cXMLNode parent) {
    return ModuleChild(parent, "date", DublinCoreNamespace(), "dc:date");
}

cXMLNode AlternateLink(const std::vector<cXMLNode>& links) {
    for (cXMLNode link : links) {
        const QString rel = cXML::AttributeText(link, "rel").trimmed();
        if (rel.isEmpty() || rel.compare(QLatin1String("alternate"), Qt::CaseInsensitive) == 0)
            return link;
    }
    return links.empty() ? nullptr : links.front();
}

void cNode::Recycle() {
    cOmNodeRecord::Recycle();
    Absent = false;
}

void cNode::SetNodeDate() {
    const QDateTime now = LocalNow();
    const QByteArray written = PubDateTimeNode_822().toLatin1();
    QDateTime date = TextToDateTime(DateTimeLoad_UTC());
    // The strict reader first; the loose one where it refuses the text or
    // reads a date to come (it puts two-digit years in this century, so
    // "94" would be 2094); the load time where neither gives a past date.
    try {
        const QDateTime published = cRFC822::RFC822ToDateTime(written);
        // An instant before the calendar's first year reads as no date.
        if (published.isValid() && published <= now) {
            SetDateTimeNode_UTC(DateTimeToText(published));
            return;
        }
    } catch (const EVelmoraError& error) {
        qCDebug(IngestLog) << "item date not in the strict form:" << error.Message();
    }
    const std::optional<QDateTime> loose = ReadLooseFeedDate(written);
    if (loose && *loose <= now)
        date = *loose;
    else
        qCDebug(IngestLog) << "item date unreadable or to come:" << written;
    SetDateTimeNode_UTC(DateTimeToText(date));
}

QString cNode::PageFileName() const {
    return GetConfig().CacheFolder % NumberText(ID()) % QStringLiteral(".mht");
}

cNodeTable::cNodeTable(cSQLDatabase& database) : cOmNodeTable(database, &RecordClassOf<cNode>()) {}

void cNodeTable::Clear() {
    FByGuid.clear();
    FIndexedCount = 0;
    cOmNodeTable::Clear();
}

void cNodeTable::OpenChannelNodes(const cOmChannelRecord& channel, const QString& documentUrl) {
    FDocumentUrl = documentUrl;
    Query(QStringLiteral("select * from Node where ParentChannelId = ") % NumberText(channel.ID()));
}

void cNodeTable::OpenNodesToDownload() {
    Query(QStringLiteral(" select * from Node  where IsDownloaded = ") % QStringLiteral("2"));
}

void cNodeTable::IndexNewRecords() {
    for (; FIndexedCount < Count(); ++FIndexedCount) {
        cNode* node = Record(FIndexedCount);
        if (!FByGuid.contains(node->GUID()))
            FByGuid.insert(node->GUID(), node);
    }
}

cNode* cNodeTable::FindByGuid(const QString& key) {
    IndexNewRecords();
    return FByGuid.value(key, nullptr);
}

void cNodeTable::MarkAllAbsent() {
    for (int index = 0; index < Count(); ++index)
        Record(index)->Absent = true;
}

void cNodeTable::WritePurgeFlags() {
    for (int index = 0; index < Count(); ++index) {
        cNode* node = Record(index);
        if (node->Absent != node->IsPurged())
            node->SetIsPurged(node->Absent);
    }
}

cNode* cNodeTable::NewNodeUnlessKnown(const cOmChannelRecord& channel, const QString& key) {
    if (cNode* known = FindByGuid(key)) {
        known->Absent = false;
        return nullptr;
    }
    cNode* node = NewNode();
    node->Absent = false;
    node->SetIsPurged(false);
    node->SetHasBeenRead(false);
    node->SetIsArchived(false);
    node->SetIsDownloaded(0);
    node->SetParentChannelId(channel.ID());
    node->SetDateTimeLoad_UTC(DateTimeToText(LocalNow()));
    return node;
}

void cNodeTable::SetFeedFields(cNode& node, const QString& title, const QString& description,
                               const QString& date) {
    node.SetTitle(title);
    node.SetDescription(description);
    node.SetPubDateTimeNode_822(date);
    node.SetNodeDate();
}

cNode* cNodeTable::NewRssStyleNode(const cOmChannelRecord& channel, cXMLNode item) {
    const QString guid = RawText(item, "guid");
    cXMLNode linkElement = cXML::FindChild(item, "link");
    const QString link = linkElement ? cXML::InnerText(linkElement).trimmed() : QString();
    // The key is what is stored as GUID, so the item is found again.
    cNode* node = NewNodeUnlessKnown(channel, guid.isEmpty() ? link : guid);
    if (!node)
        return nullptr;
    node->SetLink(ResolvedFeedUrl(linkElement, link, FDocumentUrl));
    // The standard elements first; the module ones only fill what they
    // leave empty (RDF items carry their date only as dc:date).
    QString description = ConvertedChild(item, "description");
    if (description.isEmpty())
        description =
            ConvertedFeedText(ModuleChild(item, "encoded", ContentNamespace(), "content:encoded"));
    QString date = RawText(item, "pubDate");
    if (date.isEmpty())
        if (cXMLNode dublinCore = DublinCoreDate(item))
            date = cXML::InnerText(dublinCore);
    SetFeedFields(*node, ConvertedChild(item, "title"), description, date);
    // The key as written, not the resolved link: stored items keep being
    // found however the feed's address changes.
    node->SetGUID(guid.isEmpty() ? link : guid);
    if (node->Link().isEmpty())
        node->SetLink(node->GUID().trimmed());
    node->SetIsoLanguageCode(channel.IsoLanguageCode());
    return node;
}

void cNodeTable::ParseRssItem(const cOmChannelRecord& channel, cXMLNode item,
                              cItemCollectors& collectors) {
    cNode* node = NewRssStyleNode(channel, item);
    if (!node)
        return;
    if (cXML::HasChildNodes(item) && cXML::FindChild(item, "language"))
        node->SetIsoLanguageCode(RawText(item, "language"));
    AddEnclosure(channel, *node, item, collectors);
    AddCategories(*node, item, collectors);
}

void cNodeTable::ParseRdfItem(const cOmChannelRecord& channel, cXMLNode item, cItemCollectors&) {
    cNode* node = NewRssStyleNode(channel, item);
    if (!node || !cXML::HasChildNodes(item))
        return;
    const QString dublinCore = cXML::NamespaceOfPrefix(item, "dc");
    if (cXMLNode language = cXML::FindChildInNamespace(item, "language", dublinCore))
        node->SetIsoLanguageCode(cXML::InnerText(language));
}

void cNodeTable::ParseAtomEntry(const cOmChannelRecord& channel, cXMLNode entry, cItemCollectors&) {
    const QString id = RawText(entry, "id");
    cXMLNode linkElement = AlternateLink(cXML::FindChildren(entry, "link"));
    const QString link =
        linkElement ? cXML::AttributeText(linkElement, "href").trimmed() : QString();
    cNode* node = NewNodeUnlessKnown(channel, id.isEmpty() ? link : id);
    if (!node)
        return;
    node->SetLink(ResolvedFeedUrl(linkElement, link, FDocumentUrl));
    // Atom 0.3's names first, then Atom 1.0's where they give nothing.
    QString description = ConvertedChild(entry, "summary");
    if (description.isEmpty())
        description = ConvertedChild(entry, "content");
    QString date;
    for (const char* name : {"modified", "updated", "published", "issued"})
        if (date.isEmpty())
            date = RawText(entry, name);
    SetFeedFields(*node, ConvertedChild(entry, "title"), description, date);
    node->SetGUID(id.isEmpty() ? link : id);
    node->SetIsoLanguageCode(channel.IsoLanguageCode());
    if (cXML::HasChildNodes(entry) && cXML::FindChild(entry, "language"))
        node->SetIsoLanguageCode(RawText(entry, "language"));
}

void cNodeTable::AddEnclosure(const cOmChannelRecord& channel, cNode& node, cXMLNode item,
                              cItemCollectors& collectors) {
    if (!cXML::HasChildNodes(item))
        return;
    cXMLNode element = cXML::FindChild(item, "enclosure");
    if (!element)
        return;
    cEnclosure* enclosure = collectors.Enclosures.NewEnclosure();
    enclosure->SetUrl(ResolvedFeedUrl(element, cXML::AttributeText(element, "url"), FDocumentUrl));
    enclosure->SetLength(cXML::AttributeText(element, "length"));
    enclosure->SetMediaType(cXML::AttributeText(element, "type"));
    enclosure->SetStatus(channel.DefaultEnclosureStatus());
    cOmNode2EnclosureRecord* link = collectors.NodeEnclosures.NewLink();
    link->SetNodeID(node.ID());
    link->SetEnclosureId(enclosure->ID());
}

void cNodeTable::AddCategories(cNode& node, cXMLNode item, cItemCollectors& collectors) {
    for (cXMLNode child : cXML::Children(item)) {
        if (cXML::QualifiedName(child) != "category")
            continue;
        QString joined;
        for (cXMLNode part : cXML::Children(child)) {
            if (!joined.isEmpty())
                joined += QLatin1Char(';');
            joined += cXML::InnerText(part);
        }
        const QString text = HtmlToText(joined);
        if (text.isEmpty())
            continue;
        EnsureCategories(collectors.Categories, text);
        LinkNodeCategories(collectors.NodeCategories, text, node, collectors.Categories);
    }
}
