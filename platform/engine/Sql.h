#pragma once

#include "Schema.h"

#include <QString>
#include <QVariantList>
#include <functional>

// Turns the engine's SQL dialect (record sources, criteria, sort texts, DELETE statements) into
// SQLite statements with bound values. Text comparisons become case-insensitive Turkish folds;
// values never become part of the statement text, so a quote in a value cannot change it.
namespace engine {

struct Fragment {
    QString sql;
    QVariantList params;
    bool empty() const { return sql.isEmpty(); }
    bool operator==(const Fragment&) const = default;
};

struct SourceQuery {
    QString table;  // actual table name
    Fragment where; // empty when the source has no WHERE
    // The same WHERE for a statement planned for its values (Evaluation::IndexedForValues).
    Fragment whereForValues;
    QString orderBy; // translated ORDER BY list ending with the key, empty for table order
    bool operator==(const SourceQuery&) const = default;
};

using TableLookup = std::function<const TableInfo&(const QString&)>;

// A record source is a table name ("Servis", "[Servis]") or "SELECT * FROM t [WHERE ...] [ORDER BY ...]".
SourceQuery parseRecordSource(const QString& text, const TableLookup& lookup);
// How a criterion will be evaluated: through the folded-field indexes, or row by row on rows
// already chosen (where one C function per row is cheaper than the built-in fold expression), or
// through the indexes by a statement planned for its values (Plan::ForEachRun), where a server
// reads a prefix's range of the folded index from a Like pattern itself and estimates it better.
enum class Evaluation { Indexed, RowByRow, IndexedForValues };

// A find criterion such as "Unvan Like 'AN*'" or "KayitNo='01-0001-01'".
Fragment translateCriteria(const QString& text, const TableInfo& table, Evaluation how = Evaluation::Indexed);
// A sort text such as "StokKod DESC" or "Gurup ASC, AltGurup".
QString translateSort(const QString& text, const TableInfo& table);
// "DELETE FROM t [WHERE ...]"; returns the SQLite statement and the table it changes. Each "?"
// in the criterion takes the next of `params`.
struct Change : Fragment {
    QString table;
};
Change translateStatement(const QString& text, const TableLookup& lookup, const QVariantList& params = {});

} // namespace engine
