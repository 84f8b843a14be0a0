#pragma once

#include "Database.h"
#include "Sql.h"

#include <QHash>
#include <QObject>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>

namespace engine {

// A keyset record set: the record source runs once to collect the keys in order; rows are read
// by key when needed, through a small cache. Positions, counts and bookmarks come from the keyset.
class Recordset : public QObject {
    Q_OBJECT

public:
    enum EditMode { EditNone = 0, EditInProgress = 1, EditAdd = 2 };

    // Runs the query for its keys, unless `previous` ran the same query and its keys are still
    // those the query would give: a refresh of unchanged data costs nothing then.
    Recordset(std::shared_ptr<Database> db, SourceQuery query, const Recordset* previous = nullptr);
    ~Recordset() override;

    const TableInfo& table() const { return *table_; }
    Database& database() const { return *db_; }

    // Navigation. Before the first record bof() holds, after the last eof(); both on an empty set.
    bool bof() const { return pos_ < 0 || keys_.isEmpty(); }
    bool eof() const { return pos_ >= keys_.size() || keys_.isEmpty(); }
    int recordCount() const { return static_cast<int>(keys_.size()); }
    int absolutePosition() const; // 0-based; -1 without a current record
    void setAbsolutePosition(int position);
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // What other desks or programs wrote comes in now: the moves and finds do this themselves;
    // a window that looks at the count or the position before it moves calls it first.
    void followOutsideWrites();

    // Finds walk the set in its own order; without a match the position stays and noMatch() holds.
    void findFirst(const QString& criteria);
    void findNext(const QString& criteria);
    void findPrevious(const QString& criteria);
    void findLast(const QString& criteria);
    bool noMatch() const { return noMatch_; }
    // The position of the first match after `after`, or -1; the current record stays.
    int positionOf(const QString& criteria, int after = -1);

    // Editing: addNew()/edit() open a buffer, update() writes it, cancelUpdate() drops it.
    // update() of an edit refuses with ErrWriteConflict when the stored record no longer holds
    // what edit() read (another desk or program saved it meanwhile); conflicts() then lists the
    // fields. update(KeepMine) then saves the buffer over it, cancelUpdate() keeps the other's.
    void addNew();
    void edit();
    // An edit of values the user saw earlier (a window filled from the record when it opened):
    // a save by another desk since then is a conflict too. `asRead` is what currentValues() gave.
    void edit(const QVector<QVariant>& asRead);
    QVector<QVariant> currentValues() const { return currentRow(); }
    // KeepMine settles every conflict for the buffer (after the user said so) and still takes the
    // other side's value of a field only they changed.
    enum class OnConflict { Refuse, KeepMine };
    void update(OnConflict how = OnConflict::Refuse);
    void cancelUpdate();
    void deleteRecord();
    // Called from an aboutToDelete handler: the deletion does not happen and deleteRecord() fails
    // with ErrCanceled and this reason.
    void refuseDelete(const QString& reason) { deleteRefusal_ = reason; }
    EditMode editMode() const { return editMode_; }
    struct Conflict {
        QString field;
        QVariant theirs; // as stored now
        QVariant mine;   // as in the buffer
    };
    const QVector<Conflict>& conflicts() const { return conflicts_; }

    // Fields by name, without regard to case. Null is an invalid QVariant, apart from "".
    QVariant value(const QString& field) const;
    QVariant value(int fieldIndex) const;
    void setValue(const QString& field, const QVariant& value);
    int fieldIndex(const QString& field) const; // throws when the field does not exist

    // A row by position without moving: for grids and lists.
    QVariant valueAt(int position, int fieldIndex) const;

    qint64 bookmark() const;
    void setBookmark(qint64 bookmark);

    // The same rows in another order ("StokKod DESC"), as a new record set on its first record.
    std::unique_ptr<Recordset> openSorted(const QString& sortText) const;

Q_SIGNALS:
    void currentChanged();        // landed on a record: moves, finds, bookmarks
    void aboutToDelete();         // before the current record is removed; it is still readable
    void recordAppended(int pos); // a record added with addNew()/update()
    void recordRemoved(int pos);
    void recordChanged(int pos);
    void keysReloaded(); // the set took in what others wrote: every position may have moved

private:
    using Row = QVector<QVariant>;

    Row rowFrom(const Statement& s) const; // the fields of a "SELECT *" row, as callers get them
    const Row& row(int position) const;    // throws when the row vanished
    const Row& fetchBatch(int position) const;
    const Row& currentRow() const;
    void requireCurrent() const;
    void land(int position);
    void dropEdit();
    void refuseOnConflict(OnConflict how);
    int positionOfKey(qint64 key) const;
    const QVector<int>& matches(const QString& criteria);
    const Fragment& criterion(const QString& criteria, Evaluation how = Evaluation::Indexed);
    quint64 version() const { return db_->version(table_->name); }
    // Rows written by another program show from the next move on.
    void noticeOutsideChanges() const { db_->version(table_->name); }
    bool keysetCurrent() const { return keysAsOf_ == version(); }
    void wrote(bool keysWereCurrent, bool selectionKept, qint64 key);
    bool inKeyOrderWithoutFilter() const { return query_.where.empty() && query_.orderBy.isEmpty(); }
    bool findCached(const QString& criteria) const;
    std::optional<int> probeNext(const QString& criteria, int from);
    std::optional<int> firstInOrder(const QString& criteria);
    Fragment keysMeeting(const Fragment& crit, const QString& tail) const;
    void findAfter(const QString& criteria, int from);
    void collect();
    QString keySql() const;
    QString selectSql(const QString& columns, const Fragment& where) const;
    void freshCache() const;

    std::shared_ptr<Database> db_;
    const TableInfo* table_;
    SourceQuery query_;
    int keyField_;
    QVector<qint64> keys_;
    bool keysSorted_ = true; // table order: keys ascend, so a key's position is a binary search
    mutable QHash<qint64, int> positions_;
    int pos_ = -1;
    bool currentDeleted_ = false;
    bool noMatch_ = false;
    QString deleteRefusal_;

    EditMode editMode_ = EditNone;
    Row buffer_;
    Row original_; // the record as edit() read it
    QVector<bool> dirty_;
    QVector<Conflict> conflicts_;

    quint64 keysAsOf_ = 0;    // the data version the keys agree with
    quint64 outsideAsOf_ = 0; // the others' writes the keys include

    mutable QHash<qint64, Row> cache_;
    mutable quint64 cacheVersion_ = 0;

    // What a find learnt holds while neither the data nor the keyset changed.
    struct Stamp {
        quint64 dataVersion = 0;
        quint64 keysVersion = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stamp() const { return {version() + 1, keysVersion_}; }
    struct FindCache {
        Stamp asOf;
        QVector<int> positions;
    };
    QHash<QString, FindCache> finds_;
    struct FirstMatch {
        Stamp asOf;
        int position = -1;
    };
    QHash<QString, FirstMatch> firsts_; // what firstInOrder() learnt, a prefix typed again
    struct ProbeMemo {
        QString sql;
        QVariantList params;
        Stamp asOf;
        std::optional<int> found;
    };
    ProbeMemo lastProbe_;
    QHash<QString, Fragment> criteria_;
    quint64 keysVersion_ = 0; // counts changes of keys_ itself
};

} // namespace engine
