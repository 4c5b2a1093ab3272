#include "ingest/uXML.h"

#include "storage/uErrors.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

struct cLoaded {
    std::unique_ptr<cXMLDocument> document = cXML::NewDocument();
    cXMLNode Root() const { return document->Root(); }
};

cLoaded Load(const QByteArray& bytes) {
    cLoaded loaded;
    cXML::LoadDocument(*loaded.document, bytes);
    return loaded;
}

QString LoadError(const QByteArray& bytes) {
    try {
        Load(bytes);
    } catch (const EVelmoraError& error) {
        return error.Message();
    }
    return QStringLiteral("(loaded)");
}

} // namespace

TEST(XML, TextOfElementsFollowsTheReadingRules) {
    const cLoaded feed = Load("<item>\n"
                              "  <guid></guid>\n"
                              "  <title>A &amp; B</title>\n"
                              "  <description><![CDATA[<p>Hi</p>]]></description>\n"
                              "  <mixed>Good<b>bye</b></mixed>\n"
                              "  <compound>x<b>y<i/></b></compound>\n"
                              "</item>");
    const cXMLNode item = feed.Root();
    EXPECT_EQ(cXML::ChildText(item, "guid"), QString());
    EXPECT_EQ(cXML::ChildText(item, "missing"), QString());
    EXPECT_EQ(cXML::ChildText(item, "title"), QStringLiteral("A & B"));
    EXPECT_EQ(cXML::ChildText(item, "description"), QStringLiteral("<p>Hi</p>"));
    EXPECT_EQ(cXML::ChildText(item, "mixed"), QStringLiteral("Goodbye"));
    EXPECT_THROW(cXML::ChildText(item, "compound"), EVelmoraError);
    EXPECT_EQ(cXML::ChildCount(item), 5) << "whitespace between elements is dropped";
    EXPECT_THROW(cXML::ChildAt(item, 5), EVelmoraError);
    EXPECT_EQ(cXML::QualifiedName(cXML::ChildAt(item, 4)), "compound");
}

TEST(XML, ChildLookupFollowsNamespacesOfTheParent) {
    // An item in no namespace: its format's own elements first, an
    // extension's of the same local name only when the format gives none.
    const cLoaded plain =
        Load("<item xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:a=\"urn:a\">"
             "<dc:language>fr</dc:language><language>en</language><dc:creator>c</dc:creator>"
             "<a:link>1</a:link><link>2</link><a:link>3</a:link><link>4</link><a:only>5</a:only>"
             "</item>");
    EXPECT_EQ(cXML::ChildText(plain.Root(), "language"), QStringLiteral("en"));
    EXPECT_EQ(cXML::ChildText(plain.Root(), "dc:language"), QStringLiteral("fr"));
    EXPECT_EQ(cXML::ChildText(plain.Root(), "creator"), QStringLiteral("c"));
    QStringList links;
    for (cXMLNode link : cXML::FindChildren(plain.Root(), "link"))
        links << cXML::NodeText(link);
    EXPECT_EQ(links, QStringList({QStringLiteral("2"), QStringLiteral("4")}));
    EXPECT_EQ(cXML::FindChildren(plain.Root(), "only").size(), 1U);

    const cLoaded defaulted = Load("<feed xmlns=\"http://purl.org/atom/ns#\" "
                                   "xmlns:o=\"urn:other\"><o:title>other</o:title>"
                                   "<title>mine</title><o:only>x</o:only></feed>");
    EXPECT_EQ(cXML::ChildText(defaulted.Root(), "title"), QStringLiteral("mine"));
    EXPECT_EQ(cXML::FindChild(defaulted.Root(), "only"), nullptr);
    EXPECT_NE(cXML::FindChildInNamespace(defaulted.Root(), "only", QStringLiteral("URN:OTHER")),
              nullptr);
    EXPECT_EQ(cXML::NamespaceOfPrefix(cXML::ChildAt(defaulted.Root(), 0), "o"),
              QStringLiteral("urn:other"));
    EXPECT_EQ(cXML::NamespaceOfPrefix(defaulted.Root(), "dc"), QString());
}

TEST(XML, AttributesAreReadByQualifiedName) {
    const cLoaded rdf = Load("<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                             "<image rdf:resource=\"http://i/x.png\" href=\"h\"/></rdf:RDF>");
    const cXMLNode image = cXML::ChildAt(rdf.Root(), 0);
    EXPECT_EQ(cXML::QualifiedName(rdf.Root()), "rdf:RDF");
    EXPECT_EQ(cXML::AttributeText(image, "rdf:resource"), QStringLiteral("http://i/x.png"));
    EXPECT_EQ(cXML::AttributeText(image, "href"), QStringLiteral("h"));
    EXPECT_EQ(cXML::AttributeText(image, "resource"), QString());
}

