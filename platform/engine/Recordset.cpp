#include "Recordset.h"

#include "DbError.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <sqlite3.h>
#include <utility>

namespace engine {

namespace {

constexpr int kCacheRows = 512;
constexpr int kProbeKeys = 512;
constexpr int kBatchRows = 64;

QString quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

[[noreturn]] void noCurrentRecord() {
    throw DbError(ErrNoCurrentRecord, QStringLiteral("Geçerli kayıt yok."));
}

// Dates and times are stored as ISO 8601 text; callers get QDate/QTime for them.
QVariant fromStored(const QVariant& v, FieldType type) {
    if (!v.isValid())
        return v;
    switch (type) {
    case FieldType::Date: {
        const QDate d = QDate::fromString(v.toString().left(10), Qt::ISODate);
        return d.isValid() ? QVariant(d) : v;
    }
    case FieldType::Time: {
        const QString s = v.toString();
        QTime t = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
        if (!t.isValid())
            t = QTime::fromString(s, QStringLiteral("HH:mm"));
        return t.isValid() ? QVariant(t) : v;
    }
    default:
        return v;
    }
}

// Equal as stored: a time to the second, a date by day, an empty text as no text.
bool sameValue(const QVariant& a, const QVariant& b) {
    const auto text = [](const QVariant& v) {
        if (v.typeId() == QMetaType::QTime)
            return v.toTime().toString(QStringLiteral("HH:mm:ss"));
        if (v.typeId() == QMetaType::QDate)
            return v.toDate().toString(Qt::ISODate);
        return v.toString();
    };
    return text(a) == text(b);
}

} // namespace

Recordset::Recordset(std::shared_ptr<Database> db, SourceQuery query, const Recordset* previous)
    : db_(std::move(db))
    , table_(&db_->table(query.table))
    , query_(std::move(query))
    , keyField_(table_->indexOf(table_->key)) {
    if (previous && previous->db_ == db_ && previous->query_ == query_ && previous->keysetCurrent()) {
        keys_ = previous->keys_;
        keysSorted_ = previous->keysSorted_;
        keysAsOf_ = previous->keysAsOf_;
        outsideAsOf_ = previous->outsideAsOf_;
    } else {
        collect();
    }
    pos_ = keys_.isEmpty() ? -1 : 0;
}

Recordset::~Recordset() = default;

QString Recordset::keySql() const {
    return selectSql(quoted(table_->key), query_.where);
}

QString Recordset::selectSql(const QString& columns, const Fragment& where) const {
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns, quoted(table_->name));
    if (!where.empty())
        sql += QStringLiteral(" WHERE ") + where.sql;
    sql += QStringLiteral(" ORDER BY ") + (query_.orderBy.isEmpty() ? quoted(table_->key) : query_.orderBy);
    return sql;
}

void Recordset::collect() {
    keysAsOf_ = version();
    outsideAsOf_ = db_->outsideVersion(table_->name);
    keys_.clear();
    positions_.clear();
    Statement s = db_->prepare(keySql());
    s.bindAll(query_.where.params);
    if (table_->dialect == Dialect::Postgres) {
        // The first screenful's rows come in the keys' round trip. A prefix filter's are read in
        // key order past the rows that do not match: as a Like pattern, planned for the prefix
        // typed, each row is folded once rather than twice for a range.
        const Fragment& where = query_.whereForValues;
        Statement first =
            db_->prepare(selectSql(QStringLiteral("*"), where) + QStringLiteral(" LIMIT %1").arg(kBatchRows),
                         where == query_.where ? Plan::Kept : Plan::ForEachRun);
        first.bindAll(where.params);
        db_->runTogether({&s, &first});
        freshCache();
        while (first.step()) {
            const Row r = rowFrom(first);
            cache_.insert(r[keyField_].toLongLong(), r);
        }
    }
    while (s.step())
        keys_.push_back(s.int64(0));
    keysSorted_ = query_.orderBy.isEmpty();
    ++keysVersion_;
    finds_.clear();
    firsts_.clear();
}

