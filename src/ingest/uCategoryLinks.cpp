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
    for (int index = 0; index < categories.Count(); ++index)
        if (categories.Record(index)->Libelle() == name)
            return categories.Record(index)->ID();
    return categories.FindStoredCategory(name);
}

template <class TLinks, class TLinkRecord>
void LinkCategories(TLinks& links, const QString& text, int64_t ownerId, cCategoryTable& categories,
                    int64_t (TLinkRecord::*owner)() const, void (TLinkRecord::*setOwner)(int64_t)) {
    for (const QString& name : SplitCategories(text)) {
        const std::optional<int64_t> categoryId = CategoryId(categories, name);
        if (!categoryId)
            continue;
        bool linked = false;
        for (int index = 0; index < links.Count() && !linked; ++index) {
            const TLinkRecord* link = links.Record(index);
            linked = (link->*owner)() == ownerId && link->CategoryId() == *categoryId;
        }
        if (linked)
            continue;
        TLinkRecord* link = links.NewLink();
        (link->*setOwner)(ownerId);
        link->SetCategoryId(*categoryId);
    }
}

} // namespace

QStringList SplitCategories(const QString& text) {
    QString rest = HtmlToText(text);
    rest.replace(QStringLiteral(" : "), QStringLiteral(" / "));
    rest.replace(QLatin1Char(';'), QLatin1Char('/'));
    QStringList names;
    for (qsizetype slash = rest.indexOf(QLatin1Char('/')); slash >= 0;
         slash = rest.indexOf(QLatin1Char('/'))) {
        const QString piece = WithoutApostrophes(rest.left(slash).trimmed());
        rest = rest.mid(slash + 1);
        if (!piece.isEmpty()) {
            const QString name = Normalised(piece);
            if (!name.isEmpty())
                names << name;
        }
    }
    const QString last = Normalised(WithoutApostrophes(rest));
    if (!last.isEmpty())
        names << last;
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
        links, text, node.ID(), categories, &cOmNode2CategoryRecord::NodeID,
        &cOmNode2CategoryRecord::SetNodeID);
}

void LinkChannelCategories(cChannel2CategoryTable& links, const QString& text,
                           const cOmChannelRecord& channel, cCategoryTable& categories) {
    LinkCategories<cChannel2CategoryTable, cOmChannel2CategoryRecord>(
        links, text, channel.ID(), categories, &cOmChannel2CategoryRecord::ChannelID,
        &cOmChannel2CategoryRecord::SetChannelID);
}
