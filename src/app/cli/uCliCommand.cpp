#include "app/cli/uCliCommand.h"

#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

QTextStream& Out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

cCommandParser::cCommandParser(const QString& command, const QString& description)
    : FCommand(command) {
    FParser.setApplicationDescription(description);
    FParser.addHelpOption();
    FParser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

void cCommandParser::AddPositional(const QString& name, const QString& description,
                                   const QString& syntax) {
    FParser.addPositionalArgument(name, description, syntax);
}

void cCommandParser::Parse(const QStringList& arguments) {
    if (!FParser.parse(QStringList{QStringLiteral("velmora-cli ") + FCommand} + arguments))
        throw EUsageError(FParser.errorText());
    if (FParser.isSet(QStringLiteral("help"))) {
        Out() << FParser.helpText();
        throw cHelpShown{};
    }
}

int64_t ParseId(const QString& text) {
    bool ok = false;
    const int64_t id = text.toLongLong(&ok);
    if (!ok || id <= 0)
        throw EUsageError(QStringLiteral("\"%1\" is not an identifier").arg(text));
    return id;
}

int64_t cCommandParser::IdValue(const QString& name) const {
    return ParseId(Value(name));
}

void PrintTable(const QStringList& header, const QList<QStringList>& rows) {
    const auto clean = [](QString cell) {
        cell.replace(QLatin1Char('\t'), QLatin1Char(' '));
        cell.replace(QLatin1Char('\r'), QLatin1Char(' '));
        cell.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return cell;
    };
    Out() << header.join(QLatin1Char('\t')) << '\n';
    for (const QStringList& row : rows) {
        QStringList cells;
        for (const QString& cell : row)
            cells << clean(cell);
        Out() << cells.join(QLatin1Char('\t')) << '\n';
    }
}

void OpenMainDatabase(cSQLDatabase& database) {
    database.Open(GetConfig().MainDatabasePath());
}
