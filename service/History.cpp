#include "History.h"

#include "Schema.h"
#include "ServisFields.h"
#include "engine/Database.h"
#include "engine/Text.h"

#include <QRegularExpression>

namespace history {

namespace {

QString firstLine(const QString& text) {
    return text.section(u'\n', 0, 0).remove(u'\r').trimmed();
}

// The match condition, written exactly as the index is, so that the index serves it. Built once
// per store: a look-up runs on every record shown.
QString matchingSql(Kind kind, engine::Dialect d) {
    return schema::matchKeySql(fieldOf(kind), d) +
           QStringLiteral(" = ? AND ID %1 ?").arg(engine::isNotSql(d));
}

const QString& matching(Kind kind, engine::Dialect d) {
    static const QString sqlite[] = {matchingSql(Kind::Device, engine::Dialect::Sqlite),
                                     matchingSql(Kind::Customer, engine::Dialect::Sqlite)};
    static const QString server[] = {matchingSql(Kind::Device, engine::Dialect::Postgres),
                                     matchingSql(Kind::Customer, engine::Dialect::Postgres)};
    return (d == engine::Dialect::Postgres ? server : sqlite)[kind == Kind::Device ? 0 : 1];
}

QString countSql(Kind kind, engine::Dialect d) {
    return QStringLiteral("SELECT count(*) FROM Servis WHERE ") + matching(kind, d);
}

// The used items of the listed records, a batch of codes per statement rather than a statement
// per record (on a server each is a round trip). A batch always takes the same number of codes,
// the rest NULL, which equals none: the store keeps one prepared statement for it.
void addUsedItems(engine::Database& stok, QVector<Entry>& entries) {
    constexpr int kBatch = 32;
    QStringList marks;
    for (int i = 0; i < kBatch; ++i)
        marks << QStringLiteral("?");
    const QString sql =
        QStringLiteral("SELECT KayitNo, StokAd FROM StokHareket WHERE KayitNo IN (%1) ORDER BY ID")
            .arg(marks.join(QStringLiteral(", ")));
    QHash<QString, QStringList> items;
    for (qsizetype from = 0; from < entries.size(); from += kBatch) {
        engine::Statement s = stok.prepare(sql);
        for (int i = 0; i < kBatch; ++i)
            s.bind(i + 1, from + i < entries.size() ? QVariant(entries[from + i].code) : QVariant());
        while (s.step())
            items[s.value(0).toString()] << s.value(1).toString();
    }
    for (Entry& e : entries)
        e.items = items.value(e.code);
}

QVariant exceptKey(qint64 except) {
    return except < 0 ? QVariant() : QVariant(except);
}

} // namespace

QString fieldOf(Kind kind) {
    return kind == Kind::Device ? QStringLiteral("SeriNo") : QStringLiteral("Unvan");
}

bool Counter::stale(const std::shared_ptr<engine::Database>& servis, const Texts& texts) {
    if (db_.lock() != servis) {
        db_ = servis;
        known_ = false;
        // Without its index a look-up reads every record: no note rather than a window that
        // stalls on every record shown.
        indexed_[0] = indexed(*servis, Kind::Device);
        indexed_[1] = indexed(*servis, Kind::Customer);
    }
    wanted_ = {indexed_[0] ? schema::matchKey(texts.serial) : QString(),
               indexed_[1] ? schema::matchKey(texts.title) : QString(), texts.except,
               servis->knownVersion(QStringLiteral("Servis"))};
    if (known_ && wanted_ == have_)
        return false;
    if (wanted_.serial.isEmpty() && wanted_.title.isEmpty()) {
        counts_[0] = counts_[1] = 0;
        have_ = wanted_;
        known_ = true;
        return false;
    }
    return true;
}

QString Counter::sql(engine::Dialect d) {
    return QStringLiteral("SELECT (%1), (%2)").arg(countSql(Kind::Device, d), countSql(Kind::Customer, d));
}

void Counter::bind(engine::Statement& s) const {
    // An empty key matches nothing: NULL equals no value.
    s.bindAll({wanted_.serial.isEmpty() ? QVariant() : wanted_.serial, exceptKey(wanted_.except),
               wanted_.title.isEmpty() ? QVariant() : wanted_.title, exceptKey(wanted_.except)});
}

void Counter::take(engine::Statement& s) {
    s.step();
    counts_[0] = static_cast<int>(s.int64(0));
    counts_[1] = static_cast<int>(s.int64(1));
    have_ = wanted_;
    known_ = true;
}

int Counter::count(const std::shared_ptr<engine::Database>& servis, Kind kind, const Texts& texts) {
    if (stale(servis, texts)) {
        engine::Statement s = servis->prepare(sql(servis->dialect()));
        bind(s);
        take(s);
    }
    return counts_[kind == Kind::Device ? 0 : 1];
}

bool indexed(engine::Database& servis, Kind kind) {
    if (servis.dialect() == engine::Dialect::Postgres) {
        // The server's schema is laid down whole; the index is there unless someone dropped it.
        engine::Statement s = servis.prepare(QStringLiteral(
            "SELECT 1 FROM pg_indexes WHERE schemaname = current_schema() AND indexname = lower(?)"));
        s.bind(1, QStringLiteral("Servis_%1_Key").arg(fieldOf(kind)));
        return s.step();
    }
    engine::Statement plan =
        servis.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + countSql(kind, servis.dialect()));
    while (plan.step()) {
        const QString detail = plan.value(plan.columnCount() - 1).toString();
        if (detail.startsWith(QStringLiteral("SEARCH")) && detail.contains(QStringLiteral("INDEX")))
            return true;
    }
    return false;
}

