#pragma once

#include <QStringList>

// The subcommands; each takes the arguments after its name and returns the
// exit code. Errors are raised (EUsageError or the general exception type).

int RunInit(const QStringList& arguments);
int RunAdd(const QStringList& arguments);
int RunRemove(const QStringList& arguments);
int RunImportOpml(const QStringList& arguments);
int RunExportOpml(const QStringList& arguments);

int RunRefresh(const QStringList& arguments);
int RunEngine(const QStringList& arguments);

int RunChannels(const QStringList& arguments);
int RunItems(const QStringList& arguments);
int RunRead(const QStringList& arguments);
