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
    const cLoaded plain = Load("<item xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                               "<dc:language>fr</dc:language><language>en</language></item>");
    EXPECT_EQ(cXML::ChildText(plain.Root(), "language"), QStringLiteral("fr"));
    EXPECT_EQ(cXML::ChildText(plain.Root(), "dc:language"), QStringLiteral("fr"));

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
