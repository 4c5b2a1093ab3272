#include "ingest/uHTMLParser.h"

#include <gtest/gtest.h>

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
        {"", ""},
    };
    for (const auto& row : cases)
        EXPECT_EQ(HtmlToText(QString::fromUtf8(row.html)), QString::fromUtf8(row.text)) << row.html;
}

// Simple markup is read without libxml2; a trailing comment sends the same
// markup through libxml2, and both must write the same text.
TEST(HtmlToText, SimpleMarkupReadsAsLibxml2ReadsIt) {
    const char* cases[] = {
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
    };
    for (const char* html : cases) {
        const QString simple = QString::fromUtf8(html);
        EXPECT_EQ(HtmlToText(simple), HtmlToText(simple + QStringLiteral("<!---->"))) << html;
    }
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
    };
    for (const auto& row : cases)
        EXPECT_EQ(DecodeEntities(QString::fromUtf8(row.text)), QString::fromUtf8(row.decoded))
            << row.text;
}
