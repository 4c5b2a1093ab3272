#include "engine/uChannelIconList.h"

#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uChannelIconLoader.h"
#include "engine/uIconImages.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uThreadPool.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"
#include "storage/uSQLValue.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <deque>
#include <thread>
#include <zlib.h>

namespace {

// Calls meant for the GUI thread, run by the test's thread when it drains
// them: the test's thread stands in for the GUI thread.
class cTestThreadDispatcher : public cQueuedDispatcher {
public:
    void RunPosted() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard<std::mutex> hold(FLock);
            tasks.swap(FTasks);
        }
        for (const auto& task : tasks)
            task();
    }

protected:
    void Post(std::function<void()> task) override {
        std::lock_guard<std::mutex> hold(FLock);
        FTasks.push_back(std::move(task));
    }

private:
    std::mutex FLock;
    std::deque<std::function<void()>> FTasks;
};

QByteArray Encoded(const QImage& picture, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return data;
}

QImage Filled(int width, int height, const QColor& colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// A PNG signature and header chunk declaring width x height, and nothing
// more: decoding would need the whole picture in memory.
QByteArray PngHeaderOnly(uint32_t width, uint32_t height) {
    QByteArray chunk("IHDR");
    for (uint32_t side : {width, height})
        for (int shift : {24, 16, 8, 0})
            chunk.append(char((side >> shift) & 0xff));
    chunk.append("\x08\x06\x00\x00\x00", 5);
    QByteArray data("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
    data.append(chunk);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.constData()), chunk.size());
    for (int shift : {24, 16, 8, 0})
        data.append(char((crc >> shift) & 0xff));
    return data;
}

cTestEndpoint Answer(const QByteArray& body, std::string contentType, int status = 200) {
    cTestEndpoint endpoint;
    endpoint.Status = status;
    endpoint.Body = body;
    endpoint.ContentType = std::move(contentType);
    return endpoint;
}

bool SamePixels(const QImage& left, const QImage& right) {
    return left.convertToFormat(QImage::Format_RGB32) ==
           right.convertToFormat(QImage::Format_RGB32);
}

int CountPixels(const QImage& picture, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            count += picture.pixelColor(x, y) == colour;
    return count;
}

class ChannelIcons : public EngineFixture {
protected:
    // Text needs fonts, which come with a QGuiApplication.
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "velmora_engine_tests";
        static char* argv[] = {name, nullptr};
        Application = new QGuiApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete Application;
        Application = nullptr;
    }

    ChannelIcons() {
        Database.Execute(QStringLiteral("delete from ChannelIcon"));
        QDir images(GetConfig().ImageCacheFolder);
        for (const QString& file : images.entryList(QDir::Files))
            images.remove(file);
    }

    void AddChannel(int64_t id, const QString& title, const QString& imageUrl = QString()) {
        Database.Execute(QStringLiteral("insert into Channel (ID, Title, ImageURL) values (") %
                         NumberText(id) % u',' % QuotedText(title) % u',' % QuotedText(imageUrl) %
                         u')');
    }
    QString IconRow(int64_t id) {
        return QString::fromUtf8(Database.QueryText(
            QStringLiteral("select ChannelId || '|' || IconFileName || '|' || IsLastIconUpdateOk "
                           "|| '|' || LastIconUpdate_UTC from ChannelIcon where ChannelId = ") %
            NumberText(id)));
    }
    bool LastLoadOk(int64_t id) {
        return Database.QueryInt(
                   QStringLiteral("select IsLastIconUpdateOk from ChannelIcon where ChannelId = ") %
                   NumberText(id)) != 0;
    }
    static QString IconFile(int64_t id) {
        return GetConfig().ImageCacheFolder % NumberText(id) % QStringLiteral(".bmp");
    }
    // The loader job the last miss queued, taken from the queue.
    std::unique_ptr<cBaseJob> TakeJob() {
        EXPECT_FALSE(Jobs.empty());
        if (Jobs.empty())
            return nullptr;
        auto job = std::move(Jobs.front());
        Jobs.erase(Jobs.begin());
        return job;
    }
    // Runs the job as a worker does: OnDone only after a normal end.
    void RunJob(cBaseJob& job) {
        job.Run();
        if (job.OnDone)
            job.OnDone();
    }
    // An icon loaded at the given time, its file a plain green picture.
    void StoreLoadedIcon(int64_t id, const QDateTime& loadedAt) {
        Database.Execute(QStringLiteral("insert into ChannelIcon values(") % NumberText(id) %
                         QStringLiteral(",'") % NumberText(id) % QStringLiteral(".bmp',-1,") %
                         QuotedText(DateTimeToText(loadedAt)) % u')');
        SaveBitmapFile(Filled(20, 10, Qt::green), IconFile(id));
    }

    static inline QGuiApplication* Application = nullptr;
    // Jobs are collected rather than run, so each test runs them when it
    // wants to.
    cChannelIconList::cJobSink Collect() {
        return [this](std::unique_ptr<cBaseJob> job) { Jobs.push_back(std::move(job)); };
    }

    std::vector<std::unique_ptr<cBaseJob>> Jobs;
    cChannelIconList Icons{20, Collect()};
    cTestHttpServer Server;
};

} // namespace