int Recordset::absolutePosition() const {
    if (bof() || eof() || currentDeleted_)
        return -1;
    return pos_;
}

void Recordset::setAbsolutePosition(int position) {
    if (position < 0 || position >= keys_.size())
        throw DbError(ErrInvalidArgument, QStringLiteral("Geçersiz kayıt konumu: %1").arg(position));
    land(position);
}

void Recordset::land(int position) {
    noticeOutsideChanges();
    dropEdit();
    currentDeleted_ = false;
    pos_ = position;
    Q_EMIT currentChanged();
}

void Recordset::dropEdit() {
    editMode_ = EditNone;
    buffer_.clear();
    original_.clear();
    dirty_.clear();
}

// Records another desk or program added or removed come in at the next move, the current record
// staying current (or, gone, leaving its place to the one that followed it). Our own writes keep
// the set as the user made it until a refresh, as before; an open edit keeps everything still.
void Recordset::followOutsideWrites() {
    noticeOutsideChanges();
    if (editMode_ != EditNone || db_->outsideVersion(table_->name) == outsideAsOf_)
        return;
    const bool onRecord = !bof() && !eof() && !currentDeleted_;
    const qint64 key = onRecord ? keys_[pos_] : -1;
    const int was = pos_;
    collect();
    positions_.clear();
    const int found = key >= 0 ? positionOfKey(key) : -1;
    if (found >= 0) {
        pos_ = found;
        currentDeleted_ = false;
    } else if (onRecord || currentDeleted_) {
        pos_ = std::min(was, static_cast<int>(keys_.size()));
        currentDeleted_ = pos_ < keys_.size();
    } else {
        pos_ = was < 0 ? -1 : static_cast<int>(keys_.size());
    }
    Q_EMIT keysReloaded();
}

void Recordset::moveFirst() {
    followOutsideWrites();
    if (keys_.isEmpty())
        noCurrentRecord();
    land(0);
}

void Recordset::moveLast() {
    followOutsideWrites();
    if (keys_.isEmpty())
        noCurrentRecord();
    land(static_cast<int>(keys_.size()) - 1);
}

void Recordset::moveNext() {
    followOutsideWrites();
    if (eof())
        noCurrentRecord();
    // After a delete the position already names the record that followed the deleted one.
    const int next = currentDeleted_ ? pos_ : pos_ + 1;
    dropEdit();
    currentDeleted_ = false;
    pos_ = next;
    if (!eof())
        Q_EMIT currentChanged();
}

void Recordset::movePrevious() {
    followOutsideWrites();
    if (bof())
        noCurrentRecord();
    dropEdit();
    currentDeleted_ = false;
    pos_ -= 1;
    if (!bof())
        Q_EMIT currentChanged();
}

int Recordset::positionOfKey(qint64 key) const {
    if (keysSorted_) {
        const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
        return it != keys_.end() && *it == key ? static_cast<int>(it - keys_.begin()) : -1;
    }
    if (positions_.isEmpty()) {
        positions_.reserve(keys_.size());
        for (int i = 0; i < keys_.size(); ++i)
            positions_.insert(keys_[i], i);
    }
    return positions_.value(key, -1);
}

// The criterion runs once into the sorted positions of its matches; later finds with the same
// criterion are binary searches until the data or the keyset changes.
const Fragment& Recordset::criterion(const QString& criteria, Evaluation how) {
    const QString key = QString::number(static_cast<int>(how)) + criteria;
    auto it = criteria_.constFind(key);
    if (it != criteria_.constEnd())
        return *it;
    if (criteria_.size() >= 64)
        criteria_.clear();
    return *criteria_.insert(key, translateCriteria(criteria, *table_, how));
}

// The statement for the set's keys that also meet `crit`, ending with `tail`, and its values.
Fragment Recordset::keysMeeting(const Fragment& crit, const QString& tail) const {
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(quoted(table_->key), quoted(table_->name));
    if (!query_.where.empty())
        sql += QStringLiteral("(%1) AND ").arg(query_.where.sql);
    return {sql + QStringLiteral("(%1)").arg(crit.sql) + tail, query_.where.params + crit.params};
}

