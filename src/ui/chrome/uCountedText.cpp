#include "ui/chrome/uCountedText.h"

QString Counted(int64_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}
