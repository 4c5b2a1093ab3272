#include "ingest/uCategoryLinks.h"

#include "ingest/uHTMLParser.h"
#include "model/uOMCategory.h"
#include "model/uOMChannel.h"
#include "model/uOMChannel2Category.h"
#include "model/uOMNode.h"
#include "model/uOMNode2Category.h"

#include <optional>

namespace {

QString Normalised(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return trimmed;
    QString lower = trimmed.toLower();
    return lower.left(1).toUpper() + lower.mid(1);
}

QString WithoutApostrophes(QString piece) {
    if (piece.startsWith(QLatin1Char('\'')))
        piece.remove(0, 1);
    const qsizetype apostrophe = piece.indexOf(QLatin1Char('\''));
    if (apostrophe >= 0 && apostrophe == piece.size() - 1)
        piece.chop(1);
    return piece;
}

std::optional<int64_t> CategoryId(cCategoryTable& categories, const QString& name) {
    if (const std::optional<int64_t> recorded = categories.FindRecordedCategory(name))
        return recorded;
    return categories.FindStoredCategory(name);
}

template <class TLinks, class TLinkRecord>
void LinkCategories(TLinks& links, const QString& text, int64_t ownerId, cCategoryTable& categories,
                    void (TLinkRecord::*setOwner)(int64_t)) {
    for (const QString& name : SplitCategories(text)) {
        const std::optional<int64_t> categoryId = CategoryId(categories, name);
        if (!categoryId)
            continue;
        if (links.HasLink(ownerId, *categoryId))
            continue;
        TLinkRecord* link = links.NewLink();
        (link->*setOwner)(ownerId);
        link->SetCategoryId(*categoryId);
    }
}

} // namespace

QStringList SplitCategories(const QString& text) {
    QString separated = HtmlToText(text);
    separated.replace(QStringLiteral(" : "), QStringLiteral(" / "));
    separated.replace(QLatin1Char(';'), QLatin1Char('/'));
    QStringList names;
    // Walked once, piece by piece: copying the rest of the text at every
    // separator grew with the square of its length.
    const QList<QStringView> pieces = QStringView(separated).split(QLatin1Char('/'));
    for (qsizetype index = 0; index < pieces.size(); ++index) {
        // The last piece keeps its blanks until its apostrophes are looked at.
        const QStringView piece =
            index + 1 < pieces.size() ? pieces[index].trimmed() : pieces[index];
        const QString name = Normalised(WithoutApostrophes(piece.toString()));
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

void EnsureCategories(cCategoryTable& categories, const QString& text) {
    for (const QString& name : SplitCategories(text)) {
        if (CategoryId(categories, name))
            continue;
        categories.NewCategory()->SetLibelle(name);
    }
}

void LinkNodeCategories(cOmNode2CategoryTable& links, const QString& text,
                        const cOmNodeRecord& node, cCategoryTable& categories) {
    LinkCategories<cOmNode2CategoryTable, cOmNode2CategoryRecord>(
        links, text, node.ID(), categories, &cOmNode2CategoryRecord::SetNodeID);
}

void LinkChannelCategories(cChannel2CategoryTable& links, const QString& text,
                           const cOmChannelRecord& channel, cCategoryTable& categories) {
    LinkCategories<cChannel2CategoryTable, cOmChannel2CategoryRecord>(
        links, text, channel.ID(), categories, &cOmChannel2CategoryRecord::SetChannelID);
}

QString FlagCategoriesOfChannel(const QString& channelId) {
    return QStringLiteral("update categorystat set needrecalc = -1 where categoryid in (select "
                          "categoryid from channel2category where channelid = ") %
           channelId %
           QStringLiteral(") or categoryid in (select categoryid from node2category,node where "
                          "node.id = node2category.nodeid and node.parentchannelid = ") %
           channelId % u')';
}
