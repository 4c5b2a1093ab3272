#include "ingest/uOPML.h"

#include "ingest/uXML.h"
#include "storage/uErrors.h"

#include <QMap>
#include <QXmlStreamWriter>

namespace {

QString OutlineTitle(cXMLNode outline) {
    const QString text = cXML::AttributeText(outline, "text");
    return text.isEmpty() ? cXML::AttributeText(outline, "title") : text;
}

void CollectOutlines(cXMLNode parent, const QString& folder, QList<cOutline>& outlines) {
    for (cXMLNode child : cXML::Children(parent)) {
        if (cXML::QualifiedName(child) != "outline")
            continue;
        const QString feedUrl = cXML::AttributeText(child, "xmlUrl").trimmed();
        if (feedUrl.isEmpty()) {
            CollectOutlines(child, OutlineTitle(child).trimmed(), outlines);
            continue;
        }
        outlines.append({feedUrl, OutlineTitle(child).trimmed(),
                         cXML::AttributeText(child, "htmlUrl"), folder});
    }
}

} // namespace

QList<cOutline> ReadOpml(const QByteArray& document) {
    std::unique_ptr<cXMLDocument> parsed = cXML::NewDocument();
    cXML::LoadDocument(*parsed, document);
    cXMLNode root = parsed->Root();
    if (cXML::QualifiedName(root) != "opml")
        throw EVelmoraError(QStringLiteral("not an OPML document (root element \"%1\")")
                                .arg(QString::fromUtf8(cXML::QualifiedName(root))));
    cXMLNode body = cXML::FindChild(root, "body");
    if (!body)
        throw EVelmoraError(QStringLiteral("OPML document without a body"));
    QList<cOutline> outlines;
    CollectOutlines(body, QString(), outlines);
    return outlines;
}

QByteArray WriteOpml(const QList<cOutline>& outlines) {
    QMap<QString, QList<const cOutline*>> byFolder;
    for (const cOutline& outline : outlines)
        byFolder[outline.Folder].append(&outline);

    QByteArray document;
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("opml"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    writer.writeStartElement(QStringLiteral("head"));
    writer.writeTextElement(QStringLiteral("title"), QStringLiteral("Velmora subscriptions"));
    writer.writeEndElement();
    writer.writeStartElement(QStringLiteral("body"));
    const auto writeFeed = [&](const cOutline& outline) {
        writer.writeEmptyElement(QStringLiteral("outline"));
        writer.writeAttribute(QStringLiteral("type"), QStringLiteral("rss"));
        writer.writeAttribute(QStringLiteral("text"), outline.Title);
        writer.writeAttribute(QStringLiteral("title"), outline.Title);
        writer.writeAttribute(QStringLiteral("xmlUrl"), outline.FeedUrl);
        if (!outline.SiteUrl.isEmpty())
            writer.writeAttribute(QStringLiteral("htmlUrl"), outline.SiteUrl);
    };
    for (auto folder = byFolder.cbegin(); folder != byFolder.cend(); ++folder) {
        if (!folder.key().isEmpty()) {
            writer.writeStartElement(QStringLiteral("outline"));
            writer.writeAttribute(QStringLiteral("text"), folder.key());
            writer.writeAttribute(QStringLiteral("title"), folder.key());
        }
        for (const cOutline* outline : folder.value())
            writeFeed(*outline);
        if (!folder.key().isEmpty())
            writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return document;
}
