#pragma once

#include "ingest/uEnclosure.h"
#include "ingest/uNode.h"
#include "model/uOMCategory.h"
#include "model/uOMChannel2Category.h"
#include "model/uOMNode2Category.h"
#include "model/uOMNode2Enclosure.h"

// The tables of one channel refresh, all on the refreshing connection and
// created in the order SaveAll writes them: the channel's category links,
// new categories, the channel's nodes, new enclosures, node-enclosure links,
// node-category links.
struct cRefreshTables {
    explicit cRefreshTables(cSQLDatabase& database)
        : ChannelCategories(database), Categories(database), Nodes(database), Enclosures(database),
          NodeEnclosures(database),
          NodeCategories(database), Collectors{Enclosures, NodeEnclosures, NodeCategories,
                                               Categories} {}

    cChannel2CategoryTable ChannelCategories;
    cCategoryTable Categories;
    cNodeTable Nodes;
    cEnclosureTable Enclosures;
    cOmNode2EnclosureTable NodeEnclosures;
    cOmNode2CategoryTable NodeCategories;
    cItemCollectors Collectors;
};
