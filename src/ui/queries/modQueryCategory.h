#pragma once

#include "ui/queries/modStatList.h"

class cCategoryListModel;

// The category list frame: name and counters, drawn by the platform.
class TmodCategory : public TmodStatList {
    Q_OBJECT

public:
    enum FrameAction { MarkAllNodesAsReadForCategory };

    explicit TmodCategory(TdmVelmora& data, QWidget* parent = nullptr);

    cCategoryListModel& Model() { return *FModel; }

private:
    cCategoryListModel* FModel;
};