TEST_F(ChannelIcons, TheFirstLookupStoresARowAndAPlaceholderAndQueuesAnUrgentLoad) {
    AddChannel(7, QStringLiteral("Tech & Science Daily"));
    const QString before = DateTimeToText(LocalNow());
    const QImage picture = Icons.GetIcon(7);

    EXPECT_EQ(picture.size(), QSize(126, 62));
    EXPECT_EQ(picture.pixelColor(125, 61), QColor(Qt::white));
    EXPECT_GT(CountPixels(picture, QColor(0, 0, 255)), 50) << "the title in blue";
    const QStringList row = IconRow(7).split(u'|');
    ASSERT_EQ(row.size(), 4);
    EXPECT_EQ(row.mid(0, 3), QStringList({"7", "7.bmp", "0"}));
    EXPECT_GE(row[3], before);
    EXPECT_TRUE(QFile(IconFile(7)).open(QIODevice::ReadOnly));
    EXPECT_TRUE(SamePixels(LoadBitmapFile(IconFile(7)), picture));
    ASSERT_EQ(Jobs.size(), 1u);
    const auto* job = dynamic_cast<const cChannelIconLoaderJob*>(Jobs[0].get());
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->ChannelId, 7);
    EXPECT_EQ(job->Urgent, 1);
    EXPECT_EQ(job->Size, 64);

    const uint64_t statements = StatementsCompiledByThisThread();
    EXPECT_EQ(Icons.GetIcon(7).cacheKey(), picture.cacheKey());
    EXPECT_EQ(StatementsCompiledByThisThread(), statements)
        << "a ring hit asks nothing of the file";
    EXPECT_EQ(Jobs.size(), 1u);
}

TEST_F(ChannelIcons, AnIconLoadedLessThanADayAgoIsServedFromItsFileWithoutALoad) {
    const struct {
        int HoursAgo;
        bool Reloaded;
    } cases[] = {{23, false}, {25, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.HoursAgo);
        Database.Execute(QStringLiteral("delete from ChannelIcon"));
        Database.Execute(QStringLiteral("delete from Channel"));
        Jobs.clear();
        AddChannel(5, QStringLiteral("Weekly"));
        const QDateTime loadedAt = LocalNow().addSecs(-3600 * c.HoursAgo);
        StoreLoadedIcon(5, loadedAt);

        cChannelIconList icons(20, Collect());
        EXPECT_TRUE(SamePixels(icons.GetIcon(5), Filled(20, 10, Qt::green)));
        EXPECT_EQ(Jobs.size(), c.Reloaded ? 1u : 0u);
        EXPECT_EQ(LastLoadOk(5), !c.Reloaded);
        const QString storedTime = IconRow(5).section(u'|', 3);
        if (c.Reloaded)
            EXPECT_GT(storedTime, DateTimeToText(loadedAt.addSecs(3600)));
        else
            EXPECT_EQ(storedTime, DateTimeToText(loadedAt));
    }
}

