// The engine's SQL translator on any text: a record source, a criterion, a sort text and a DELETE
// statement. Refusals are engine errors; anything else (a crash, a hang, a stack overflow) is a
// fault.
#include "engine/DbError.h"
#include "engine/Sql.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

const engine::TableInfo& servis() {
    static const engine::TableInfo table = [] {
        engine::TableInfo t;
        t.name = QStringLiteral("Servis");
        t.key = QStringLiteral("ID");
        t.fields = {{QStringLiteral("ID"), engine::FieldType::Integer},
                    {QStringLiteral("ServisKayitNo"), engine::FieldType::Text},
                    {QStringLiteral("Unvan"), engine::FieldType::Text},
                    {QStringLiteral("KayitTarih"), engine::FieldType::Date},
                    {QStringLiteral("KayitSaat"), engine::FieldType::Time},
                    {QStringLiteral("SonDurum"), engine::FieldType::Integer}};
        return t;
    }();
    return table;
}

template <typename F> void refusalsOnly(F&& f) {
    try {
        f();
    } catch (const engine::DbError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const engine::TableLookup lookup = [](const QString& name) -> const engine::TableInfo& {
        if (name.compare(QLatin1String("Servis"), Qt::CaseInsensitive) != 0)
            throw engine::DbError(engine::ErrTableNotFound, name);
        return servis();
    };
    refusalsOnly([&] { engine::parseRecordSource(text, lookup); });
    refusalsOnly([&] { engine::translateCriteria(text, servis()); });
    refusalsOnly([&] { engine::translateCriteria(text, servis(), engine::Evaluation::RowByRow); });
    refusalsOnly([&] { engine::translateSort(text, servis()); });
    refusalsOnly(
        [&] { engine::translateStatement(QStringLiteral("DELETE FROM Servis WHERE ") + text, lookup, {1}); });
    return 0;
}
