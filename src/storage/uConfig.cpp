#include "storage/uConfig.h"

#include "storage/uSpecialFolder.h"

#include <algorithm>
#include <thread>

namespace {

int32_t ProcessorCount() {
    return static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace

cConfig::cConfig(const QString& documentsFolder)
    : RootFolder(documentsFolder + QStringLiteral("/Velmora/")),
      DataFolder(RootFolder + QStringLiteral("Data/")),
      CacheFolder(RootFolder + QStringLiteral("Cache/")),
      ImageCacheFolder(RootFolder + QStringLiteral("ImageCache/")), HintPauseMs(500),
      WorkerCount(ProcessorCount()), DefaultLanguage(QStringLiteral("EN")), RetryDelayMinutes(30),
      IconCacheSize(20), NodeListLimit(1000) {}

QString cConfig::MainDatabasePath() const {
    return DataFolder + QStringLiteral("velmora.dat");
}

QString cConfig::ArchiveDatabasePath() const {
    return DataFolder + QStringLiteral("velmora_arc.dat");
}

const cConfig& GetConfig() {
    static const cConfig config(cSpecialFolder::GetPersonalFolder());
    return config;
}
