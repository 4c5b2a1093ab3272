#pragma once

#include <QWidget>
#include <functional>
#include <initializer_list>
#include <vector>

class QAbstractItemModel;
class QAction;
class QLineEdit;
class QTreeView;
class TdmVelmora;

// What the channel and category frames share: a toolbar (a clickable title,
// a filter box, the frame's action buttons) above a read-only list with
// whole-row selection. What the gestures do is the host window's choice; an
// action without a handler stays disabled. Enter on a row is a click on it.
class TmodStatList : public QWidget {
    Q_OBJECT

public:
    struct cActionLook {
        const char* Name;
        const char* Caption;
        const char* Hint;
        int Slot;
    };

    void BindAction(int action, const std::function<void()>& handler);
    QAction& Action(int action);
    QString FilterText() const;
    // Gives the keys to the list.
    void FocusList();
    // The id of the selected row, or 0 when no row is selected.
    int64_t SelectedId() const;

signals:
    void TitleClicked();
    void FilterChanged(const QString& text);
    void ColumnClicked(int column);
    void RowClicked();

protected:
    struct cNames {
        const char* Toolbar;
        const char* Title;
        const char* Filter;
        const char* List;
    };

    TmodStatList(TdmVelmora& data, const cNames& names, const QString& title,
                 QAbstractItemModel* model, std::initializer_list<cActionLook> actions,
                 QWidget* parent);

    QTreeView& List() { return *FList; }

private:
    QLineEdit* FFilter;
    QTreeView* FList;
    std::vector<QAction*> FActions;
};