TEST_F(ChannelIcons, APngIsStoredAsABitmapAndTheWindowIsToldOnItsOwnThreadAfterwards) {
    QImage png(20, 10, QImage::Format_RGB32);
    png.fill(Qt::darkMagenta);
    png.setPixelColor(3, 4, Qt::yellow);
    auto image = Server.Serve("/logo.png", Answer(Encoded(png, "PNG"), "image/png"));
    AddChannel(3, QStringLiteral("Pictures"), Server.Url("/logo.png"));

    cTestThreadDispatcher dispatcher;
    cThreadPool pool(1, dispatcher);
    cChannelIconList icons(20, [&](std::unique_ptr<cBaseJob> job) { pool.AddJob(std::move(job)); });
    std::thread::id noticedOn;
    bool storedBeforeNotice = false;
    icons.SetIconsChangedNotice([&] {
        noticedOn = std::this_thread::get_id();
        storedBeforeNotice = LastLoadOk(3);
    });
    icons.GetIcon(3);
    ASSERT_TRUE(Eventually([&] {
        dispatcher.RunPosted();
        return noticedOn != std::thread::id();
    }));

    EXPECT_EQ(noticedOn, std::this_thread::get_id());
    EXPECT_TRUE(storedBeforeNotice);
    QFile file(IconFile(3));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("BM"));
    EXPECT_TRUE(SamePixels(LoadBitmapFile(IconFile(3)), png));
    EXPECT_TRUE(SamePixels(icons.GetIcon(3), png)) << "the ring holds the loaded picture";
}

TEST_F(ChannelIcons, ADamagedOrOversizedImageEndsTheLoadWithNothingStored) {
    QImage noise(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            noise.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (y * 53) % 256));
    const QByteArray wholePng = Encoded(noise, "PNG");
    const struct {
        const char* Name;
        QByteArray Data;
    } cases[] = {
        {"JPEG start, then no JPEG",
         QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11) + QByteArray(200, '\x5a')},
        {"PNG header declaring 100000 x 100000", PngHeaderOnly(100000, 100000)},
        {"whole PNG 4097 pixels wide", Encoded(Filled(4097, 1, Qt::blue), "PNG")},
        {"PNG cut in half", wholePng.left(wholePng.size() / 2)},
        {"GIF start, then no GIF", QByteArray("GIF89a\x10\x00\x10\x00", 10) + QByteArray(50, 0)},
    };
    int64_t id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ++id;
        auto image = Server.Serve("/image", Answer(c.Data, "image/png"));
        AddChannel(id, QStringLiteral("Broken"), Server.Url("/image"));
        const QImage placeholder = Icons.GetIcon(id);
        auto job = TakeJob();
        ASSERT_TRUE(job);
        EXPECT_THROW(job->Run(), EVelmoraError);
        EXPECT_FALSE(LastLoadOk(id));
        EXPECT_TRUE(SamePixels(LoadBitmapFile(IconFile(id)), placeholder));

        cChannelIconList ringEmpty(20, Collect());
        ringEmpty.GetIcon(id);
        EXPECT_EQ(Jobs.size(), 1u) << "the next miss tries again";
        Jobs.clear();
    }
}

TEST_F(ChannelIcons, TheRingReplacesItsEntriesInTheOrderTheyWereFilled) {
    for (int64_t id = 1; id <= 22; ++id) {
        AddChannel(id, QStringLiteral("Channel %1").arg(id));
        StoreLoadedIcon(id, LocalNow());
    }
    for (int64_t id = 1; id <= 20; ++id)
        Icons.GetIcon(id);
    std::vector<int64_t> expected;
    for (int64_t id = 1; id <= 20; ++id)
        expected.push_back(id);
    EXPECT_EQ(Icons.CachedChannelIds(), expected);

    Icons.GetIcon(1);
    Icons.GetIcon(21);
    expected[0] = 21;
    EXPECT_EQ(Icons.CachedChannelIds(), expected) << "the first filled goes, though just used";
    Icons.GetIcon(22);
    expected[1] = 22;
    EXPECT_EQ(Icons.CachedChannelIds(), expected);
    Icons.GetIcon(1);
    expected[2] = 1;
    EXPECT_EQ(Icons.CachedChannelIds(), expected);
    EXPECT_TRUE(Jobs.empty());
}

