#include "model/uOMLinkRecord.h"

bool cOmLinkRecord::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    FFirst = ReadInt64(0);
    FSecond = ReadInt64(1);
    return true;
}

void cOmLinkRecord::Recycle() {
    cSQLRecord::Recycle();
    FFirst = 0;
    FSecond = 0;
}

void cOmLinkRecord::SetFirst(int64_t value) {
    FFirst = value;
    MarkModified();
}

void cOmLinkRecord::SetSecond(int64_t value) {
    FSecond = value;
    MarkModified();
}
