#include "ingest/uHTTP.h"

#include "TestHttpServer.h"
#include "storage/uErrors.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

cTestEndpoint Body(const QByteArray& body, int status = 200) {
    cTestEndpoint endpoint;
    endpoint.Status = status;
    endpoint.Body = body;
    return endpoint;
}

QByteArray Fetched(const QString& url, const QByteArray& before = QByteArray(),
                   const cHTTPTimeouts& timeouts = {}) {
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    stream.write(before);
    cHTTP(timeouts).GetToStream(url, stream);
    return stream.data();
}

// A body of the length, sent a piece per interval.
cTestEndpoint Trickle(int length, int bytesPerPiece, int intervalMs) {
    cTestEndpoint endpoint = Body(QByteArray(length, 'x'));
    endpoint.TrickleBytes = bytesPerPiece;
    endpoint.TrickleInterval = std::chrono::milliseconds(intervalMs);
    return endpoint;
}

cHTTPTimeouts Limits(cHTTPTimeouts profile, long minimumBytesPerSecond, long rateWindowSeconds,
                     long deadlineSeconds) {
    profile.MinimumBytesPerSecond = minimumBytesPerSecond;
    profile.RateWindowSeconds = rateWindowSeconds;
    profile.DeadlineSeconds = deadlineSeconds;
    return profile;
}

template <class TCall> double SecondsTaken(TCall call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

class HTTP : public testing::Test {
protected:
    cTestHttpServer Server;
};

TEST_F(HTTP, AFeedIsFetchedWithTheProductsUserAgent) {
    auto route = Server.Serve("/feed.xml", Body("<rss/>"));
    EXPECT_EQ(Fetched(Server.Url("/feed.xml")), QByteArray("<rss/>"));
    ASSERT_EQ(Server.Requests().size(), 1u);
    EXPECT_EQ(Server.Requests()[0].UserAgent,
              std::string("Mozilla/3.0 (compatible; Velmora - ") + ProductWebAddress + ")");
    EXPECT_EQ(Server.Requests()[0].Version, "HTTP/1.1");
}

TEST_F(HTTP, AnErrorStatusGivesTheRetrysErrorPage) {
    auto route = Server.Serve("/gone", Body("<html>gone</html>", 404));
    EXPECT_EQ(Fetched(Server.Url("/gone"), "old data"), QByteArray("<html>gone</html>"));
    const auto requests = Server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Version, "HTTP/1.0");
    EXPECT_FALSE(cHTTP().ProbeUrl(Server.Url("/gone")));
    EXPECT_THROW(cHTTP().GetBody(Server.Url("/gone")), EVelmoraError);
}

TEST_F(HTTP, RedirectsAreFollowedUpToFifteen) {
    auto target = Server.Serve("/final", Body("final body"));
    auto shortChain = Server.RedirectChain("/short", 1, "/final");
    EXPECT_EQ(Fetched(Server.Url("/short")), QByteArray("final body"));
    EXPECT_EQ(cHTTP().GetBody(Server.Url("/short")), QByteArray("final body"));

    auto longChain = Server.RedirectChain("/long", 15, "/final");
    // Sixteen redirects fail the first client; the retry does not follow
    // redirects and keeps the redirect reply's own body.
    EXPECT_EQ(Fetched(Server.Url("/long")), QByteArray("moved"));
    EXPECT_THROW(cHTTP().GetBody(Server.Url("/long")), EVelmoraError);
}

TEST_F(HTTP, AnEmptyReplyOrAnUnreachableHostGivesAnEmptyStream) {
    auto empty = Server.Serve("/empty", Body(QByteArray()));
    EXPECT_EQ(Fetched(Server.Url("/empty")), QByteArray());
    EXPECT_FALSE(cHTTP().ProbeUrl(Server.Url("/empty")));
    EXPECT_EQ(cHTTP().GetBody(Server.Url("/empty")), QByteArray());

    cHTTPTimeouts quick;
    quick.ConnectSeconds = 2;
    EXPECT_EQ(Fetched(QStringLiteral("http://127.0.0.1:1/feed.xml"), "old", quick), QByteArray());
    EXPECT_EQ(Fetched(QStringLiteral("ftp://127.0.0.1/feed.xml"), "old", quick), QByteArray());
}

