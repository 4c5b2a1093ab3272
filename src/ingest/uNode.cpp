#include "ingest/uNode.h"

#include "ingest/uCategoryLinks.h"
#include "ingest/uEnclosure.h"
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

namespace {

QString Converted(const QString& text) {
    return HtmlToText(text).trimmed();
}

QString FirstLinkHref(cXMLNode entry) {
    cXMLNode link = cXML::FindChild(entry, "link");
    return link ? cXML::AttributeText(link, "href").trimmed() : QString();
}

} // namespace

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
        if (published <= now) {
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

void cNodeTable::OpenChannelNodes(const cOmChannelRecord& channel) {
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

void cNodeTable::SetFeedFields(cNode& node, cXMLNode item, const QString& description,
                               const QString& date) {
    node.SetTitle(Converted(cXML::ChildText(item, "title")));
    node.SetDescription(Converted(description));
    node.SetPubDateTimeNode_822(date);
    node.SetNodeDate();
}

cNode* cNodeTable::NewRssStyleNode(const cOmChannelRecord& channel, cXMLNode item) {
    const QString guid = cXML::ChildText(item, "guid");
    const QString link = cXML::ChildText(item, "link").trimmed();
    // The key is what is stored as GUID, so the item is found again.
    cNode* node = NewNodeUnlessKnown(channel, guid.isEmpty() ? link : guid);
    if (!node)
        return nullptr;
    node->SetLink(link);
    SetFeedFields(*node, item, cXML::ChildText(item, "description"),
                  cXML::ChildText(item, "pubDate"));
    node->SetGUID(guid.isEmpty() ? link : guid);
    if (node->Link().isEmpty())
        node->SetLink(node->GUID());
    node->SetIsoLanguageCode(channel.IsoLanguageCode());
    return node;
}

void cNodeTable::ParseRssItem(const cOmChannelRecord& channel, cXMLNode item,
                              cItemCollectors& collectors) {
    cNode* node = NewRssStyleNode(channel, item);
    if (!node)
        return;
    if (cXML::HasChildNodes(item) && cXML::FindChild(item, "language"))
        node->SetIsoLanguageCode(cXML::ChildText(item, "language"));
    AddEnclosure(channel, *node, item, collectors);
    AddCategories(*node, item, collectors);
}

void cNodeTable::ParseRdfItem(const cOmChannelRecord& channel, cXMLNode item, cItemCollectors&) {
    cNode* node = NewRssStyleNode(channel, item);
    if (!node || !cXML::HasChildNodes(item))
        return;
    const QString dublinCore = cXML::NamespaceOfPrefix(item, "dc");
    if (cXMLNode language = cXML::FindChildInNamespace(item, "language", dublinCore))
        node->SetIsoLanguageCode(cXML::NodeText(language));
}

void cNodeTable::ParseAtomEntry(const cOmChannelRecord& channel, cXMLNode entry, cItemCollectors&) {
    const QString id = cXML::ChildText(entry, "id");
    const QString link = FirstLinkHref(entry);
    cNode* node = NewNodeUnlessKnown(channel, id.isEmpty() ? link : id);
    if (!node)
        return;
    node->SetLink(link);
    SetFeedFields(*node, entry, cXML::ChildText(entry, "summary"),
                  cXML::ChildText(entry, "modified"));
    node->SetGUID(id.isEmpty() ? link : id);
    node->SetIsoLanguageCode(channel.IsoLanguageCode());
    if (cXML::HasChildNodes(entry) && cXML::FindChild(entry, "language"))
        node->SetIsoLanguageCode(cXML::ChildText(entry, "language"));
}

void cNodeTable::AddEnclosure(const cOmChannelRecord& channel, cNode& node, cXMLNode item,
                              cItemCollectors& collectors) {
    if (!cXML::HasChildNodes(item))
        return;
    cXMLNode element = cXML::FindChild(item, "enclosure");
    if (!element)
        return;
    cEnclosure* enclosure = collectors.Enclosures.NewEnclosure();
    enclosure->SetUrl(cXML::AttributeText(element, "url"));
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
            joined += cXML::NodeText(part);
        }
        const QString text = HtmlToText(joined);
        if (text.isEmpty())
            continue;
        EnsureCategories(collectors.Categories, text);
        LinkNodeCategories(collectors.NodeCategories, text, node, collectors.Categories);
    }
}
