// Ingestion speed on a generated corpus (run through ingest_bench.sh):
// (a) feed files loaded and read into records, nothing stored;
// (b) the whole refresh path, one channel after another, from a loopback
//     HTTP server into a fresh database;
// (c) hostile text: shapes of markup and references that once took time
//     growing with the square of their length, turned into text alone and
//     read inside a feed document, each at half and at full size.

#include "BenchSupport.h"
#include "CorpusServer.h"
#include "ingest/uChannel.h"
#include "ingest/uHTMLParser.h"
#include "ingest/uRefreshTables.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

struct cCorpus {
    QStringList names;
    std::vector<QByteArray> bodies;
};

cCorpus ReadCorpus(const QString& folder) {
    cCorpus corpus;
    const QDir feeds(folder + QStringLiteral("/feeds"));
    for (const QString& name : feeds.entryList(QDir::Files, QDir::Name)) {
        QFile file(feeds.filePath(name));
        file.open(QIODevice::ReadOnly);
        corpus.names << name;
        corpus.bodies.push_back(file.readAll());
    }
    return corpus;
}

struct cReadResult {
    qint64 ItemsPerRound = 0;
    double ItemsPerSecond = 0;
};

// Loads every document into the tables of a refresh, storing nothing.
cReadResult ReadIntoRecords(const cCorpus& corpus, int rounds) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("read.dat"));
    CreateMainDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    cChannelTable channels(database);
    cChannel* channel = channels.NewChannel();
    qint64 items = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round)
        for (const QByteArray& body : corpus.bodies) {
            cRefreshTables tables(database);
            channel->ReadFeed(body, tables);
            items += tables.Nodes.Count();
        }
    return {items / rounds, items / (timer.nsecsElapsed() / 1e9)};
}

