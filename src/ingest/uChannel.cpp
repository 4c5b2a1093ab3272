#include "ingest/uChannel.h"

#include "ingest/uCategoryLinks.h"
#include "ingest/uFeedBytes.h"
#include "ingest/uHTMLParser.h"
#include "ingest/uHTTP.h"
#include "ingest/uIngestLog.h"
#include "ingest/uRFC822.h"
#include "ingest/uRefreshTables.h"
#include "model/uOMChannelFetch.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uRefId.h"
#include "storage/uSQLValue.h"

#include <QBuffer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <exception>
#include <vector>

namespace {

// An HTTP date in C's asctime form ("Sun Nov  6 08:49:37 1994", always
// universal time) as local wall-clock time; the present when it is none.
QDateTime AsctimeDate(const QByteArray& text) {
    QDateTime date = QDateTime::fromString(QString::fromLatin1(text.simplified()),
                                           QStringLiteral("ddd MMM d HH:mm:ss yyyy"));
    if (!date.isValid())
        return LocalNow();
    date.setTimeZone(QTimeZone::utc());
    return LocalWallClock(date.toSecsSinceEpoch());
}

// An HTTP date in any of its three forms as local wall-clock time; the
// present when it is none.
QDateTime HttpDate(const QByteArray& text, const QDateTime& now) {
    QDateTime date;
    try {
        date = cRFC822::RFC822ToDateTime(text);
    } catch (const EVelmoraError&) {
        return AsctimeDate(text);
    }
    // The obsolete form's two-digit year: one more than 50 years ahead
    // belongs to the past century.
    static const QRegularExpression twoDigitYear(QStringLiteral("\\d-[A-Za-z]{3}-\\d\\d\\b"));
    if (date > now.addYears(50) && twoDigitYear.match(QString::fromLatin1(text)).hasMatch())
        date = date.addYears(-100);
    return date;
}

bool AllDigits(const QByteArray& text) {
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Named(cXMLNode node, const char* name) {
    return cXML::QualifiedName(node) == name;
}

// Appends the record's pending statement and sets it clean, as a table's
// flush does.
void TakePending(cSQLRecord& record, QStringList& statements) {
    switch (record.RecordStatus) {
    case cSQLRecord::rsClean:
        return;
    case cSQLRecord::rsModified:
        record.WriteUpdate(statements);
        break;
    case cSQLRecord::rsDeleted:
        record.WriteDelete(statements);
        break;
    case cSQLRecord::rsNew:
        record.WriteInsert(statements);
        break;
    default:
        throw EVelmoraError(QStringLiteral("bad record status"));
    }
    record.RecordStatus = cSQLRecord::rsClean;
}

// A reason on one line of a sensible length.
QString OneLine(const QString& text) {
    constexpr qsizetype Longest = 300;
    const QString line = text.simplified();
    return line.size() > Longest ? line.left(Longest - 3) + QStringLiteral("...") : line;
}

QString QuotedList(const QStringList& texts) {
    QString list;
    for (const QString& text : texts) {
        if (!list.isEmpty())
            list += u',';
        list += QuotedText(text);
    }
    return list;
}

} // namespace

// What a refresh stores, compiled before the write turn and grouped by what
// another writer (another process refreshing the same channel, or removing
// it) may have stored meanwhile: each new item with its enclosures and
// category links, each new category, each new channel link. Inside the turn
// one query reads what is stored now, and only what is still missing runs.
// The channel's row is written whole, as loaded before the fetch: what
// others changed in it meanwhile (the user's settings, the archive's time)
// is written back as they left it.
class cRefreshStore {
public:
    cRefreshStore(cChannel& channel, cRefreshTables& tables, bool feedRead);
    // Inside the write turn. False, storing nothing, when the channel is gone.
    bool Run();

private:
    // Compiled ahead (Rows), or still as text (Lines) past the first
    // ItemsCompiledAhead.
    struct cNewItem {
        QString Guid;
        QStringList Lines;
        cCompiledBatch Rows;
    };
    static constexpr size_t ItemsCompiledAhead = 2000;
    struct cNewCategory {
        int64_t Id;
        QString Name;
        cCompiledBatch Row;
    };
    struct cNewChannelLink {
        cOmChannel2CategoryRecord* Link;
        cCompiledBatch Row;
    };
    // The channel's columns a refresh does not own.
    struct cOthersColumns {
        int DefaultEnclosureStatus = 0;
        QString Frequency;
        QString LastArchiveTime_UTC;
        QString NextUpdateDateTime_UTC;
    };
    // What the database holds for the channel now.
    struct cStoredNow {
        bool ChannelExists = false;
        cOthersColumns Others;
        QSet<QString> Guids;
        QSet<int64_t> LinkedCategories;
        QHash<QString, int64_t> Categories;
    };

