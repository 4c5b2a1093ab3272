#pragma once

#include "model/uRecordIndex.h"
#include "storage/uSQLDataTabRec.h"

#include <QPair>
#include <cstdint>

// The shape shared by the link records: two identifiers, loaded by
// position, no identifier of their own. Each link table writes its own
// statements and names its two columns.
class cOmLinkRecord : public cSQLRecord {
public:
    bool LoadFromRow() override;
    void Recycle() override;

    int64_t First() const { return FFirst; }
    int64_t Second() const { return FSecond; }

protected:
    void SetFirst(int64_t value);
    void SetSecond(int64_t value);

    int64_t FFirst = 0;
    int64_t FSecond = 0;
};

// The two identifiers of a link, as a hash key.
using cLinkKey = QPair<qint64, qint64>;
inline cLinkKey LinkKey(int64_t first, int64_t second) {
    return {static_cast<qint64>(first), static_cast<qint64>(second)};
}

// Which pairs of identifiers a link table's records hold.
class cLinkIndex {
public:
    template <class TTable> bool Has(const TTable& table, int64_t first, int64_t second) {
        return FIndex
            .Find(
                table, LinkKey(first, second),
                [](const cOmLinkRecord& link) { return LinkKey(link.First(), link.Second()); },
                [](const cOmLinkRecord&) { return int64_t{1}; })
            .has_value();
    }

private:
    cRecordIndex<cLinkKey> FIndex;
};
