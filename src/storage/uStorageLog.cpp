#include "storage/uStorageLog.h"

Q_LOGGING_CATEGORY(StorageLog, "velmora.storage", QtInfoMsg)