TEST_F(HTTP, CompressedRepliesAreDecoded) {
    cTestEndpoint compressed =
        Body(QByteArray("<rss>").append(QByteArray(5000, 'x')).append("</rss>"));
    compressed.Gzip = true;
    compressed.ContentType = "application/octet-stream";
    auto route = Server.Serve("/gzip", compressed);
    EXPECT_EQ(Fetched(Server.Url("/gzip")), compressed.Body);
}

TEST_F(HTTP, ASuccessfulFetchWritesAtTheStreamsPosition) {
    auto route = Server.Serve("/feed.xml", Body("<rss/>"));
    EXPECT_EQ(Fetched(Server.Url("/feed.xml"), "kept:"), QByteArray("kept:<rss/>"));
}

TEST_F(HTTP, ABodyPastTheLimitFailsTheFetch) {
    auto route = Server.Serve("/big", Body(QByteArray(4096, 'x')));
    cHTTPTimeouts small;
    small.MaxBodyBytes = 1024;
    EXPECT_EQ(Fetched(Server.Url("/big"), "old", small), QByteArray());
    EXPECT_EQ(Server.Requests().size(), 1u) << "the same body is not fetched again";
}

TEST(HTTPStall, AServerThatNeverAnswersIsAbandoned) {
    cSilentServer silent;
    cHTTPTimeouts quick;
    quick.RateWindowSeconds = 1;
    EXPECT_EQ(Fetched(silent.Url(), "old", quick), QByteArray());
    EXPECT_FALSE(cHTTP(quick).ProbeUrl(silent.Url()));
}

TEST(HTTPStall, AServerThatNeverAnswersCostsOneDeadlineRetryIncluded) {
    cSilentServer silent;
    // Only the deadline can end these attempts.
    const cHTTPTimeouts limits = Limits(cHTTPTimeouts::FeedOrImage(), 1, 60, 2);
    EXPECT_LT(SecondsTaken([&] { EXPECT_EQ(Fetched(silent.Url(), "old", limits), QByteArray()); }),
              20.0)
        << "the first attempt and its retry end within one deadline";
    EXPECT_LT(SecondsTaken([&] { EXPECT_FALSE(cHTTP(limits).ProbeUrl(silent.Url())); }), 20.0);
    EXPECT_LT(
        SecondsTaken([&] { EXPECT_THROW(cHTTP(limits).GetBody(silent.Url()), EVelmoraError); }),
        20.0);
}

// Every trickle here would take a minute to send its body; the bounds end
// them within seconds, so an end within 20 s is proof enough of a bound.
TEST_F(HTTP, SlowTransfersEndAtTheirMinimumRateOrTheirDeadline) {
    struct cCase {
        const char* Name;
        int Length, BytesPerPiece, IntervalMs;
        cHTTPTimeouts Limits;
        bool Completes;
        size_t Requests;
    };
    const cCase cases[] = {
        // 20 B/s, well over the minimum rate: only the deadline ends it, and
        // it leaves no time for the retry.
        {"a feed trickling over the minimum rate", 1200, 1, 50,
         Limits(cHTTPTimeouts::FeedOrImage(), 1, 60, 2), false, 1},
        // 20 B/s under a minimum of 1000 B/s, with no deadline: each attempt
        // ends after its window.
        {"an enclosure trickling under the minimum rate", 1200, 1, 50,
         Limits(cHTTPTimeouts::EnclosureDownload(), 1000, 1, 0), false, 2},
        // 800 B/s for three seconds, over a minimum of 100 B/s: the window
        // passes and the body still arrives whole.
        {"an enclosure sent slowly but over the minimum rate", 2400, 40, 50,
         Limits(cHTTPTimeouts::EnclosureDownload(), 100, 2, 0), true, 1},
    };
    for (const cCase& slow : cases) {
        SCOPED_TRACE(slow.Name);
        cTestHttpServer server;
        const cTestEndpoint trickle = Trickle(slow.Length, slow.BytesPerPiece, slow.IntervalMs);
        auto route = server.Serve("/slow", trickle);
        QByteArray fetched;
        const double seconds =
            SecondsTaken([&] { fetched = Fetched(server.Url("/slow"), "old", slow.Limits); });
        EXPECT_EQ(fetched, slow.Completes ? QByteArray("old").append(trickle.Body) : QByteArray());
        EXPECT_EQ(server.Requests().size(), slow.Requests);
        if (!slow.Completes) {
            EXPECT_LT(seconds, 20.0) << "the fetch ended well before the trickle would have";
        }
    }
}

