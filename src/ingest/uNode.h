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

    void OpenChannelNodes(const cOmChannelRecord& channel);
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
    void SetFeedFields(cNode& node, cXMLNode item, const QString& description, const QString& date);
    void AddEnclosure(const cOmChannelRecord& channel, cNode& node, cXMLNode item,
                      cItemCollectors& collectors);
    void AddCategories(cNode& node, cXMLNode item, cItemCollectors& collectors);
    void IndexNewRecords();

    // GUID to the first node that carries it; covers the first
    // FIndexedCount records.
    QHash<QString, cNode*> FByGuid;
    int FIndexedCount = 0;
};
