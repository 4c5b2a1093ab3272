#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct cRun {
    int exitCode;
    QString output;
};

cRun RunCli(const QString& home, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELMORA_CLI), arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

} // namespace

TEST(CliInit, CreatesTheTreeAndBothDatabasesOnceAndLeavesThemAfterwards) {
    QTemporaryDir home;
    const QString data = home.path() + QStringLiteral("/Documents/Velmora/Data/");

    const cRun first = RunCli(home.path(), {QStringLiteral("init")});
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_TRUE(first.output.contains(data + QStringLiteral("velmora.dat")))
        << first.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("velmora_arc.dat")));
    EXPECT_TRUE(QFileInfo::exists(home.path() + QStringLiteral("/Documents/Velmora/ImageCache")));
    const qint64 size = QFileInfo(data + QStringLiteral("velmora.dat")).size();

    const cRun second = RunCli(home.path(), {QStringLiteral("init")});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.output, QStringLiteral("All folders and databases were already there.\n"));
    EXPECT_EQ(QFileInfo(data + QStringLiteral("velmora.dat")).size(), size);
}

TEST(CliInit, AnUnknownCommandIsAUsageError) {
    QTemporaryDir home;
    EXPECT_EQ(RunCli(home.path(), {QStringLiteral("frobnicate")}).exitCode, 2);
}
