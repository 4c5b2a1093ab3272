#pragma once

#include <QPixmap>
#include <QString>
#include <QUrl>

// What opening an item shows in the main window's preview strip and browser.
struct cNodePreview {
    QPixmap ChannelIcon;
    QString ChannelTitle;
    QString NodeTitle;
    QString Description;
    QString Link;
};

// The main window's side of opening an item: the node list frame fills the
// preview and points the browser through it.
class cNodePreviewTarget {
public:
    virtual ~cNodePreviewTarget() = default;
    // Logo, titles, description, the address box text and its history.
    virtual void ShowNodePreview(const cNodePreview& preview) = 0;
    virtual void Navigate(const QUrl& address) = 0;
};
