#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One subscription of an outline file.
struct cOutline {
    QString FeedUrl;
    QString Title;
    QString SiteUrl;
    // The folder (outline without a feed) the subscription sits in; empty at
    // the top level.
    QString Folder;
};

// The subscriptions of an OPML 1.0 or 2.0 document, nested folders
// included, in document order. A malformed document raises with the
// parser's reason and line.
QList<cOutline> ReadOpml(const QByteArray& document);

// An OPML 2.0 document of the subscriptions, grouped by folder.
QByteArray WriteOpml(const QList<cOutline>& outlines);
