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

bool hold(engine::Database& servis, const QString& code) {
    if (servis.dialect() != engine::Dialect::Postgres)
        return true;
    engine::Statement s = servis.prepare(QStringLiteral("SELECT pg_try_advisory_lock(?::int, ?::int)"));
    s.bind(1, kRecordCodes);
    s.bind(2, number(code));
    return s.step() && s.int64(0) != 0;
}

void release(engine::Database& servis, const QString& code) {
    if (servis.dialect() != engine::Dialect::Postgres || code.isEmpty())
        return;
    engine::Statement s = servis.prepare(QStringLiteral("SELECT pg_advisory_unlock(?::int, ?::int)"));
    s.bind(1, kRecordCodes);
    s.bind(2, number(code));
    s.run();
}

} // namespace reservation