TEST_F(ChannelIcons, WithoutAnImageToLoadTheRedBadgeIsStoredAsLoaded) {
    auto page =
        Server.Serve("/page", Answer("<html><body>Not an image at all</body></html>", "text/html"));
    auto missing = Server.Serve("/missing", Answer("gone", "text/plain", 404));
    const struct {
        const char* Name;
        QString ImageUrl;
    } cases[] = {
        {"an HTML page", Server.Url("/page")},
        {"no image named", QString()},
        {"an address that answers nothing", Server.Url("/missing")},
    };
    int64_t id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ++id;
        AddChannel(id, QStringLiteral("Badge & Co"), c.ImageUrl);
        int notices = 0;
        Icons.SetIconsChangedNotice([&] { ++notices; });
        Icons.GetIcon(id);
        auto job = TakeJob();
        ASSERT_TRUE(job);
        RunJob(*job);

        EXPECT_TRUE(LastLoadOk(id));
        EXPECT_EQ(notices, 1);
        const QImage badge = LoadBitmapFile(IconFile(id));
        EXPECT_EQ(badge.size(), QSize(126, 62));
        EXPECT_EQ(badge.pixelColor(7, 7), QColor(255, 0, 0));
        EXPECT_EQ(badge.pixelColor(63, 1), QColor(Qt::white)) << "the edges are rounded";
        EXPECT_EQ(badge.pixelColor(114, 50), QColor(230, 230, 230));
        EXPECT_GT(CountPixels(badge, QColor(Qt::black)), 30) << "the title in black";
        EXPECT_TRUE(SamePixels(Icons.GetIcon(id), badge));
    }
}

TEST_F(ChannelIcons, AChannelWithoutARowGetsABlankPlaceholderAndNothingStoredOrQueued) {
    const QImage picture = Icons.GetIcon(404);
    EXPECT_EQ(picture.size(), QSize(126, 62));
    EXPECT_EQ(CountPixels(picture, QColor(Qt::white)), 126 * 62);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ChannelIcon")), 0);
    EXPECT_FALSE(QFile::exists(IconFile(404)));
    EXPECT_TRUE(Jobs.empty());

    // Removed after its load was queued: the load stores nothing.
    AddChannel(8, QStringLiteral("Leaving"));
    Icons.GetIcon(8);
    Database.Execute(QStringLiteral("delete from Channel where ID = 8"));
    auto job = TakeJob();
    ASSERT_TRUE(job);
    const QString row = IconRow(8);
    RunJob(*job);
    EXPECT_EQ(IconRow(8), row);

    // Removed while its image loaded: what the load brings is not stored.
    AddChannel(5, QStringLiteral("Gone meanwhile"));
    const QImage placeholder = Icons.GetIcon(5);
    const QString queued = IconRow(5);
    Database.Execute(QStringLiteral("delete from Channel where ID = 5"));
    Icons.StoreIcon(Filled(10, 10, Qt::cyan), 5);
    EXPECT_EQ(IconRow(5), queued);
    EXPECT_TRUE(SamePixels(LoadBitmapFile(IconFile(5)), placeholder));
}

TEST_F(ChannelIcons, APictureLargerThanAnyBoxIsStoredShrunkSideBySide) {
    auto image =
        Server.Serve("/wide.png", Answer(Encoded(Filled(1000, 100, Qt::blue), "PNG"), "image/png"));
    AddChannel(4, QStringLiteral("Wide"), Server.Url("/wide.png"));
    Icons.GetIcon(4);
    auto job = TakeJob();
    ASSERT_TRUE(job);
    RunJob(*job);
    ASSERT_TRUE(LastLoadOk(4));
    EXPECT_EQ(LoadBitmapFile(IconFile(4)).size(), QSize(MaxIconSide, 100));
    EXPECT_EQ(Icons.GetIcon(4).size(), QSize(MaxIconSide, 100));
}

TEST_F(ChannelIcons, ACacheFolderThatHasGoneIsMadeAgain) {
    ASSERT_TRUE(QDir(GetConfig().ImageCacheFolder).removeRecursively());
    AddChannel(7, QStringLiteral("Cleared"));
    Icons.GetIcon(7);
    EXPECT_TRUE(QFile::exists(IconFile(7)));
}

