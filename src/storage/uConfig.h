#pragma once

#include <QString>
#include <cstdint>

// The process-wide configuration: where the data lives and the fixed
// operating values. Built once on first use and read-only afterwards, so any
// thread may read it without locking. Folder values end with "/".
class cConfig {
public:
    const QString RootFolder;
    const QString DataFolder;
    const QString CacheFolder;
    const QString ImageCacheFolder;

    const int32_t HintPauseMs;
    const int32_t WorkerCount;
    const QString DefaultLanguage;
    const int32_t RetryDelayMinutes;
    const int32_t IconCacheSize;
    const int32_t NodeListLimit;

    QString MainDatabasePath() const;
    QString ArchiveDatabasePath() const;

    cConfig(const cConfig&) = delete;
    cConfig& operator=(const cConfig&) = delete;

private:
    explicit cConfig(const QString& documentsFolder);
    friend const cConfig& GetConfig();
};

// The one configuration object, built on the first call.
const cConfig& GetConfig();