void RefreshAll(const QString& corpusFolder) {
    cCorpusServer server(corpusFolder);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("refresh.dat"));
    CreateMainDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    std::vector<int64_t> ids;
    {
        cChannelTable channels(database);
        for (const QString& name : server.FeedNames())
            ids.push_back(channels.AddChannel(server.FeedUrl(name)));
    }
    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (int64_t id : ids) {
        cChannelTable channels(database);
        channels.OpenChannel(id);
        try {
            if (channels.Record(0)->UpdateFromFeed() != UpdateResult::Stored)
                ++failed;
        } catch (const EVelmoraError& error) {
            ++failed;
            std::fprintf(stderr, "%s\n", error.what());
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const int items = database.QueryInt(QStringLiteral("select count(*) from Node"));
    std::printf("(b) refresh: %zu feeds (%d failed), %d items stored in %.2f s: %.0f items/s, "
                "%.1f feeds/s\n",
                ids.size(), failed, items, seconds, items / seconds, ids.size() / seconds);
}

// A hostile text of about the given length: a unit repeated, or an
// opening run and its closing run.
struct cShape {
    const char* Name;
    std::function<QString(int)> Make;
};

QString Repeated(const char* unit, int length) {
    const QString piece = QString::fromUtf8(unit);
    return piece.repeated(std::max<qsizetype>(1, length / piece.size()));
}

QString Around(const char* open, const char* middle, const char* close, int length) {
    const QString opening = QString::fromUtf8(open);
    const QString closing = QString::fromUtf8(close);
    const qsizetype count = std::max<qsizetype>(1, length / (opening.size() + closing.size()));
    return opening.repeated(count) + QString::fromUtf8(middle) + closing.repeated(count);
}

// A start tag with distinct attributes up to about the given length.
QString ManyAttributes(const char* element, const char* attribute, int length) {
    QString tag = QStringLiteral("<") + QLatin1String(element);
    for (int index = 0; tag.size() < length; ++index)
        tag += QString::fromLatin1(attribute).arg(index);
    return tag + QStringLiteral(">");
}

const std::vector<cShape>& HostileShapes() {
    static const std::vector<cShape> shapes = {
        {"ampersands", [](int n) -> QString { return Repeated("&", n); }},
        {"&# without digits", [](int n) -> QString { return Repeated("&#", n); }},
        {"&#x without digits", [](int n) -> QString { return Repeated("&#x", n); }},
        {"long reference names",
         [](int n) -> QString { return QStringLiteral("&") + Repeated("a", n); }},
        {"less-than signs", [](int n) -> QString { return Repeated("<", n); }},
        {"&amp; references", [](int n) -> QString { return Repeated("&amp;", n); }},
        {"&eacute; references", [](int n) -> QString { return Repeated("&eacute;", n); }},
        {"numeric references", [](int n) -> QString { return Repeated("&#233;&#xE9;", n); }},
        {"unclosed <b>", [](int n) -> QString { return Repeated("<b>", n); }},
        {"unclosed <p>", [](int n) -> QString { return Repeated("<p>x", n); }},
        {"nested <div>", [](int n) -> QString { return Around("<div>", "x", "</div>", n); }},
        {"<b> then unmatched </i>", [](int n) -> QString { return Around("<b>", "x", "</i>", n); }},
        {"nested <span> then links",
         [](int n) -> QString {
             return Repeated("<span>", n / 2) + Repeated("<a href=\"u\">x</a>", n / 2);
         }},
        {"attributes of one element",
         [](int n) -> QString { return ManyAttributes("div", " a%1=\"1\"", n) + "x</div>"; }},
        {"bare attributes", [](int n) -> QString { return ManyAttributes("div", " a%1", n); }},
        {"unclosed comments", [](int n) -> QString { return Repeated("<!--", n); }},
        {"unquoted attributes", [](int n) -> QString { return Repeated("<a href=", n); }},
        {"blanks", [](int n) -> QString { return Repeated(" \t\r\n", n) + QStringLiteral("x"); }},
        {"blanks and &nbsp;", [](int n) -> QString { return Repeated(" &nbsp; ", n); }},
        {"line breaks", [](int n) -> QString { return Repeated("<br>", n); }},
        {"list items", [](int n) -> QString { return Repeated("<li>", n); }},
    };
    return shapes;
}

double SecondsFor(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

// An RSS document whose channel title and one item's title and
// description carry the text, escaped as XML.
QByteArray FeedCarrying(const QString& text) {
    const QByteArray escaped = text.toHtmlEscaped().toUtf8();
    return "<rss><channel><title>" + escaped + "</title><item><title>" + escaped +
           "</title><guid>g</guid><description>" + escaped +
           "</description></item></channel></rss>";
}

// Whole documents whose markup itself is hostile.
const std::vector<cShape>& HostileDocuments() {
    static const std::vector<cShape> shapes = {
        {"attributes of the root",
         [](int n) -> QString {
             return ManyAttributes("rss", " a%1=\"1\"", n) + "<channel/></rss>";
         }},
        {"namespace declarations",
         [](int n) -> QString {
             return ManyAttributes("rss", " xmlns:p%1=\"u\"", n) + "<channel/></rss>";
         }},
        {"items",
         [](int n) -> QString {
             QString feed = QStringLiteral("<rss><channel>");
             for (int index = 0; feed.size() < n; ++index)
                 feed += QStringLiteral("<item><guid>%1</guid></item>").arg(index);
             return feed + "</channel></rss>";
         }},
        {"categories of one item",
         [](int n) -> QString {
             QString feed = QStringLiteral("<rss><channel><item><guid>g</guid>");
             for (int index = 0; feed.size() < n; ++index)
                 feed += QStringLiteral("<category>c%1</category>").arg(index);
             return feed + "</item></channel></rss>";
         }},
        {"category names in one element",
         [](int n) -> QString {
             QString names;
             for (int index = 0; names.size() < n; ++index)
                 names += QStringLiteral("c%1/").arg(index);
             return "<rss><channel><item><guid>g</guid><category>" + names +
                    "</category></item></channel></rss>";
         }},
        {"category separators",
         [](int n) -> QString {
             return "<rss><channel><item><guid>g</guid><category>" + Repeated("/", n) +
                    "</category></item></channel></rss>";
         }},
    };
    return shapes;
}

// Each shape at half and full length, as text alone and inside a feed
// document: a ratio near 2 is linear, near 4 quadratic.
void HostileText(int length) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("hostile.dat"));
    CreateMainDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    cChannelTable channels(database);
    cChannel* channel = channels.NewChannel();
    std::printf("(c) hostile text of %d characters: seconds at half and full length (ratio)\n",
                length);
    std::printf("  %-28s %22s %22s\n", "shape", "HTML to text", "feed read into records");
    for (const cShape& shape : HostileShapes()) {
        double text[2];
        double feed[2];
        for (int step = 0; step < 2; ++step) {
            const QString hostile = shape.Make(length / (2 - step));
            text[step] = SecondsFor([&] { benchmark::DoNotOptimize(HtmlToText(hostile)); });
            const QByteArray document = FeedCarrying(hostile);
            feed[step] = SecondsFor([&] {
                cRefreshTables tables(database);
                try {
                    channel->ReadFeed(document, tables);
                } catch (const EVelmoraError& error) {
                    std::printf("  %s: %s\n", shape.Name, qPrintable(error.Message().left(80)));
                }
            });
        }
        std::printf("  %-28s %6.3f %6.3f (%4.1f) %6.3f %6.3f (%4.1f)\n", shape.Name, text[0],
                    text[1], text[1] / std::max(text[0], 1e-6), feed[0], feed[1],
                    feed[1] / std::max(feed[0], 1e-6));
        std::fflush(stdout);
    }
    for (const cShape& shape : HostileDocuments()) {
        double feed[2];
        for (int step = 0; step < 2; ++step) {
            const QByteArray document = shape.Make(length / (2 - step)).toUtf8();
            feed[step] = SecondsFor([&] {
                cRefreshTables tables(database);
                try {
                    channel->ReadFeed(document, tables);
                } catch (const EVelmoraError&) {
                    // Refused documents count with the time taken to refuse them.
                }
            });
        }
        std::printf("  %-28s %22s %6.3f %6.3f (%4.1f)\n", shape.Name, "-", feed[0], feed[1],
                    feed[1] / std::max(feed[0], 1e-6));
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: %s CORPUS_FOLDER [FLOOR_NANOSECONDS]\n"
                     "       %s --hostile [CHARACTERS]   (c) alone, 1000000 by default\n",
                     argv[0], argv[0]);
        return 2;
    }
    cBenchHome home;
    const int hostileLength = 1000000;
    if (std::strcmp(argv[1], "--hostile") == 0) {
        HostileText(argc > 2 ? std::atoi(argv[2]) : hostileLength);
        return 0;
    }
    const QString corpusFolder = QString::fromLocal8Bit(argv[1]);
    const cCorpus corpus = ReadCorpus(corpusFolder);
    ReadIntoRecords(corpus, 1);
    const cReadResult read = ReadIntoRecords(corpus, 5);
    std::printf("(a) read into records: %zu documents, %lld items, %.0f items/s\n",
                corpus.bodies.size(), static_cast<long long>(read.ItemsPerRound),
                read.ItemsPerSecond);
    if (argc > 2) {
        const double floorSeconds = std::atof(argv[2]) / 1e9;
        const double floorRate = read.ItemsPerRound / floorSeconds;
        std::printf("floor: xmllint --noout %.3f s, %.0f items/s; (a) is %.2f times slower "
                    "(target at most 5)\n",
                    floorSeconds, floorRate, floorRate / read.ItemsPerSecond);
    }
    RefreshAll(corpusFolder);
    HostileText(hostileLength);
    return 0;
}
