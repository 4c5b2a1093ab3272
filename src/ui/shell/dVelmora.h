#pragma once

#include "storage/uSQLDataTabRec.h"
#include "ui/shell/uButtonImages.h"
#include "ui/shell/uChannelIcons.h"

#include <QObject>

// What lives as long as the program: the shared connection on the main
// database (GUI thread only), the shared button icons and the channel
// pictures. Opening raises when the database or a table is missing.
class TdmVelmora : public QObject {
    Q_OBJECT

public:
    explicit TdmVelmora(QObject* parent = nullptr);

    cSQLDatabase& Database() { return FDatabase; }
    const TButtonImages& ButtonImages() const { return FButtonImages; }
    TChannelIcons& ChannelIcons() { return FChannelIcons; }

signals:
    // The user subscribed to feeds or asked for a channel's refresh: the
    // engine should look for due channels now rather than at its next pass.
    void ChannelsMayBeDue();

private:
    cSQLDatabase FDatabase;
    TButtonImages FButtonImages;
    TChannelIcons FChannelIcons;
};
