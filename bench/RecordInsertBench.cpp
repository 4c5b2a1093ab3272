// Inserting 100000 node-sized rows in one transaction: through the record
// framework (NewRecord, setters, SaveAllInTransaction), against the same finished
// statements run by a bare prepare/step loop, and against one prepared
// statement with bound values (the floor).

#include "BenchSupport.h"
#include "model/uOMNode.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

namespace {

constexpr int RowCount = 100000;

struct cRowText {
    QString title, description, link, guid, date822, loaded, nodeDate;
};

cRowText RowText(int index) {
    const QString n = QString::number(index);
    return {QStringLiteral("Item title number %1 about something worth reading").arg(n),
            QStringLiteral("A description of item %1. ").arg(n).repeated(12),
            QStringLiteral("http://127.0.0.1:8765/items/%1.html").arg(n),
            QStringLiteral("http://127.0.0.1:8765/items/%1.html").arg(n),
            QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT"),
            QStringLiteral("2026/12/10 10:00:00"),
            QStringLiteral("1994/11/06 08:49:37")};
}

// A fresh main database in its own folder, for each round.
struct cFreshDatabase {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("bench.dat"));
    cFreshDatabase() { CreateMainDatabase(path); }
};

void FillNode(cOmNodeRecord& node, const cRowText& text) {
    node.SetParentChannelId(1);
    node.SetTitle(text.title);
    node.SetDescription(text.description);
    node.SetLink(text.link);
    node.SetGUID(text.guid);
    node.SetPubDateTimeNode_822(text.date822);
    node.SetIsoLanguageCode(QStringLiteral("en"));
    node.SetDateTimeLoad_UTC(text.loaded);
    node.SetDateTimeNode_UTC(text.nodeDate);
}

std::vector<cRowText> AllRows() {
    std::vector<cRowText> rows;
    rows.reserve(RowCount);
    for (int index = 0; index < RowCount; ++index)
        rows.push_back(RowText(index));
    return rows;
}

const std::vector<cRowText>& Rows() {
    static const std::vector<cRowText> rows = AllRows();
    return rows;
}

void Framework(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        cFreshDatabase file;
        cSQLDatabase database;
        database.Open(file.path);
        state.ResumeTiming();
        cOmNodeTable nodes(database);
        for (const cRowText& text : Rows())
            FillNode(*nodes.NewNode(), text);
        database.SaveAllInTransaction();
        nodes.Clear();
    }
    state.SetItemsProcessed(state.iterations() * RowCount);
}

sqlite3* OpenBare(const QString& path) {
    sqlite3* connection = nullptr;
    sqlite3_open(path.toUtf8().constData(), &connection);
    for (const char* pragma : {"PRAGMA cache_size = 4000;", "PRAGMA locking_mode = NORMAL;",
                               "PRAGMA SYNCHRONOUS=FULL;", "PRAGMA temp_store = MEMORY;"})
        sqlite3_exec(connection, pragma, nullptr, nullptr, nullptr);
    return connection;
}

QStringList FinishedStatements() {
    cFreshDatabase file;
    cSQLDatabase database;
    database.Open(file.path);
    cOmNodeTable nodes(database);
    for (const cRowText& text : Rows())
        FillNode(*nodes.NewNode(), text);
    QStringList statements;
    nodes.Flush(statements);
    return statements;
}

// Times one bare transaction of inserts on a fresh database per iteration.
void TimeBareInserts(benchmark::State& state, const std::function<void(sqlite3*)>& insert) {
    for (auto _ : state) {
        state.PauseTiming();
        cFreshDatabase file;
        sqlite3* connection = OpenBare(file.path);
        state.ResumeTiming();
        sqlite3_exec(connection, "BEGIN IMMEDIATE TRANSACTION", nullptr, nullptr, nullptr);
        insert(connection);
        sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(connection);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * RowCount);
}

void BarePrepareStep(benchmark::State& state) {
    const QStringList statements = FinishedStatements();
    TimeBareInserts(state, [&](sqlite3* connection) {
        for (const QString& statement : statements) {
            sqlite3_stmt* compiled = nullptr;
            sqlite3_prepare16_v2(connection, statement.utf16(), -1, &compiled, nullptr);
            while (sqlite3_step(compiled) == SQLITE_ROW) {
            }
            sqlite3_finalize(compiled);
        }
    });
}

void BoundStatement(benchmark::State& state) {
    TimeBareInserts(state, [](sqlite3* connection) {
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(connection, "insert into Node values(?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                           &insert, nullptr);
        int64_t id = 1;
        for (const cRowText& text : Rows()) {
            sqlite3_bind_int64(insert, 1, id++);
            sqlite3_bind_int64(insert, 2, 1);
            int column = 3;
            for (const QString* value :
                 {&text.title, &text.description, &text.link, &text.guid, &text.date822})
                sqlite3_bind_text16(insert, column++, value->utf16(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text16(insert, 8, u"en", -1, SQLITE_STATIC);
            sqlite3_bind_text16(insert, 9, text.loaded.utf16(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 10, 0);
            sqlite3_bind_int(insert, 11, 0);
            sqlite3_bind_int(insert, 12, 0);
            sqlite3_bind_text16(insert, 13, text.nodeDate.utf16(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 14, 0);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    });
}

BENCHMARK(Framework)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();
BENCHMARK(BarePrepareStep)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->UseRealTime();
BENCHMARK(BoundStatement)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    cBenchHome home;
    benchmark::Initialize(&argc, argv);
    Rows();
    cRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double framework = reporter.Rate("Framework");
    const double bare = reporter.Rate("BarePrepareStep");
    const double bound = reporter.Rate("BoundStatement");
    std::printf("\nrows/s (median): framework %.0f, bare prepare/step %.0f, bound statement %.0f\n",
                framework, bare, bound);
    if (framework > 0)
        std::printf("bare/framework time ratio: %.2f (target at most 1.5); floor: bound is %.2fx "
                    "the framework\n",
                    bare / framework, bound / framework);
    return 0;
}