const QVector<int>& Recordset::matches(const QString& criteria) {
    FindCache& entry = finds_[criteria];
    if (entry.asOf == stamp())
        return entry.positions;
    const Fragment keys = keysMeeting(criterion(criteria), QString());
    Statement s = db_->prepare(keys.sql);
    s.bindAll(keys.params);
    entry.positions.clear();
    while (s.step()) {
        const int p = positionOfKey(s.int64(0));
        if (p >= 0)
            entry.positions.push_back(p);
    }
    std::sort(entry.positions.begin(), entry.positions.end());
    entry.asOf = stamp();
    return entry.positions;
}

bool Recordset::findCached(const QString& criteria) const {
    const auto it = finds_.constFind(criteria);
    return it != finds_.constEnd() && it->asOf == stamp();
}

// In table order the next match is usually near: the keys just after `from` are looked through
// first, and every match is collected only when none of them qualifies. A server plans the look
// for the next match past a key well, and a second statement would be a second round trip: there
// the look goes to the end of the table. The answer is the position found, -1 when there is
// certainly none, or nothing when the look could not tell.
std::optional<int> Recordset::probeNext(const QString& criteria, int from) {
    if (!keysSorted_ || findCached(criteria))
        return std::nullopt;
    const int first = from + 1;
    if (first >= keys_.size())
        return -1;
    const bool toTheEnd = table_->dialect == Dialect::Postgres;
    const int last = toTheEnd ? static_cast<int>(keys_.size()) - 1
                              : static_cast<int>(std::min<qsizetype>(keys_.size(), first + kProbeKeys)) - 1;
    const Fragment& crit = criterion(criteria, toTheEnd ? Evaluation::Indexed : Evaluation::RowByRow);
    // SQLite would otherwise pick a folded-field index and read far beyond the keys looked at.
    const QString notIndexed = toTheEnd ? QString() : QStringLiteral(" NOT INDEXED");
    QString sql = QStringLiteral("SELECT %1 FROM %2%3 WHERE %1 BETWEEN ? AND ?")
                      .arg(quoted(table_->key), quoted(table_->name), notIndexed);
    if (!query_.where.empty())
        sql += QStringLiteral(" AND (%1)").arg(query_.where.sql);
    sql += QStringLiteral(" AND (%1) ORDER BY %2 LIMIT 1").arg(crit.sql, quoted(table_->key));
    const QVariantList params = QVariantList{keys_[first], keys_[last]} + query_.where.params + crit.params;
    // A value list's match and the find it leads to ask the same; while nothing changed, once.
    if (lastProbe_.sql == sql && lastProbe_.params == params && lastProbe_.asOf == stamp())
        return lastProbe_.found;
    Statement s = db_->prepare(sql);
    s.bindAll(params);
    std::optional<int> found;
    if (s.step()) {
        if (const int p = positionOfKey(s.int64(0)); p >= 0)
            found = p;
    } else if (last == keys_.size() - 1) {
        found = -1;
    }
    lastProbe_ = {sql, params, stamp(), found};
    return found;
}

void Recordset::findFirst(const QString& criteria) {
    followOutsideWrites();
    findAfter(criteria, -1);
}

// In a set in another order a server hands over the first match in that order rather than every
// match, a search box's short prefix having thousands. The set's order is the server's only while
// nothing was written since the keys were read; the answer is the position, -1 for no match, or
// nothing when the matches must be collected instead.
std::optional<int> Recordset::firstInOrder(const QString& criteria) {
    if (table_->dialect != Dialect::Postgres || keysSorted_ || !keysetCurrent() || findCached(criteria))
        return std::nullopt;
    const auto known = firsts_.constFind(criteria);
    if (known != firsts_.constEnd() && known->asOf == stamp())
        return known->position;
    const Fragment first = keysMeeting(criterion(criteria, Evaluation::IndexedForValues),
                                       QStringLiteral(" ORDER BY %1 LIMIT 1").arg(query_.orderBy));
    Statement s = db_->prepare(first.sql, Plan::ForEachRun);
    s.bindAll(first.params);
    const bool found = s.step();
    const int p = found ? positionOfKey(s.int64(0)) : -1;
    if (found && p < 0)
        return std::nullopt;
    if (firsts_.size() >= 256)
        firsts_.clear();
    firsts_.insert(criteria, {stamp(), p});
    return p;
}

