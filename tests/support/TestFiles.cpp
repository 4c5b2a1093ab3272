#include "TestFiles.h"

#include "storage/uSchema.h"

#include <cstdlib>
#include <ctime>

cTempDatabase::cTempDatabase() : FPath(FFolder.filePath(QStringLiteral("test.dat"))) {
    CreateMainDatabase(FPath);
}

cScopedTimeZone::cScopedTimeZone(const char* zone)
    : FPrevious(qgetenv("TZ")), FHadPrevious(qEnvironmentVariableIsSet("TZ")) {
    qputenv("TZ", zone);
    tzset();
}

cScopedTimeZone::~cScopedTimeZone() {
    if (FHadPrevious)
        qputenv("TZ", FPrevious);
    else
        qunsetenv("TZ");
    tzset();
}
