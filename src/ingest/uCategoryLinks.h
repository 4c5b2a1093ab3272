#pragma once

#include <QString>
#include <QStringList>

class cCategoryTable;
class cOmNode2CategoryTable;
class cChannel2CategoryTable;
class cOmNodeRecord;
class cOmChannelRecord;

// The normalised category names in a feed's category text: HTML removed,
// split at "/", ";" and " : ", apostrophes around a name dropped, each name
// lower case with an upper-case first character.
QStringList SplitCategories(const QString& text);

// Creates, in the category table, the categories of the text that are
// neither created earlier in this refresh nor stored.
void EnsureCategories(cCategoryTable& categories, const QString& text);

// Links the node (or channel) to each category of the text, once. A
// category created earlier in this refresh is found among the table's
// records before the database is asked, so the refresh that creates a
// category links its own items and channel to it.
void LinkNodeCategories(cOmNode2CategoryTable& links, const QString& text,
                        const cOmNodeRecord& node, cCategoryTable& categories);
void LinkChannelCategories(cChannel2CategoryTable& links, const QString& text,
                           const cOmChannelRecord& channel, cCategoryTable& categories);

// The statement that has every category the channel, or one of its nodes,
// is linked to counted again (the channel given as SQL number text). Run it
// while the nodes that leave are still in the Node table: once they are
// gone, their links reach no channel.
QString FlagCategoriesOfChannel(const QString& channelId);
