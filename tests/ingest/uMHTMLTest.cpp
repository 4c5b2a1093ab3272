#include "ingest/uMHTML.h"

#include "TestHttpServer.h"
#include "storage/uErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Quoted-printable read back (soft breaks joined, escapes decoded, hard
// breaks as LF), written here from the RFC rather than from the encoder.
QByteArray Decoded(const QByteArray& text) {
    QByteArray out;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype number = 0; number < lines.size(); ++number) {
        QByteArray line = lines[number];
        if (line.endsWith('\r'))
            line.chop(1);
        const bool soft = line.endsWith('=');
        if (soft)
            line.chop(1);
        for (qsizetype index = 0; index < line.size(); ++index) {
            if (line[index] == '=' && index + 2 < line.size()) {
                out += char(line.mid(index + 1, 2).toInt(nullptr, 16));
                index += 2;
            } else {
                out += line[index];
            }
        }
        if (!soft && number + 1 < lines.size())
            out += '\n';
    }
    return out;
}

struct cSavedPage {
    QByteArray Headers;     // of the whole document
    QByteArray PartHeaders; // of its one part
    QByteArray Html;        // the part's body, decoded
    int Parts = 0;
};

// The document split at its boundary, as a reader of MHTML splits it.
cSavedPage Parsed(const QByteArray& document) {
    cSavedPage page;
    const qsizetype headersEnd = document.indexOf("\r\n\r\n");
    page.Headers = document.left(headersEnd);
    const qsizetype start = page.Headers.indexOf("boundary=\"") + 10;
    const QByteArray boundary =
        "--" + page.Headers.mid(start, page.Headers.indexOf('"', start) - start);
    const QList<QByteArray> pieces = document.mid(headersEnd + 4).split('\n');
    QByteArray part;
    bool closed = false;
    for (const QByteArray& piece : pieces) {
        const QByteArray line = piece.endsWith('\r') ? piece.chopped(1) : piece;
        if (line == boundary || line == boundary + "--") {
            if (page.Parts > 0) {
                const qsizetype bodyStart = part.indexOf("\r\n\r\n");
                page.PartHeaders = part.left(bodyStart);
                page.Html = Decoded(part.mid(bodyStart + 4).chopped(2));
            }
            closed = line != boundary;
            if (!closed)
                ++page.Parts;
            part.clear();
            continue;
        }
        part += piece + '\n';
    }
    if (!closed)
        page.Parts = -1;
    return page;
}

cTestEndpoint Html(const QByteArray& body, int status = 200) {
    cTestEndpoint endpoint;
    endpoint.Status = status;
    endpoint.Body = body;
    endpoint.ContentType = "text/html";
    return endpoint;
}

QByteArray FileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(QuotedPrintable, KeepsLinesShortAndReadsBackToTheSameText) {
    const QByteArray cases[] = {
        "plain text",
        "a=b and = at the end=",
        "trailing blank \nand tab\t\nkept inside",
        "Gr\xc3\xbc\xc3\x9f"
        "e",
        QByteArray(200, 'x'),
        QByteArray(60, 'y') + QByteArray(40, '\xe9'),
        "windows\r\nlines\r\n",
        "",
    };
    for (const QByteArray& text : cases) {
        const QByteArray encoded = QuotedPrintable(text);
        for (const QByteArray& line : encoded.split('\n')) {
            EXPECT_LE(line.size(), 77) << line.constData(); // 76 and the CR
            EXPECT_FALSE(line.endsWith(" \r") || line.endsWith("\t\r")) << line.constData();
            for (const char character : line)
                EXPECT_TRUE(character == '\r' || (character >= 32 && character < 127))
                    << text.constData();
        }
        QByteArray expected = text;
        expected.replace("\r\n", "\n");
        EXPECT_EQ(Decoded(encoded), expected);
    }
    EXPECT_FALSE(QuotedPrintable("a=_b").contains("=_")) << "never mistaken for the boundary";
}

