#include "CorpusServer.h"

#include <QDir>
#include <httplib.h>

#include <chrono>
#include <thread>

cCorpusServer::cCorpusServer(const QString& corpusFolder, int replyDelayMs)
    : FServer(std::make_unique<httplib::Server>()) {
    const QString feeds = corpusFolder + QStringLiteral("/feeds");
    FFeedNames = QDir(feeds).entryList(QDir::Files, QDir::Name);
    FServer->set_mount_point("/feeds", feeds.toStdString());
    // One request per connection, as when every feed lives on a host of its
    // own (and as the shared loopback server serves them).
    FServer->set_keep_alive_max_count(1);
    if (replyDelayMs > 0) {
        FServer->new_task_queue = [] { return new httplib::ThreadPool(64); };
        FServer->set_pre_routing_handler(
            [replyDelayMs](const httplib::Request&, httplib::Response&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs));
                return httplib::Server::HandlerResponse::Unhandled;
            });
    }
    FPort = FServer->bind_to_any_port("127.0.0.1");
    FThread = std::thread([this] { FServer->listen_after_bind(); });
    while (!FServer->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

cCorpusServer::~cCorpusServer() {
    FServer->stop();
    FThread.join();
}

QString cCorpusServer::FeedUrl(const QString& name) const {
    return QStringLiteral("http://127.0.0.1:%1/feeds/%2").arg(FPort).arg(name);
}