    void CollectItems(cRefreshTables& tables, QStringList& always);
    QString StoredNowQuery() const;
    cStoredNow ReadStoredNow();
    void KeepOthersColumns(const cOthersColumns& stored);

    cSQLDatabase& FDatabase;
    const cOmChannelRecord& FChannel;
    const int64_t FChannelId;
    cCompiledBatch FAlways;
    std::vector<cNewItem> FItems;
    std::vector<cNewCategory> FCategories;
    std::vector<cNewChannelLink> FChannelLinks;
    QString FStoredNowQuery;
};

cRefreshStore::cRefreshStore(cChannel& channel, cRefreshTables& tables, bool feedRead)
    : FDatabase(channel.Owner->Database()), FChannel(channel), FChannelId(channel.ID()) {
    TSQLLiteImp& connection = FDatabase.Connection();
    QStringList always;
    // The channel's own fields, with whatever else its table holds.
    channel.Owner->Flush(always);
    if (feedRead)
        always << QStringLiteral("insert into ChannelStat values(") % NumberText(FChannelId) %
                      QStringLiteral(",0,0,0,'',-1) on conflict(ChannelId) do update set "
                                     "NeedRecalc = -1");
    for (int index = 0; index < tables.Categories.Count(); ++index) {
        cOMCategoryRecord* category = tables.Categories.Record(index);
        if (category->RecordStatus != cSQLRecord::rsNew) {
            TakePending(*category, always);
            continue;
        }
        QStringList row;
        TakePending(*category, row);
        FCategories.push_back({category->ID(), category->Libelle(), connection.CompileBatch(row)});
    }
    for (int index = 0; index < tables.ChannelCategories.Count(); ++index) {
        cOmChannel2CategoryRecord* link = tables.ChannelCategories.Record(index);
        if (link->RecordStatus != cSQLRecord::rsNew) {
            TakePending(*link, always);
            continue;
        }
        QStringList row;
        TakePending(*link, row);
        FChannelLinks.push_back({link, connection.CompileBatch(row)});
    }
    CollectItems(tables, always);
    FAlways = connection.CompileBatch(always);
    // A compiled statement costs kilobytes until it runs: past a few
    // thousand new items (a feed of a whole archive) the rest are compiled
    // as they run, inside the write turn, so that memory stays bounded.
    for (size_t index = 0; index < FItems.size() && index < ItemsCompiledAhead; ++index) {
        FItems[index].Rows = connection.CompileBatch(FItems[index].Lines);
        FItems[index].Lines.clear();
    }
    FStoredNowQuery = StoredNowQuery();
}

void cRefreshStore::CollectItems(cRefreshTables& tables, QStringList& always) {
    // Each new row goes with the new node it belongs to, so that it is left
    // out with the node; rows of known nodes always run.
    QHash<int64_t, size_t> itemOfNode;
    for (int index = 0; index < tables.Nodes.Count(); ++index) {
        cNode* node = tables.Nodes.Record(index);
        if (node->RecordStatus != cSQLRecord::rsNew) {
            TakePending(*node, always);
            continue;
        }
        itemOfNode.insert(node->ID(), FItems.size());
        FItems.push_back({node->GUID(), {}, {}});
        TakePending(*node, FItems.back().Lines);
    }
    const auto linesOfNode = [&](int64_t nodeId) -> QStringList& {
        const auto item = itemOfNode.constFind(nodeId);
        return item == itemOfNode.cend() ? always : FItems[*item].Lines;
    };
    QHash<int64_t, int64_t> nodeOfEnclosure;
    for (int index = 0; index < tables.NodeEnclosures.Count(); ++index) {
        const cOmNode2EnclosureRecord* link = tables.NodeEnclosures.Record(index);
        nodeOfEnclosure.insert(link->EnclosureId(), link->NodeID());
    }
    for (int index = 0; index < tables.Enclosures.Count(); ++index) {
        cEnclosure* enclosure = tables.Enclosures.Record(index);
        TakePending(*enclosure, linesOfNode(nodeOfEnclosure.value(enclosure->ID(), 0)));
    }
    for (int index = 0; index < tables.NodeEnclosures.Count(); ++index) {
        cOmNode2EnclosureRecord* link = tables.NodeEnclosures.Record(index);
        TakePending(*link, linesOfNode(link->NodeID()));
    }
    for (int index = 0; index < tables.NodeCategories.Count(); ++index) {
        cOmNode2CategoryRecord* link = tables.NodeCategories.Record(index);
        TakePending(*link, linesOfNode(link->NodeID()));
    }
}

QString cRefreshStore::StoredNowQuery() const {
    const QString id = NumberText(FChannelId);
    QString query = QStringLiteral("select 0, DefaultEnclosureStatus, Frequency, "
                                   "LastArchiveTime_UTC, NextUpdateDateTime_UTC from Channel "
                                   "where ID = ") %
                    id;
    if (!FItems.empty()) {
        QStringList guids;
        for (const cNewItem& item : FItems)
            guids << item.Guid;
        query += QStringLiteral(
                     " union all select 1, 0, GUID, '', '' from Node where ParentChannelId = ") %
                 id % QStringLiteral(" and GUID in (") % QuotedList(guids) % u')';
    }
    if (!FChannelLinks.empty())
        query += QStringLiteral(" union all select 2, CategoryId, '', '', '' from Channel2Category "
                                "where ChannelID = ") %
                 id;
    if (!FCategories.empty()) {
        QStringList names;
        for (const cNewCategory& category : FCategories)
            names << category.Name;
        query += QStringLiteral(
                     " union all select 3, ID, Libelle, '', '' from Category where Libelle in (") %
                 QuotedList(names) % u')';
    }
    return query;
}

cRefreshStore::cStoredNow cRefreshStore::ReadStoredNow() {
    TSQLLiteImp& connection = FDatabase.Connection();
    cStoredNow stored;
    connection.PrepareQuery({FStoredNowQuery});
    try {
        for (; !connection.Eof(); connection.Step()) {
            switch (connection.ColumnInt(0)) {
            case 0:
                stored.ChannelExists = true;
                stored.Others = {connection.ColumnInt(1), connection.ColumnText(2),
                                 connection.ColumnText(3), connection.ColumnText(4)};
                break;
            case 1:
                stored.Guids.insert(connection.ColumnText(2));
                break;
            case 2:
                stored.LinkedCategories.insert(connection.ColumnInt64(1));
                break;
            default:
                stored.Categories.insert(connection.ColumnText(2), connection.ColumnInt64(1));
                break;
            }
        }
    } catch (...) {
        connection.CloseQuery();
        throw;
    }
    connection.CloseQuery();
    return stored;
}

bool cRefreshStore::Run() {
    const cStoredNow stored = ReadStoredNow();
    if (!stored.ChannelExists)
        return false;
    TSQLLiteImp& connection = FDatabase.Connection();
    connection.RunBatch(FAlways);
    KeepOthersColumns(stored.Others);
    // A category another writer created meanwhile is used instead of this
    // refresh's copy of it.
    QHash<int64_t, int64_t> storedInstead;
    for (const cNewCategory& category : FCategories) {
        const auto found = stored.Categories.constFind(category.Name);
        if (found == stored.Categories.cend())
            connection.RunBatch(category.Row);
        else
            storedInstead.insert(category.Id, *found);
    }
    QSet<int64_t> linked = stored.LinkedCategories;
    for (const cNewChannelLink& channelLink : FChannelLinks) {
        cOmChannel2CategoryRecord& link = *channelLink.Link;
        const int64_t categoryId = storedInstead.value(link.CategoryId(), link.CategoryId());
        if (linked.contains(categoryId))
            continue;
        linked.insert(categoryId);
        if (categoryId == link.CategoryId()) {
            connection.RunBatch(channelLink.Row);
            continue;
        }
        link.SetCategoryId(categoryId);
        QStringList row;
        link.WriteInsert(row);
        link.RecordStatus = cSQLRecord::rsClean;
        connection.ExecuteBatch(row);
    }
    for (cNewItem& item : FItems) {
        if (stored.Guids.contains(item.Guid))
            continue;
        connection.RunBatch(item.Rows);
        connection.ExecuteBatch(item.Lines);
        item.Lines.clear();
    }
    // This refresh's category identifiers are its own: only its new item
    // links carry them.
    for (auto it = storedInstead.cbegin(); it != storedInstead.cend(); ++it)
        connection.ExecuteBatch({QStringLiteral("update Node2Category set CategoryId = ") %
                                 NumberText(it.value()) % QStringLiteral(" where CategoryId = ") %
                                 NumberText(it.key())});
    // Anything else pending on the connection, as a save of everything would.
    FDatabase.SaveAll();
    return true;
}

void cRefreshStore::KeepOthersColumns(const cOthersColumns& stored) {
    if (stored.DefaultEnclosureStatus == FChannel.DefaultEnclosureStatus() &&
        stored.Frequency == FrequencyText(FChannel.Frequency()) &&
        stored.LastArchiveTime_UTC == FChannel.LastArchiveTime_UTC())
        return;
    // A user who changed the frequency set the next update with it.
    const QString nextUpdate = stored.Frequency == FrequencyText(FChannel.Frequency())
                                   ? FChannel.NextUpdateDateTime_UTC()
                                   : stored.NextUpdateDateTime_UTC;
    FDatabase.Connection().ExecuteBatch(
        {QStringLiteral("update Channel set DefaultEnclosureStatus = ") %
         NumberText(stored.DefaultEnclosureStatus) % QStringLiteral(", Frequency = ") %
         QuotedText(stored.Frequency) % QStringLiteral(", LastArchiveTime_UTC = ") %
         QuotedText(stored.LastArchiveTime_UTC) % QStringLiteral(", NextUpdateDateTime_UTC = ") %
         QuotedText(nextUpdate) % QStringLiteral(" where ID = ") % NumberText(FChannelId)});
}

// The channel's ChannelFetch row as loaded at the start of a refresh, and
// what the refresh learnt from the server.
class cChannelFetch {
public:
    cChannelFetch(cSQLDatabase& database, int64_t channelId)
        : FTable(database), FChannelId(channelId) {
        FTable.OpenChannelFetch(channelId);
        if (FTable.Count() > 0)
            FLoaded = {FTable.Record(0)->ETag().toLatin1(),
                       FTable.Record(0)->LastModified().toLatin1()};
    }

