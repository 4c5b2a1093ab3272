#include "ui/queries/modQueryCategory.h"

#include "ui/queries/uStatListModels.h"

#include <QHeaderView>
#include <QTreeView>

TmodCategory::TmodCategory(TdmVelmora& data, QWidget* parent)
    : TmodStatList(data, {"tbCategory", "tntCategories", "edCategoryFilter", "lvCategory"},
                   QStringLiteral("Categories"), new cCategoryListModel(data),
                   {{"acMarkAllNodesAsReadForCategory", "Mark category as read",
                     "Mark all nodes in this category as read", 39}},
                   parent),
      FModel(static_cast<cCategoryListModel*>(List().model())) {
    setObjectName(QStringLiteral("modCategory"));
    QHeaderView* header = List().header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(cCategoryListModel::TitleColumn, QHeaderView::Stretch);
    // The counts take what they need, so that all three show in a narrow dock.
    for (int column = cCategoryListModel::TotalColumn; column < cCategoryListModel::ColumnCount;
         ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}
