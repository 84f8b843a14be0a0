#include "UsedItems.h"

#include "engine/Database.h"

namespace usedItems {

qint64 lastKey(engine::Database& stok) {
    engine::Statement s = stok.prepare(QStringLiteral("SELECT coalesce(max(ID), 0) FROM StokHareket"));
    s.step();
    return s.int64(0);
}

void removeAddedAfter(engine::Database& stok, qint64 last) {
    engine::Statement s = stok.prepare(QStringLiteral("DELETE FROM StokHareket WHERE ID > ?"));
    s.bind(1, last);
    s.run();
    stok.changed(QStringLiteral("StokHareket"));
}

void moveToCode(engine::Database& stok, const QString& from, const QString& to) {
    engine::Statement s =
        stok.prepare(QStringLiteral("UPDATE StokHareket SET KayitNo = ? WHERE KayitNo = ?"));
    s.bind(1, to);
    s.bind(2, from);
    s.run();
    stok.changed(QStringLiteral("StokHareket"));
}

} // namespace usedItems