    const cHTTPValidators& Validators() const { return FLoaded; }

    // A feed came: its validators replace the stored ones, none when it
    // carried none.
    void Succeeded(const cHTTPReply& reply) { Write(reply.Validators, reply.Status, QString()); }
    // The feed is unchanged: a validator the reply repeats replaces the
    // stored one.
    void NotModified(const cHTTPReply& reply) {
        Write({reply.Validators.ETag.isEmpty() ? FLoaded.ETag : reply.Validators.ETag,
               reply.Validators.LastModified.isEmpty() ? FLoaded.LastModified
                                                       : reply.Validators.LastModified},
              reply.Status, QString());
    }
    // Nothing was stored: the validators stay those of the stored items.
    void Failed(long status, const QString& reason) { Write(FLoaded, status, reason); }

private:
    void Write(const cHTTPValidators& validators, long status, const QString& reason) {
        // The row as loaded is not written again: most refreshes of an
        // unchanged feed repeat the last one's 304.
        if (!FChanged && FTable.Count() > 0 && validators == FLoaded &&
            FTable.Record(0)->HttpStatus() == status && FTable.Record(0)->FailureReason() == reason)
            return;
        FChanged = true;
        cOmChannelFetchRecord* row = FTable.Count() > 0 ? FTable.Record(0) : FTable.NewFetch();
        row->SetChannelId(FChannelId);
        // Header values are bytes: one character per byte keeps any of
        // them as it came.
        row->SetETag(QString::fromLatin1(validators.ETag));
        row->SetLastModified(QString::fromLatin1(validators.LastModified));
        row->SetHttpStatus(static_cast<int32_t>(status));
        row->SetFailureReason(reason);
    }

