#include "CodeReservation.h"

#include "engine/Database.h"

namespace reservation {

namespace {

// Advisory locks are named by two numbers: ours for record codes, and the code's eight digits.
constexpr int kRecordCodes = 0x4B54;

qint64 number(const QString& code) {
    QString digits = code;
    digits.remove(u'-');
    return digits.toLongLong();
}

} // namespace

bool holdFree(engine::Database& servis, const QString& code) {
    engine::Statement stored = servis.prepare(QStringLiteral("SELECT 1 FROM Servis WHERE ServisKayitNo = ?"));
    stored.bind(1, code);
    if (servis.dialect() != engine::Dialect::Postgres)
        return !stored.step();
    engine::Statement hold = servis.prepare(QStringLiteral("SELECT pg_try_advisory_lock(?::int, ?::int)"));
    hold.bind(1, kRecordCodes);
    hold.bind(2, number(code));
    // One after the other on the server, each with a view of its own moment.
    servis.runTogether({&hold, &stored});
    if (!hold.step() || hold.int64(0) == 0)
        return false;
    if (stored.step()) {
        release(servis, code);
        return false;
    }
    return true;
}

void release(engine::Database& servis, const QString& code) {
    if (servis.dialect() != engine::Dialect::Postgres || code.isEmpty())
        return;
    // Numbers of our own making, so written into the statement: it then waits for the next one.
    servis.execSoon(QStringLiteral("SELECT pg_advisory_unlock(%1, %2)").arg(kRecordCodes).arg(number(code)));
}

} // namespace reservation
