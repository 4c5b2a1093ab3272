#pragma once

#include "readmodels/uNodeChannel.h"
#include "storage/uSQLDataTabRec.h"

#include <QDialog>

class QLineEdit;
class QTreeView;
class TfrmLoadProgress;

// Copies the saved pages of downloaded items into a folder the user
// chooses, one file per item named after its title. The list (at most 100
// items, oldest first) is read once, on the window's own connection, when
// the window is made; pages saved while it is open are not in it. Opened
// modally; "Do the export" closes it with OK after its work and one message
// saying how many pages were exported and how many skipped.
class TfrmExportHTML : public QDialog {
    Q_OBJECT

public:
    explicit TfrmExportHTML(TfrmLoadProgress& loadProgress, QWidget* parent = nullptr);
    ~TfrmExportHTML() override;

    // The folder picker; a confirmed folder replaces the directory box text.
    void ChooseDirectory();
    // Copies every listed page under the progress window, never over an
    // existing file; a page that cannot be copied is skipped and counted.
    void DoExport();

    // Where a page goes: the folder and the file name joined by one
    // separator, whether or not the folder ends with one; none without a
    // folder, so that nothing is copied.
    static QString TargetPath(const QString& folder, const QString& fileName);

private:
    TfrmLoadProgress& FLoadProgress;
    cSQLDatabase FDatabase;
    cNodeChannelTable FPages;
    QTreeView* FList;
    QLineEdit* FDirectory;
};
