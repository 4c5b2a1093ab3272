#include "ui/queries/fQueryWindows.h"

#include "ui/queries/fQueryWindow.h"
#include "ui/queries/uQueryWindowKinds.h"

QWidget* CreateQueryWindow(QueryWindowKind kind, TdmVelmora& data, cNodePreviewTarget& preview,
                           QWidget* parent) {
    auto* window = new TfrmQuery(QueryWindowDescription(kind), data, preview, parent);
    window->hide();
    return window;
}
