#include "ingest/uHTMLParser.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <string_view>

using namespace std::literals;

TEST(HtmlToText, WritesTextByTheLayoutRules) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"Hello <b>World</b>", "Hello World"},
        {"&lt;b&gt;Hi", "<b>Hi"},
        {"<p>One</p><p>Two</p>", "One\r\n\r\nTwo\r\n\r\n"},
        {"<ul><li>a</li><li>b</li></ul>", "* a\r\n\r\n* b\r\n\r\n"},
        {"See <a href=\"x\">this</a>", "See this(x)"},
        {"<a href=\"x\"><img alt=\"Logo\"></a>", "Logo(x)"},
        {"a&nbsp;b", "a b"},
        {"<img>", "<img>"},
        {"<pre>a  b</pre>", "a  b\r\n\r\n"},
        {"one<br>two", "one\r\ntwo"},
        {"  spaced \t\n out  ", "spaced out "},
        {"caf&eacute; &#233; &#xE9; &apos;", "café é é '"},
        {"x &unknown; y", "x &unknown; y"},
        // A whole document: escaped once more than needed, its references are
        // its markup; in plain markup, its references are its text.
        {"&lt;html&gt;&lt;body&gt;&lt;b&gt;Hi&lt;/b&gt;&lt;/body&gt;", "Hi"},
        {"<body><p>Write &lt;script&gt;x()&lt;/script&gt; here</p></body>",
         "Write <script>x()</script> here\r\n\r\n"},
        {"<body><p>AT&amp;amp;T</p></body>", "AT&amp;T\r\n\r\n"},
        {"<BODY class=\"post\"><p>Use &lt;body&gt; once</p></BODY>", "Use <body> once\r\n\r\n"},
        {"", ""},
    };
    for (const auto& row : cases)
        EXPECT_EQ(HtmlToText(QString::fromUtf8(row.html)), QString::fromUtf8(row.text)) << row.html;
}

// Simple markup is read without libxml2; a trailing comment sends the same
// markup through libxml2, and both must write the same text.
TEST(HtmlToText, SimpleMarkupReadsAsLibxml2ReadsIt) {
    const std::string_view cases[] = {
        "<p>One <b>two</b> <em>three</em></p>\n<p>Four</p>",
        "<p>See <a href=\"http://h/x?a=1\" title='t'>the <i>page</i></a>.</p>",
        "<a href='u'><img alt=\"Logo\" src=\"l.png\"/></a> after",
        "<img alt=\"outside a link\">text",
        "line<br>break<br />twice<br/>",
        "<p>  lots   of\t\r\nblanks  </p>  ",
        "&lt;b&gt; &amp; &quot;q&quot; & more &",
        "<p>unclosed <b>bold",
        "<a>no target</a><span>s</span><code>c</code><u>u</u><strong>s</strong>",
        "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac\xc2\xa0nbsp",
        // libxml2 ends an attribute value at a NUL; other controls and
        // surrogate pairs in values.
        "<a href=\"x\0y\">link</a>"sv,
        "<a href=\"x\x01y\">link</a>",
        "<img alt=\"\xf0\x9f\x98\x80 smile\"> <a href='u'><img alt='\xf0\x9f\x98\x80'></a>",
    };
    for (const std::string_view html : cases) {
        const QString simple = QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size()));
        EXPECT_EQ(HtmlToText(simple), HtmlToText(simple + QStringLiteral("<!---->"))) << html;
    }
}

// Inputs the fuzzer found (feeds/regressions/html-*): markup the fast
// reader accepted and read otherwise than libxml2 (the trailing comment
// sends it to libxml2).
TEST(HtmlToText, FuzzerFindingsReadAsLibxml2ReadsThem) {
    const QDir regressions(QStringLiteral(VELMORA_FEEDS_DIR "/regressions"));
    const QStringList findings = regressions.entryList({QStringLiteral("html-*")}, QDir::Files);
    ASSERT_FALSE(findings.isEmpty());
    for (const QString& finding : findings) {
        QFile file(regressions.filePath(finding));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << finding.toStdString();
        const QString html = QString::fromUtf8(file.readAll());
        EXPECT_EQ(HtmlToText(html), HtmlToText(html + QStringLiteral("<!---->")))
            << finding.toStdString();
    }
}

// Shapes whose reading once grew with the square of their length (a
// reference's end looked for in the rest of the text at every ampersand;
// open elements searched at every link). They must complete, and still give
// the right text; their times are in bench_ingest's hostile-text table.
TEST(HtmlToText, MillionsOfHostileCharactersAreReadCorrectly) {
    const int length = 2'000'000;
    for (const char* unit : {"&", "&#", "&#x", "&#;", "&a"}) {
        const QString text = QString::fromLatin1(unit).repeated(length / qstrlen(unit));
        EXPECT_EQ(DecodeEntities(text), text) << unit;
        EXPECT_EQ(HtmlToText(text), text) << unit;
    }
    const QString references = QStringLiteral("&amp;&#233;").repeated(length / 11);
    EXPECT_EQ(DecodeEntities(references), QStringLiteral("&\u00e9").repeated(length / 11));

    // A tag of many attributes comes back as written: libxml2 would take
    // time growing with their square.
    QString attributes = QStringLiteral("<div");
    for (int index = 0; attributes.size() < length; ++index)
        attributes += QStringLiteral(" a%1=\"1\"").arg(index);
    attributes += QStringLiteral(">text</div>");
    EXPECT_EQ(HtmlToText(attributes), attributes);
    EXPECT_EQ(HtmlToText(QStringLiteral("<div a=\"1\" b=\"2\">text</div>")),
              QStringLiteral("text\r\n\r\n"));

    const int depth = length / 24;
    const QString links = QStringLiteral("<span>").repeated(depth) +
                          QStringLiteral("<a href=\"u\">x</a>").repeated(depth);
    EXPECT_EQ(HtmlToText(links), QStringLiteral("x(u)").repeated(depth));
}

TEST(DecodeEntities, ReplacesKnownReferencesAndLeavesTheRestAsWritten) {
    const struct {
        const char* text;
        const char* decoded;
    } cases[] = {
        {"no references", "no references"},
        {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
        {"&euro;&#8364;&#x20AC;", "€€€"},
        {"&Amp; &nosuch; &#32; &#xZZ; & alone", "&Amp; &nosuch; &#32; &#xZZ; & alone"},
        {"tail &amp", "tail &amp"},
        // A name runs over letters and digits up to its semicolon.
        {"&&amp;; &#65;&#x41; &a b; &#+65; &# 65; &#-65;", "&&; AA &a b; &#+65; &# 65; &#-65;"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(DecodeEntities(QString::fromUtf8(row.text)), QString::fromUtf8(row.decoded))
            << row.text;
}
