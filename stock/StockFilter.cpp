#include "StockFilter.h"

#include "engine/Text.h"

namespace stockfilter {

QString cardSource(const QString& group, const QString& subgroup) {
    QString condition;
    if (group != kNoGroup) {
        condition = QStringLiteral("Where Gurup=") + engine::sqlQuote(group);
        if (subgroup != kNoGroup)
            condition += QStringLiteral(" And AltGurup=") + engine::sqlQuote(subgroup);
    }
    return QStringLiteral("Select * From Stokkartlar ") + condition + QStringLiteral(" Order By StokKod ASC");
}

QString subgroupSource(const QString& group) {
    return QStringLiteral("Select * From AltGurup Where Gurup=") + engine::sqlQuote(group) +
           QStringLiteral(" Order By AltGurup ASC");
}

QStringList searchCriteria(const QString& typed) {
    const QString pattern = engine::sqlQuote(engine::likeLiteral(typed) + QLatin1Char('*'));
    QStringList out;
    for (const char* field : {"Barkod", "Serino", "StokKod", "StokAd"})
        out << QString::fromLatin1(field) + QStringLiteral(" like ") + pattern;
    return out;
}

QStringList exactCriteria(const QString& typed) {
    QStringList out;
    for (const char* field : {"Barkod", "Serino", "StokKod"})
        out << equals(QString::fromLatin1(field), typed);
    return out;
}

QString equals(const QString& field, const QString& value) {
    return field + QLatin1Char('=') + engine::sqlQuote(value);
}

} // namespace stockfilter

#include "engine/DataSource.h"

namespace stockfilter {

QStringList fieldValues(const engine::DataSource& source, const QString& field) {
    QStringList out;
    const engine::Recordset* rs = source.recordset();
    if (!rs)
        return out;
    const int index = rs->fieldIndex(field);
    for (int i = 0; i < rs->recordCount(); ++i)
        out << rs->valueAt(i, index).toString();
    return out;
}

} // namespace stockfilter
