// The date readers: feed dates (any text the feed writes), strict and
// loose, and the stored date-time text. The loose reader promises never to
// raise: an exception from it escapes and is reported.

#include "FuzzHome.h"
#include "ingest/uFeedDates.h"
#include "ingest/uRFC822.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHome();
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        DateTimeToText(cRFC822::RFC822ToDateTime(text));
    } catch (const EVelmoraError&) {
        // An unreadable date raises by design.
    }
    if (const std::optional<QDateTime> loose = ReadLooseFeedDate(text))
        DateTimeToText(*loose);
    try {
        DateTimeToText(TextToDateTime(QString::fromLatin1(text)));
    } catch (const EVelmoraError&) {
    }
    return 0;
}
