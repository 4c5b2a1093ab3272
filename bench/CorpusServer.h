#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

// Serves a generated corpus's feeds/ folder on 127.0.0.1 and a free port.
// A reply delay makes the loopback server stand for distant ones: each
// request waits that long before its reply, many at a time.
class cCorpusServer {
public:
    explicit cCorpusServer(const QString& corpusFolder, int replyDelayMs = 0);
    ~cCorpusServer();

    // The feed file names, in name order.
    const QStringList& FeedNames() const { return FFeedNames; }
    QString FeedUrl(const QString& name) const;

private:
    std::unique_ptr<httplib::Server> FServer;
    std::thread FThread;
    int FPort = 0;
    QStringList FFeedNames;
};