TEST_F(HTTP, AnAbortEndsATransferThatHasNoDeadline) {
    auto route = Server.Serve("/episode.mp3", Trickle(1200, 1, 50));
    // Over the minimum rate: nothing but the abort ends it.
    const cHTTPTimeouts limits = Limits(cHTTPTimeouts::EnclosureDownload(), 1, 60, 0);
    auto fetch = std::async(std::launch::async, [&] {
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        const cHTTPReply reply = cHTTP(limits).GetToStream(Server.Url("/episode.mp3"), stream);
        return std::make_pair(stream.data(), reply.Error);
    });
    while (Server.Requests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cHTTP::AbortTransfers();
    ASSERT_EQ(fetch.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const auto [body, error] = fetch.get();
    EXPECT_EQ(body, QByteArray());
    EXPECT_EQ(error, QStringLiteral("cancelled: the program was stopping"));
    EXPECT_EQ(Server.Requests().size(), 1u) << "an aborted fetch is not retried";
}

TEST_F(HTTP, ScopedLimitsReachFetchesMadeWithoutLimitsOfTheirOwn) {
    auto route = Server.Serve("/slow", Trickle(1200, 1, 50));
    {
        cScopedHTTPTimeouts shortened(HTTPFetchKind::FeedOrImage,
                                      Limits(cHTTPTimeouts::FeedOrImage(), 1, 60, 1));
        EXPECT_EQ(CurrentHTTPTimeouts(HTTPFetchKind::EnclosureDownload),
                  cHTTPTimeouts::EnclosureDownload());
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        EXPECT_LT(SecondsTaken([&] { cHTTP().GetToStream(Server.Url("/slow"), stream); }), 20.0);
        EXPECT_EQ(stream.size(), 0);
    }
    EXPECT_EQ(CurrentHTTPTimeouts(HTTPFetchKind::FeedOrImage), cHTTPTimeouts::FeedOrImage());
}

TEST(HTTPSecure, AnHttpsServerIsSpokenToAndItsCertificateVerified) {
    QTemporaryDir folder;
    const QString certificate = folder.filePath(QStringLiteral("server.pem"));
    const QString key = folder.filePath(QStringLiteral("server.key"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   key, QStringLiteral("-out"), certificate, QStringLiteral("-days"),
                   QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    ASSERT_TRUE(openssl.waitForFinished(60000));
    ASSERT_EQ(openssl.exitCode(), 0);

    cTestHttpServer server(certificate, key);
    auto route = server.Serve("/feed.xml", Body("<rss/>"));
    ASSERT_TRUE(server.Url("/feed.xml").startsWith(QStringLiteral("https://")));
    // The certificate is signed by nobody the system trusts: the TLS
    // exchange happens and the certificate is refused.
    try {
        cHTTP().GetBody(server.Url("/feed.xml"));
        FAIL() << "an untrusted certificate was accepted";
    } catch (const EVelmoraError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("certificate"), Qt::CaseInsensitive))
            << error.Message().toStdString();
    }
    EXPECT_EQ(Fetched(server.Url("/feed.xml"), "old"), QByteArray());
}
