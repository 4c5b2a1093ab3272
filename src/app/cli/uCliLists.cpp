#include "app/cli/uCliCommand.h"
#include "app/cli/uCliCommands.h"

#include "ingest/uChannel.h"
#include "model/uOMCategory.h"
#include "readmodels/uChannelState.h"
#include "readmodels/uNodeChannel.h"
#include "storage/uSQLDataTabRec.h"

#include <QSet>

namespace {

int ChoiceIndex(const QString& value, const QStringList& choices, const QString& option) {
    const qsizetype index = choices.indexOf(value);
    if (index < 0)
        throw EUsageError(QStringLiteral("--%1 takes one of %2").arg(option, choices.join(u'|')));
    return static_cast<int>(index);
}

const QCommandLineOption FilterOption(QStringLiteral("filter"),
                                      QStringLiteral("only titles containing TEXT"),
                                      QStringLiteral("TEXT"));

QString StateText(cChannelState::State state) {
    switch (state) {
    case cChannelState::State::Ok:
        return QStringLiteral("ok");
    case cChannelState::State::Failed:
        return QStringLiteral("failed");
    case cChannelState::State::New:
        break;
    }
    return QStringLiteral("new");
}

} // namespace

int RunChannels(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("channels"),
                          QStringLiteral("Lists every subscription with its state (ok, failed, "
                                         "new: never refreshed) and its counters; with "
                                         "--failing, only the channels whose last update "
                                         "failed, with the reply's status and the reason."));
    const QStringList sorts = {QStringLiteral("title"), QStringLiteral("updated"),
                               QStringLiteral("total"), QStringLiteral("unread"),
                               QStringLiteral("new")};
    parser.AddOption(FilterOption);
    parser.AddOption({QStringLiteral("sort"), QStringLiteral("title|updated|total|unread|new"),
                      QStringLiteral("ORDER"), QStringLiteral("title")});
    parser.AddOption({QStringLiteral("failing"),
                      QStringLiteral("only channels whose last update failed, and why")});
    parser.Parse(arguments);
    const int order =
        ChoiceIndex(parser.Value(QStringLiteral("sort")), sorts, QStringLiteral("sort"));
    const bool failing = parser.IsSet(QStringLiteral("failing"));

    cSQLDatabase database;
    OpenMainDatabase(database);
    cChannelStateTable channels(database);
    channels.QueryChannelStates(order, parser.Value(QStringLiteral("filter")), failing);
    QList<QStringList> rows;
    for (int index = 0; index < channels.Count(); ++index) {
        const cChannelState* channel = channels.Record(index);
        if (failing)
            rows.append({QString::number(channel->Id()), channel->Title(),
                         channel->LastUpdateTime_UTC(),
                         channel->HttpStatus() > 0 ? QString::number(channel->HttpStatus())
                                                   : QStringLiteral("-"),
                         channel->FailureReason(), channel->ChannelURL()});
        else
            rows.append({QString::number(channel->Id()), channel->Title(),
                         StateText(channel->UpdateState()), QString::number(channel->Total()),
                         QString::number(channel->Unread()), QString::number(channel->New()),
                         channel->LastUpdateTime_UTC(), channel->ChannelURL()});
    }
    if (failing)
        PrintTable({QStringLiteral("id"), QStringLiteral("title"), QStringLiteral("last_update"),
                    QStringLiteral("http"), QStringLiteral("reason"), QStringLiteral("url")},
                   rows);
    else
        PrintTable({QStringLiteral("id"), QStringLiteral("title"), QStringLiteral("state"),
                    QStringLiteral("total"), QStringLiteral("unread"), QStringLiteral("new"),
                    QStringLiteral("last_update"), QStringLiteral("url")},
                   rows);
    return ExitSuccess;
}

