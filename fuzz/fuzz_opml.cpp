// Outline files: reading, and writing back what was read, which must read
// again as the same subscriptions (the export loses nothing the import
// took).

#include "FuzzHome.h"
#include "ingest/uOPML.h"
#include "storage/uErrors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList Described(const QList<cOutline>& outlines) {
    QStringList lines;
    for (const cOutline& outline : outlines)
        lines << outline.Folder + QLatin1Char('|') + outline.Title + QLatin1Char('|') +
                     outline.FeedUrl + QLatin1Char('|') + outline.SiteUrl;
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHome();
    const QByteArray document(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<cOutline> outlines;
    try {
        outlines = ReadOpml(document);
    } catch (const EVelmoraError&) {
        return 0;
    }
    const QByteArray written = WriteOpml(outlines);
    QList<cOutline> again;
    try {
        again = ReadOpml(written);
    } catch (const EVelmoraError& error) {
        std::fprintf(stderr, "written document unreadable: %s\n%s\n", qPrintable(error.Message()),
                     written.constData());
        std::abort();
    }
    if (Described(again) != Described(outlines)) {
        std::fprintf(stderr, "read:\n%s\nread again:\n%s\n",
                     qPrintable(Described(outlines).join(QLatin1Char('\n'))),
                     qPrintable(Described(again).join(QLatin1Char('\n'))));
        std::abort();
    }
    return 0;
}
