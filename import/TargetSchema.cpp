#include "TargetSchema.h"

#include "Schema.h"

namespace jet {

namespace {

// An old file holds only the tables the old program had; the ones added since are made empty.
TargetSchema make(const QString& fileName, const QStringList& statements) {
    return {fileName, statements, schema::originalTablesOf(fileName)};
}

TargetSchema servis() {
    return make(schema::kServisFile, schema::servisStatements());
}

TargetSchema stok() {
    return make(schema::kStokFile, schema::stokStatements());
}

bool holdsAny(const QStringList& tables, const TargetSchema& s) {
    for (const QString& t : s.tables)
        if (tables.contains(t, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

std::optional<TargetSchema> schemaForFile(const QString& fileName) {
    for (TargetSchema s : {servis(), stok()})
        if (s.fileName.compare(fileName, Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

std::optional<TargetSchema> schemaForTables(const QStringList& tables) {
    const TargetSchema a = servis(), b = stok();
    const bool inA = holdsAny(tables, a), inB = holdsAny(tables, b);
    if (inA == inB)
        return std::nullopt;
    return inA ? a : b;
}

} // namespace jet
