#include "ingest/uHTTP.h"

#include "TestHttpServer.h"
#include "storage/uErrors.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    quick.StallSeconds = 1;
    quick.RetrySeconds = 1;
    EXPECT_EQ(Fetched(silent.Url(), "old", quick), QByteArray());
    EXPECT_FALSE(cHTTP(quick).ProbeUrl(silent.Url()));
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
