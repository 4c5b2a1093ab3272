// HTML to text and reference decoding. Besides faults, it checks the
// promise of the fast reader: markup it accepts gives the text libxml2's
// parser gives (a trailing comment sends the same markup to libxml2).
// Markup that yields no text comes back as written from either, and a
// whole document never meets the fast reader: neither is compared. Nor is
// markup that could nest as deep as libxml2 reads: libxml2 stops there, the
// fast reader reads on.

#include "FuzzHome.h"
#include "ingest/uHTMLParser.h"
#include "ingest/uSimpleMarkup.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// libxml2 reads elements nested up to 256 deep, the fragment's wrapper
// included; markup with fewer tags than this cannot reach that depth.
constexpr qsizetype TagsBelowLibxml2Depth = 250;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHome();
    const QString html =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    HtmlToText(html);
    if (DecodeEntities(html).contains(QLatin1String("<body>")) ||
        html.count(QLatin1Char('<')) >= TagsBelowLibxml2Depth)
        return 0;
    const std::optional<QString> simple = ReadSimpleMarkup(html);
    if (simple && !simple->isEmpty()) {
        const QString parsed = HtmlToText(html + QStringLiteral("<!---->"));
        if (parsed != *simple) {
            std::fprintf(stderr, "simple reader: [%s]\nlibxml2: [%s]\n", qPrintable(*simple),
                         qPrintable(parsed));
            std::abort();
        }
    }
    return 0;
}
