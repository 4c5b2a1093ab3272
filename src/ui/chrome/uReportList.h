#pragma once

class QTreeView;

// Makes a tree view a flat, read-only report list: no branches, rows of one
// height, one whole row selected at a time, and column headers that take
// clicks (a click chooses the list's order) unless clickableHeaders is
// false.
void SetUpReportList(QTreeView& list, bool clickableHeaders = true);
// The selected row of such a list; -1 when none is selected.
int SelectedReportRow(const QTreeView& list);
// Selects the current row when no row is selected: a list entered with Tab
// shows its first row as current without selecting it, and a key acting on
// "the selected row" must act on the row the user sees.
void SelectCurrentRowIfNoneSelected(QTreeView& list);
