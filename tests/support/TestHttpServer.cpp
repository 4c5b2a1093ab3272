#include "TestHttpServer.h"

#include <QFile>
#include <httplib.h>
#include <zlib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

QByteArray GzipCompressed(const QByteArray& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

cTestHttpServer::cTestHttpServer() : FServer(std::make_unique<httplib::Server>()) {
    Start();
}

cTestHttpServer::cTestHttpServer(const QString& certificatePath, const QString& keyPath)
    : FScheme(QStringLiteral("https")),
      FServer(std::make_unique<httplib::SSLServer>(QFile::encodeName(certificatePath).constData(),
                                                   QFile::encodeName(keyPath).constData())) {
    Start();
}

void cTestHttpServer::Start() {
    FServer->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        cTestEndpoint endpoint;
        uint64_t serial = 0;
        bool found = false;
        {
            std::lock_guard<std::mutex> hold(FLock);
            FRequests.push_back({request.path, request.version,
                                 request.get_header_value("User-Agent"),
                                 request.get_header_value("If-None-Match"),
                                 request.get_header_value("If-Modified-Since")});
            const auto it = FEndpoints.find(request.path);
            if (it != FEndpoints.end()) {
                endpoint = it->second.Endpoint;
                serial = it->second.Serial;
                found = true;
            }
        }
        if (!found) {
            response.status = 404;
            response.set_content("<html><body>Not found</body></html>", "text/html");
            return;
        }
        response.status = endpoint.Status;
        for (const auto& [name, value] : endpoint.Headers) {
            response.set_header(name, value);
            if (!endpoint.Conditional)
                continue;
            const char* asked = name == "ETag"            ? "If-None-Match"
                                : name == "Last-Modified" ? "If-Modified-Since"
                                                          : nullptr;
            if (asked && request.has_header(asked) && request.get_header_value(asked) == value)
                response.status = 304;
        }
        if (response.status == 304)
            return;
        if (endpoint.PatternBytes > 0) {
            response.set_content_provider(
                static_cast<size_t>(endpoint.PatternBytes), endpoint.ContentType,
                [](size_t offset, size_t length, httplib::DataSink& sink) {
                    char piece[64 * 1024];
                    const size_t bytes = std::min(sizeof(piece), length);
                    for (size_t index = 0; index < bytes; ++index)
                        piece[index] = PatternByte(static_cast<qint64>(offset + index));
                    return sink.write(piece, bytes);
                });
            return;
        }
        QByteArray body = endpoint.Body;
        if (endpoint.Gzip) {
            body = GzipCompressed(body);
            response.set_header("Content-Encoding", "gzip");
        }
        if (endpoint.SendOnlyBytes >= 0) {
            response.set_content_provider(
                static_cast<size_t>(body.size()), endpoint.ContentType,
                [body, bytes = std::min<qsizetype>(endpoint.SendOnlyBytes, body.size())](
                    size_t, size_t, httplib::DataSink& sink) {
                    sink.write(body.constData(), static_cast<size_t>(bytes));
                    return false;
                });
            return;
        }
        if (endpoint.TrickleInterval.count() <= 0) {
            response.set_content(body.toStdString(), endpoint.ContentType);
            return;
        }
        response.set_content_provider(
            static_cast<size_t>(body.size()), endpoint.ContentType,
            [this, path = request.path, serial, body, bytes = std::max(1, endpoint.TrickleBytes),
             interval = endpoint.TrickleInterval](size_t offset, size_t length,
                                                  httplib::DataSink& sink) {
                const size_t piece = std::min(static_cast<size_t>(bytes), length);
                if (!sink.write(body.constData() + offset, piece))
                    return false;
                return piece == length || PauseWhileServed(path, serial, interval);
            });
    });
    // A client that gives up on a trickle closes its end; writing to it must
    // fail the write, not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    // One request per connection: a client keeping its connection open
    // would otherwise hold the server's stop for its keep-alive time.
    FServer->set_keep_alive_max_count(1);
    FPort = FServer->bind_to_any_port("127.0.0.1");
    FThread = std::thread([this] { FServer->listen_after_bind(); });
    while (!FServer->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

cTestHttpServer::~cTestHttpServer() {
    {
        std::lock_guard<std::mutex> hold(FLock);
        FStopping = true;
    }
    FChanged.notify_all();
    FServer->stop();
    FThread.join();
}

cTestHttpServer::cRoute::~cRoute() {
    if (!FServer)
        return;
    {
        std::lock_guard<std::mutex> hold(FServer->FLock);
        FServer->FEndpoints.erase(FPath);
    }
    FServer->FChanged.notify_all();
}

cTestHttpServer::cRoute cTestHttpServer::Serve(const std::string& path, cTestEndpoint endpoint) {
    std::lock_guard<std::mutex> hold(FLock);
    FEndpoints[path] = {std::move(endpoint), ++FServedCount};
    return cRoute(*this, path);
}

bool cTestHttpServer::PauseWhileServed(const std::string& path, uint64_t serial,
                                       std::chrono::milliseconds interval) {
    std::unique_lock<std::mutex> hold(FLock);
    const bool ended = FChanged.wait_for(hold, interval, [&] {
        const auto it = FEndpoints.find(path);
        return FStopping || it == FEndpoints.end() || it->second.Serial != serial;
    });
    return !ended;
}

std::vector<cTestHttpServer::cRoute>
cTestHttpServer::RedirectChain(const std::string& path, int count, const std::string& target) {
    std::vector<cRoute> routes;
    for (int step = 0; step <= count; ++step) {
        const std::string from = step == 0 ? path : path + "/" + std::to_string(step);
        const std::string to = step == count ? target : path + "/" + std::to_string(step + 1);
        cTestEndpoint redirect;
        redirect.Status = 302;
        redirect.ContentType = "text/html";
        redirect.Body = "moved";
        redirect.Headers = {{"Location", Url(to).toStdString()}};
        routes.push_back(Serve(from, redirect));
    }
    return routes;
}

QString cTestHttpServer::Url(const std::string& path) const {
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(FScheme)
        .arg(FPort)
        .arg(QString::fromStdString(path));
}

std::vector<cTestRequest> cTestHttpServer::Requests() const {
    std::lock_guard<std::mutex> hold(FLock);
    return FRequests;
}

cSilentServer::cSilentServer() {
    FSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(FSocket, 16);
    socklen_t length = sizeof(address);
    getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
}

cSilentServer::~cSilentServer() {
    close(FSocket);
}

QString cSilentServer::Url() const {
    return QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(FPort);
}
