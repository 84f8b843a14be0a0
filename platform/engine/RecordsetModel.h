#pragma once

#include "DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>

class QAbstractItemView;

namespace engine {

// Shows the record set of a data source in a grid, list or combo. Rows are read only when a
// view asks for them; the model follows every new record set of its data source.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        QString field;
        QString caption;
    };

    RecordsetModel(DataSource* source, QVector<Column> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Searches through the engine instead of reading every row: a combo that checks its typed
    // text, or a list searched by typing, would otherwise read the whole record set.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits,
                          Qt::MatchFlags flags) const override;

    void setColumns(QVector<Column> columns);
    const QVector<Column>& columns() const { return columns_; }
    DataSource* source() const { return source_; }

    // Keeps the view's current row and the record set's current record in step, both ways.
    void bindCurrentRow(QAbstractItemView* view);

private:
    void attach();
    void resolveFields();

    DataSource* source_;
    QVector<Column> columns_;
    QVector<int> fieldIndexes_;
    QPointer<Recordset> attached_;
};

} // namespace engine
