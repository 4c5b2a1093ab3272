#pragma once

#include <QByteArray>
#include <QString>

class QBuffer;

// The product's web address, as sent in the User-Agent.
inline constexpr const char* ProductWebAddress = "https://velmora.app";

// Bounds of a fetch. The defaults are the product's; tests shorten them.
struct cHTTPTimeouts {
    long ConnectSeconds = 30;
    // A transfer slower than 1 byte/s for this long is abandoned.
    long StallSeconds = 60;
    long RetrySeconds = 90;
    // A body past this size fails the fetch.
    qint64 MaxBodyBytes = 64 * 1024 * 1024;
};

// The system's only network client: HTTP GET, one object per fetch, no
// state kept between fetches. HTTPS is verified against the system's
// certificates; gzip and deflate replies are decoded.
class cHTTP {
public:
    explicit cHTTP(const cHTTPTimeouts& timeouts = {});

    // Fetches into the stream and never raises. On a failed first attempt
    // the stream is emptied and a plain HTTP/1.0 retry without redirects
    // copies whatever body it gets (an error page included). Callers tell
    // success by the stream's size.
    void GetToStream(const QString& url, QBuffer& stream);
    // True when the first client gets a non-empty body.
    bool ProbeUrl(const QString& url);
    // The body from the first client; any failure raises.
    QByteArray GetBody(const QString& url);

    // Ends every transfer in progress at once, as failed, and skips their
    // retries; transfers started afterwards are not affected. For a quick
    // shutdown of the workers.
    static void AbortTransfers();

private:
    struct cResult {
        bool Completed = false;
        long Status = 0;
        bool TooLarge = false;
        bool Aborted = false;
        QString Error;
    };
    enum class Client { First, Retry };

    cResult Fetch(const QString& url, Client client, QByteArray& body) const;
    static bool IsSuccess(const cResult& result);

    cHTTPTimeouts FTimeouts;
};
