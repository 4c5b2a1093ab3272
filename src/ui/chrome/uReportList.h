#pragma once

class QTreeView;

// Makes a tree view a flat, read-only report list: no branches, rows of one
// height, one whole row selected at a time, and column headers that take
// clicks (a click chooses the list's order).
void SetUpReportList(QTreeView& list);
