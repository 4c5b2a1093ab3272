#pragma once

#include <QString>

// The configuration and the identifier source read files under the home
// folder: each fuzz process gets a temporary one with the data tree and both
// databases, made on first use and removed at exit, and a fixed local time
// zone with daylight saving, so that conversions cross its changes.
// Returns the home folder.
const QString& FuzzHome();