    cOmChannelFetchTable FTable;
    const int64_t FChannelId;
    cHTTPValidators FLoaded;
    // Set once this refresh has changed the row.
    bool FChanged = false;
};

void cChannel::ComputeNextUpdate() {
    QDateTime next = TextToDateTime(LastUpdateTime_UTC());
    if (IsLastUpdateOk()) {
        const cFrequency& frequency = Frequency();
        if (frequency == cFrequency{})
            next = next.addSecs(30 * 60);
        next = next.addDays(frequency.Days)
                   .addSecs(static_cast<qint64>(frequency.Minutes) * 60)
                   .addSecs(static_cast<qint64>(frequency.Hours) * 3600);
    } else {
        next = next.addSecs(static_cast<qint64>(GetConfig().RetryDelayMinutes) * 60);
    }
    const QDateTime now = LocalNow();
    if (now > next)
        next = now.addSecs(60);
    SetNextUpdateDateTime_UTC(DateTimeToText(next));
}

void cChannel::RecordAttempt(bool succeeded) {
    SetIsLastUpdateOk(succeeded);
    SetLastUpdateTime_UTC(DateTimeToText(LocalNow()));
    ComputeNextUpdate();
}

void cChannel::HonourRetryAfter(const QByteArray& retryAfter) {
    const QDateTime now = LocalNow();
    const QByteArray text = retryAfter.trimmed();
    bool isNumber = false;
    qint64 seconds = text.toLongLong(&isNumber);
    if (!isNumber)
        // More seconds than a number holds is longer than any wait kept.
        seconds = AllDigits(text) ? MaxRetryAfterSeconds : now.secsTo(HttpDate(text, now));
    const QDateTime asked = now.addSecs(std::clamp<qint64>(seconds, 0, MaxRetryAfterSeconds));
    if (asked > TextToDateTime(NextUpdateDateTime_UTC()))
        SetNextUpdateDateTime_UTC(DateTimeToText(asked));
}

bool cChannel::StoreOutcome() {
    try {
        cRefreshTables nothingRead(Owner->Database());
        if (StoreRefresh(nothingRead, false))
            return true;
        qCDebug(IngestLog) << "channel" << ID() << "removed during its refresh; nothing stored";
    } catch (const EVelmoraError& error) {
        qCDebug(IngestLog) << "channel" << ID() << "outcome not stored:" << error.Message();
    }
    return false;
}

void cChannel::StoreFailure(cChannelFetch& fetch, long status, const QString& reason) {
    fetch.Failed(status, OneLine(reason));
    StoreOutcome();
}

UpdateResult cChannel::UpdateFromFeed(const QStringList& withAttempt) {
    cSQLDatabase& database = Owner->Database();
    cChannelFetch fetch(database, ID());
    // Until items are stored, every commit is bookkeeping that the next
    // refresh redoes: an unchanged feed then costs no wait for the disk.
    cUnsyncedCommits bookkeeping(database);
    const bool okBefore = IsLastUpdateOk();
    const QString lastUpdateBefore = LastUpdateTime_UTC();
    const QString nextUpdateBefore = NextUpdateDateTime_UTC();
    RecordAttempt(false);
    try {
        database.SaveAllInTransaction(withAttempt);
    } catch (const EVelmoraError& error) {
        qCDebug(IngestLog) << "channel" << ID() << "attempt not recorded:" << error.Message();
        return UpdateResult::Failed;
    }

    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    const cHTTPReply reply = cHTTP().GetToStream(ChannelURL(), stream, fetch.Validators());
    if (reply.Cancelled) {
        // The program is stopping: the feed did not fail, and stays due for
        // the next start as it was before the attempt.
        SetIsLastUpdateOk(okBefore);
        SetLastUpdateTime_UTC(lastUpdateBefore);
        SetNextUpdateDateTime_UTC(nextUpdateBefore);
        StoreOutcome();
        return UpdateResult::Failed;
    }
    if (reply.Status == 304 && reply.Error.isEmpty()) {
        RecordAttempt(true);
        fetch.NotModified(reply);
        return StoreOutcome() ? UpdateResult::NotModified : UpdateResult::Failed;
    }
    // An error page is no feed, whatever it holds.
    if (reply.Status < 200 || reply.Status > 299 || stream.size() == 0) {
        // Only a server that asked to be left alone gives a Retry-After.
        if (!reply.RetryAfter.isEmpty())
            HonourRetryAfter(reply.RetryAfter);
        StoreFailure(fetch, reply.Status,
                     reply.Error.isEmpty() ? QStringLiteral("empty reply") : reply.Error);
        return UpdateResult::Failed;
    }

    std::exception_ptr unreadable;
    QString reason;
    {
        cRefreshTables tables(database);
        try {
            ReadFeed(stream.data(), tables, reply.DocumentUrl,
                     CharsetOfContentType(reply.ContentType));
        } catch (const EVelmoraError& error) {
            unreadable = std::current_exception();
            reason = QStringLiteral("not a feed: ") + error.Message();
        }
        if (!unreadable) {
            RecordAttempt(true);
            fetch.Succeeded(reply);
            try {
                bookkeeping.End();
                if (StoreRefresh(tables, true))
                    return UpdateResult::Stored;
                qCDebug(IngestLog)
                    << "channel" << ID() << "removed during its refresh; nothing stored";
                return UpdateResult::Failed;
            } catch (const EVelmoraError& error) {
                WriteActionLog(database, ActionLogSource, QStringLiteral("download channel"),
                               NumberText(ID()) % u' ' % error.Message());
                reason = QStringLiteral("not stored: ") + error.Message();
            }
        }
    }
    // The tables of the refresh are gone: nothing half-read is stored with
    // the reason.
    StoreFailure(fetch, reply.Status, reason);
    if (unreadable)
        std::rethrow_exception(unreadable);
    return UpdateResult::Failed;
}

bool cChannel::StoreRefresh(cRefreshTables& tables, bool feedRead) {
    cRefreshStore store(*this, tables, feedRead);
    bool stored = false;
    Owner->Database().InTransaction([&] { stored = store.Run(); });
    return stored;
}

void cChannel::ReadFeed(const QByteArray& body, cRefreshTables& tables, const QString& documentUrl,
                        const QByteArray& serverCharset) {
    FDocumentUrl = documentUrl.isEmpty() ? ChannelURL() : documentUrl;
    std::unique_ptr<cXMLDocument> document = cXML::NewDocument();
    cXML::LoadDocument(*document, ReadableFeedDocument(body, serverCharset));
    cXMLNode root = document->Root();

    tables.ChannelCategories.LoadChannelLinks(ID());
    tables.Nodes.OpenChannelNodes(*this, FDocumentUrl);
    tables.Nodes.MarkAllAbsent();

    const QByteArray format = cXML::QualifiedName(root);
    if (format == "rss")
        ReadRss(root, tables);
    else if (format == "rdf:RDF")
        ReadRdf(root, tables);
    else if (format == "feed")
        ReadAtom(root, tables);
    else
        throw EVelmoraError(QStringLiteral("unknown feed format ") + ChannelURL());
    tables.Nodes.WritePurgeFlags();
}

void cChannel::AddChannelCategories(cXMLNode category, cRefreshTables& tables) {
    const QString text = HtmlToText(cXML::InnerText(category));
    EnsureCategories(tables.Categories, text);
    LinkChannelCategories(tables.ChannelCategories, text, *this, tables.Categories);
}

// The names a format gives to the channel's own fields, and how it writes
// its link and image.
struct cChannelFormat {
    const char* Description;
    const char* PubDate;
    const char* Language;
    bool LinkInHref;
    bool ImageAsResource;
    // Read only where the names above give nothing.
    const char* LaterDescription;
    bool DublinCoreDate;
};

constexpr cChannelFormat RssFields{"description", "pubDate", "language", false,
                                   false,         nullptr,   true};
constexpr cChannelFormat RdfFields{"description", "pubDate", "dc:language", false,
                                   true,          nullptr,   true};
constexpr cChannelFormat AtomFields{"tagline", "modified", "language", true,
                                    false,     "subtitle", false};

// What this feed's channel elements gave, for what is read after them.
struct cChannelReading {
    bool DescriptionGiven = false;
    bool DateGiven = false;
    std::vector<cXMLNode> Links;
};

bool cChannel::ReadChannelField(cXMLNode child, const cChannelFormat& format,
                                cRefreshTables& tables, cChannelReading& reading) {
    if (Named(child, "title")) {
        SetTitle(ConvertedFeedText(child));
    } else if (Named(child, "link")) {
        // Atom feeds link to themselves and their editors too: the link to
        // the site is chosen among all of them afterwards.
        if (format.LinkInHref)
            reading.Links.push_back(child);
        else
            SetLink(ResolvedFeedUrl(child, cXML::InnerText(child), FDocumentUrl));
    } else if (Named(child, format.Description)) {
        SetDescription(ConvertedFeedText(child));
        reading.DescriptionGiven = !Description().isEmpty();
    } else if (Named(child, format.PubDate)) {
        SetPubDate_822(cXML::InnerText(child));
        reading.DateGiven = !PubDate_822().isEmpty();
    } else if (Named(child, format.Language)) {
        SetIsoLanguageCode(cXML::InnerText(child));
    } else if (Named(child, "image")) {
        if (format.ImageAsResource) {
            SetImageURL(
                ResolvedFeedUrl(child, cXML::AttributeText(child, "rdf:resource"), FDocumentUrl));
        } else {
            cXMLNode url = cXML::FindChild(child, "url");
            SetImageURL(url ? ResolvedFeedUrl(url, cXML::InnerText(url), FDocumentUrl) : QString());
        }
    } else if (Named(child, "category")) {
        AddChannelCategories(child, tables);
    } else {
        return false;
    }
    return true;
}

void cChannel::ReadChannelAdditions(cXMLNode context, const cChannelFormat& format,
                                    const cChannelReading& reading) {
    if (cXMLNode link = AlternateLink(reading.Links))
        SetLink(ResolvedFeedUrl(link, cXML::AttributeText(link, "href"), FDocumentUrl));
    if (!reading.DescriptionGiven && format.LaterDescription)
        if (cXMLNode description = cXML::FindChild(context, format.LaterDescription))
            SetDescription(ConvertedFeedText(description));
    if (!reading.DateGiven && format.DublinCoreDate)
        if (cXMLNode date = DublinCoreDate(context))
            SetPubDate_822(cXML::InnerText(date));
}

void cChannel::ReadRss(cXMLNode root, cRefreshTables& tables) {
    cXMLNode context = cXML::FindChild(root, "channel");
    if (!context)
        throw EVelmoraError(QStringLiteral("no channel element in ") + ChannelURL());
    cChannelReading reading;
    for (cXMLNode child : cXML::Children(context))
        if (!ReadChannelField(child, RssFields, tables, reading) && Named(child, "item"))
            tables.Nodes.ParseRssItem(*this, child, tables.Collectors);
    ReadChannelAdditions(context, RssFields, reading);
}

void cChannel::ReadRdf(cXMLNode root, cRefreshTables& tables) {
    const std::vector<cXMLNode> children = cXML::Children(root);
    // Comments and processing instructions are no part of the feed: the
    // channel is the first element and the image fallback the next one.
    const auto elementFrom = [&](size_t position) {
        while (position < children.size() && !cXML::IsElement(children[position]))
            ++position;
        return position;
    };
    const size_t channelAt = elementFrom(0);
    // Raises as a missing position does when the root holds no element.
    cXMLNode context = cXML::ChildAt(root, static_cast<int>(channelAt));
    cChannelReading reading;
    for (cXMLNode child : cXML::Children(context))
        ReadChannelField(child, RdfFields, tables, reading);
    ReadChannelAdditions(context, RdfFields, reading);
    if (ImageURL().isEmpty()) {
        cXMLNode next = cXML::ChildAt(root, static_cast<int>(elementFrom(channelAt + 1)));
        if (Named(next, "image")) {
            cXMLNode url = cXML::FindChild(next, "url");
            SetImageURL(url ? ResolvedFeedUrl(url, cXML::InnerText(url), FDocumentUrl) : QString());
        }
    }
    for (size_t position = channelAt + 1; position < children.size(); ++position)
        if (Named(children[position], "item"))
            tables.Nodes.ParseRdfItem(*this, children[position], tables.Collectors);
}

void cChannel::ReadAtom(cXMLNode root, cRefreshTables& tables) {
    cXMLNode head = cXML::FindChild(root, "head");
    cXMLNode context = head ? head : root;
    cChannelReading reading;
    for (cXMLNode child : cXML::Children(context))
        if (!ReadChannelField(child, AtomFields, tables, reading) && Named(child, "entry"))
            tables.Nodes.ParseAtomEntry(*this, child, tables.Collectors);
    ReadChannelAdditions(context, AtomFields, reading);
}

cChannelTable::cChannelTable(cSQLDatabase& database)
    : cOmChannelTable(database, &RecordClassOf<cChannel>()) {}

void cChannelTable::OpenDueChannels() {
    Query(QStringLiteral("select * from channel where (NextUpdateDateTime_UTC = \"\"\"\") or "
                         "(NextUpdateDateTime_Utc <= ") %
          QuotedText(DateTimeToText(LocalNow())) % u')');
}

void cChannelTable::OpenChannel(int64_t channelId) {
    Query(QStringLiteral("select * from channel where channel.id = ") % NumberText(channelId));
}

int64_t cChannelTable::AddChannel(const QString& url) {
    cChannel* channel = NewChannel();
    channel->SetChannelURL(url);
    channel->SetNextUpdateDateTime_UTC(QString());
    Database().SaveAllInTransaction();
    return channel->ID();
}

void cChannelTable::RemoveChannel(int64_t channelId) {
    const QString id = NumberText(channelId);
    Database().InTransaction([&] {
        // Its categories lose nodes: their counters are rebuilt.
        Database().Execute(FlagCategoriesOfChannel(id));
        Database().Execute(QStringLiteral(" delete from enclosure  where id in  (select "
                                          "n2.enclosureid from node2enclosure n2,node n where "
                                          "n2.nodeid = n.id  and n.parentchannelid = ") %
                           id % QStringLiteral(" ) "));
        Database().Execute(QStringLiteral(" delete from node2enclosure  where nodeid in  (select "
                                          "id from node  where parentchannelid = ") %
                           id % QStringLiteral(" )"));
        Database().Execute(QStringLiteral(" delete from node2category  where nodeid in  (select "
                                          "id from node  where parentchannelid = ") %
                           id % QStringLiteral(" )"));
        Database().Execute(QStringLiteral(" delete from node  where parentchannelid = ") % id);
        Database().Execute(QStringLiteral(" delete from channel  where id = ") % id);
        // What its server said is of no use once the subscription is gone.
        Database().Execute(QStringLiteral("delete from ChannelFetch where ChannelId = ") % id);
    });
}
