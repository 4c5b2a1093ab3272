#include "ui/export/fExportHTML.h"

#include "storage/uConfig.h"
#include "storage/uSpecialFolder.h"
#include "ui/chrome/uReportList.h"
#include "ui/shell/fLoadProgress.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The exportable items, read from their rows as the list paints them.
class cPagesModel : public QAbstractTableModel {
public:
    cPagesModel(const cNodeChannelTable& pages, QObject* parent)
        : QAbstractTableModel(parent), FPages(pages) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : FPages.Count();
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(std::size(Columns));
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return QVariant();
        const cNodeChannel& page = *FPages.Record(index.row());
        switch (index.column()) {
        case 0:
            return page.ChannelTitle();
        case 1:
            return page.Title();
        case 2:
            return page.Link();
        case 3:
            return page.DateTimeNode_UTC();
        }
        return QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        return QString::fromUtf8(Columns[section].Title);
    }

    struct cColumn {
        const char* Title;
        int Width;
    };
    static constexpr cColumn Columns[] = {
        {"Channel's Title", 200}, {"Node's Title", 200}, {"Node's URL", 200}, {"Date", 100}};

private:
    const cNodeChannelTable& FPages;
};

QString ExportSummary(int exported, int skipped) {
    QString summary =
        QStringLiteral("Pages exported: %1. Pages skipped: %2.").arg(exported).arg(skipped);
    if (skipped > 0)
        summary += QStringLiteral("\nA page is skipped when a file of its name is in the folder "
                                  "already, or when it cannot be copied there.");
    return summary;
}

} // namespace

TfrmExportHTML::TfrmExportHTML(TfrmLoadProgress& loadProgress, QWidget* parent)
    : QDialog(parent), FLoadProgress(loadProgress), FPages(FDatabase), FList(new QTreeView(this)),
      FDirectory(new QLineEdit(this)) {
    setObjectName(QStringLiteral("frmExportHTML"));
    setWindowTitle(QStringLiteral("frmExportHTML"));
    resize(812, 579);
    FDatabase.Open(GetConfig().MainDatabasePath());
    FPages.QueryPagesToExport();

    FList->setObjectName(QStringLiteral("lvNode"));
    SetUpReportList(*FList, false);
    FList->setMinimumSize(681, 409);
    FList->setModel(new cPagesModel(FPages, FList));
    for (int column = 0; column < int(std::size(cPagesModel::Columns)); ++column)
        FList->setColumnWidth(column, cPagesModel::Columns[column].Width);

    auto* choose = new QPushButton(QStringLiteral("Directory to export to"), this);
    choose->setObjectName(QStringLiteral("btDirectory"));
    connect(choose, &QPushButton::clicked, this, &TfrmExportHTML::ChooseDirectory);
    FDirectory->setObjectName(QStringLiteral("edDirectory"));
    FDirectory->setMinimumWidth(553);
    FDirectory->setText(cSpecialFolder::GetPersonalFolder());
    auto* doExport = new QPushButton(QStringLiteral("Do the export"), this);
    doExport->setObjectName(QStringLiteral("btExport"));
    doExport->setDefault(true);
    connect(doExport, &QPushButton::clicked, this, &TfrmExportHTML::DoExport);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(choose);
    folderRow->addWidget(FDirectory, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(doExport);
    buttonRow->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FList, 1);
    layout->addLayout(folderRow);
    layout->addLayout(buttonRow);
}

TfrmExportHTML::~TfrmExportHTML() = default;

QString TfrmExportHTML::TargetPath(const QString& folder, const QString& fileName) {
    // An empty box names no folder (QDir would take the working directory).
    if (folder.isEmpty())
        return QString();
    // Joined by hand: QDir::filePath takes a name that starts with ":" (a
    // title may) for a resource path of its own and drops the folder.
    QString path = QDir::fromNativeSeparators(folder);
    if (!path.endsWith(u'/'))
        path += u'/';
    return QDir::toNativeSeparators(path + fileName);
}

// QFileDialog::getExistingDirectory stands for the shell's folder picker
// (SHBrowseForFolder): folders of the file system only, starting at the
// desktop (the home folder where there is no desktop folder).
void TfrmExportHTML::ChooseDirectory() {
    QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!QDir(start).exists())
        start = QDir::homePath();
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Choose a directory"), start);
    if (!chosen.isEmpty())
        FDirectory->setText(QDir::toNativeSeparators(chosen));
}

void TfrmExportHTML::DoExport() {
    const QString folder = FDirectory->text();
    const QString cache = GetConfig().CacheFolder;
    int exported = 0;
    int skipped = 0;
    {
        // The buttons wait while the progress window lets events through.
        setEnabled(false);
        FLoadProgress.ShowProgress();
        FLoadProgress.SetMaximum(FPages.Count());
        const auto done = qScopeGuard([this] {
            FLoadProgress.HideProgress();
            setEnabled(true);
        });
        for (int row = 0; row < FPages.Count(); ++row) {
            FList->setCurrentIndex(FList->model()->index(row, 0));
            const cNodeChannel& page = *FPages.Record(row);
            // QFile::copy never overwrites: it stands for CopyFileW with
            // bFailIfExists.
            if (QFile::copy(cache + page.PageCacheName(),
                            TargetPath(folder, page.ExportFileName())))
                ++exported;
            else
                ++skipped;
            FLoadProgress.Step();
        }
    }
    QMessageBox::information(this, QStringLiteral("Velmora"), ExportSummary(exported, skipped));
    accept();
}
