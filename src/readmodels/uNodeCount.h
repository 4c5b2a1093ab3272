#pragma once

#include <cstdint>

class cSQLDatabase;

// How many items the database holds, archived ones included: the engine's
// progress shown in the status panel is the change of this number.
int64_t CountStoredNodes(cSQLDatabase& database);
