#include "ingest/uHTTP.h"

#include "storage/uErrors.h"

#include <QBuffer>
#include <curl/curl.h>
#include <curl/header.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace {

const QByteArray UserAgent =
    QByteArray("Mozilla/3.0 (compatible; Velmora - ") + ProductWebAddress + ")";

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Bumped by AbortTransfers; a transfer started under an older value ends.
std::atomic<uint64_t> AbortGeneration{0};
// The value the transfers of this thread count from, while a
// cTransferScope holds it.
thread_local std::optional<uint64_t> ScopeGeneration;

struct cSink {
    QByteArray* body;
    // When set, the body is written here as it arrives instead.
    QIODevice* device;
    qint64 limit;
    uint64_t generation;
    qint64 received = 0;
    bool tooLarge = false;
    bool aborted = false;
};

int CheckAbort(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* sink = static_cast<cSink*>(user);
    sink->aborted = AbortGeneration.load() != sink->generation;
    return sink->aborted ? 1 : 0;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<cSink*>(user);
    const size_t bytes = size * count;
    if (sink->limit > 0 && sink->received + static_cast<qint64>(bytes) > sink->limit) {
        sink->tooLarge = true;
        return 0;
    }
    sink->received += static_cast<qint64>(bytes);
    if (!sink->device) {
        sink->body->append(data, static_cast<qsizetype>(bytes));
        return bytes;
    }
    // A short write (a full disk) ends the transfer as failed.
    return sink->device->write(data, static_cast<qint64>(bytes)) == static_cast<qint64>(bytes)
               ? bytes
               : 0;
}

// One handle per thread, reset after each transfer: setting one up for
// every feed costs as much as a loopback fetch, and it keeps its name and
// TLS session caches from one fetch to the next. Each fetch still has a
// connection of its own, closed after it, as with a new handle.
CURL* ThreadHandle() {
    thread_local const std::unique_ptr<CURL, void (*)(CURL*)> handle(curl_easy_init(),
                                                                     curl_easy_cleanup);
    return handle.get();
}

// A header of the last reply (after redirects), as received; empty when
// absent.
QByteArray ReplyHeader(CURL* curl, const char* name) {
    curl_header* header = nullptr;
    if (curl_easy_header(curl, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header)
        return QByteArray();
    return QByteArray(header->value);
}

// The request headers of a conditional fetch; null when there are none.
curl_slist* ConditionalHeaders(const cHTTPValidators& validators) {
    curl_slist* headers = nullptr;
    if (!validators.ETag.isEmpty())
        headers =
            curl_slist_append(headers, QByteArray("If-None-Match: " + validators.ETag).constData());
    if (!validators.LastModified.isEmpty())
        headers = curl_slist_append(
            headers, QByteArray("If-Modified-Since: " + validators.LastModified).constData());
    return headers;
}

const struct {
    long status;
    const char* text;
} StatusTexts[] = {
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {410, "Gone"},
    {429, "Too Many Requests"},
    {500, "Internal Server Error"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
};

QString StatusError(long status) {
    for (const auto& known : StatusTexts)
        if (known.status == status)
            return QStringLiteral("HTTP %1 %2").arg(status).arg(QLatin1String(known.text));
    return QStringLiteral("HTTP %1").arg(status);
}

// What went wrong with an exchange that did not complete, in a word or
// two, then libcurl's own text.
QString TransferError(CURLcode code, const char* errorText) {
    const QString detail = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code));
    const char* kind = nullptr;
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        kind = "no connection";
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        kind = "host not found";
        break;
    case CURLE_OPERATION_TIMEDOUT:
        kind = "timed out";
        break;
    case CURLE_TOO_MANY_REDIRECTS:
        kind = "redirected too often";
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        // Only a shutdown aborts transfers; libcurl's own text names its
        // callback, which says nothing to a user.
        return QStringLiteral("cancelled: the program was stopping");
    default:
        return detail;
    }
    return QStringLiteral("%1 (%2)").arg(QLatin1String(kind), detail);
}

bool AsksToWait(long status) {
    return status == 429 || status == 503;
}

using cClock = std::chrono::steady_clock;

// A fetch's deadline, if it has one.
class cDeadline {
public:
    explicit cDeadline(long seconds)
        : FNone(seconds <= 0), FEnd(cClock::now() + std::chrono::seconds(seconds)) {}

