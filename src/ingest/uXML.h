#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

using cXMLNode = _xmlNode*;

// One parsed feed document, freed with its owner. Nodes taken from it live
// as long as it does.
class cXMLDocument {
public:
    cXMLDocument();
    ~cXMLDocument();
    cXMLDocument(const cXMLDocument&) = delete;
    cXMLDocument& operator=(const cXMLDocument&) = delete;

    // The root element, or none before a document is loaded.
    cXMLNode Root() const;

private:
    friend class cXML;
    _xmlDoc* FDocument = nullptr;
};

// The system's reading rules over a feed document: what a missing element,
// an empty element and an element with compound content yield. Names are
// qualified names as written ("rdf:RDF"), compared exactly.
class cXML {
public:
    static std::unique_ptr<cXMLDocument> NewDocument();

    // Parses the whole byte stream, replacing the document's content. The
    // encoding comes from a byte-order mark or the declaration, else UTF-8.
    // External entities and DTDs are never loaded; entity expansion is
    // bounded; an entity only such a DTD defines is read as HTML's.
    // Whitespace-only text between elements is dropped, except in text with
    // markup (words beside elements, or XHTML). A malformed document raises
    // the general exception type with the parser's reason, the line number
    // and the start of that line; so does one with a start tag of more than
    // MaxTagWords words (see below).
    static void LoadDocument(cXMLDocument& document, const QByteArray& bytes);

    // libxml2 compares each attribute of a start tag with every earlier one
    // (XML and HTML alike), so reading grows with the square of a tag's
    // attributes: 40000 of them take seconds. Markup whose tags stay under
    // this many words is read in time linear in its length; no real feed or
    // description comes near it.
    static constexpr int MaxTagWords = 1000;
    // The most words in any start tag of the markup: the runs of non-blank
    // characters between its "<" and ">", outside quoted values (so an
    // attribute counts one to three words). Comments, CDATA sections and
    // processing instructions are skipped. One pass over bytes of an
    // encoding where markup is ASCII (LoadDocument turns UTF-16 and UTF-32
    // into UTF-8 first).
    static int MostTagWords(const QByteArray& markup);

    // A text or CDATA node's value; an element's only text child, or empty
    // text when it has no children. Anything else raises.
    static QString NodeText(cXMLNode node);
    // The text of the named child: empty when there is none; with several
    // children, their texts joined.
    static QString ChildText(cXMLNode node, const char* name);
    // The first child of that qualified or local name in the element's own
    // namespace. Under an element in no namespace, a child of another
    // namespace (itunes:title, atom:link) is taken only when no child of
    // that name is in none: a format's own elements come before an
    // extension's of the same local name.
    static cXMLNode FindChild(cXMLNode node, const char* name);
    // The first child of that name in the namespace (any namespace when the
    // URI is empty).
    static cXMLNode FindChildInNamespace(cXMLNode node, const char* name,
                                         const QString& namespaceUri);
    // The child at a position among all children; raises when out of range.
    static cXMLNode ChildAt(cXMLNode node, int index);
    static int ChildCount(cXMLNode node);
    // The node's children in document order, taken before the caller
    // visits them.
    static std::vector<cXMLNode> Children(cXMLNode node);
    static bool HasChildNodes(cXMLNode node);
    // The attribute of that qualified name as written; empty when absent.
    static QString AttributeText(cXMLNode node, const char* name);
    // The node's qualified name (prefix, colon, local name).
    static QByteArray QualifiedName(cXMLNode node);
    // The namespace URI of the node's name; empty when it has none.
    static QString NamespaceUri(cXMLNode node);
    // The namespace URI bound to the prefix at the node; empty when none.
    static QString NamespaceOfPrefix(cXMLNode node, const char* prefix);

    // Readings that do not refuse markup, for feeds that write inline XHTML
    // where text is expected.
    //
    // The text of a node and of everything inside it, in document order:
    // text and CDATA as written, comments and processing instructions give
    // nothing. Wherever NodeText gives a result for the node (and ChildText
    // for its parent) this is that result; where they refuse an element
    // with compound content, this still gives its text. Never raises.
    static QString InnerText(cXMLNode node);
    // The node's children written out as markup, text escaped, so that an
    // HTML reader sees the inline XHTML as written.
    static QString InnerMarkup(cXMLNode node);
    static bool IsElement(cXMLNode node);
    // Every child of that name FindChild would choose among, in document
    // order.
    static std::vector<cXMLNode> FindChildren(cXMLNode node, const char* name);
    // The xml:base values in force at the node, the outermost first and the
    // node's own last; empty when there are none.
    static QStringList XmlBases(cXMLNode node);
};
