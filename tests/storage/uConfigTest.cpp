#include "storage/uConfig.h"

#include "storage/uSpecialFolder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <thread>

TEST(Config, FoldersAndDatabasesLieUnderTheDocumentsFolder) {
    const cConfig& config = GetConfig();
    const QString documents = QDir::homePath() + QStringLiteral("/Documents");
    EXPECT_EQ(cSpecialFolder::GetPersonalFolder(), documents);
    EXPECT_EQ(config.RootFolder, documents + QStringLiteral("/Velmora/"));
    EXPECT_EQ(config.CacheFolder, documents + QStringLiteral("/Velmora/Cache/"));
    EXPECT_EQ(config.ImageCacheFolder, documents + QStringLiteral("/Velmora/ImageCache/"));
    EXPECT_EQ(config.MainDatabasePath(), documents + QStringLiteral("/Velmora/Data/velmora.dat"));
    EXPECT_EQ(config.ArchiveDatabasePath(),
              documents + QStringLiteral("/Velmora/Data/velmora_arc.dat"));
}

TEST(Config, OperatingValuesAreTheFixedDefaultsAndTheProcessorCount) {
    const cConfig& config = GetConfig();
    EXPECT_EQ(config.HintPauseMs, 500);
    EXPECT_EQ(config.DefaultLanguage, QStringLiteral("EN"));
    EXPECT_EQ(config.RetryDelayMinutes, 30);
    EXPECT_EQ(config.IconCacheSize, 20);
    EXPECT_EQ(config.NodeListLimit, 1000);
    EXPECT_EQ(config.WorkerCount,
              static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

TEST(Config, EveryCallReturnsTheSameObject) {
    EXPECT_EQ(&GetConfig(), &GetConfig());
}