TEST_F(ChannelIcons, AMissWhileALoadIsPendingQueuesNoSecondLoad) {
    AddChannel(1, QStringLiteral("One"));
    AddChannel(2, QStringLiteral("Two"));
    cChannelIconList icons(1, Collect());
    icons.GetIcon(1);
    icons.GetIcon(2);
    icons.GetIcon(1);
    ASSERT_EQ(Jobs.size(), 2u);

    RunJob(*Jobs[0]);
    icons.GetIcon(2);
    icons.GetIcon(1);
    EXPECT_EQ(Jobs.size(), 2u) << "loaded just now";
    Database.Execute(QStringLiteral("update ChannelIcon set IsLastIconUpdateOk = 0"));
    icons.GetIcon(2);
    icons.GetIcon(1);
    EXPECT_EQ(Jobs.size(), 3u) << "the load of 1 has ended, the one of 2 has not";
}

TEST_F(ChannelIcons, AnIconFileThatCannotBeReadIsDrawnAgain) {
    AddChannel(9, QStringLiteral("Damaged"));
    StoreLoadedIcon(9, LocalNow());
    QFile file(IconFile(9));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("BM and then nothing of a bitmap");
    file.close();

    const QImage picture = Icons.GetIcon(9);
    EXPECT_EQ(picture.size(), QSize(126, 62));
    EXPECT_GT(CountPixels(picture, QColor(0, 0, 255)), 50);
    EXPECT_TRUE(SamePixels(LoadBitmapFile(IconFile(9)), picture));
    EXPECT_TRUE(Jobs.empty()) << "loaded today all the same";
}

TEST_F(ChannelIcons, AStoreThatCannotWriteItsFileKeepsTheRowUnloadedButShowsThePicture) {
    AddChannel(6, QStringLiteral("Unwritable"));
    Icons.GetIcon(6);
    Database.Execute(QStringLiteral("update ChannelIcon set IconFileName = 'absent/6.bmp'"));
    Icons.StoreIcon(Filled(10, 10, Qt::cyan), 6);
    EXPECT_FALSE(LastLoadOk(6));
    EXPECT_TRUE(SamePixels(Icons.GetIcon(6), Filled(10, 10, Qt::cyan)));
}

TEST(IconImages, TheFormatIsTakenFromTheFirstBytes) {
    const struct {
        QByteArray Start;
        cImageFormat Format;
    } cases[] = {
        {QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), cImageFormat::PNG},
        {QByteArray("\xff\xd8\xff\xe0\0\x10JFIF", 10), cImageFormat::JPEG},
        {QByteArray("\xff\xd8\xff\xe1\0\x10"
                    "Exif",
                    10),
         cImageFormat::JPEG},
        {QByteArray("\xff\xd8\0\0\0\0\0\0\0\0", 10), cImageFormat::JPEG},
        {QByteArray("GIF89a\0\0\0\0", 10), cImageFormat::GIF},
        {QByteArray("GIF87a\0\0\0\0", 10), cImageFormat::GIF},
        {QByteArray("GIF88a\0\0\0\0", 10), cImageFormat::Unrecognised},
        {QByteArray("BM\0\0\0\0\0\0\0\0", 10), cImageFormat::BMP},
        {QByteArray("\x89PNG\r\n\x1a\n\0", 9), cImageFormat::Unrecognised},
        {QByteArray("<html><head>"), cImageFormat::Unrecognised},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectImageFormat(c.Start), c.Format) << c.Start.toHex().constData();
}

TEST(IconImages, TransparentPartsTurnWhiteSoThePictureLooksTheSameFromItsFile) {
    QImage logo(3, 1, QImage::Format_ARGB32);
    logo.setPixelColor(0, 0, Qt::transparent);
    logo.setPixelColor(1, 0, QColor(255, 0, 0, 128));
    logo.setPixelColor(2, 0, Qt::blue);
    const QImage decoded = AsIcon(DecodePicture(Encoded(logo, "PNG")));
    EXPECT_EQ(decoded.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(decoded.pixelColor(1, 0).red(), 255);
    EXPECT_NEAR(decoded.pixelColor(1, 0).green(), 127, 1) << "half red on white is pink";
    EXPECT_EQ(decoded.pixelColor(2, 0), QColor(Qt::blue));

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("logo.bmp"));
    SaveBitmapFile(decoded, path);
    EXPECT_TRUE(SamePixels(LoadBitmapFile(path), decoded));
}