    // What is left for libcurl's bound of an attempt: 0 (no bound) when
    // there is no deadline, at least 1 ms otherwise.
    long RemainingMs() const {
        if (FNone)
            return 0;
        return std::max(1L, static_cast<long>(LeftMs()));
    }
    // Under a second left counts as spent: libcurl's clock may end an
    // attempt a moment before this one does, and a second is no time for
    // a retry of a server that has just failed.
    bool Spent() const { return !FNone && LeftMs() < 1000; }

private:
    int64_t LeftMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(FEnd - cClock::now()).count();
    }

    const bool FNone;
    const cClock::time_point FEnd;
};

struct cCurrentTimeouts {
    std::mutex Lock;
    cHTTPTimeouts FeedOrImage = cHTTPTimeouts::FeedOrImage();
    cHTTPTimeouts EnclosureDownload = cHTTPTimeouts::EnclosureDownload();

    cHTTPTimeouts& Of(HTTPFetchKind kind) {
        return kind == HTTPFetchKind::EnclosureDownload ? EnclosureDownload : FeedOrImage;
    }
};

cCurrentTimeouts& CurrentTimeouts() {
    static cCurrentTimeouts current;
    return current;
}

cHTTPTimeouts ReplaceTimeouts(HTTPFetchKind kind, const cHTTPTimeouts& timeouts) {
    cCurrentTimeouts& current = CurrentTimeouts();
    std::lock_guard<std::mutex> hold(current.Lock);
    cHTTPTimeouts previous = current.Of(kind);
    current.Of(kind) = timeouts;
    return previous;
}

} // namespace

cHTTPTimeouts cHTTPTimeouts::FeedOrImage() {
    return {};
}

cHTTPTimeouts cHTTPTimeouts::EnclosureDownload() {
    cHTTPTimeouts timeouts;
    timeouts.RateWindowSeconds = 60;
    timeouts.DeadlineSeconds = 0;
    timeouts.MaxBodyBytes = 0;
    return timeouts;
}

cHTTPTimeouts CurrentHTTPTimeouts(HTTPFetchKind kind) {
    cCurrentTimeouts& current = CurrentTimeouts();
    std::lock_guard<std::mutex> hold(current.Lock);
    return current.Of(kind);
}

cScopedHTTPTimeouts::cScopedHTTPTimeouts(HTTPFetchKind kind, const cHTTPTimeouts& timeouts)
    : FKind(kind), FPrevious(ReplaceTimeouts(kind, timeouts)) {}

cScopedHTTPTimeouts::~cScopedHTTPTimeouts() {
    ReplaceTimeouts(FKind, FPrevious);
}

QByteArray CharsetOfContentType(const QByteArray& contentType) {
    for (const QByteArray& parameter : contentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("charset="))
            return trimmed.mid(8).trimmed().replace('"', QByteArray()).replace('\'', QByteArray());
    }
    return QByteArray();
}

cHTTP::cHTTP(HTTPFetchKind kind) : cHTTP(CurrentHTTPTimeouts(kind)) {}

cHTTP::cHTTP(const cHTTPTimeouts& timeouts) : FTimeouts(timeouts) {
    InitialiseLibrary();
}

cHTTP::cResult cHTTP::Fetch(const QString& url, Client client, long timeoutMs, QByteArray& body,
                            const cHTTPValidators& validators, QIODevice* device) const {
    cResult result;
    CURL* curl = ThreadHandle();
    if (!curl) {
        result.Error = QStringLiteral("HTTP client unavailable");
        return result;
    }
    const QByteArray address = url.toUtf8();
    cSink sink{&body, device, FTimeouts.MaxBodyBytes, AbortCountAtStart()};
    // Aborted before it began: no request goes out.
    if (AbortGeneration.load() != sink.generation) {
        result.Aborted = true;
        result.Error = TransferError(CURLE_ABORTED_BY_CALLBACK, "");
        return result;
    }
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, FTimeouts.ConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckAbort);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    // Both clients alike: the retry is no excuse to wait longer.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, FTimeouts.MinimumBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, FTimeouts.RateWindowSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    const std::unique_ptr<curl_slist, void (*)(curl_slist*)> headers(
        client == Client::First ? ConditionalHeaders(validators) : nullptr, curl_slist_free_all);
    if (headers)
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    if (client == Client::First) {
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 15L);
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_USERAGENT, UserAgent.constData());
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    }
    const CURLcode code = curl_easy_perform(curl);
    result.TooLarge = sink.tooLarge;
    result.Aborted = sink.aborted;
    result.Completed = code == CURLE_OK;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.Status);
    if (result.Completed) {
        const char* effectiveUrl = nullptr;
        curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effectiveUrl);
        result.DocumentUrl = QString::fromUtf8(effectiveUrl);
        const char* contentType = nullptr;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
        result.ContentType = contentType;
        result.Validators = {ReplyHeader(curl, "ETag"), ReplyHeader(curl, "Last-Modified")};
    }
    // A server asking to be left alone has said so in its headers, even
    // when the body that follows breaks off.
    if (AsksToWait(result.Status))
        result.RetryAfter = ReplyHeader(curl, "Retry-After");
    // The options point into this call's frame: none may outlive it.
    curl_easy_reset(curl);
    if (!result.Completed && !AsksToWait(result.Status))
        result.Error = result.TooLarge
                           ? QStringLiteral("too large (over %1 bytes)").arg(FTimeouts.MaxBodyBytes)
                           : TransferError(code, errorText);
    else if (!IsSuccess(result))
        result.Error = StatusError(result.Status);
    return result;
}

