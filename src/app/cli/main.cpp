#include "app/cli/uCliCommand.h"
#include "app/cli/uCliCommands.h"
#include "engine/uProcessMemory.h"
#include "storage/uSQLLiteImp.h"

#include <QCoreApplication>

namespace {

struct cSubcommand {
    const char* name;
    const char* summary;
    int (*run)(const QStringList&);
};

const cSubcommand Subcommands[] = {
    {"init", "create the data folder and both databases when missing", RunInit},
    {"add", "subscribe to feeds by URL", RunAdd},
    {"remove", "remove a channel with its items", RunRemove},
    {"import-opml", "subscribe to the feeds of an OPML file", RunImportOpml},
    {"export-opml", "write the subscriptions as OPML 2.0", RunExportOpml},
    {"refresh", "refresh due (or all) channels now and update the counters", RunRefresh},
    {"run", "run the background engine until interrupted", RunEngine},
    {"channels", "list channels with their counters", RunChannels},
    {"items", "list items", RunItems},
    {"read", "mark items read", RunRead},
};

QString Usage() {
    QString text = QStringLiteral("Usage: velmora-cli COMMAND [options]\n\n"
                                  "Velmora's command-line companion. Commands:\n");
    for (const cSubcommand& command : Subcommands)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(14))
                    .arg(QString::fromLatin1(command.summary));
    return text + QStringLiteral("\nvelmora-cli COMMAND --help describes a command.\n");
}

} // namespace

int main(int argc, char* argv[]) {
    KeepFreedMemoryForReuse();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-cli"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        Err() << Usage();
        return ExitUsage;
    }
    const QString name = arguments.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        Out() << Usage();
        return ExitSuccess;
    }
    for (const cSubcommand& command : Subcommands) {
        if (name != QLatin1String(command.name))
            continue;
        try {
            const uint64_t faultsBefore = LastDatabaseFault().Serial;
            const int exitCode = command.run(arguments);
            // A fault of the database file that a part of the command rolled
            // back and swallowed (a worker's job, a statistics rebuild) still
            // fails the command.
            RaiseDatabaseFaultSince(faultsBefore);
            // Output that never arrived (a full disk, a closed pipe) is no
            // success either.
            Out().flush();
            if (Out().status() != QTextStream::Ok)
                throw EVelmoraError(QStringLiteral("cannot write to standard output"));
            return exitCode;
        } catch (const cHelpShown&) {
            return ExitSuccess;
        } catch (const EUsageError& error) {
            Err() << "velmora-cli " << name << ": " << error.Message() << '\n';
            return ExitUsage;
        } catch (const EVelmoraError& error) {
            Err() << "velmora-cli " << name << ": " << error.Message() << '\n';
            return ExitFailure;
        }
    }
    Err() << "velmora-cli: unknown command \"" << name << "\"; see velmora-cli --help\n";
    return ExitUsage;
}
