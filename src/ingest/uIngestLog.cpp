#include "ingest/uIngestLog.h"

Q_LOGGING_CATEGORY(IngestLog, "velmora.ingest", QtInfoMsg)
