#pragma once

#include "storage/uSQLDataTabRec.h"

// A row of a read model: never inserted or deleted. Rows the user can
// change write their own update; the others write nothing.
class cViewRecord : public cSQLRecord {
public:
    bool WriteUpdate(QStringList&) override { return true; }
    bool WriteDelete(QStringList&) override { return true; }
    bool WriteInsert(QStringList&) override { return true; }
};