TEST(SavePageAsMHT, WritesTheStrippedPageAsOneHtmlPartOverAnyEarlierFile) {
    cTestHttpServer server;
    auto page = server.Serve("/news/article.html", Html(R"html(<!DOCTYPE html>
<html><head><title>Gr&uuml;&szlig;e from the article</title>
<meta charset="windows-1252"><meta http-equiv="refresh" content="0; url=http://elsewhere/">
<link rel="stylesheet" href="site.css"><link rel="icon" href="favicon.png">
<style>body { background: url(bg.png) }</style>
<script src="tracker.js"></script><script>document.title = "changed";</script>
</head>
<body onload="start()" background="paper.gif">
<h1 onclick="alert(1)" class="headline">Headline</h1>
<p>First paragraph with <a href="other.html">a link</a> and
<a href=" java&#9;script:alert(2)">a script link</a>.</p>
<img src="photo.jpg" alt="photo"><picture><source srcset="a.webp"></picture>
<audio src="sound.mp3"></audio><video poster="p.jpg"><track src="t.vtt"></video>
<bgsound src="tune.mid"><embed src="movie.swf"><object data="x.swf"><param name="a" value="b"></object>
<iframe src="ad.html"></iframe><frameset><frame src="f.html"></frameset>
<input type="image" src="button.png" onfocus="x()">
<noscript>Scripts are off</noscript>
<p>Last paragraph.</p>
</body></html>)html"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("7.mht"));
    const QString url = server.Url("/news/article.html");

    SavePageAsMHT(url, path);
    const cSavedPage saved = Parsed(FileContents(path));

    EXPECT_EQ(saved.Parts, 1);
    EXPECT_TRUE(saved.Headers.contains("MIME-Version: 1.0\r\n"));
    EXPECT_TRUE(saved.Headers.contains("Content-Type: multipart/related; type=\"text/html\";"));
    EXPECT_TRUE(saved.PartHeaders.contains("Content-Type: text/html; charset=\"utf-8\"\r\n"));
    EXPECT_TRUE(saved.PartHeaders.contains("Content-Transfer-Encoding: quoted-printable\r\n"));
    EXPECT_TRUE(saved.PartHeaders.endsWith(QByteArray("Content-Location: ").append(url.toUtf8())));
    const QByteArray& html = saved.Html;
    for (const char* kept :
         {"<title>Gr\xc3\xbc\xc3\x9f"
          "e from the article</title>",
          "<h1 class=\"headline\">Headline</h1>", "<a href=\"other.html\">a link</a>",
          "<a>a script link</a>", "Scripts are off", "<p>Last paragraph.</p>"})
        EXPECT_TRUE(html.contains(kept)) << kept << "\n" << html.constData();
    for (const char* removed :
         {"<script",    "tracker",  "document.title", "<style",       "bg.png",  "<link",
          "stylesheet", "favicon",  "refresh",        "windows-1252", "onload",  "onclick",
          "onfocus",    "alert",    "paper.gif",      "<img",         "photo",   "<picture",
          "a.webp",     "<audio",   "sound.mp3",      "<video",       "p.jpg",   "t.vtt",
          "bgsound",    "tune.mid", "<embed",         "movie.swf",    "<object", "x.swf",
          "<param",     "<iframe",  "ad.html",        "frame",        "f.html",  "button.png"})
        EXPECT_FALSE(html.contains(removed)) << removed << "\n" << html.constData();

    auto changed = server.Serve("/news/article.html",
                                Html("<html><head><title>Second</title></head><body>B</body>"));
    SavePageAsMHT(url, path);
    const cSavedPage again = Parsed(FileContents(path));
    EXPECT_EQ(again.Parts, 1);
    EXPECT_TRUE(again.Html.contains("<title>Second</title>"));
    EXPECT_FALSE(FileContents(path).contains("Headline")) << "nothing of the earlier file stays";
}

// As a browser reads it: in the charset its server named, from the address
// a redirect led to.
TEST(SavePageAsMHT, APageIsReadAsItsServerDescribesIt) {
    cTestHttpServer server;
    cTestEndpoint moved;
    moved.Status = 301;
    moved.Headers = {{"Location", "/blog/2024/post/"}};
    auto tracked = server.Serve("/post", moved);
    cTestEndpoint post = Html("<html><head><title>\xcd\xee\xe2\xee\xf1\xf2\xe8</title></head>"
                              "<body><a href=\"next/\">next</a></body></html>");
    post.ContentType = "text/html; charset=\"windows-1251\"";
    auto page = server.Serve("/blog/2024/post/", post);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("9.mht"));

    SavePageAsMHT(server.Url("/post"), path);
    const cSavedPage saved = Parsed(FileContents(path));

    EXPECT_TRUE(saved.Html.contains("<title>\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xbe\xd1\x81\xd1\x82"
                                    "\xd0\xb8</title>"))
        << saved.Html.constData();
    EXPECT_TRUE(saved.PartHeaders.endsWith(
        QByteArray("Content-Location: ").append(server.Url("/blog/2024/post/").toUtf8())))
        << saved.PartHeaders.constData();
}

// Pages labelled Latin-1 put curly quotes in 0x80-0x9F, which browsers read
// as windows-1252; a byte-order mark outweighs a label that contradicts it.
TEST(StrippedPage, ReadsLabelsAndByteOrderMarksAsABrowserDoes) {
    const struct {
        const char* charset;
        const char* page;
        const char* text;
    } cases[] = {
        {"ISO-8859-1",
         "<p>It\x92s \x93"
         "caf\xe9\x94</p>",
         "It\xe2\x80\x99s \xe2\x80\x9c"
         "caf\xc3\xa9\xe2\x80\x9d"},
        {"us-ascii", "<p>a \x96 b</p>", "a \xe2\x80\x93 b"},
        {"iso-8859-1", "\xef\xbb\xbf<p>caf\xc3\xa9</p>", "<p>caf\xc3\xa9</p>"},
        {"windows-1251", "<p>\xcd\xee</p>", "\xd0\x9d\xd0\xbe"},
    };
    for (const auto& row : cases) {
        const QByteArray html =
            StrippedPage(row.page, QStringLiteral("http://127.0.0.1/p"), row.charset);
        EXPECT_TRUE(html.contains(row.text)) << row.charset << ": " << html.constData();
        EXPECT_FALSE(html.contains("\xc3\xaf\xc2\xbb\xc2\xbf")) << row.charset;
    }
}

TEST(SavePageAsMHT, APageThatCannotBeFetchedOrIsNoPageRaisesAndWritesNothing) {
    cTestHttpServer server;
    auto gone = server.Serve("/gone.html", Html("<html><body>Gone</body></html>", 404));
    auto empty = server.Serve("/empty.html", Html(QByteArray()));
    cTestEndpoint sound = Html(QByteArray("ID3\x04\0\0\0\0\0\0\xff\xfb\x90", 13));
    sound.ContentType = "audio/mpeg";
    auto episode = server.Serve("/episode.mp3", sound);
    QTemporaryDir folder;
    for (const char* route : {"/gone.html", "/empty.html", "/episode.mp3"}) {
        const QString path = folder.filePath(QStringLiteral("8.mht"));
        EXPECT_THROW(SavePageAsMHT(server.Url(route), path), EVelmoraError) << route;
        EXPECT_FALSE(QFileInfo::exists(path)) << route;
    }
}
