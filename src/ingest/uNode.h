#pragma once

#include "ingest/uXML.h"
#include "model/uOMNode.h"

#include <QHash>

class cOmChannelRecord;
class cEnclosureTable;
class cOmNode2EnclosureTable;
class cOmNode2CategoryTable;
class cCategoryTable;

// A node as the feed path sees it: during a refresh it knows whether its
// item has been met in the feed yet.
class cNode : public cOmNodeRecord {
public:
    void Recycle() override;

    // DateTimeNode_UTC: the feed's date when it reads and is not in the
    // future, else the load time.
    void SetNodeDate();
    // The cache folder, the node's ID and ".mht".
    QString PageFileName() const;

    bool Absent = false;
};

// What an element of a feed says, as plain text with CR LF breaks: its text
// (inline markup gives its text) or, for an Atom text construct of type
// xhtml, the XHTML inside it, converted from HTML; an Atom 1.0 construct of
// type text is its characters as they stand, blanks collapsed. C1 controls read as
// windows-1252's punctuation. Empty for no element. Never raises.
QString ConvertedFeedText(cXMLNode element);
// A URL the feed wrote at the element, without the blanks around it, made
// absolute when it is relative: against the xml:base values in force there,
// then the feed's own address. Absolute and empty URLs, and relative ones
// that nothing makes absolute, come back as written, blanks aside.
QString ResolvedFeedUrl(cXMLNode element, const QString& written, const QString& feedUrl);
// Of an entry's or a feed's links, the one to its page: the first whose rel
// is "alternate" or absent; only when there is none, the first. None for no
// links.
cXMLNode AlternateLink(const std::vector<cXMLNode>& links);

// The parent's dc:date element: in the Dublin Core namespace, else written
// "dc:date"; none when there is none.
cXMLNode DublinCoreDate(cXMLNode parent);

// The tables a refresh collects new rows in, besides the nodes.
struct cItemCollectors {
    cEnclosureTable& Enclosures;
    cOmNode2EnclosureTable& NodeEnclosures;
    cOmNode2CategoryTable& NodeCategories;
    cCategoryTable& Categories;
};

class cNodeTable : public cOmNodeTable {
public:
    explicit cNodeTable(cSQLDatabase& database);

    cNode* Record(int index) const { return ItemAs<cNode>(index); }
    cNode* NewNode() { return NewRecordAs<cNode>(); }
    void Clear() override;

    // The channel's stored nodes, for a refresh from the feed document at
    // documentUrl, against which the items' relative links resolve.
    void OpenChannelNodes(const cOmChannelRecord& channel, const QString& documentUrl);
    // Nodes whose page download was requested.
    void OpenNodesToDownload();

    // The first node whose GUID is the key, loaded or created in this
    // refresh; none when there is no such node.
    cNode* FindByGuid(const QString& key);
    void MarkAllAbsent();
    // A node not met in the feed becomes purged; one met again stops being.
    void WritePurgeFlags();

    // Known items are only marked as met; an unknown one becomes a new node
    // with its first enclosure (RSS) and its categories (RSS).
    void ParseRssItem(const cOmChannelRecord& channel, cXMLNode item, cItemCollectors& collectors);
    void ParseRdfItem(const cOmChannelRecord& channel, cXMLNode item, cItemCollectors& collectors);
    void ParseAtomEntry(const cOmChannelRecord& channel, cXMLNode entry,
                        cItemCollectors& collectors);

private:
    // Marks the known node as met and returns null, or returns a new node.
    cNode* NewNodeUnlessKnown(const cOmChannelRecord& channel, const QString& key);
    // The fields RSS and RDF items share; null for a known item.
    cNode* NewRssStyleNode(const cOmChannelRecord& channel, cXMLNode item);
    // Title, converted description, date text and the date read from it.
    void SetFeedFields(cNode& node, const QString& title, const QString& description,
                       const QString& date);
    void AddEnclosure(const cOmChannelRecord& channel, cNode& node, cXMLNode item,
                      cItemCollectors& collectors);
    void AddCategories(cNode& node, cXMLNode item, cItemCollectors& collectors);
    void IndexNewRecords();

    // GUID to the first node that carries it; covers the first
    // FIndexedCount records.
    QHash<QString, cNode*> FByGuid;
    int FIndexedCount = 0;
    QString FDocumentUrl;
};
