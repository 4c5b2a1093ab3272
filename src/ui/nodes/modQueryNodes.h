#pragma once

#include "ui/nodes/uNodeStatus.h"

#include <QWidget>
#include <functional>

class QAction;
class QComboBox;
class QLineEdit;
class QToolButton;
class QTreeView;
class TdmVelmora;
class cTitleButton;
class cNodeListModel;
class cNodePreviewTarget;

// The node list frame: a toolbar (title, filter box, three host actions,
// channel and category choosers) above the list of items. The frame owns the
// list's model and carries out the item actions: open in the preview and the
// browser, mark read, request or open the enclosure, request the page. Which
// query fills the list, and what the toolbar's controls do, is the host
// window's choice; a host action without a handler stays disabled. Tab goes
// through the toolbar, then the list; the list's context menu (also the Menu
// key) offers the item actions.
class TmodNodes : public QWidget {
    Q_OBJECT

public:
    enum class ToolbarLayout {
        TwoRows,    // title, filter and buttons; the choosers below
        OneRow,     // everything on one row
        TitleAlone, // the title; filter and buttons; the choosers
    };
    enum class HostAction { EnclosureReadyOnly, UnreadOnly, ChannelNodeByChannelId };

    TmodNodes(TdmVelmora& data, cNodePreviewTarget& preview, QWidget* parent = nullptr);
    ~TmodNodes() override;

    cNodeListModel& Model() { return *FModel; }
    // Gives the keys to the list.
    void FocusList();
    void SetTitle(const QString& title);
    void SetToolbarLayout(ToolbarLayout layout);
    // Shows or hides the two choosers and the "Go to channel" button.
    void SetChoosersVisible(bool visible);
    void BindAction(HostAction action, const std::function<void()>& handler);
    QAction& Action(HostAction action);

    QString FilterText() const;
    QComboBox& ChannelChooser() { return *FChannelChooser; }
    QComboBox& CategoryChooser() { return *FCategoryChooser; }
    // The selected row, or -1.
    int SelectedRow() const;

    // The item actions, on the selected row; without one they do nothing.
    void ReadNode();
    void BrowseNode();
    void OpenEnclosure();
    void DownloadPage();

signals:
    void TitleClicked();
    void FilterChanged(const QString& text);
    void ColumnClicked(int column);

private:
    void BuildHostActions();
    void BuildItemActions();
    void BuildToolbar();
    void BuildList();
    void RunZone(const QModelIndex& index, NodeStatusZone zone);
    void ShowItemMenu(const QPoint& at);
    QAction* MakeAction(int look);

    TdmVelmora& FData;
    cNodePreviewTarget& FPreview;
    cNodeListModel* FModel;
    QWidget* FToolbar = nullptr;
    cTitleButton* FTitle = nullptr;
    QLineEdit* FFilter = nullptr;
    QComboBox* FChannelChooser = nullptr;
    QComboBox* FCategoryChooser = nullptr;
    QToolButton* FHostButtons[3] = {};
    QAction* FHostActions[3] = {};
    QTreeView* FList = nullptr;
    ToolbarLayout FLayout = ToolbarLayout::TwoRows;
};
