#include "UsedItems.h"

#include "engine/Database.h"
#include "engine/DbError.h"

#include <algorithm>

namespace usedItems {

namespace {

const QString kJournal = QStringLiteral("MalzemeTasima");

bool hasJournal(engine::Database& servis) {
    try {
        servis.table(kJournal);
        return true;
    } catch (const engine::DbError&) {
        return false;
    }
}

} // namespace

QVector<Move> planMove(engine::Database& stok, const QList<qint64>& keys, const QString& storedCode,
                       const QString& to) {
    QVector<Move> out;
    const auto add = [&](qint64 key, const QVariant& code) {
        const QString from = code.toString();
        if (from != to && std::none_of(out.begin(), out.end(), [key](const Move& m) { return m.key == key; }))
            out.push_back({key, from});
    };
    for (qint64 key : keys) {
        engine::Statement s = stok.prepare(QStringLiteral("SELECT KayitNo FROM StokHareket WHERE ID = ?"));
        s.bind(1, key);
        if (s.step())
            add(key, s.value(0));
    }
    if (!storedCode.isEmpty()) {
        engine::Statement s =
            stok.prepare(QStringLiteral("SELECT ID, KayitNo FROM StokHareket WHERE KayitNo = ? ORDER BY ID"));
        s.bind(1, storedCode);
        while (s.step())
            add(s.int64(0), s.value(1));
    }
    return out;
}

void recordMove(engine::Database& servis, const QVector<Move>& moves, const QString& to) {
    if (moves.isEmpty())
        return;
    servis.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS MalzemeTasima (ID INTEGER PRIMARY KEY, "
                               "StokHareketID INTEGER NOT NULL, EskiKod TEXT, YeniKod TEXT NOT NULL)"));
    for (const Move& m : moves) {
        engine::Statement s = servis.prepare(
            QStringLiteral("INSERT INTO MalzemeTasima (StokHareketID, EskiKod, YeniKod) VALUES (?, ?, ?)"));
        s.bind(1, m.key);
        s.bind(2, m.from);
        s.bind(3, to);
        s.run();
    }
    servis.changed(kJournal);
}

int finishMoves(engine::Database& servis, engine::Database& stok) {
    if (!hasJournal(servis))
        return 0;
    struct Pending {
        qint64 key;
        QString from;
        QString to;
    };
    QVector<Pending> pending;
    qint64 last = 0;
    {
        engine::Statement s = servis.prepare(
            QStringLiteral("SELECT ID, StokHareketID, EskiKod, YeniKod FROM MalzemeTasima ORDER BY ID"));
        while (s.step()) {
            last = s.int64(0);
            pending.push_back({s.int64(1), s.value(2).toString(), s.value(3).toString()});
        }
    }
    if (pending.isEmpty())
        return 0;
    int moved = 0;
    {
        engine::Database::Transaction together(stok);
        for (const Pending& p : pending) {
            engine::Statement s = stok.prepare(QStringLiteral(
                "UPDATE StokHareket SET KayitNo = ? WHERE ID = ? AND coalesce(KayitNo, '') = ?"));
            s.bind(1, p.to);
            s.bind(2, p.key);
            s.bind(3, p.from);
            s.run();
            moved += stok.changes();
        }
        together.commit();
    }
    stok.changed(QStringLiteral("StokHareket"));
    // Only once the items are where they belong is the note of the move dropped.
    engine::Statement done = servis.prepare(QStringLiteral("DELETE FROM MalzemeTasima WHERE ID <= ?"));
    done.bind(1, last);
    done.run();
    servis.changed(kJournal);
    return moved;
}

void removeItems(engine::Database& stok, const QList<qint64>& keys) {
    if (keys.isEmpty())
        return;
    {
        engine::Database::Transaction together(stok);
        for (qint64 key : keys) {
            engine::Statement s = stok.prepare(QStringLiteral("DELETE FROM StokHareket WHERE ID = ?"));
            s.bind(1, key);
            s.run();
        }
        together.commit();
    }
    stok.changed(QStringLiteral("StokHareket"));
}

void giveItems(engine::Database& stok, const QList<qint64>& keys, const QString& to) {
    if (keys.isEmpty())
        return;
    {
        engine::Database::Transaction together(stok);
        for (qint64 key : keys) {
            engine::Statement s =
                stok.prepare(QStringLiteral("UPDATE StokHareket SET KayitNo = ? WHERE ID = ?"));
            s.bind(1, to);
            s.bind(2, key);
            s.run();
        }
        together.commit();
    }
    stok.changed(QStringLiteral("StokHareket"));
}

} // namespace usedItems