QString caption(Kind kind, int count) {
    if (count <= 0)
        return {};
    return kind == Kind::Device ? QStringLiteral("%1 önceki kayıt").arg(count)
                                : QStringLiteral("Müşterinin %1 kaydı").arg(count);
}

QVector<Entry> list(engine::Database& servis, engine::Database& stok, Kind kind, const QString& text,
                    qint64 except) {
    QVector<Entry> out;
    const QString key = schema::matchKey(text);
    if (key.isEmpty())
        return out;
    engine::Statement s = servis.prepare(
        QStringLiteral("SELECT ID, ServisKayitNo, KayitTarih, Sistem, MarkaModel, BasvuruSebebi, Sonuc, "
                       "SonDurum FROM Servis WHERE ") +
        matching(kind, servis.dialect()) +
        QStringLiteral(" ORDER BY KayitTarih DESC, KayitSaat DESC, ID DESC"));
    s.bind(1, key);
    s.bind(2, exceptKey(except));
    while (s.step()) {
        Entry e;
        e.id = s.int64(0);
        e.code = s.value(1).toString();
        e.date = QDate::fromString(s.value(2).toString(), Qt::ISODate);
        e.device = (s.value(3).toString().trimmed() + u' ' + s.value(4).toString().trimmed()).trimmed();
        e.complaint = firstLine(s.value(5).toString());
        e.outcome = firstLine(s.value(6).toString());
        bool known = false;
        const int status = s.value(7).toInt(&known);
        if (known && status >= 0 && status < int(std::size(kDurumEntries)))
            e.status = kDurumEntries[status];
        out << e;
    }
    addUsedItems(stok, out);
    return out;
}

QString normalizedCode(const QString& typed) {
    static const QRegularExpression code(QStringLiteral("^(\\d{2})-?(\\d{4})-?(\\d{2})$"));
    const QRegularExpressionMatch m = code.match(typed.trimmed());
    if (!m.hasMatch())
        return {};
    return m.captured(1) + u'-' + m.captured(2) + u'-' + m.captured(3);
}

Target resolve(engine::Database& servis, const QString& typed) {
    Target t;
    const QString code = normalizedCode(typed);
    t.code = !code.isEmpty();
    if (t.code) {
        engine::Statement s = servis.prepare(QStringLiteral("SELECT ID FROM Servis WHERE ServisKayitNo = ?"));
        s.bind(1, code);
        if (s.step()) {
            t.what = Target::Record;
            t.id = s.int64(0);
            return t;
        }
    }
    const QString key = schema::matchKey(typed);
    if (key.isEmpty())
        return t;
    engine::Statement s =
        servis.prepare(QStringLiteral("SELECT ID FROM Servis WHERE ") +
                       matching(Kind::Device, servis.dialect()) + QStringLiteral(" LIMIT 2"));
    s.bind(1, key);
    s.bind(2, QVariant());
    if (s.step()) {
        t.what = Target::Record;
        t.id = s.int64(0);
        if (s.step()) {
            t.what = Target::SeveralDevices;
            t.id = -1;
        }
    }
    return t;
}

} // namespace history
