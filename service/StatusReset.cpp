#include "StatusReset.h"

#include "ServisFields.h"
#include "engine/Database.h"
#include "engine/Text.h"

#include <QStringList>

namespace {
constexpr int kBatch = 20000;
}

void resetAllStatuses(engine::Database& servis, const std::function<bool(int, int)>& progress) {
    engine::Database::Transaction transaction(servis);

    // Only rows whose status differs are written: a status column carries no index, so the
    // reset touches nothing else and costs little on records already waiting.
    const engine::Dialect d = servis.dialect();
    const QString update =
        QStringLiteral("UPDATE Servis SET SonDurum = 0 WHERE ID > ? AND ID <= ? AND SonDurum %1 0")
            .arg(engine::isNotSql(d));
    engine::Statement bounds = servis.prepare(QStringLiteral("SELECT coalesce(max(ID), 0) FROM Servis"));
    bounds.step();
    const int maxId = static_cast<int>(bounds.int64(0));
    for (int from = 0; from < maxId; from += kBatch) {
        engine::Statement s = servis.prepare(update);
        s.bind(1, from);
        s.bind(2, from + kBatch);
        s.run();
        if (!progress(std::min(from + kBatch, maxId), maxId))
            return;
    }

    // The first record (in table order) of each title that no customer carries yet, compared
    // the same case-insensitive way a customer look-up compares.
    QStringList customer;
    for (const char* f : kCustomerFields)
        customer << QString::fromLatin1(f);
    customer << QStringLiteral("Email");
    const QString fold = engine::foldSql(QStringLiteral("Unvan"), d);
    const auto qualified = [&](const QString& table) {
        return engine::foldExpressionSql(table + QStringLiteral(".Unvan"), d);
    };
    // Empty texts are stored as "", as the record entry stores them; a record without a title
    // names no customer.
    QStringList values;
    for (const QString& field : customer)
        values << QStringLiteral("coalesce(%1, '')").arg(field);
    servis.exec(QStringLiteral("INSERT INTO Cari (%1) SELECT %5 FROM Servis WHERE ID IN ("
                               "SELECT min(ID) FROM Servis GROUP BY %2) "
                               "AND trim(coalesce(Unvan, '')) <> '' "
                               "AND NOT EXISTS (SELECT 1 FROM Cari c WHERE %3 = %4) ORDER BY ID")
                    .arg(customer.join(QStringLiteral(", ")), fold, qualified(QStringLiteral("c")),
                         qualified(QStringLiteral("Servis")), values.join(QStringLiteral(", "))));
    transaction.commit();
    servis.changed();
    progress(maxId, maxId);
}
