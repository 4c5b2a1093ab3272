#pragma once

#include "storage/uSQLDataTabRec.h"
#include "ui/nodes/uListErrors.h"

#include <QAbstractTableModel>
#include <functional>
#include <memory>
#include <span>

class TdmVelmora;

// What every list model of the window shares: it owns the table its query
// fills (made on the first query, on the shared connection), so a re-query
// or a release resets the model; the horizontal header shows fixed column
// titles. Views read the rows through the roles of the derived model only.
class cTableListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    ~cTableListModel() override;

    // Whether any query has run on this list.
    bool HasResult() const { return FTable != nullptr; }
    // Lets the rows go: the host window was hidden.
    void Release();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    // columnTitles: one per column, static text.
    cTableListModel(TdmVelmora& data, std::span<const char* const> columnTitles, QObject* parent);

    // The connection the table is made on: the shared one, unless a model
    // keeps a connection of its own.
    virtual cSQLDatabase& Database();

    TdmVelmora& FData;
    std::unique_ptr<cSQLTable> FTable;

private:
    std::span<const char* const> FColumnTitles;
};

// A list model over one table type, queried in an order of type TOrder (the
// value-initialized order until the host window sets another).
template <class TTable, class TOrder> class cRecordListModel : public cTableListModel {
public:
    TOrder Order() const { return FOrder; }
    void SetOrder(TOrder order) { FOrder = order; }

protected:
    using cTableListModel::cTableListModel;

    TTable& Table() {
        if (!FTable)
            FTable = std::make_unique<TTable>(Database());
        return static_cast<TTable&>(*FTable);
    }

    // The record shown in row, or null outside the rows.
    const auto* Row(int row) const {
        const auto* table = static_cast<const TTable*>(FTable.get());
        return table && row >= 0 && row < table->Count() ? table->Record(row) : nullptr;
    }

    // Replaces the rows by those of the query; a query that fails leaves no
    // rows, never the ones it discarded. Returns whether it ran through.
    bool RunQuery(const char* gesture, const std::function<void(TTable& table)>& query) {
        beginResetModel();
        TTable& table = Table();
        const bool ran = RunGuarded(gesture, [&] { query(table); });
        if (!ran)
            table.Clear();
        endResetModel();
        return ran;
    }

private:
    TOrder FOrder{};
};
