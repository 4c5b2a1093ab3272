#pragma once

#include "Eventually.h"
#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

// Jobs open the configured main database: each test starts it empty.
class EngineFixture : public testing::Test {
protected:
    EngineFixture() {
        Database.Open(GetConfig().MainDatabasePath());
        for (const char* table : {"Channel", "Node", "Enclosure", "Category", "Node2Category",
                                  "Node2Enclosure", "Channel2Category", "ChannelStat",
                                  "CategoryStat", "CategoryStatTemp", "ActionLog", "ChannelFetch"})
            Database.Execute(QStringLiteral("delete from ") + QString::fromLatin1(table));
    }
    int Count(const QString& query) { return Database.QueryInt(query); }

    cSQLDatabase Database;
};

// A door that jobs wait at until the test opens it.
class cGate {
public:
    void Open() {
        std::lock_guard<std::mutex> hold(FLock);
        FOpen = true;
        FSignal.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> hold(FLock);
        FSignal.wait(hold, [this] { return FOpen; });
    }

private:
    std::mutex FLock;
    std::condition_variable FSignal;
    bool FOpen = false;
};
