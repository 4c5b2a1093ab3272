#include "BenchSupport.h"

#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <cstdio>

cBenchHome::cBenchHome() {
    // VELMORA_BENCH_KEEP=1 keeps the data for a look with sqlite3 afterwards.
    if (qEnvironmentVariableIsSet("VELMORA_BENCH_KEEP")) {
        FHome.setAutoRemove(false);
        std::fprintf(stderr, "data kept in %s\n", qPrintable(FHome.path()));
    }
    qputenv("HOME", QFile::encodeName(FHome.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FHome.path() + QStringLiteral("/.config")));
    EnsureDataFiles();
}

void cRateReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const auto rate = run.counters.find("items_per_second");
        if (rate != run.counters.end() && run.aggregate_name.empty())
            FRates[run.run_name.function_name] = rate->second.value;
        if (run.aggregate_name == "median" && rate != run.counters.end())
            FRates[run.run_name.function_name] = rate->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
}

double cRateReporter::Rate(const std::string& name) const {
    const auto found = FRates.find(name);
    return found == FRates.end() ? 0.0 : found->second;
}

void FillLargeDatabase(cSQLDatabase& database) {
    const char* statements[] = {
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 500) "
        "insert into Channel select i, 'Channel ' || i || ' about ' || "
        "substr('news tech sport music science travel food', 1 + (i % 7) * 5, 5), 'en', 0, "
        "'http://127.0.0.1/feed/' || i, 'http://127.0.0.1/site/' || i, 'description', '', '', "
        "'', '2024/06/01 12:00:00', 'd: 0h: 1m: 0', '', -1, '2024/06/01 13:00:00' from n",
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) "
        "insert into Category select i, 'Category ' || i from n",
        // Channel 1 holds 2000 nodes; the rest spread over the other channels.
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200000) "
        "insert into Node select i, case when i <= 2000 then 1 else 2 + (i % 499) end, "
        "'Item ' || i || ' ' || substr('kernel parser widget budget garden river concert "
        "election', 1 + (i % 8) * 7, 7), 'A description of item ' || i || ' that runs on for a "
        "while, as descriptions do, with some more words to make it realistic.', "
        "'http://127.0.0.1/item/' || i, 'guid-' || i, 'Sat, 01 Jun 2024 12:00:00 GMT', 'en', "
        "'2024/06/01 12:00:00', case when i % 10 = 0 then 0 else -1 end, "
        "case when i % 10 = 3 then -1 else 0 end, case when i % 3 = 0 then -1 else 0 end, "
        "strftime('%Y/%m/%d %H:%M:%S', 1717243200 - i * 157, 'unixepoch'), "
        "case when i % 100 = 0 then 1 else 0 end from n",
        "insert into Enclosure select ID, 'http://127.0.0.1/media/' || ID || '.mp3', '12345', "
        "'audio/mpeg', case when ID % 500 = 5 then 1 when ID % 1000 = 15 then 2 else 0 end "
        "from Node where ID % 10 = 5",
        "insert into Node2Enclosure select ID, ID from Enclosure",
        "insert into Channel2Category select ID, 1 + (ID % 200) from Channel",
        "insert into Channel2Category select ID, 1 + ((ID * 7) % 200) from Channel where ID % 3 = "
        "0",
        "insert into Node2Category select ID, 1 + ((ID * 13) % 200) from Node where ID % 2 = 0",
        "insert into ChannelStat select ID, 0, 0, 0, '', -1 from Channel",
        "insert into CategoryStat select ID, 0, 0, 0, '', -1 from Category",
    };
    database.InTransaction([&] {
        for (const char* statement : statements)
            database.Execute(QString::fromUtf8(statement));
    });
    // As the scheduler keeps them.
    RenewPlannerStatistics(database);
}
