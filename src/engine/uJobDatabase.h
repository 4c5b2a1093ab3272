#pragma once

#include <memory>

class cSQLDatabase;
struct cKeptDatabase;

// A job's connection to the main database. On a worker of the pool it
// outlives the job: the worker's next job takes it over, which spares that
// job the opening (the file, its settings, the layout check) and SQLite's
// sync of the folder at a connection's first commit. A connection is
// handed on only between the jobs of one busy stretch (the worker closes
// it before it parks), only when the configured path still names the same
// file, and only when the job ended without raising and outside a
// transaction: a kept connection holds no statement and no transaction,
// hence no read snapshot that would pin the log. Elsewhere it closes with
// the job.
class cJobDatabase {
public:
    cJobDatabase();
    ~cJobDatabase();
    cJobDatabase(const cJobDatabase&) = delete;
    cJobDatabase& operator=(const cJobDatabase&) = delete;

    cSQLDatabase& Database();

private:
    std::unique_ptr<cKeptDatabase> FConnection;
};

// For the pool's workers: the jobs of the calling thread keep their
// connections from now on, until the thread releases the one it holds.
void KeepJobDatabases();
void ReleaseJobDatabase();
