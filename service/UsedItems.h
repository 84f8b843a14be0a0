#pragma once

#include <QString>

namespace engine {
class Database;
}

// The used items (StokHareket rows of Stok.mdb) of service records, as whole sets.
namespace usedItems {

// The key of the newest used item; 0 when there is none. New rows always get a larger key.
qint64 lastKey(engine::Database& stok);

// Removes the used items added after the one with key `last`.
void removeAddedAfter(engine::Database& stok, qint64 last);

// Gives every used item of the record `from` to the record `to`.
void moveToCode(engine::Database& stok, const QString& from, const QString& to);

} // namespace usedItems
