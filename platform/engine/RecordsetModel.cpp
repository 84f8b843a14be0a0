#include "RecordsetModel.h"

#include "DbError.h"
#include "Text.h"

#include <QAbstractItemView>
#include <QDate>
#include <QItemSelectionModel>
#include <QTime>

namespace engine {

RecordsetModel::RecordsetModel(DataSource* source, QVector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , source_(source)
    , columns_(std::move(columns)) {
    connect(source_, &DataSource::recordsetReplaced, this, [this] {
        beginResetModel();
        attach();
        endResetModel();
    });
    attach();
}

void RecordsetModel::attach() {
    if (attached_)
        disconnect(attached_, nullptr, this, nullptr);
    attached_ = source_->recordset();
    resolveFields();
    if (!attached_)
        return;
    connect(attached_, &Recordset::recordAppended, this, [this](int pos) {
        beginInsertRows({}, pos, pos);
        endInsertRows();
    });
    connect(attached_, &Recordset::recordRemoved, this, [this](int pos) {
        beginRemoveRows({}, pos, pos);
        endRemoveRows();
    });
    connect(attached_, &Recordset::keysReloaded, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(attached_, &Recordset::recordChanged, this,
            [this](int pos) { Q_EMIT dataChanged(index(pos, 0), index(pos, columnCount() - 1)); });
}

void RecordsetModel::resolveFields() {
    fieldIndexes_.clear();
    for (const Column& c : columns_)
        fieldIndexes_ << (attached_ ? attached_->table().indexOf(c.field) : -1);
}

void RecordsetModel::setColumns(QVector<Column> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    resolveFields();
    endResetModel();
}

int RecordsetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !attached_ ? 0 : attached_->recordCount();
}

int RecordsetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const {
    if (!attached_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int field = fieldIndexes_.value(index.column(), -1);
    if (field < 0)
        return {};
    const QVariant v = attached_->valueAt(index.row(), field);
    if (role == Qt::DisplayRole) {
        if (v.typeId() == QMetaType::QDate)
            return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        if (v.typeId() == QMetaType::QTime)
            return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    }
    return v;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < columns_.size() ? QVariant(columns_[section].caption) : QVariant();
    return {};
}

QModelIndexList RecordsetModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                      Qt::MatchFlags flags) const {
    const Qt::MatchFlags how = flags & Qt::MatchTypeMask;
    const int column = start.column();
    const int field = fieldIndexes_.value(column, -1);
    if (!attached_ || field < 0 || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        (how != Qt::MatchExactly && how != Qt::MatchStartsWith && how != Qt::MatchFixedString))
        return QAbstractTableModel::match(start, role, value, hits, flags);
    const QString name = attached_->table().fields[field].name;
    const QString text = value.toString();
    const QString criteria = how == Qt::MatchStartsWith
                                 ? name + QStringLiteral(" Like ") + sqlQuote(likeLiteral(text) + u'*')
                                 : name + u'=' + sqlQuote(text);
    QModelIndexList found;
    try {
        int after = start.row() - 1;
        bool wrapped = false;
        while (hits < 0 || found.size() < hits) {
            const int p = attached_->positionOf(criteria, after);
            if (p < 0) {
                if (!(flags & Qt::MatchWrap) || wrapped || start.row() == 0)
                    break;
                wrapped = true;
                after = -1;
                continue;
            }
            if (wrapped && p >= start.row())
                break;
            found << index(p, column);
            after = p;
        }
    } catch (const DbError&) {
        // A record set that cannot be searched matches nothing.
    }
    return found;
}

void RecordsetModel::bindCurrentRow(QAbstractItemView* view) {
    // Set while the view follows the record set, so the view's own change is not sent back.
    const auto syncing = std::make_shared<bool>(false);
    const auto follow = [this, view, syncing] {
        const Recordset* rs = source_->recordset();
        const int row = rs ? rs->absolutePosition() : -1;
        if (row < 0 || !view->selectionModel())
            return;
        const QModelIndex target = index(row, std::max(0, view->currentIndex().column()));
        if (view->currentIndex() != target) {
            *syncing = true;
            view->setCurrentIndex(target);
            *syncing = false;
        }
    };
    connect(source_, &DataSource::reposition, view, follow);
    connect(this, &QAbstractItemModel::modelReset, view, follow, Qt::QueuedConnection);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, syncing](const QModelIndex& current) {
                Recordset* rs = source_->recordset();
                if (*syncing || !rs || !current.isValid() || current.row() == rs->absolutePosition())
                    return;
                try {
                    rs->setAbsolutePosition(current.row());
                } catch (const DbError&) {
                    // The row vanished between the click and the move: the view stays where it was.
                }
            });
}

} // namespace engine
