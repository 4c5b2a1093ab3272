#include "ui/shell/uAddFeed.h"

#include "ingest/uChannel.h"
#include "storage/uErrors.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/uUiLog.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

void AskAndAddFeed(QWidget& parent, TdmVelmora& data) {
    QInputDialog dialog(&parent);
    dialog.setWindowTitle(QStringLiteral("Enter a new channel URL ..."));
    dialog.setLabelText(QStringLiteral("http://"));
    dialog.setTextValue(QString());
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        field->setMaxLength(255);
        // Wide enough for a feed's address, and the dialog for its caption.
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('n')) * 64);
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString url = dialog.textValue();
    bool added = true;
    try {
        cChannelTable channels(data.Database());
        channels.AddChannel(url);
    } catch (const EVelmoraError& error) {
        qCWarning(UiLog) << "channel not added:" << error.Message();
        added = false;
    }
    if (!added) {
        QMessageBox::warning(&parent, QStringLiteral("Velmora"),
                             QStringLiteral("Can't add channel to database"));
        return;
    }
    // Before the message, which waits for the user.
    emit data.ChannelsMayBeDue();
    QMessageBox::information(&parent, QStringLiteral("Velmora"),
                             QStringLiteral("Channel was successfully added to database"));
}
