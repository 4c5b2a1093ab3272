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

// Collects each benchmark's items per second while printing as usual, so
// that a benchmark program can print ratios between its runs at the end.
class cRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    double Rate(const std::string& name) const;

private:
    std::map<std::string, double> FRates;
};
