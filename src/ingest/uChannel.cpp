#include "ingest/uChannel.h"

#include "ingest/uCategoryLinks.h"
#include "ingest/uHTMLParser.h"
#include "ingest/uHTTP.h"
#include "ingest/uIngestLog.h"
#include "ingest/uRefreshTables.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uRefId.h"
#include "storage/uSQLValue.h"

#include <QBuffer>

namespace {

QString Converted(const QString& text) {
    return HtmlToText(text).trimmed();
}

bool Named(cXMLNode node, const char* name) {
    return cXML::QualifiedName(node) == name;
}

} // namespace

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

bool cChannel::UpdateFromFeed() {
    cSQLDatabase& database = Owner->Database();
    RecordAttempt(false);
    try {
        database.SaveAllInTransaction();
    } catch (const EVelmoraError& error) {
        qCDebug(IngestLog) << "channel" << ID() << "attempt not recorded:" << error.Message();
        return false;
    }

    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    cHTTP().GetToStream(ChannelURL(), stream);
    if (stream.size() == 0)
        return false;

    cRefreshTables tables(database);
    ReadFeed(stream.data(), tables);
    RecordAttempt(true);
    try {
        database.SaveAllInTransaction();
    } catch (const EVelmoraError& error) {
        WriteActionLog(database, ActionLogSource, QStringLiteral("download channel"),
                       NumberText(ID()) % u' ' % error.Message());
        return false;
    }
    return true;
}

void cChannel::ReadFeed(const QByteArray& body, cRefreshTables& tables) {
    std::unique_ptr<cXMLDocument> document = cXML::NewDocument();
    cXML::LoadDocument(*document, body);
    cXMLNode root = document->Root();

    tables.ChannelCategories.LoadChannelLinks(ID());
    tables.Nodes.OpenChannelNodes(*this);
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
    const QString text = HtmlToText(cXML::NodeText(category));
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
};

constexpr cChannelFormat RssFields{"description", "pubDate", "language", false, false};
constexpr cChannelFormat RdfFields{"description", "pubDate", "dc:language", false, true};
constexpr cChannelFormat AtomFields{"tagline", "modified", "language", true, false};

bool cChannel::ReadChannelField(cXMLNode child, const cChannelFormat& format,
                                cRefreshTables& tables) {
    if (Named(child, "title"))
        SetTitle(Converted(cXML::NodeText(child)));
    else if (Named(child, "link"))
        SetLink((format.LinkInHref ? cXML::AttributeText(child, "href") : cXML::NodeText(child))
                    .trimmed());
    else if (Named(child, format.Description))
        SetDescription(Converted(cXML::NodeText(child)));
    else if (Named(child, format.PubDate))
        SetPubDate_822(cXML::NodeText(child));
    else if (Named(child, format.Language))
        SetIsoLanguageCode(cXML::NodeText(child));
    else if (Named(child, "image"))
        SetImageURL(format.ImageAsResource ? cXML::AttributeText(child, "rdf:resource")
                                           : cXML::ChildText(child, "url"));
    else if (Named(child, "category"))
        AddChannelCategories(child, tables);
    else
        return false;
    return true;
}

void cChannel::ReadRss(cXMLNode root, cRefreshTables& tables) {
    cXMLNode context = cXML::FindChild(root, "channel");
    if (!context)
        throw EVelmoraError(QStringLiteral("no channel element in ") + ChannelURL());
    for (cXMLNode child : cXML::Children(context))
        if (!ReadChannelField(child, RssFields, tables) && Named(child, "item"))
            tables.Nodes.ParseRssItem(*this, child, tables.Collectors);
}

void cChannel::ReadRdf(cXMLNode root, cRefreshTables& tables) {
    for (cXMLNode child : cXML::Children(cXML::ChildAt(root, 0)))
        ReadChannelField(child, RdfFields, tables);
    if (ImageURL().isEmpty()) {
        cXMLNode second = cXML::ChildAt(root, 1);
        if (Named(second, "image"))
            SetImageURL(cXML::ChildText(second, "url"));
    }
    const std::vector<cXMLNode> children = cXML::Children(root);
    for (size_t position = 1; position < children.size(); ++position)
        if (Named(children[position], "item"))
            tables.Nodes.ParseRdfItem(*this, children[position], tables.Collectors);
}

void cChannel::ReadAtom(cXMLNode root, cRefreshTables& tables) {
    cXMLNode head = cXML::FindChild(root, "head");
    for (cXMLNode child : cXML::Children(head ? head : root))
        if (!ReadChannelField(child, AtomFields, tables) && Named(child, "entry"))
            tables.Nodes.ParseAtomEntry(*this, child, tables.Collectors);
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
    });
}
