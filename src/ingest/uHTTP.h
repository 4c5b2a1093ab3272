#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QBuffer;
class QIODevice;

// The product's web address, as sent in the User-Agent.
inline constexpr const char* ProductWebAddress = "https://velmora.app";

// Bounds of a fetch, one profile per kind of fetch. A fetch runs on a worker
// of the pool and holds it to its end, so a server that answers a few bytes
// a second must not hold it for ever: a minimum rate ends hopeless transfers
// early and a deadline ends the rest. The members' defaults are the profile
// of feeds and images. Tests shorten them.
struct cHTTPTimeouts {
    long ConnectSeconds = 30;
    // A transfer whose rate stays under MinimumBytesPerSecond for
    // RateWindowSeconds on end is abandoned (libcurl measures the rate over
    // its last few seconds). A server that never answers, or stops sending,
    // is the slowest case of all.
    long MinimumBytesPerSecond = 1024;
    long RateWindowSeconds = 30;
    // The whole fetch, connection and retry included; 0: none.
    long DeadlineSeconds = 120;
    // A body past this size fails the fetch; 0: no cap.
    qint64 MaxBodyBytes = 64 * 1024 * 1024;

    // Feeds and images: small bodies, which any healthy server sends well
    // within two minutes; a feed that takes longer waits for its next
    // refresh rather than keep a worker from the other feeds. Half a minute
    // under 1 KiB/s ends an attempt, so a host that never answers costs a
    // minute with its retry.
    static cHTTPTimeouts FeedOrImage();
    // Enclosure downloads: large bodies that may rightly take hours on a slow
    // link, so no deadline, and no size cap (such a body belongs in a file);
    // only a transfer that stops moving at a useful pace (a minute under
    // 1 KiB/s) is abandoned.
    static cHTTPTimeouts EnclosureDownload();

    bool operator==(const cHTTPTimeouts&) const = default;
};

enum class HTTPFetchKind { FeedOrImage, EnclosureDownload };

// The limits a fetch of the kind gets: its profile, unless a
// cScopedHTTPTimeouts replaces it.
cHTTPTimeouts CurrentHTTPTimeouts(HTTPFetchKind kind);

// Replaces the limits of one kind of fetch for the whole process while it
// lives, and puts the previous ones back when it ends. For tests, whose
// fetches happen deep inside jobs that choose no limits of their own.
class cScopedHTTPTimeouts {
public:
    cScopedHTTPTimeouts(HTTPFetchKind kind, const cHTTPTimeouts& timeouts);
    ~cScopedHTTPTimeouts();
    cScopedHTTPTimeouts(const cScopedHTTPTimeouts&) = delete;
    cScopedHTTPTimeouts& operator=(const cScopedHTTPTimeouts&) = delete;

private:
    const HTTPFetchKind FKind;
    const cHTTPTimeouts FPrevious;
};

// A feed's validators, exactly as its server sent them (ETag and
// Last-Modified); empty when it sent none.
struct cHTTPValidators {
    QByteArray ETag;
    QByteArray LastModified;

    bool operator==(const cHTTPValidators&) const = default;
};

// What the reply whose body a fetch kept said besides its body.
struct cHTTPReply {
    // Its status; 0 when no reply came.
    long Status = 0;
    cHTTPValidators Validators;
    QByteArray RetryAfter;
    // The address the reply came from, after any redirect; empty when no
    // reply came.
    QString DocumentUrl;
    // Its Content-Type header as sent; empty when it gave none.
    QByteArray ContentType;
    // Why the fetch failed, one line ("HTTP 404 Not Found", "no connection
    // (...)"); empty when it gave a 2xx reply or a 304 to validators.
    QString Error;
    // Ended by AbortTransfers (the program stopping), not by the server or
    // the network: it says nothing about the feed.
    bool Cancelled = false;
};

// The charset parameter of a Content-Type header, unquoted; empty without
// one.
QByteArray CharsetOfContentType(const QByteArray& contentType);

// The system's only network client: HTTP GET, one object per fetch, no
// state kept between fetches. HTTPS is verified against the system's
// certificates; gzip and deflate replies are decoded.
class cHTTP {
public:
    // With the current limits of the kind.
    explicit cHTTP(HTTPFetchKind kind = HTTPFetchKind::FeedOrImage);
    explicit cHTTP(const cHTTPTimeouts& timeouts);

    // Fetches into the stream and never raises. On a failed first attempt
    // the stream is emptied and a plain HTTP/1.0 retry without redirects
    // copies whatever body it gets (an error page included), within what is
    // left of the deadline; the reply says how it ended. The validators
    // given are sent as If-None-Match and If-Modified-Since. A 304 leaves
    // the stream empty and is not retried, and is a failure when no
    // validators were given; nor are 429 and 503 retried, whose server
    // asked to be left alone, even when their body breaks off.
    cHTTPReply GetToStream(const QString& url, QBuffer& stream,
                           const cHTTPValidators& validators = {});
    // True when the first client gets a non-empty body.
    bool ProbeUrl(const QString& url);
    // The body from the first client; any failure raises. What the reply
    // said besides goes to reply when one is given.
    QByteArray GetBody(const QString& url, cHTTPReply* reply = nullptr);
    // Streams the body from the first client into the device as it
    // arrives, never holding it whole: large downloads go to their file
    // this way. No retry, so that an error page never passes for the file.
    // True when the transfer completed with a 2xx reply; otherwise the
    // device holds whatever part arrived. Never raises.
    bool GetToDevice(const QString& url, QIODevice& device);

    // Ends every transfer in progress at once, as failed, and skips their
    // retries; transfers started afterwards are not affected, unless a
    // cTransferScope made before the call holds their thread. For a quick
    // shutdown of the workers.
    static void AbortTransfers();
    // How many times AbortTransfers was called: a transfer that failed
    // while this changed may have been ended by it.
    static uint64_t AbortCount();
    // The AbortCount a transfer begun now on this thread counts from: the
    // one its cTransferScope saw, or else the current one.
    static uint64_t AbortCountAtStart();

    // While it lives, transfers on its thread count as begun when it was
    // made: an abort after that ends them, also those that begin later. A
    // worker holds one around each job, so that a shutdown also ends the
    // fetches that a job had not begun yet (it was waiting for the
    // database, say).
    class cTransferScope {
    public:
        cTransferScope();
        ~cTransferScope();
        cTransferScope(const cTransferScope&) = delete;
        cTransferScope& operator=(const cTransferScope&) = delete;

    private:
        const std::optional<uint64_t> FOuter;
    };

private:
    struct cResult {
        bool Completed = false;
        long Status = 0;
        bool TooLarge = false;
        bool Aborted = false;
        QString Error;
        cHTTPValidators Validators;
        QByteArray RetryAfter;
        QString DocumentUrl;
        QByteArray ContentType;
    };
    enum class Client { First, Retry };

    // timeoutMs bounds the attempt as a whole; 0: no bound. The first
    // client sends the validators given. The body goes to the device when
    // one is given, else into body.
    cResult Fetch(const QString& url, Client client, long timeoutMs, QByteArray& body,
                  const cHTTPValidators& validators = {}, QIODevice* device = nullptr) const;
    static bool IsSuccess(const cResult& result);

    cHTTPTimeouts FTimeouts;
};
