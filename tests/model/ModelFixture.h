#pragma once

#include "TestFiles.h"
#include "storage/uSQLDataTabRec.h"

#include <gtest/gtest.h>

// A fresh main database with one open connection.
class ModelFixture : public testing::Test {
protected:
    ModelFixture() { Database.Open(File.Path()); }

    // The statements the next SaveAll would write for this table.
    static QStringList Flushed(cSQLTable& table) {
        QStringList statements;
        table.Flush(statements);
        return statements;
    }
    void Save() { Database.SaveAllInTransaction(); }

    cTempDatabase File;
    cSQLDatabase Database;
};