TEST(XML, EncodingComesFromTheDocumentItself) {
    EXPECT_EQ(cXML::NodeText(cXML::ChildAt(Load("<t>caf\xc3\xa9</t>").Root(), 0)),
              QStringLiteral("café"));
    EXPECT_EQ(cXML::NodeText(cXML::ChildAt(
                  Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><t>caf\xe9</t>").Root(), 0)),
              QStringLiteral("café"));
    EXPECT_EQ(cXML::NodeText(cXML::ChildAt(Load("\xef\xbb\xbf<t>x</t>").Root(), 0)),
              QStringLiteral("x"));
    EXPECT_NE(LoadError("<t>caf\xe9</t>"), QStringLiteral("(loaded)"));
}

TEST(XML, AMalformedDocumentNamesTheReasonTheLineAndItsStart) {
    const QString message = LoadError("<rss>\n<channel>\n<title>x</titel>\n</channel></rss>");
    EXPECT_TRUE(message.contains(QStringLiteral("line 3"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("<title>x</titel>"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("mismatch"))) << message.toStdString();
}

TEST(XML, DocumentsNeverReachOutsideThemselvesAndExpansionIsBounded) {
    const cLoaded internal = Load("<!DOCTYPE r [<!ENTITY who \"world\">]><r>hello &who;</r>");
    EXPECT_EQ(cXML::NodeText(cXML::ChildAt(internal.Root(), 0)), QStringLiteral("hello world"));

    const QString external = [] {
        try {
            const cLoaded loaded = Load(
                "<!DOCTYPE r [<!ENTITY secret SYSTEM \"file:///etc/hostname\">]><r>&secret;</r>");
            return cXML::HasChildNodes(loaded.Root())
                       ? cXML::NodeText(cXML::ChildAt(loaded.Root(), 0))
                       : QString();
        } catch (const EVelmoraError&) {
            return QString();
        }
    }();
    EXPECT_TRUE(external.isEmpty()) << external.toStdString();

    QByteArray laughs = "<!DOCTYPE l [<!ENTITY l0 \"ha\">";
    for (int level = 1; level <= 12; ++level)
        laughs += QStringLiteral("<!ENTITY l%1 \"%2\">")
                      .arg(level)
                      .arg(QStringLiteral("&l%1;").arg(level - 1).repeated(10))
                      .toUtf8();
    laughs += "]><l>&l12;</l>";
    EXPECT_NE(LoadError(laughs), QStringLiteral("(loaded)"));
}

TEST(XML, MostTagWordsCountsTheWordsOfTheLargestStartTag) {
    const struct {
        const char* markup;
        int words;
    } cases[] = {
        {"", 0},
        {"plain text > and < alone", 0},
        {"<a>", 1},
        {"<a href=\"u\" title = 'x'>", 5},
        {"<a t=\"one two > three\" u='4 \" 5'>", 3},
        {"<b/><i a b c></i><p>", 4},
        {"<!-- <a b c d> --><![CDATA[<a b c d>]]><?pi <a b c d>?><a>", 1},
        {"<!DOCTYPE d [<!ENTITY e \"<x a b>\">]><d/>", 3},
        {"</a b c d e>", 0},
        {"<a b=\"unclosed c d", 4},
        {"<a b=\"x\" c='y' d=\"z", 4},
        {"<a\tb\nc\rd>", 4},
    };
    for (const auto& row : cases)
        EXPECT_EQ(cXML::MostTagWords(row.markup), row.words) << row.markup;
}

namespace {

QByteArray TagWithAttributes(const char* name, int count) {
    QByteArray tag = QByteArray("<") + name;
    for (int index = 0; index < count; ++index)
        tag += " a" + QByteArray::number(index) + "=\"1\"";
    return tag + ">";
}

} // namespace

// libxml2 compares each attribute of a tag with every earlier one: a tag
// with more words than the limit is refused before it is parsed, a tag just
// under it is read. The large document must complete.
TEST(XML, StartTagsOfMoreWordsThanTheLimitAreRefused) {
    const int under = cXML::MaxTagWords - 1;
    EXPECT_EQ(cXML::ChildCount(Load(TagWithAttributes("r", under) + "<x/></r>").Root()), 1);

    const QString refused = LoadError(TagWithAttributes("r", cXML::MaxTagWords) + "</r>");
    EXPECT_TRUE(refused.contains(QStringLiteral("more than"))) << refused.toStdString();

    const QString huge = LoadError(TagWithAttributes("r", 400000) + "</r>");
    EXPECT_TRUE(huge.contains(QStringLiteral("400001 words"))) << huge.toStdString();

    // Wide encodings are counted as the parser reads them, told by a
    // byte-order mark or by how the declaration starts. (libxml2 reads
    // UTF-32 only big-endian without a mark.)
    const QByteArray declaration = "<?xml version=\"1.0\"?>";
    const struct {
        QStringConverter::Encoding encoding;
        bool mark;
        bool readable;
    } wide[] = {
        {QStringConverter::Utf16LE, false, true},  {QStringConverter::Utf16LE, true, true},
        {QStringConverter::Utf16BE, false, true},  {QStringConverter::Utf16BE, true, true},
        {QStringConverter::Utf32BE, false, true},  {QStringConverter::Utf32BE, true, false},
        {QStringConverter::Utf32LE, false, false}, {QStringConverter::Utf32LE, true, false},
    };
    for (const auto& row : wide) {
        QStringEncoder encoder(row.encoding, row.mark ? QStringConverter::Flag::WriteBom
                                                      : QStringConverter::Flag::Default);
        const QByteArray many = encoder(
            QString::fromLatin1(declaration + TagWithAttributes("r", cXML::MaxTagWords) + "</r>"));
        EXPECT_TRUE(LoadError(many).contains(QStringLiteral("more than")))
            << row.encoding << (row.mark ? " with a byte-order mark" : "");
        if (row.readable) {
            const QByteArray few =
                encoder(QString::fromLatin1(declaration + TagWithAttributes("r", 3) + "</r>"));
            EXPECT_EQ(LoadError(few), QStringLiteral("(loaded)"))
                << row.encoding << (row.mark ? " with a byte-order mark" : "");
        }
    }
}

// Where NodeText gives a result InnerText gives the same; where NodeText
// refuses inline markup, InnerText still gives the text.
TEST(XML, InnerTextIsTheTextReadingThatNeverRefusesMarkup) {
    const cLoaded item = Load("<item>"
                              "<empty/>"
                              "<plain>A &amp; B</plain>"
                              "<cdata><![CDATA[<p>Hi</p>]]></cdata>"
                              "<mixed>Good<b>bye</b></mixed>"
                              "<commented>a<!-- no -->b</commented>"
                              "<element><b>bold</b></element>"
                              "<nested>x<b>y<i>z</i></b><?pi no?>w</nested>"
                              "</item>");
    const struct {
        int position;
        const char* text;
        bool nodeTextReads;
    } cases[] = {
        {0, "", true},    {1, "A & B", true}, {2, "<p>Hi</p>", true}, {3, "Goodbye", false},
        {4, "ab", false}, {5, "bold", false}, {6, "xyzw", false},
    };
    for (const auto& row : cases) {
        const cXMLNode element = cXML::ChildAt(item.Root(), row.position);
        EXPECT_EQ(cXML::InnerText(element), QString::fromUtf8(row.text)) << row.position;
        if (row.nodeTextReads)
            EXPECT_EQ(cXML::NodeText(element), QString::fromUtf8(row.text)) << row.position;
        else
            EXPECT_THROW(cXML::NodeText(element), EVelmoraError) << row.position;
    }
    const cXMLNode comment = cXML::ChildAt(cXML::ChildAt(item.Root(), 4), 1);
    EXPECT_EQ(cXML::InnerText(comment), QString());
    EXPECT_FALSE(cXML::IsElement(comment));
    EXPECT_TRUE(cXML::IsElement(item.Root()));
}

TEST(XML, InnerMarkupWritesTheChildrenOut) {
    const cLoaded summary = Load("<summary><div xmlns=\"http://www.w3.org/1999/xhtml\">"
                                 "<p>a &amp; <a href=\"h\">b</a></p><br/></div></summary>");
    EXPECT_EQ(cXML::InnerMarkup(cXML::ChildAt(summary.Root(), 0)),
              QStringLiteral("<p>a &amp; <a href=\"h\">b</a></p><br/>"));
}

TEST(XML, FindChildrenFollowsTheLookupOfFindChild) {
    const cLoaded entry = Load("<entry xmlns=\"http://www.w3.org/2005/Atom\" xmlns:o=\"urn:o\">"
                               "<link href=\"1\"/><o:link href=\"other\"/><title/>"
                               "<link href=\"2\"/></entry>");
    QStringList hrefs;
    for (cXMLNode link : cXML::FindChildren(entry.Root(), "link"))
        hrefs << cXML::AttributeText(link, "href");
    EXPECT_EQ(hrefs, QStringList({QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_TRUE(cXML::FindChildren(entry.Root(), "missing").empty());
}

TEST(XML, XmlBasesAreThoseInForceOutermostFirst) {
    const cLoaded feed = Load("<feed xml:base=\"http://h/a/\"><entry><e xml:base=\"b/\">"
                              "<link xml:base=\"c/\"/><plain/></e></entry></feed>");
    const cXMLNode inner = cXML::ChildAt(cXML::ChildAt(feed.Root(), 0), 0);
    EXPECT_EQ(
        cXML::XmlBases(cXML::ChildAt(inner, 0)),
        QStringList({QStringLiteral("http://h/a/"), QStringLiteral("b/"), QStringLiteral("c/")}));
    EXPECT_EQ(cXML::XmlBases(cXML::ChildAt(inner, 1)),
              QStringList({QStringLiteral("http://h/a/"), QStringLiteral("b/")}));
    EXPECT_TRUE(cXML::XmlBases(Load("<rss/>").Root()).isEmpty());
}