int Recordset::positionOf(const QString& criteria, int after) {
    if (const std::optional<int> near = probeNext(criteria, after))
        return *near;
    if (after < 0)
        if (const std::optional<int> first = firstInOrder(criteria))
            return *first;
    const auto& m = matches(criteria);
    const auto it = std::upper_bound(m.begin(), m.end(), after);
    return it == m.end() ? -1 : *it;
}

void Recordset::findAfter(const QString& criteria, int from) {
    const int found = positionOf(criteria, from);
    noMatch_ = found < 0;
    if (!noMatch_)
        land(found);
}

void Recordset::findLast(const QString& criteria) {
    followOutsideWrites();
    const auto& m = matches(criteria);
    noMatch_ = m.isEmpty();
    if (!noMatch_)
        land(m.back());
}

void Recordset::findNext(const QString& criteria) {
    followOutsideWrites();
    findAfter(criteria, bof() ? -1 : (currentDeleted_ ? pos_ - 1 : pos_));
}

void Recordset::findPrevious(const QString& criteria) {
    followOutsideWrites();
    const auto& m = matches(criteria);
    const int from = eof() ? static_cast<int>(keys_.size()) : pos_;
    const auto it = std::lower_bound(m.begin(), m.end(), from);
    noMatch_ = it == m.begin();
    if (!noMatch_)
        land(*(it - 1));
}

Recordset::Row Recordset::rowFrom(const Statement& s) const {
    Row r(table_->fields.size());
    for (int i = 0; i < r.size(); ++i)
        r[i] = fromStored(s.value(i), table_->fields[i].type);
    return r;
}

// Other programs' changes are looked for when the record set moves (land), not per field.
void Recordset::freshCache() const {
    if (const quint64 v = db_->knownVersion(table_->name); cacheVersion_ != v) {
        cache_.clear();
        cacheVersion_ = v;
    }
}

const Recordset::Row& Recordset::row(int position) const {
    freshCache();
    const qint64 key = keys_[position];
    auto it = cache_.constFind(key);
    if (it != cache_.constEnd())
        return *it;
    if (cache_.size() >= kCacheRows)
        cache_.clear();
    if (table_->dialect == Dialect::Postgres)
        return fetchBatch(position);
    Statement s = db_->prepare(
        QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(quoted(table_->name), quoted(table_->key)));
    s.bind(1, key);
    if (!s.step())
        throw DbError(ErrRecordDeleted, QStringLiteral("Kayıt silinmiş."));
    return *cache_.insert(key, rowFrom(s));
}

// Over a network every statement costs a round trip: the rows from `position` on that are not in
// the cache come in one, so that a screenful of a grid, or the next records, cost no more.
const Recordset::Row& Recordset::fetchBatch(int position) const {
    QStringList wanted;
    const int end = static_cast<int>(std::min<qsizetype>(keys_.size(), position + kBatchRows));
    for (int p = position; p < end; ++p) {
        if (p == position || !cache_.contains(keys_[p]))
            wanted << QString::number(keys_[p]);
    }
    Statement s = db_->prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ANY (?::bigint[])")
                                   .arg(quoted(table_->name), quoted(table_->key)));
    s.bind(1, QStringLiteral("{%1}").arg(wanted.join(u',')));
    while (s.step()) {
        const Row r = rowFrom(s);
        cache_.insert(r[keyField_].toLongLong(), r);
    }
    const auto it = cache_.constFind(keys_[position]);
    if (it == cache_.constEnd())
        throw DbError(ErrRecordDeleted, QStringLiteral("Kayıt silinmiş."));
    return *it;
}

