#pragma once

#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <string>

// Runs the benchmarks in a temporary home folder holding a fresh data tree,
// so that nothing touches the user's files.
class cBenchHome {
public:
    cBenchHome();
    QString Path() const { return FHome.path(); }

private:
    QTemporaryDir FHome;
};

class cSQLDatabase;

// The large database the list and window benchmarks share, built with
// recursive selects: 500 channels, 200 categories, 200000 nodes (10% unread,
// 1% with a saved page), one node in ten with an enclosure (most never
// requested), links to categories by channel and by node, planner
// statistics as the scheduler keeps them.
void FillLargeDatabase(cSQLDatabase& database);

// Collects each benchmark's items per second while printing as usual, so
// that a benchmark program can print ratios between its runs at the end.
class cRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    double Rate(const std::string& name) const;

private:
    std::map<std::string, double> FRates;
};
