#include "ui/chrome/uReportList.h"

#include <QHeaderView>
#include <QTreeView>

void SetUpReportList(QTreeView& list, bool clickableHeaders) {
    list.setFrameShape(QFrame::NoFrame);
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setUniformRowHeights(true);
    list.setAllColumnsShowFocus(true);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.header()->setSectionsClickable(clickableHeaders);
}

void SelectCurrentRowIfNoneSelected(QTreeView& list) {
    const QModelIndex current = list.currentIndex();
    if (current.isValid() && !list.selectionModel()->hasSelection())
        list.selectionModel()->select(current,
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

int SelectedReportRow(const QTreeView& list) {
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
