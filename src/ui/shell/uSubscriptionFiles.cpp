#include "ui/shell/uSubscriptionFiles.h"

#include "engine/uOpmlTransfer.h"
#include "storage/uErrors.h"
#include "ui/chrome/uCountedText.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/uUiLog.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString OpmlFilter = QStringLiteral("OPML files (*.opml *.xml);;All files (*)");

void SayFailed(QWidget& parent, const QString& what, const EVelmoraError& error) {
    qCWarning(UiLog) << what << error.Message();
    QMessageBox::warning(&parent, QStringLiteral("Velmora"),
                         what + QStringLiteral("\n\n") + error.Message());
}

} // namespace

void AskAndImportSubscriptions(QWidget& parent, TdmVelmora& data) {
    const QString path = QFileDialog::getOpenFileName(
        &parent, QStringLiteral("Import subscriptions"), QDir::homePath(), OpmlFilter);
    if (path.isEmpty())
        return;
    cOpmlImport imported;
    try {
        imported = ImportOutlines(data.Database(), ReadOpmlFile(path));
    } catch (const EVelmoraError& error) {
        SayFailed(parent, QStringLiteral("No subscription was imported."), error);
        return;
    }
    if (imported.Added > 0)
        emit data.ChannelsMayBeDue();
    QMessageBox::information(&parent, QStringLiteral("Velmora"),
                             QStringLiteral("%1 added, %2 already subscribed.")
                                 .arg(Counted(imported.Added, "feed", "feeds"))
                                 .arg(imported.Skipped));
}

void AskAndExportSubscriptions(QWidget& parent, TdmVelmora& data) {
    const QString path = QFileDialog::getSaveFileName(
        &parent, QStringLiteral("Export subscriptions"),
        QDir::home().filePath(QStringLiteral("velmora-subscriptions.opml")), OpmlFilter);
    if (path.isEmpty())
        return;
    qsizetype written = 0;
    try {
        const QList<cOutline> outlines = SubscriptionOutlines(data.Database());
        WriteOpmlFile(path, outlines);
        written = outlines.size();
    } catch (const EVelmoraError& error) {
        SayFailed(parent, QStringLiteral("The subscriptions were not exported."), error);
        return;
    }
    QMessageBox::information(
        &parent, QStringLiteral("Velmora"),
        QStringLiteral("%1 exported to %2.")
            .arg(Counted(written, "feed", "feeds"), QDir::toNativeSeparators(path)));
}
