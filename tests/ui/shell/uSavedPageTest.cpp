#include "UiTestSupport.h"
#include "ingest/uMHTML.h"
#include "storage/uConfig.h"

#include <QFile>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

// A saved page is read later from the cache folder by the embedded browser:
// it must open as the page it was, without what was stripped from it.
class SavedPageTest : public QObject {
    Q_OBJECT

private slots:
    void theBrowserShowsTheSavedPageWithoutItsResourcesAndItsNewerCopy();

private:
    // What the page's document holds once the browser has read it.
    static QString DocumentMarkup(QWebEnginePage& page);
    static void Save(const QByteArray& page, const QString& path);
};

QString SavedPageTest::DocumentMarkup(QWebEnginePage& page) {
    QString markup;
    bool done = false;
    page.toHtml([&](const QString& html) {
        markup = html;
        done = true;
    });
    // Empty when the page never answers, which fails the checks on it.
    return QTest::qWaitFor([&] { return done; }, 10000) ? markup : QString();
}

void SavedPageTest::Save(const QByteArray& page, const QString& path) {
    // What SavePageAsMHT writes after its fetch.
    const QString address = QStringLiteral("http://news.example/2024/article.html");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(MHTMLDocument(StrippedPage(page, address), address));
}

void SavedPageTest::theBrowserShowsTheSavedPageWithoutItsResourcesAndItsNewerCopy() {
    const QString path = GetConfig().CacheFolder + QStringLiteral("901.mht");
    Save(R"html(<html><head><title>Caf&eacute; opening hours</title>
<link rel="stylesheet" href="site.css"><style>h1 { color: red }</style>
<script>document.title = "changed by a script";</script></head>
<body><h1>Opening hours</h1><p>Open daily from nine, <a href="menu.html">menu</a>.</p>
<img src="http://news.example/photo.jpg" alt="photo"></body></html>)html",
         path);

    QWebEngineView view;
    view.resize(640, 360);
    view.show();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.load(QUrl::fromLocalFile(path));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    QCOMPARE(loaded.first().first().toBool(), true);
    QTRY_COMPARE(view.title(), QStringLiteral("Caf\u00e9 opening hours"));
    const QString markup = DocumentMarkup(*view.page());
    QVERIFY2(markup.contains(QStringLiteral("Open daily from nine")), qPrintable(markup));
    for (const char* gone : {"<img", "<script", "<style", "<link", "site.css"})
        QVERIFY2(!markup.contains(QLatin1String(gone)), gone);
    SaveScreenshot(view, QStringLiteral("saved-page"));

    Save("<html><head><title>Closed today</title></head><body>Closed</body></html>", path);
    view.load(QUrl::fromLocalFile(path));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 2, 30000);
    QTRY_COMPARE(view.title(), QStringLiteral("Closed today"));
    QVERIFY(!DocumentMarkup(*view.page()).contains(QStringLiteral("Opening hours")));
}

VELMORA_UI_TEST_MAIN(SavedPageTest)
#include "uSavedPageTest.moc"
