#pragma once

#include "storage/uInterLock.h"

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

class cBaseJob;

// A channel's picture held in memory.
class cChannelInCache {
public:
    int64_t ChannelId = 0;
    QImage Picture;
};

// The pictures the lists draw for channels. A lookup answers at once: from
// the ring of recently used pictures, from the channel's icon file, or with
// a drawn placeholder; the real image is loaded by a background job, at most
// once a day per channel while its loads succeed, and the window repaints
// when one has been stored.
//
// Lock order: the icon cache lock may be held while the pool lock or the
// record pool lock is taken (a lookup makes records and queues jobs), or
// while a write turn is waited for; none of those is ever held while the
// icon cache lock is taken.
class cChannelIconList {
public:
    using cJobSink = std::function<void(std::unique_ptr<cBaseJob>)>;

    // The ring holds capacity pictures; loader jobs go to submit.
    cChannelIconList(int capacity, cJobSink submit);

    // The channel's picture (never a null image). On a miss, makes the
    // channel's icon row and placeholder file when there are none and
    // queues a loader job when the icon is due. A channel id without a
    // Channel row gets the placeholder with an empty title, and nothing is
    // stored or queued. Raises the errors of its queries, saves and file
    // writes.
    QImage GetIcon(int64_t channelId);

    // Records a freshly loaded picture: the icon row marked loaded now and
    // the file written, in one transaction; errors are rolled back and
    // swallowed. The picture in the ring is replaced in any case.
    void StoreIcon(const QImage& picture, int64_t channelId);

    // What runs on the GUI thread once a loader job has stored a picture:
    // the window's repaint. Empty for none.
    void SetIconsChangedNotice(std::function<void()> notice);
    void NotifyIconsChanged();

    // A loader job for the channel has ended, however it ended.
    void LoadEnded(int64_t channelId);

    // The channel ids in the ring, in ring order.
    std::vector<int64_t> CachedChannelIds();

private:
    QImage LoadIcon(int64_t channelId);
    void Cache(int64_t channelId, const QImage& picture);

    const int FCapacity;
    const cJobSink FSubmit;
    cInterLock FLock;
    std::vector<cChannelInCache> FEntries;
    int FReplacePosition = 0;
    // Channels with a loader job queued or running: a miss never queues a
    // second one.
    std::unordered_set<int64_t> FLoading;
    std::mutex FNoticeLock;
    std::function<void()> FNotice;
};

// The process's icon cache, with IconCacheSize pictures, submitting to the
// process's pool. Set up at start-up, before any window.
cChannelIconList& GetChannelIconList();
