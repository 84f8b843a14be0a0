#pragma once

#include <QList>
#include <QString>
#include <QVector>

namespace engine {
class Database;
}

// The used items (StokHareket rows of Stok.mdb) of service records, followed by their own keys:
// row keys are reused after a deletion, so "newer than the newest" says nothing.
//
// A record saved under a code takes its items to that code. The record lives in Servis.mdb and its
// items in Stok.mdb, so the move is written down in Servis.mdb (table MalzemeTasima) in the very
// transaction that stores the record, and carried out in Stok.mdb afterwards. Whatever stops the
// program in between, the record and its pending move are either both there or both not, and
// finishMoves() at the next start completes what was written down.
namespace usedItems {

struct Move {
    qint64 key = 0; // StokHareket.ID
    QString from;   // the code the item carries when the move is planned
    bool operator==(const Move&) const = default;
};

// The items that saving a record under `to` moves: the rows with the given keys and every row
// under `storedCode` (the record's code before a change; empty for a new record), less those
// already under `to`.
QVector<Move> planMove(engine::Database& stok, const QList<qint64>& keys, const QString& storedCode,
                       const QString& to);

// Writes the planned move down in Servis.mdb; called inside the transaction that stores the record.
void recordMove(engine::Database& servis, const QVector<Move>& moves, const QString& to);

// Carries out in Stok.mdb every move written down in Servis.mdb, then forgets them. An item that
// no longer carries the code it was planned from (moved already, or its key reused by another
// row) is left alone, so a move finished twice changes nothing. Returns the items moved.
int finishMoves(engine::Database& servis, engine::Database& stok);

// Removes the items with these keys.
void removeItems(engine::Database& stok, const QList<qint64>& keys);

// Gives the items with these keys to the record `to`.
void giveItems(engine::Database& stok, const QList<qint64>& keys, const QString& to);

} // namespace usedItems
