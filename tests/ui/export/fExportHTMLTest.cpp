#include "ui/export/fExportHTML.h"

#include "UiTestSupport.h"
#include "storage/uConfig.h"
#include "storage/uSQLValue.h"
#include "storage/uSpecialFolder.h"
#include "ui/shell/fLoadProgress.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

struct cPage {
    int Id;
    QString Title;
    int PageState = 1;
    bool Saved = true; // whether the page file is in the cache folder
    bool Archived = false;
};

// Replaces every node by the pages given, one channel, dated a day apart in
// the order given (oldest first), and their saved files "page <id>".
void PutPages(const QList<cPage>& pages) {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    database.Execute(QStringLiteral("delete from Node"));
    database.Execute(QStringLiteral("delete from Channel"));
    database.Execute(QStringLiteral("insert into Channel (ID, Title, IsoLanguageCode) values "
                                    "(1,'Daily Pages','en')"));
    QDir cache(GetConfig().CacheFolder);
    cache.removeRecursively();
    QDir().mkpath(cache.path());
    QStringList rows;
    int day = 0;
    for (const cPage& page : pages) {
        const QString date =
            QDate(2024, 1, 1).addDays(day++).toString(u"yyyy/MM/dd") + QStringLiteral(" 08:00:00");
        rows << QStringLiteral("(%1,1,%2,'','https://pages.example/%1','g%1','','en','',0,%3,0,"
                               "'%4',%5)")
                    .arg(page.Id)
                    .arg(QuotedText(page.Title), FlagText(page.Archived), date)
                    .arg(page.PageState);
        if (page.Saved) {
            QFile file(cache.filePath(QStringLiteral("%1.mht").arg(page.Id)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("page %1").arg(page.Id).toUtf8());
        }
    }
    if (!rows.isEmpty())
        database.Execute(QStringLiteral("insert into Node values ") + rows.join(u','));
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Counts how often a window is shown and hidden.
struct cShowCounter : QObject {
    int Shown = 0;
    int Hidden = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Shown += event->type() == QEvent::Show;
        Hidden += event->type() == QEvent::Hide;
        return false;
    }
};

} // namespace

class ExportHTMLTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { FProgress.installEventFilter(&FProgressShows); }
    void init() {
        QVERIFY(FTarget.isValid());
        QDir(FTarget.path()).removeRecursively();
        QDir().mkpath(FTarget.path());
        FProgressShows.Shown = FProgressShows.Hidden = 0;
    }

    void noDownloadedPageGivesAnEmptyListAndACleanClose() {
        PutPages({{1, QStringLiteral("Requested"), 2},
                  {2, QStringLiteral("Failed"), 4},
                  {3, QStringLiteral("Archived"), 1, true, true}});
        TfrmExportHTML window(FProgress);
        QCOMPARE(List(window).model()->rowCount(), 0);
        QCOMPARE(Directory(window).text(), cSpecialFolder::GetPersonalFolder());
        Directory(window).setText(FTarget.path());
        QCOMPARE(Export(window), QStringLiteral("Pages exported: 0. Pages skipped: 0."));
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(QDir(FTarget.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(FProgressShows.Shown, 1);
        QVERIFY(!FProgress.isVisible());
    }

    void onlyTheHundredOldestPagesAreListedAndExported() {
        QList<cPage> pages;
        for (int id = 1; id <= 105; ++id)
            pages << cPage{id, QStringLiteral("Page %1").arg(id)};
        PutPages(pages);
        TfrmExportHTML window(FProgress);
        const QAbstractItemModel& rows = *List(window).model();
        QCOMPARE(rows.rowCount(), 100);
        QCOMPARE(rows.columnCount(), 4);
        const QStringList header = {rows.headerData(0, Qt::Horizontal).toString(),
                                    rows.headerData(1, Qt::Horizontal).toString(),
                                    rows.headerData(2, Qt::Horizontal).toString(),
                                    rows.headerData(3, Qt::Horizontal).toString()};
        QCOMPARE(header, QStringList({"Channel's Title", "Node's Title", "Node's URL", "Date"}));
        QCOMPARE(rows.index(0, 0).data().toString(), QStringLiteral("Daily Pages"));
        QCOMPARE(rows.index(0, 1).data().toString(), QStringLiteral("Page 1"));
        QCOMPARE(rows.index(0, 2).data().toString(), QStringLiteral("https://pages.example/1"));
        QCOMPARE(rows.index(0, 3).data().toString(), QStringLiteral("2024/01/01 08:00:00"));
        QCOMPARE(rows.index(99, 1).data().toString(), QStringLiteral("Page 100"));

        Directory(window).setText(FTarget.path());
        QCOMPARE(Export(window), QStringLiteral("Pages exported: 100. Pages skipped: 0."));
        const QDir target(FTarget.path());
        QCOMPARE(target.entryList(QDir::Files).size(), 100);
        QVERIFY(target.exists(QStringLiteral("Page 100.mht")));
        QVERIFY(!target.exists(QStringLiteral("Page 101.mht")));
    }

    // The pages in date order: the first of two with the same safe title
    // wins, an earlier export is kept, a page without its file is skipped,
    // and the progress window is gone before the closing message.
    void eachPageIsCopiedOnceNeverOverAFileAndSkipsAreCounted() {
        PutPages({{1, QStringLiteral("Q&A: news. today")},
                  {2, QStringLiteral("Same/title")},
                  {3, QStringLiteral("Same?title")},
                  {4, QStringLiteral("Kept")},
                  {5, QStringLiteral("Lost"), 1, false},
                  {6, QStringLiteral("Last")}});
        const QDir target(FTarget.path());
        {
            QFile earlier(target.filePath(QStringLiteral("Kept.mht")));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier export");
        }
        TfrmExportHTML window(FProgress);
        window.show();
        // A trailing separator is not doubled.
        Directory(window).setText(FTarget.path() + QLatin1Char('/'));
        bool progressGoneFirst = false;
        const QString message = Export(window, &progressGoneFirst);
        QVERIFY(message.startsWith(QStringLiteral("Pages exported: 3. Pages skipped: 3.\n")));
        QVERIFY(progressGoneFirst);
        QCOMPARE(FProgressShows.Shown, 1);
        QVERIFY(!FProgress.isVisible());
        auto* gauge = FProgress.findChild<QProgressBar*>(QStringLiteral("pbGauge"));
        QCOMPARE(gauge->maximum(), 6);
        QCOMPARE(gauge->value(), 6);

        QCOMPARE(target.entryList(QDir::Files),
                 QStringList({"Kept.mht", "Last.mht", "Q_A: news_ today.mht", "Same_title.mht"}));
        QCOMPARE(Contents(target.filePath(QStringLiteral("Q_A: news_ today.mht"))), "page 1");
        QCOMPARE(Contents(target.filePath(QStringLiteral("Same_title.mht"))), "page 2");
        QCOMPARE(Contents(target.filePath(QStringLiteral("Kept.mht"))), "earlier export");
        QCOMPARE(Contents(target.filePath(QStringLiteral("Last.mht"))), "page 6");
        QCOMPARE(List(window).currentIndex().row(), 5);
    }

    void targetPathsJoinFolderAndNameWithOneSeparator() {
        QCOMPARE(TfrmExportHTML::TargetPath(QStringLiteral("/tmp/out"), QStringLiteral("a.mht")),
                 QStringLiteral("/tmp/out/a.mht"));
        QCOMPARE(TfrmExportHTML::TargetPath(QStringLiteral("/tmp/out/"), QStringLiteral("a.mht")),
                 QStringLiteral("/tmp/out/a.mht"));
        QCOMPARE(TfrmExportHTML::TargetPath(QString(), QStringLiteral("a.mht")), QString());
        QCOMPARE(TfrmExportHTML::TargetPath(QStringLiteral("/tmp/out"),
                                            QStringLiteral(":Colon title_ Part 1.mht")),
                 QStringLiteral("/tmp/out/:Colon title_ Part 1.mht"));
    }

    void cancelClosesWithoutCopying() {
        PutPages({{1, QStringLiteral("One")}});
        TfrmExportHTML window(FProgress);
        Directory(window).setText(FTarget.path());
        QTimer::singleShot(0, &window, [&window] {
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btCancel")),
                              Qt::LeftButton);
        });
        QCOMPARE(window.exec(), int(QDialog::Rejected));
        QCOMPARE(QDir(FTarget.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(FProgressShows.Shown, 0);
    }

    void theFolderPickerReplacesTheDirectoryOnlyWhenConfirmed() {
        PutPages({});
        TfrmExportHTML window(FProgress);
        window.show();
        const QString before = Directory(window).text();
        QString title;
        WhenModalShows([&title](QWidget& picker) {
            title = picker.windowTitle();
            qobject_cast<QDialog*>(&picker)->reject();
        });
        window.ChooseDirectory();
        QCOMPARE(title, QStringLiteral("Choose a directory"));
        QCOMPARE(Directory(window).text(), before);

        const QString chosen = FTarget.path() + QStringLiteral("/picked");
        QVERIFY(QDir().mkpath(chosen));
        WhenModalShows([&chosen](QWidget& picker) {
            auto* dialog = qobject_cast<QFileDialog*>(&picker);
            QVERIFY(dialog);
            // The user types the folder's path into the picker's name box.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(chosen);
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        });
        window.ChooseDirectory();
        QCOMPARE(Directory(window).text(), chosen);
    }

    void screenshotsOfTheExportAndProgressWindows() {
        PutPages({{1, QStringLiteral("Why the sky is blue")},
                  {2, QStringLiteral("Q&A: feeds, folders and files")},
                  {3, QStringLiteral("Episode 42: Feeds all the way down")}});
        TfrmExportHTML window(FProgress);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        List(window).setCurrentIndex(List(window).model()->index(1, 0));
        QVERIFY(QFile::exists(SaveScreenshot(window, QStringLiteral("export-window"))));

        FProgress.ShowProgress();
        FProgress.SetMaximum(3);
        FProgress.Step();
        QCOMPARE(FProgress.contentsRect().size(), QSize(205, 63));
        QVERIFY(QFile::exists(SaveScreenshot(FProgress, QStringLiteral("load-progress"))));
        FProgress.HideProgress();
    }

private:
    static QAbstractItemView& List(TfrmExportHTML& window) {
        return *window.findChild<QAbstractItemView*>(QStringLiteral("lvNode"));
    }
    static QLineEdit& Directory(TfrmExportHTML& window) {
        return *window.findChild<QLineEdit*>(QStringLiteral("edDirectory"));
    }

    // Clicks "Do the export" and answers the closing message; returns its
    // text. progressGoneFirst: whether the progress window was hidden when
    // the message came.
    QString Export(TfrmExportHTML& window, bool* progressGoneFirst = nullptr) {
        window.show();
        QString message;
        WhenModalShows([&](QWidget& box) {
            if (progressGoneFirst)
                *progressGoneFirst = !FProgress.isVisible() && FProgressShows.Hidden > 0;
            auto* shown = qobject_cast<QMessageBox*>(&box);
            QVERIFY(shown);
            message = shown->text();
            shown->accept();
        });
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btExport")),
                          Qt::LeftButton);
        return message;
    }

    QTemporaryDir FTarget;
    TfrmLoadProgress FProgress;
    cShowCounter FProgressShows;
};

VELMORA_UI_TEST_MAIN(ExportHTMLTest)
#include "fExportHTMLTest.moc"
