#include "uErrors.h"
#include "uSchema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

QTextStream& Out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

int RunInit() {
    const QStringList created = EnsureDataFiles();
    if (created.isEmpty()) {
        Out() << "All folders and databases were already there.\n";
        return ExitSuccess;
    }
    for (const QString& path : created)
        Out() << "Created " << path << "\n";
    return ExitSuccess;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Velmora's command-line companion."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("init: create the data folder and both databases when missing."));
    parser.process(application);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 1 || arguments.first() != QStringLiteral("init")) {
        Err() << "velmora-cli: expected one command (init); see --help\n";
        return ExitUsage;
    }
    try {
        return RunInit();
    } catch (const EVelmoraError& error) {
        Err() << "velmora-cli: " << error.Message() << "\n";
        return ExitFailure;
    }
}