void Recordset::requireCurrent() const {
    if (currentDeleted_)
        throw DbError(ErrRecordDeleted, QStringLiteral("Kayıt silinmiş."));
    if (bof() || eof())
        noCurrentRecord();
}

const Recordset::Row& Recordset::currentRow() const {
    requireCurrent();
    return row(pos_);
}

int Recordset::fieldIndex(const QString& field) const {
    const int i = table_->indexOf(field);
    if (i < 0)
        throw DbError(ErrFieldNotFound, QStringLiteral("Alan bulunamadı: %1").arg(field));
    return i;
}

QVariant Recordset::value(const QString& field) const {
    return value(fieldIndex(field));
}

QVariant Recordset::value(int fieldIndex) const {
    if (editMode_ != EditNone)
        return buffer_.at(fieldIndex);
    return currentRow().at(fieldIndex);
}

QVariant Recordset::valueAt(int position, int fieldIndex) const {
    if (position < 0 || position >= keys_.size())
        return {};
    try {
        return row(position).at(fieldIndex);
    } catch (const DbError&) {
        return {};
    }
}

void Recordset::setValue(const QString& field, const QVariant& v) {
    if (editMode_ == EditNone)
        throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Kayıt düzenlenmeden alan değiştirilemez."));
    const int i = fieldIndex(field);
    if (i == keyField_)
        throw DbError(ErrInvalidArgument, QStringLiteral("Anahtar alan değiştirilemez: %1").arg(field));
    buffer_[i] = v;
    dirty_[i] = true;
}

void Recordset::addNew() {
    buffer_ = Row(table_->fields.size());
    dirty_ = QVector<bool>(table_->fields.size(), false);
    editMode_ = EditAdd;
}

void Recordset::edit() {
    const Row current = currentRow();
    buffer_ = current;
    original_ = current;
    conflicts_.clear();
    dirty_ = QVector<bool>(table_->fields.size(), false);
    editMode_ = EditInProgress;
}

void Recordset::edit(const QVector<QVariant>& asRead) {
    edit();
    if (asRead.size() == original_.size())
        original_ = asRead;
}

void Recordset::cancelUpdate() {
    if (editMode_ == EditNone)
        throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Bekleyen bir ekleme ya da düzeltme yok."));
    dropEdit();
}

void Recordset::update(OnConflict how) {
    if (editMode_ == EditNone)
        throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Bekleyen bir ekleme ya da düzeltme yok."));
    if (editMode_ == EditInProgress && dirty_.contains(true))
        refuseOnConflict(how);
    QStringList names;
    QVariantList values;
    for (int i = 0; i < buffer_.size(); ++i) {
        if (dirty_[i]) {
            names << quoted(table_->fields[i].name);
            values << buffer_[i];
        }
    }
    if (editMode_ == EditAdd) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(table_->name));
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoted(table_->name), names.join(u','), marks.join(u','));
        }
        const bool current = keysetCurrent();
        std::optional<Row> stored;
        if (table_->dialect == Dialect::Postgres) {
            // The row comes back as stored, in the write's round trip: shown next, it needs no read.
            sql += QStringLiteral(" RETURNING *");
            Statement s = db_->prepare(sql);
            s.bindAll(values);
            s.step();
            stored = rowFrom(s);
            keys_.push_back((*stored)[keyField_].toLongLong());
        } else {
            Statement s = db_->prepare(sql);
            s.bindAll(values);
            s.run();
            keys_.push_back(sqlite3_last_insert_rowid(db_->handle()));
        }
        wrote(current, inKeyOrderWithoutFilter(), keys_.back());
        if (stored)
            cache_.insert(keys_.back(), *stored);
        if (!keysSorted_ || (keys_.size() > 1 && keys_[keys_.size() - 2] > keys_.back()))
            keysSorted_ = false;
        positions_.clear();
        ++keysVersion_;
        dropEdit();
        Q_EMIT recordAppended(static_cast<int>(keys_.size()) - 1);
        return;
    }
    if (!names.isEmpty()) {
        QStringList sets;
        for (const QString& n : names)
            sets << n + QStringLiteral(" = ?");
        Statement s = db_->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                       .arg(quoted(table_->name), sets.join(u','), quoted(table_->key)));
        const bool current = keysetCurrent();
        s.bindAll(values);
        s.bind(static_cast<int>(values.size()) + 1, keys_[pos_]);
        s.run();
        wrote(current, inKeyOrderWithoutFilter(), keys_[pos_]);
    }
    dropEdit();
    Q_EMIT recordChanged(pos_);
}

