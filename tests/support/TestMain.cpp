#include "storage/uSchema.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test executable runs in a home folder of its own, with the data
// folder tree and both databases created, so that the configuration and the
// identifier source never touch the user's real files.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    EnsureDataFiles();
    return RUN_ALL_TESTS();
}
