#pragma once

#include <QHash>
#include <cstdint>
#include <optional>

// A hash over a table's records by a key, brought up to date at each
// lookup: records appended since the last lookup are added, and a table
// that shrank is indexed again. Lookups among the records of one refresh
// or import then cost the same however many records it made, where a scan
// per lookup grew with the square of them. A record's key must be set
// before the next lookup, as it is when a record is made and filled in one
// step.
template <class TKey> class cRecordIndex {
public:
    template <class TTable, class TKeyOf, class TValueOf>
    std::optional<int64_t> Find(const TTable& table, const TKey& key, TKeyOf keyOf,
                                TValueOf valueOf) {
        if (table.Count() < FIndexed) {
            FValues.clear();
            FIndexed = 0;
        }
        for (; FIndexed < table.Count(); ++FIndexed) {
            const auto& record = *table.Record(FIndexed);
            const TKey recordKey = keyOf(record);
            if (!FValues.contains(recordKey))
                FValues.insert(recordKey, valueOf(record));
        }
        const auto found = FValues.constFind(key);
        if (found == FValues.cend())
            return std::nullopt;
        return *found;
    }

private:
    QHash<TKey, int64_t> FValues;
    int FIndexed = 0;
};