void Recordset::deleteRecord() {
    requireCurrent();
    dropEdit();
    deleteRefusal_.clear();
    Q_EMIT aboutToDelete();
    if (!deleteRefusal_.isEmpty())
        throw DbError(ErrCanceled, std::exchange(deleteRefusal_, QString()));
    Statement s = db_->prepare(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoted(table_->name), quoted(table_->key)));
    const bool current = keysetCurrent();
    const qint64 key = keys_[pos_];
    s.bind(1, key);
    s.run();
    keys_.remove(pos_);
    wrote(current, true, key);
    positions_.clear();
    ++keysVersion_;
    currentDeleted_ = true;
    Q_EMIT recordRemoved(pos_);
}

// Reads the record as stored now (locked on a server until the transaction ends) and refuses the
// write when it differs from what edit() read in a field whose new value differs from it too.
void Recordset::refuseOnConflict(OnConflict how) {
    const qint64 key = keys_[pos_];
    const QString lock = table_->dialect == Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
    Statement s = db_->prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?%3")
                                   .arg(quoted(table_->name), quoted(table_->key), lock));
    s.bind(1, key);
    if (!s.step())
        throw DbError(ErrRecordDeleted, QStringLiteral("Kayıt siz düzeltirken başka bir yerde silinmiş."));
    const Row stored = rowFrom(s);
    // A field only the other side changed takes their value; one both changed, differently, is
    // a conflict for the user to settle.
    conflicts_.clear();
    for (int i = 0; i < stored.size(); ++i) {
        if (sameValue(stored[i], original_[i]))
            continue;
        if (sameValue(buffer_[i], original_[i])) {
            buffer_[i] = stored[i];
            dirty_[i] = true;
        } else if (!sameValue(buffer_[i], stored[i]))
            conflicts_.push_back({table_->fields[i].name, stored[i], buffer_[i]});
    }
    if (conflicts_.isEmpty() || how == OnConflict::KeepMine)
        return;
    cache_.remove(key);
    throw DbError(ErrWriteConflict, QStringLiteral("Kayıt siz düzeltirken başka bir yerde değiştirildi."));
}

// After a write of our own to the row `key` (keys already adjusted): the keys still agree with
// the data if they did before and the write cannot change which rows the source selects or their
// order. The other rows cached stay good unless another change came between, when the cache
// starts again; on a server that spares the record shown after a save or a deletion a read of its
// own.
void Recordset::wrote(bool keysWereCurrent, bool selectionKept, qint64 key) {
    if (cacheVersion_ == db_->knownVersion(table_->name))
        cache_.remove(key);
    else
        cache_.clear();
    db_->changed(table_->name);
    cacheVersion_ = db_->knownVersion(table_->name);
    if (keysWereCurrent && selectionKept)
        keysAsOf_ = version();
}

qint64 Recordset::bookmark() const {
    requireCurrent();
    return keys_[pos_];
}

void Recordset::setBookmark(qint64 bookmark) {
    followOutsideWrites();
    const int p = positionOfKey(bookmark);
    if (p < 0)
        throw DbError(ErrRecordDeleted, QStringLiteral("Yer imindeki kayıt artık yok."));
    land(p);
}

std::unique_ptr<Recordset> Recordset::openSorted(const QString& sortText) const {
    SourceQuery q = query_;
    q.orderBy = translateSort(sortText, *table_);
    return std::make_unique<Recordset>(db_, q);
}

} // namespace engine
