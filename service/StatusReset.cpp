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

    QStringList texts;
    for (const TextField& f : kTextFields)
        texts << QStringLiteral("%1 = coalesce(%1, '')").arg(QString::fromLatin1(f.field));
    const QString update =
        QStringLiteral(
            "UPDATE Servis SET SonDurum = 0, Nerde = coalesce(Nerde, 0), %1 WHERE ID > ? AND ID <= ?")
            .arg(texts.join(QStringLiteral(", ")));

    engine::Statement bounds =
        servis.prepare(QStringLiteral("SELECT coalesce(max(ID), 0), count(*) FROM Servis"));
    bounds.step();
    const qint64 maxId = bounds.int64(0);
    const int total = static_cast<int>(bounds.int64(1));
    int done = 0;
    for (qint64 from = 0; from < maxId; from += kBatch) {
        engine::Statement s = servis.prepare(update);
        s.bind(1, from);
        s.bind(2, from + kBatch);
        s.run();
        done += servis.changes();
        if (!progress(std::min(done, total), total))
            return;
    }

    // The first record (in table order) of each title that no customer carries yet, compared
    // the same case-insensitive way a customer look-up compares.
    QStringList customer;
    for (const char* f : kCustomerFields)
        customer << QString::fromLatin1(f);
    customer << QStringLiteral("Email");
    const QString fold = engine::foldSql(QStringLiteral("Unvan"));
    const auto qualified = [&](const QString& table) {
        return QString(fold).replace(QStringLiteral("\"Unvan\""), table + QStringLiteral(".\"Unvan\""));
    };
    servis.exec(QStringLiteral("INSERT INTO Cari (%1) SELECT %1 FROM Servis WHERE ID IN ("
                               "SELECT min(ID) FROM Servis GROUP BY %2) "
                               "AND NOT EXISTS (SELECT 1 FROM Cari c WHERE %3 = %4) ORDER BY ID")
                    .arg(customer.join(QStringLiteral(", ")), fold, qualified(QStringLiteral("c")),
                         qualified(QStringLiteral("Servis"))));
    transaction.commit();
    servis.changed();
    progress(total, total);
}