bool cHTTP::IsSuccess(const cResult& result) {
    return result.Completed && result.Status >= 200 && result.Status <= 299;
}

cHTTPReply cHTTP::GetToStream(const QString& url, QBuffer& stream,
                              const cHTTPValidators& validators) {
    const cDeadline deadline(FTimeouts.DeadlineSeconds);
    QByteArray body;
    const cResult first = Fetch(url, Client::First, deadline.RemainingMs(), body, validators);
    cHTTPReply reply{first.Completed || AsksToWait(first.Status) ? first.Status : 0,
                     first.Validators, first.RetryAfter, first.DocumentUrl, first.ContentType,
                     first.Error,
                     // A server that asked to wait has said so in its headers,
                     // whatever the stop did to its body.
                     first.Aborted && !AsksToWait(first.Status)};
    if (IsSuccess(first)) {
        stream.write(body);
        return reply;
    }
    stream.buffer().clear();
    stream.seek(0);
    if (AsksToWait(first.Status))
        return reply;
    if (first.Completed && first.Status == 304) {
        // "Not modified" answers a conditional request only: to any other
        // it says nothing about the feed.
        reply.Error = validators == cHTTPValidators{}
                          ? QStringLiteral("HTTP 304 Not Modified to a request without validators")
                          : QString();
        return reply;
    }
    if (first.TooLarge || first.Aborted || deadline.Spent())
        return reply;
    QByteArray retryBody;
    const cResult retry = Fetch(url, Client::Retry, deadline.RemainingMs(), retryBody);
    // A stop that cut the retry off (or came before it) leaves the first
    // attempt's failure unconfirmed.
    reply.Cancelled = retry.Aborted;
    if (retry.Completed) {
        stream.seek(0);
        stream.write(retryBody);
        // The reply the stream now holds; the first attempt's failure stays
        // the reason unless the retry succeeded.
        reply = {retry.Status,      retry.Validators,  retry.RetryAfter,
                 retry.DocumentUrl, retry.ContentType, IsSuccess(retry) ? QString() : first.Error};
    }
    return reply;
}

bool cHTTP::ProbeUrl(const QString& url) {
    QByteArray body;
    return IsSuccess(Fetch(url, Client::First, cDeadline(FTimeouts.DeadlineSeconds).RemainingMs(),
                           body)) &&
           !body.isEmpty();
}

bool cHTTP::GetToDevice(const QString& url, QIODevice& device) {
    QByteArray unused;
    return IsSuccess(Fetch(url, Client::First, cDeadline(FTimeouts.DeadlineSeconds).RemainingMs(),
                           unused, {}, &device));
}

void cHTTP::AbortTransfers() {
    ++AbortGeneration;
}

uint64_t cHTTP::AbortCount() {
    return AbortGeneration.load();
}

uint64_t cHTTP::AbortCountAtStart() {
    return ScopeGeneration.value_or(AbortGeneration.load());
}

cHTTP::cTransferScope::cTransferScope() : FOuter(ScopeGeneration) {
    ScopeGeneration = AbortGeneration.load();
}

cHTTP::cTransferScope::~cTransferScope() {
    ScopeGeneration = FOuter;
}

QByteArray cHTTP::GetBody(const QString& url, cHTTPReply* reply) {
    QByteArray body;
    const cResult result =
        Fetch(url, Client::First, cDeadline(FTimeouts.DeadlineSeconds).RemainingMs(), body);
    if (!IsSuccess(result))
        throw EVelmoraError(QStringLiteral("Can't fetch %1: %2").arg(url, result.Error));
    if (reply)
        *reply = {result.Status,      result.Validators,  result.RetryAfter,
                  result.DocumentUrl, result.ContentType, QString()};
    return body;
}
