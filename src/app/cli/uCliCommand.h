#pragma once

#include "storage/uErrors.h"

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>

enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// A command line the user got wrong: exit code 2.
class EUsageError : public EVelmoraError {
public:
    using EVelmoraError::EVelmoraError;
};

// Help was asked for and printed: the command ends with success.
struct cHelpShown {};

QTextStream& Out();
QTextStream& Err();

// The parser of one subcommand: its options and positional arguments, and
// --help. Parse raises EUsageError for a wrong command line and cHelpShown
// after printing help.
class cCommandParser {
public:
    cCommandParser(const QString& command, const QString& description);

    void AddOption(const QCommandLineOption& option) { FParser.addOption(option); }
    void AddPositional(const QString& name, const QString& description, const QString& syntax);
    // Parses the arguments after the subcommand's name.
    void Parse(const QStringList& arguments);

    bool IsSet(const QString& name) const { return FParser.isSet(name); }
    QString Value(const QString& name) const { return FParser.value(name); }
    QStringList Positional() const { return FParser.positionalArguments(); }
    // An option's value as an identifier; raises EUsageError when it is none.
    int64_t IdValue(const QString& name) const;

private:
    QCommandLineParser FParser;
    QString FCommand;
};

int64_t ParseId(const QString& text);

class cSQLDatabase;
// Opens the user's main database, as the window does; a missing or empty
// file is an error, and is not created.
void OpenMainDatabase(cSQLDatabase& database);

// Prints tab-separated rows under a header line.
void PrintTable(const QStringList& header, const QList<QStringList>& rows);
