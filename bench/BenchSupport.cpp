#include "BenchSupport.h"

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