int RunItems(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("items"),
                          QStringLiteral("Lists items, newest first by default: all current "
                                         "items, or those of a channel or a category."));
    const QStringList sorts = {QStringLiteral("date"), QStringLiteral("channel"),
                               QStringLiteral("title"), QStringLiteral("read")};
    parser.AddOption({QStringLiteral("channel"), QStringLiteral("only the channel's items"),
                      QStringLiteral("ID")});
    parser.AddOption({QStringLiteral("category"), QStringLiteral("only the category's items"),
                      QStringLiteral("ID")});
    parser.AddOption({QStringLiteral("unread"),
                      QStringLiteral("only unread items; without --channel, the recent list: "
                                     "those still in their feeds")});
    parser.AddOption(FilterOption);
    parser.AddOption({QStringLiteral("sort"), QStringLiteral("date|channel|title|read"),
                      QStringLiteral("ORDER"), QStringLiteral("date")});
    parser.Parse(arguments);
    const auto order = static_cast<NodeOrder>(
        ChoiceIndex(parser.Value(QStringLiteral("sort")), sorts, QStringLiteral("sort")));
    const QString filter = parser.Value(QStringLiteral("filter"));
    const bool unread = parser.IsSet(QStringLiteral("unread"));
    const int64_t channelId =
        parser.IsSet(QStringLiteral("channel")) ? parser.IdValue(QStringLiteral("channel")) : 0;
    const int64_t categoryId =
        parser.IsSet(QStringLiteral("category")) ? parser.IdValue(QStringLiteral("category")) : 0;
    if (channelId > 0 && categoryId > 0)
        throw EUsageError(QStringLiteral("give --channel or --category, not both"));

    cSQLDatabase database;
    OpenMainDatabase(database);
    cNodeChannelTable items(database);
    if (channelId > 0)
        items.QueryNodesByChannel(order, unread ? UnreadOnly : NoFilter, channelId, filter);
    else if (unread)
        items.QueryRecentNodes(order, NoFilter, filter, 0, categoryId);
    else if (categoryId > 0)
        items.QueryNodesByCategory(order, filter, categoryId);
    else
        items.QueryAllNodes(order, filter, 0, 0);

    // An item with several enclosures comes once per enclosure: list it once.
    QSet<int64_t> listed;
    QList<QStringList> rows;
    for (int index = 0; index < items.Count(); ++index) {
        const cNodeChannel* item = items.Record(index);
        if (listed.contains(item->Id()))
            continue;
        listed.insert(item->Id());
        rows.append({QString::number(item->Id()), item->ChannelTitle(), item->DateTimeNode_UTC(),
                     item->HasBeenRead() ? QStringLiteral("read") : QStringLiteral("unread"),
                     item->Title(), item->Link()});
    }
    PrintTable({QStringLiteral("id"), QStringLiteral("channel"), QStringLiteral("date"),
                QStringLiteral("state"), QStringLiteral("title"), QStringLiteral("link")},
               rows);
    return ExitSuccess;
}

int RunRead(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("read"),
                          QStringLiteral("Marks items read: the given items, or every item of a "
                                         "channel or a category. The counters are flagged for "
                                         "the statistics jobs."));
    parser.AddPositional(QStringLiteral("ITEM_ID"), QStringLiteral("an item's id"),
                         QStringLiteral("[ITEM_ID...]"));
    parser.AddOption({QStringLiteral("channel"), QStringLiteral("every item of the channel"),
                      QStringLiteral("ID")});
    parser.AddOption({QStringLiteral("category"), QStringLiteral("every item of the category"),
                      QStringLiteral("ID")});
    parser.Parse(arguments);
    const int ways = (parser.Positional().isEmpty() ? 0 : 1) +
                     (parser.IsSet(QStringLiteral("channel")) ? 1 : 0) +
                     (parser.IsSet(QStringLiteral("category")) ? 1 : 0);
    if (ways != 1)
        throw EUsageError(QStringLiteral("give item ids, --channel ID or --category ID"));

    cSQLDatabase database;
    OpenMainDatabase(database);
    cNodeChannelTable items(database);
    // A mistyped id marks nothing, and says so.
    if (parser.IsSet(QStringLiteral("channel"))) {
        const int64_t id = parser.IdValue(QStringLiteral("channel"));
        cChannelTable channels(database);
        channels.OpenChannel(id);
        if (channels.Count() == 0)
            throw EVelmoraError(QStringLiteral("no channel %1; nothing was marked").arg(id));
        items.MarkChannelReadOrRaise(id);
        Out() << "marked the channel's items read\n";
        return ExitSuccess;
    }
    if (parser.IsSet(QStringLiteral("category"))) {
        const int64_t id = parser.IdValue(QStringLiteral("category"));
        cOMCategoryTable categories(database);
        categories.OpenCategory(id);
        if (categories.Count() == 0)
            throw EVelmoraError(QStringLiteral("no category %1; nothing was marked").arg(id));
        items.MarkCategoryReadOrRaise(id);
        Out() << "marked the category's items read\n";
        return ExitSuccess;
    }
    QList<int64_t> ids;
    for (const QString& text : parser.Positional())
        ids << ParseId(text);
    items.QueryNodesById(ids);
    QSet<int64_t> found;
    for (int index = 0; index < items.Count(); ++index) {
        found.insert(items.Record(index)->Id());
        items.Record(index)->SetHasBeenRead(true);
    }
    for (int64_t id : ids)
        if (!found.contains(id))
            throw EVelmoraError(QStringLiteral("no item %1; nothing was marked").arg(id));
    database.SaveAllInTransaction();
    Out() << "marked " << found.size() << " items read\n";
    return ExitSuccess;
}
