#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

// What one path answers.
struct cTestEndpoint {
    int Status = 200;
    QByteArray Body;
    std::string ContentType = "application/xml";
    std::vector<std::pair<std::string, std::string>> Headers;
    // Sends the body gzip-compressed, with Content-Encoding: gzip.
    bool Gzip = false;
    // Answers 304 Not Modified, with no body, to a request whose
    // If-None-Match is the ETag among Headers or whose If-Modified-Since is
    // the Last-Modified there, byte for byte.
    bool Conditional = false;
    // When set, the body (its full length announced) goes out TrickleBytes
    // at a time, one piece per TrickleInterval: a slow server. The trickle
    // stops, cutting its connection, once the route's handle ends or the
    // server stops, so a test never waits for it.
    std::chrono::milliseconds TrickleInterval{0};
    // When zero or more, only this many bytes of the body go out, its full
    // length announced, and then the connection is cut: a reply that breaks
    // off.
    int SendOnlyBytes = -1;
    int TrickleBytes = 1;
    // When above zero, the body is this many bytes of PatternByte, made
    // piece by piece as they go out (Body is not used): a large file that
    // the server never holds whole.
    qint64 PatternBytes = 0;
};

// The byte at the offset of a pattern body.
inline char PatternByte(qint64 offset) {
    return static_cast<char>(offset % 251);
}

// A request as the server saw it.
struct cTestRequest {
    std::string Path;
    std::string Version;
    std::string UserAgent;
    std::string IfNoneMatch;
    std::string IfModifiedSince;
};

// An HTTP server on 127.0.0.1 and a free port, for the life of the object.
// Tests declare what each path answers; a declaration ends with its handle.
// Given a certificate and its key (PEM files), it speaks HTTPS.
class cTestHttpServer {
public:
    cTestHttpServer();
    cTestHttpServer(const QString& certificatePath, const QString& keyPath);
    ~cTestHttpServer();

    class cRoute {
    public:
        cRoute(cTestHttpServer& server, std::string path)
            : FServer(&server), FPath(std::move(path)) {}
        cRoute(cRoute&& other) noexcept : FServer(other.FServer), FPath(std::move(other.FPath)) {
            other.FServer = nullptr;
        }
        ~cRoute();

    private:
        cTestHttpServer* FServer;
        std::string FPath;
    };

    [[nodiscard]] cRoute Serve(const std::string& path, cTestEndpoint endpoint);
    // A chain of redirects from the path through path/1 ... path/count, the
    // last of which redirects to target.
    [[nodiscard]] std::vector<cRoute> RedirectChain(const std::string& path, int count,
                                                    const std::string& target);
    QString Url(const std::string& path) const;
    std::vector<cTestRequest> Requests() const;

private:
    // An endpoint as served by one route: a trickle belongs to its route
    // and ends with it, even if the path is served anew.
    struct cServed {
        cTestEndpoint Endpoint;
        uint64_t Serial = 0;
    };

    void Start();
    // Waits out the interval; false as soon as the route ends or the server
    // stops.
    bool PauseWhileServed(const std::string& path, uint64_t serial,
                          std::chrono::milliseconds interval);

    QString FScheme = QStringLiteral("http");
    mutable std::mutex FLock;
    // Signalled when a route ends or the server stops.
    std::condition_variable FChanged;
    bool FStopping = false;
    uint64_t FServedCount = 0;
    std::map<std::string, cServed> FEndpoints;
    std::vector<cTestRequest> FRequests;
    std::unique_ptr<httplib::Server> FServer;
    std::thread FThread;
    int FPort = 0;
};

// Accepts connections on 127.0.0.1 and never answers them.
class cSilentServer {
public:
    cSilentServer();
    ~cSilentServer();
    QString Url() const;

private:
    int FSocket = -1;
    int FPort = 0;
};

QByteArray GzipCompressed(const QByteArray& data);
