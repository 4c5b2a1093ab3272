#pragma once

#include <QWidget>
#include <memory>

class TdmVelmora;
class TmodCategory;
class TmodChannel;
class TmodNodes;
class cCategoryStatTable;
class cChannelStatTable;
class cNodePreviewTarget;
struct cQueryWindowDescription;

// A query window of the dock panel: a node list frame, for two kinds below
// a channel or category list, driven by its kind's description. Showing it
// runs its first query and gives the keys to its first list; hiding it lets
// the rows go where its kind says so. Tab goes from top to bottom.
class TfrmQuery : public QWidget {
    Q_OBJECT

public:
    TfrmQuery(const cQueryWindowDescription& description, TdmVelmora& data,
              cNodePreviewTarget& preview, QWidget* parent = nullptr);
    ~TfrmQuery() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BindNodeFrame();
    void BindChannelFrame();
    void BindCategoryFrame();

    void FillChoosers();
    void RefreshNodes();
    void RefreshChannels();
    void RefreshCategories();
    void SortNodes(int column);
    void ToggleFilter(int flag, bool on);
    void GoToChannel();

    const cQueryWindowDescription& FDescription;
    TmodNodes* FNodes = nullptr;
    TmodChannel* FChannels = nullptr;
    TmodCategory* FCategories = nullptr;
    std::unique_ptr<cChannelStatTable> FChannelChoices;
    std::unique_ptr<cCategoryStatTable> FCategoryChoices;
};
