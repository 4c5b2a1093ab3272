#include "readmodels/uChannelState.h"

#include "readmodels/uLanguageCode.h"

namespace {

const QString Head = QStringLiteral(
    "select c.ID, c.Title, c.ChannelURL, c.LastUpdateTime_UTC, c.IsLastUpdateOk, "
    "coalesce(s.Total, 0), coalesce(s.Unread, 0), coalesce(s.New, 0), "
    "coalesce(f.HttpStatus, 0), coalesce(f.FailureReason, '') from Channel c "
    "left join ChannelStat s on s.ChannelId = c.ID left join ChannelFetch f on f.ChannelId = c.ID "
    "where 1 = 1");

const QString Orders[] = {
    QStringLiteral(" order by c.Title, c.ID"),
    QStringLiteral(" order by c.LastUpdateTime_UTC desc, c.ID"),
    QStringLiteral(" order by 6 desc, c.ID"),
    QStringLiteral(" order by 7 desc, c.ID"),
    QStringLiteral(" order by 8 desc, c.ID"),
};

} // namespace

bool cChannelState::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.Id = ReadInt64(0);
    F.Title = ReadText(1);
    F.ChannelURL = ReadText(2);
    F.LastUpdateTime_UTC = ReadText(3);
    F.IsLastUpdateOk = ReadFlag(4);
    F.Total = ReadInt(5);
    F.Unread = ReadInt(6);
    F.New = ReadInt(7);
    F.HttpStatus = ReadInt(8);
    F.FailureReason = ReadText(9);
    return true;
}

void cChannelState::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

cChannelState::State cChannelState::UpdateState() const {
    if (F.IsLastUpdateOk)
        return State::Ok;
    return F.LastUpdateTime_UTC.isEmpty() ? State::New : State::Failed;
}

cChannelStateTable::cChannelStateTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cChannelState>()) {}

void cChannelStateTable::QueryChannelStates(int order, const QString& titleFilter,
                                            bool failingOnly) {
    QString text = Head;
    if (failingOnly)
        text += QStringLiteral(" and c.IsLastUpdateOk = 0 and c.LastUpdateTime_UTC <> ''");
    if (!titleFilter.isEmpty())
        text += QStringLiteral(" and c.Title like ") % LikePattern(titleFilter);
    Query(text % Orders[order >= 0 && order < 5 ? order : 0]);
}
